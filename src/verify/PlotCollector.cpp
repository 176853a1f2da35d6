#include "verify/PlotCollector.h"

#include <utility>

void CPlotCollector::Start(CPlotScale scale) {
  *data_ = CPlotData{};
  data_->scale = std::move(scale);
  column_ = nullptr;
}

void CPlotCollector::BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t) {
  line_ = line;
  record_ = record;
  column_ = &data_->columns.BeginRecord(record);
  pairs_ = 0;
}

void CPlotCollector::EndRecord() {
  // Counted once per record rather than once per pair (a plain store per pair
  // instead of a read-modify-write that waits on the one before).
  column_->values += pairs_;
}

void CPlotCollector::Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
                          bool agrees) {
  CPlotColumn& column = *column_;
  pairs_ = pair;
  double fixedCode = 0;
  const bool fixedRead = data_->scale.Read(fixedPoint, fixedCode);
  if (agrees && fixedRead) {
    // Equal texts: one reading serves both sides, and the error is zero.
    column.agreed.Take(fixedCode);
    return;
  }
  double rtlCode = 0;
  const bool rtlRead = data_->scale.Read(rtl, rtlCode);
  if (fixedRead) {
    column.otherFixedPoint.Take(fixedCode);
  }
  if (rtlRead) {
    column.otherRtl.Take(rtlCode);
  }
  if (fixedRead && rtlRead) {
    column.otherError.Take(rtlCode - fixedCode);
  } else {
    ++column.unreadable;
  }
  ++column.disagreeing;
  if (!data_->hasDisagreement) {
    data_->hasDisagreement = true;
    data_->firstDisagreementRecord = record_;
    data_->firstDisagreementLine = line_;
    data_->firstDisagreementPair = pair;
  }
}
