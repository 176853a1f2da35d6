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

void CChannelColumns::Grow(std::size_t pairs) {
  positions_ = pairs;
  const std::size_t channels = std::min(pairs, kTrackedChannels);
  if (channels > channels_) {
    // New columns are empty; those of the channels seen are kept.
    if (columns_.size() < channels * kChannelColumns) {
      columns_.resize(channels * kChannelColumns);
    }
    channels_ = channels;
  }
}

void CChannelColumns::MergePairwise() {
  const std::size_t half = (used_ + 1) / 2;
  for (std::size_t channel = 0; channel < channels_; ++channel) {
    CPlotColumn* columns = &columns_[channel * kChannelColumns];
    for (std::size_t n = 0; n < half; ++n) {
      CPlotColumn merged = columns[2 * n];
      if (2 * n + 1 < used_) {
        merged.MergeValues(columns[2 * n + 1]);
      }
      columns[n] = merged;
    }
    for (std::size_t n = half; n < used_; ++n) {
      columns[n] = CPlotColumn{};
    }
  }
  used_ = half;
}

void CChannelColumns::Follow(std::size_t before, std::size_t after) {
  if (after < before || (shift_ == 0 && after > kChannelColumns)) {
    // The file's columns were merged, or outgrew the channels' columns.
    MergePairwise();
    shift_ = 1;
  }
  used_ = after == 0 ? 0 : ((after - 1) >> shift_) + 1;
}

void CChannelColumns::Reset() {
  for (std::size_t channel = 0; channel < channels_; ++channel) {
    for (std::size_t n = 0; n < used_; ++n) {
      columns_[channel * kChannelColumns + n] = CPlotColumn{};
    }
  }
  channels_ = 0;
  positions_ = 0;
  used_ = 0;
  shift_ = 0;
}

std::vector<CPlotColumn> CChannelColumns::Of(std::size_t channel, const CPlotColumns& file) const {
  std::vector<CPlotColumn> out;
  const std::size_t step = std::size_t{1} << shift_;
  out.reserve((file.Count() + step - 1) / step);
  for (std::size_t n = 0; step * n < file.Count(); ++n) {
    CPlotColumn column = columns_[channel * kChannelColumns + n];
    const CPlotColumn& first = file[step * n];
    const CPlotColumn& last = file[std::min(step * n + step - 1, file.Count() - 1)];
    column.firstRecord = first.firstRecord;
    column.lastRecord = last.lastRecord;
    column.records = last.lastRecord + 1 - first.firstRecord;
    out.push_back(column);
  }
  return out;
}
