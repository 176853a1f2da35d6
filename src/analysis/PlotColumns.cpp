#include "analysis/PlotColumns.h"

#include <algorithm>

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
  MergeValues(next);
}

void CPlotColumn::MergeValues(const CPlotColumn& next) {
  values += next.values;
  disagreeing += next.disagreeing;
  unreadable += next.unreadable;
  unknown += next.unknown;
  for (std::size_t k = 0; k < kValueClasses; ++k) {
    classes[k] += next.classes[k];
  }
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

EValueClass CPlotColumn::DominantClass() const {
  std::size_t dominant = 0;
  for (std::size_t k = 1; k < kValueClasses; ++k) {
    if (classes[k] > classes[dominant]) {
      dominant = k;
    }
  }
  return kAllValueClasses[dominant];
}

void CChannelColumns::MergePairwise(std::size_t usedBefore) {
  for (std::size_t channel = 0; channel < channels_; ++channel) {
    auto& columns = columns_[channel];
    const std::size_t half = (usedBefore + 1) / 2;
    for (std::size_t n = 0; n < half; ++n) {
      CPlotColumn merged = columns[2 * n];
      if (2 * n + 1 < usedBefore) {
        merged.MergeValues(columns[2 * n + 1]);
      }
      columns[n] = merged;
    }
    for (std::size_t n = half; n < usedBefore; ++n) {
      columns[n] = CPlotColumn{};
    }
  }
}

void CChannelColumns::Reset(std::size_t used) {
  for (std::size_t channel = 0; channel < channels_; ++channel) {
    for (std::size_t n = 0; n < used && n < kChannelColumns; ++n) {
      columns_[channel][n] = CPlotColumn{};
    }
  }
  channels_ = 0;
  positions_ = 0;
}

std::vector<CPlotColumn> CChannelColumns::Of(std::size_t channel, const CPlotColumns& file) const {
  std::vector<CPlotColumn> out;
  for (std::size_t n = 0; 2 * n < file.Count(); ++n) {
    CPlotColumn column = columns_[channel][n];
    const CPlotColumn& first = file[2 * n];
    const CPlotColumn& last = file[std::min(2 * n + 1, file.Count() - 1)];
    column.firstRecord = first.firstRecord;
    column.lastRecord = last.lastRecord;
    column.records = last.lastRecord + 1 - first.firstRecord;
    out.push_back(column);
  }
  return out;
}
