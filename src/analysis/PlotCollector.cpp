#include "analysis/PlotCollector.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <utility>

#include "analysis/ValueClass.h"

void CPlotCollector::Start(CPlotScale scale) {
  // Only the channel columns in use are cleared: most files use few.
  data_->channels.Reset();
  data_->columns = CPlotColumns{};
  data_->scale = std::move(scale);
  data_->hasDisagreement = false;
  data_->firstDisagreementRecord = 0;
  data_->firstDisagreementLine = 0;
  data_->firstDisagreementPair = 0;
  column_ = nullptr;
  columnIndex_ = 0;
  runPairs_ = 0;
  runRecords_ = 0;
  four_ = CFourValueReader(data_->scale);
  groups_.fill(four_);
}

void CPlotCollector::BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t) {
  line_ = line;
  record_ = record;
  CPlotColumns& columns = data_->columns;
  if (columns.NextRecordOpensColumn()) {
    FoldFourValues();  // before the columns may merge
    const std::size_t before = columns.Count();
    column_ = &columns.BeginRecord(record);
    data_->channels.Follow(before, columns.Count());
  } else {
    column_ = &columns.BeginRecord(record);
  }
  columnIndex_ = columns.Count() - 1;
  pairs_ = 0;
}

void CPlotCollector::FlushRun() const {
  for (std::size_t n = 0; n < runPairs_; ++n) {
    data_->channels.At(n, columnIndex_).values += runRecords_;
  }
  runRecords_ = 0;
}

void CPlotCollector::FoldFourValues() const {
  if (column_ == nullptr) {
    return;
  }
  FlushRun();
  // Codes of at most 32 bits: exact as doubles whatever the scale.
  if (!four_.Empty()) {
    column_->agreed.Take(static_cast<double>(four_.Low()));
    column_->agreed.Take(static_cast<double>(four_.High()));
    four_.Clear();
  }
  for (std::size_t group = 0; 4 * group < data_->channels.Channels(); ++group) {
    CFourValueReader& lanes = groups_[group];
    if (lanes.Empty()) {
      continue;
    }
    for (int lane = 0; lane < 4; ++lane) {
      std::int64_t low = 0;
      std::int64_t high = 0;
      if (lanes.LaneExtremes(lane, low, high)) {
        CPlotRange& agreed =
            data_->channels.At(4 * group + static_cast<std::size_t>(lane), columnIndex_).agreed;
        agreed.Take(static_cast<double>(low));
        agreed.Take(static_cast<double>(high));
        column_->agreed.Take(static_cast<double>(low));
        column_->agreed.Take(static_cast<double>(high));
      }
    }
    lanes.Clear();
  }
}

void CPlotCollector::EndRecord() {
  // Counted once per record rather than once per pair (a plain store per pair
  // instead of a read-modify-write that waits on the one before).
  column_->values += pairs_;
}

void CPlotCollector::Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
                          bool agrees) {
  pairs_ = pair;
  const bool tracked = pair <= kTrackedChannels;
  data_->channels.See(pair);
  if (tracked) {
    ++data_->channels.At(pair - 1, columnIndex_).values;
  }
  double code = 0;
  if (agrees && data_->scale.Read(fixedPoint, code)) {
    // Equal texts: one reading serves both sides, and the error is zero.
    if (tracked) {
      TakeAgreed(pair - 1, code);
    } else {
      column_->agreed.Take(code);
    }
    return;
  }
  TakeOther(pair, fixedPoint, rtl);
}

std::uint32_t CPlotCollector::TakeTrackedChannels(const CRecordPairs& pairs, std::size_t first,
                                                  std::size_t end) {
  std::uint32_t others = 0;
  std::size_t n = first;
  // Four positions at a time into the lanes of their group where the
  // tokens have the common shape; one at a time otherwise.
  for (; n + 4 <= end; n += 4) {
    std::uint32_t notTaken = 0;
    if (groups_[n / 4].Take(&pairs.values[2 * n], &pairs.agrees[n], notTaken)) {
      others |= notTaken << (n - first);
      continue;
    }
    for (std::size_t k = n; k < n + 4; ++k) {
      double code = 0;
      if (pairs.agrees[k] != 0 && data_->scale.Read(pairs.FixedPoint(k), code)) {
        TakeAgreed(k, code);
      } else {
        others |= std::uint32_t{1} << (k - first);
      }
    }
  }
  for (; n < end; ++n) {
    double code = 0;
    if (pairs.agrees[n] != 0 && data_->scale.Read(pairs.FixedPoint(n), code)) {
      TakeAgreed(n, code);
    } else {
      others |= std::uint32_t{1} << (n - first);
    }
  }
  return others;
}

