#include "verify/PlotColumns.h"

void CPlotColumn::Merge(const CPlotColumn& next) {
  if (records == 0) {
    *this = next;
    return;
  }
  if (next.records == 0) {
    return;
  }
  lastRecord = next.lastRecord;
  records += next.records;
  values += next.values;
  disagreeing += next.disagreeing;
  unreadable += next.unreadable;
  fixedPoint.Take(next.fixedPoint);
  rtl.Take(next.rtl);
  error.Take(next.error);
}

static_assert(kMaxPlotColumns % 2 == 0, "columns are merged in pairs");

void CPlotColumns::MergePairwise() {
  // kMaxPlotColumns is even, so the columns are full pairs here.
  const std::size_t half = count_ / 2;
  for (std::size_t n = 0; n < half; ++n) {
    CPlotColumn merged = columns_[2 * n];
    merged.Merge(columns_[2 * n + 1]);
    columns_[n] = merged;
  }
  for (std::size_t n = half; n < count_; ++n) {
    columns_[n] = CPlotColumn{};
  }
  count_ = half;
  width_ *= 2;
}

CPlotColumn& CPlotColumns::BeginRecord(std::uint64_t record) {
  std::size_t n = static_cast<std::size_t>(records_ / width_);
  if (n == kMaxPlotColumns) {
    MergePairwise();
    n = static_cast<std::size_t>(records_ / width_);
  }
  ++records_;
  CPlotColumn& column = columns_[n];
  if (n == count_) {
    ++count_;
    column.firstRecord = record;
  }
  column.lastRecord = record;
  ++column.records;
  return column;
}
