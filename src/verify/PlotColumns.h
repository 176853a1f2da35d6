// The plot data of one timing file, gathered as its output records stream
// by: at most kMaxPlotColumns columns of consecutive records, whatever the
// file size.
//
// Every column covers the same number of records (the last one possibly
// fewer). That number starts at 1 and doubles whenever the records outgrow
// the columns: neighbouring columns are then merged pairwise, so memory stays
// fixed and every record stays in exactly one column.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

inline constexpr std::size_t kMaxPlotColumns = 1000;

// The smallest and largest of some values; empty until the first one.
struct CPlotRange {
  double min = std::numeric_limits<double>::infinity();
  double max = -std::numeric_limits<double>::infinity();

  bool Empty() const { return min > max; }
  void Take(double value) {
    min = value < min ? value : min;
    max = value > max ? value : max;
  }
  void Take(const CPlotRange& other) {
    min = other.min < min ? other.min : min;
    max = other.max > max ? other.max : max;
  }
};

// One column: consecutive output records. Values are codes in LSB units
// (see CPlotScale); the error is the RTL code less the fixed-point code.
struct CPlotColumn {
  std::uint64_t firstRecord = 0;  // record numbers as the timing file counts them
  std::uint64_t lastRecord = 0;
  std::uint64_t records = 0;
  std::uint64_t values = 0;       // pairs compared
  std::uint64_t disagreeing = 0;  // pairs that differ, or hold a token that is not hexadecimal
  std::uint64_t unreadable = 0;   // pairs with a token that is not hexadecimal
  CPlotRange fixedPoint;
  CPlotRange rtl;
  CPlotRange error;

  // Takes in the column of the records that follow this one's.
  void Merge(const CPlotColumn& next);
};

class CPlotColumns {
 public:
  // Opens the column of the next output record; record is its number in the
  // file. Returns the column the record's values go into.
  CPlotColumn& BeginRecord(std::uint64_t record);

  std::size_t Count() const { return count_; }
  const CPlotColumn& operator[](std::size_t n) const { return columns_[n]; }
  const CPlotColumn* begin() const { return columns_.data(); }
  const CPlotColumn* end() const { return columns_.data() + count_; }
  // Records per column (the last column may hold fewer).
  std::uint64_t RecordsPerColumn() const { return width_; }
  std::uint64_t Records() const { return records_; }

 private:
  void MergePairwise();

  std::array<CPlotColumn, kMaxPlotColumns> columns_{};
  std::size_t count_ = 0;
  std::uint64_t width_ = 1;
  std::uint64_t records_ = 0;
};
