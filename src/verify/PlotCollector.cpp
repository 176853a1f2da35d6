#include "verify/PlotCollector.h"

void CPlotCollector::BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t) {
  line_ = line;
  record_ = record;
  column_ = &data_.columns.BeginRecord(record);
}

void CPlotCollector::Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
                          bool agrees) {
  CPlotColumn& column = *column_;
  ++column.values;
  double fixedCode = 0;
  double rtlCode = 0;
  const bool fixedRead = data_.scale.Read(fixedPoint, fixedCode);
  const bool rtlRead = data_.scale.Read(rtl, rtlCode);
  if (fixedRead) {
    column.fixedPoint.Take(fixedCode);
  }
  if (rtlRead) {
    column.rtl.Take(rtlCode);
  }
  if (fixedRead && rtlRead) {
    column.error.Take(rtlCode - fixedCode);
  } else {
    ++column.unreadable;
  }
  if (agrees && fixedRead && rtlRead) {
    return;
  }
  ++column.disagreeing;
  if (!data_.hasDisagreement) {
    data_.hasDisagreement = true;
    data_.firstDisagreementRecord = record_;
    data_.firstDisagreementLine = line_;
    data_.firstDisagreementPair = pair;
  }
}