void CPlotCollector::Record(const CRecordPairs& pairs) {
  BeginRecord(pairs.line, pairs.record, pairs.clocks);
  const std::size_t tracked = std::min(pairs.Pairs(), kTrackedChannels);
  data_->channels.See(pairs.Pairs());
  if (tracked != runPairs_) {
    FlushRun();
    runPairs_ = tracked;
  }
  ++runRecords_;
  // The tracked positions in blocks of up to 32, one bit each for the pairs
  // that are not agreeing numbers, taken after the block's agreeing ones.
  for (std::size_t first = 0; first < tracked; first += 32) {
    const std::size_t end = std::min(first + 32, tracked);
    for (std::uint32_t others = TakeTrackedChannels(pairs, first, end); others != 0;
         others &= others - 1) {
      const std::size_t n = first + static_cast<std::size_t>(std::countr_zero(others));
      TakeOther(n + 1, pairs.FixedPoint(n), pairs.Rtl(n));
    }
  }
  if (tracked == pairs.Pairs()) {
    pairs_ = pairs.Pairs();
    EndRecord();
    return;
  }
  if (data_->scale.IsSigned()) {
    TakeRecord<std::int64_t>(pairs);
  } else {
    TakeRecord<std::uint64_t>(pairs);
  }
  pairs_ = pairs.Pairs();
  EndRecord();
}

template <typename TCode>
void CPlotCollector::TakeRecord(const CRecordPairs& pairs) {
  const CPlotScale& scale = data_->scale;
  const std::span<const std::string_view> values = pairs.values;
  const std::span<const unsigned char> agrees = pairs.agrees;
  // The pairs in chunks of 64: the agreeing ones' codes are read into a
  // buffer and their extremes found after, so that no update waits on the
  // one before; the other pairs, rare, are marked and taken last.
  constexpr std::size_t kChunk = 64;
  std::array<TCode, kChunk> codes;
  TCode low = std::numeric_limits<TCode>::max();
  TCode high = std::numeric_limits<TCode>::min();
  // Four tokens of the common shape at a time where they come in fours; the
  // reader is kept in registers for the record.
  CFourValueReader four = four_;
  for (std::size_t first = kTrackedChannels; first < agrees.size(); first += kChunk) {
    const std::size_t size = std::min(kChunk, agrees.size() - first);
    std::size_t taken = 0;
    std::uint64_t others = 0;  // bit k: pair first + k is not an agreeing number
    for (std::size_t k = 0; k < size;) {
      std::uint32_t notTaken = 0;
      if (k + 4 <= size && four.Take(&values[2 * (first + k)], &agrees[first + k], notTaken)) {
        others |= std::uint64_t{notTaken} << k;
        k += 4;
        continue;
      }
      std::uint64_t pattern = 0;
      if (agrees[first + k] != 0 && ReadHexPattern(values[2 * (first + k)], pattern)) {
        codes[taken++] = scale.IntegerCode<TCode>(pattern);
      } else {
        others |= std::uint64_t{1} << k;
      }
      ++k;
    }
    for (std::size_t k = 0; k < taken; ++k) {
      low = std::min(low, codes[k]);
      high = std::max(high, codes[k]);
    }
    for (; others != 0; others &= others - 1) {
      const std::size_t n = first + static_cast<std::size_t>(std::countr_zero(others));
      TakeOther(n + 1, pairs.FixedPoint(n), pairs.Rtl(n));
    }
  }
  four_ = four;
  if (low <= high) {
    column_->agreed.Take(static_cast<double>(low));
    column_->agreed.Take(static_cast<double>(high));
  }
}

namespace {

// A pair that is not an agreeing number, read once for every column it goes into.
struct COtherPair {
  EValueClass valueClass = EValueClass::kNumeric;
  bool fixedRead = false;
  bool rtlRead = false;
  double fixedCode = 0;
  double rtlCode = 0;
};

COtherPair ReadOther(std::string_view fixedPoint, std::string_view rtl, const CPlotScale& scale) {
  const CValueToken fixedToken = ReadValueToken(fixedPoint);
  const CValueToken rtlToken = ReadValueToken(rtl);
  COtherPair pair;
  pair.valueClass = ClassifyPair(fixedToken, rtlToken, scale).valueClass;
  pair.fixedRead = fixedToken.IsNumber();
  pair.rtlRead = rtlToken.IsNumber();
  pair.fixedCode = pair.fixedRead ? scale.Code(fixedToken.pattern) : 0;
  pair.rtlCode = pair.rtlRead ? scale.Code(rtlToken.pattern) : 0;
  return pair;
}

void TakeOtherInto(CPlotColumn& column, const COtherPair& pair) {
  if (pair.fixedRead) {
    column.otherFixedPoint.Take(pair.fixedCode);
  }
  if (pair.rtlRead) {
    column.otherRtl.Take(pair.rtlCode);
  }
  if (pair.fixedRead && pair.rtlRead) {
    column.otherError.Take(pair.rtlCode - pair.fixedCode);
  } else {
    ++column.unreadable;
  }
  ++column.disagreeing;
  ++column.classes[static_cast<std::size_t>(pair.valueClass)];
  column.unknown += pair.valueClass == EValueClass::kUnknown ? 1 : 0;
}

}  // namespace

void CPlotCollector::TakeOther(std::uint64_t pair, std::string_view fixedPoint,
                               std::string_view rtl) {
  // Equal texts come here only when they are no numbers (unknown or unreadable).
  const COtherPair other = ReadOther(fixedPoint, rtl, data_->scale);
  TakeOtherInto(*column_, other);
  if (pair <= kTrackedChannels) {
    TakeOtherInto(data_->channels.At(pair - 1, columnIndex_), other);
  }
  if (!data_->hasDisagreement) {
    data_->hasDisagreement = true;
    data_->firstDisagreementRecord = record_;
    data_->firstDisagreementLine = line_;
    data_->firstDisagreementPair = pair;
  }
}
