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
  agreed.Take(next.agreed);
  otherFixedPoint.Take(next.otherFixedPoint);
  otherRtl.Take(next.otherRtl);
  otherError.Take(next.otherError);
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

void CPlotColumns::OpenColumn(std::uint64_t record) {
  if (count_ == kMaxPlotColumns) {
    MergePairwise();
  }
  columns_[count_].firstRecord = record;
  ++count_;
  roomInColumn_ = width_;
}
