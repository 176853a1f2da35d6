#include "verify/PlotCollector.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <utility>

void CPlotCollector::Start(CPlotScale scale) {
  *data_ = CPlotData{};
  data_->scale = std::move(scale);
  column_ = nullptr;
  four_ = CFourValueReader(data_->scale);
}

void CPlotCollector::BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t) {
  line_ = line;
  record_ = record;
  if (data_->columns.NextRecordOpensColumn()) {
    FoldFourValues();  // before the columns may merge
  }
  column_ = &data_->columns.BeginRecord(record);
  pairs_ = 0;
}

void CPlotCollector::FoldFourValues() const {
  if (column_ == nullptr || four_.Empty()) {
    return;
  }
  // Codes of at most 32 bits: exact as doubles whatever the scale.
  column_->agreed.Take(static_cast<double>(four_.Low()));
  column_->agreed.Take(static_cast<double>(four_.High()));
  four_.Clear();
}

void CPlotCollector::EndRecord() {
  // Counted once per record rather than once per pair (a plain store per pair
  // instead of a read-modify-write that waits on the one before).
  column_->values += pairs_;
}

void CPlotCollector::Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
                          bool agrees) {
  pairs_ = pair;
  double code = 0;
  if (agrees && data_->scale.Read(fixedPoint, code)) {
    // Equal texts: one reading serves both sides, and the error is zero.
    column_->agreed.Take(code);
    return;
  }
  TakeOther(pair, fixedPoint, rtl);
}

void CPlotCollector::Record(const CRecordPairs& pairs) {
  BeginRecord(pairs.line, pairs.record, pairs.clocks);
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
  for (std::size_t first = 0; first < agrees.size(); first += kChunk) {
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

void CPlotCollector::TakeOther(std::uint64_t pair, std::string_view fixedPoint,
                               std::string_view rtl) {
  CPlotColumn& column = *column_;
  double fixedCode = 0;
  double rtlCode = 0;
  const bool fixedRead = data_->scale.Read(fixedPoint, fixedCode);
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
