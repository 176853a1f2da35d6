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
#include <vector>

#include "analysis/ValueClass.h"

inline constexpr std::size_t kMaxPlotColumns = 1000;

// The smallest and largest of some values; empty until the first one.
struct CPlotRange {
  double min = std::numeric_limits<double>::infinity();
  double max = -std::numeric_limits<double>::infinity();

  bool Empty() const { return min > max; }
  // Written as branches on purpose: after a column's first values a new
  // extreme is rare, so the branches are well predicted and most calls store
  // nothing, which keeps one value's update from waiting on the last one's.
  void Take(double value) {
    if (value < min) {
      min = value;
    }
    if (value > max) {
      max = value;
    }
  }
  void Take(const CPlotRange& other) {
    min = other.min < min ? other.min : min;
    max = other.max > max ? other.max : max;
  }
};

// One column: consecutive output records. Values are codes in LSB units
// (see CPlotScale); the error is the RTL code less the fixed-point code.
// Pairs that agree, by far the most, are kept in one range for both sides
// (their error is zero); the accessors give the whole picture.
struct CPlotColumn {
  std::uint64_t firstRecord = 0;  // record numbers as the timing file counts them
  std::uint64_t lastRecord = 0;
  std::uint64_t records = 0;
  std::uint64_t values = 0;       // pairs compared
  std::uint64_t disagreeing = 0;  // pairs that differ, or hold a token that is not hexadecimal
  std::uint64_t unreadable = 0;   // pairs with a token that is not hexadecimal
  std::uint64_t unknown = 0;      // pairs with an unknown digit (x, z, ...)
  std::array<std::uint32_t, kValueClasses> classes{};  // the disagreeing pairs by class
  CPlotRange agreed;                                   // the value of each pair that agrees
  CPlotRange otherFixedPoint;                          // the fixed-point values of the other pairs
  CPlotRange otherRtl;                                 // their RTL values
  CPlotRange otherError;  // their errors, where both sides could be read

  CPlotRange FixedPoint() const { return Union(agreed, otherFixedPoint); }
  CPlotRange Rtl() const { return Union(agreed, otherRtl); }
  CPlotRange Error() const {
    CPlotRange error = otherError;
    if (!agreed.Empty()) {
      error.Take(0.0);
    }
    return error;
  }

  // Takes in the column of the records that follow this one's.
  void Merge(const CPlotColumn& next);
  // The same for the counts and values alone (the records stay).
  void MergeValues(const CPlotColumn& next);
  // The class most of the column's disagreeing pairs fall in (the earlier
  // in the table on a tie).
  EValueClass DominantClass() const;

 private:
  static CPlotRange Union(CPlotRange a, const CPlotRange& b) {
    a.Take(b);
    return a;
  }
};

class CPlotColumns {
 public:
  // Opens the column of the next output record; record is its number in the
  // file. Returns the column the record's values go into.
  CPlotColumn& BeginRecord(std::uint64_t record) {
    if (roomInColumn_ == 0) {
      OpenColumn(record);
    }
    --roomInColumn_;
    ++records_;
    CPlotColumn& column = columns_[count_ - 1];
    column.lastRecord = record;
    ++column.records;
    return column;
  }

  std::size_t Count() const { return count_; }
  // The next record opens a new column (and may merge the columns first).
  bool NextRecordOpensColumn() const { return roomInColumn_ == 0; }
  const CPlotColumn& operator[](std::size_t n) const { return columns_[n]; }
  const CPlotColumn* begin() const { return columns_.data(); }
  const CPlotColumn* end() const { return columns_.data() + count_; }
  // Records per column (the last column may hold fewer).
  std::uint64_t RecordsPerColumn() const { return width_; }
  std::uint64_t Records() const { return records_; }

 private:
  void MergePairwise();
  // Every column is full: opens the next one, merging first when all are in
  // use (merged full columns are full again).
  void OpenColumn(std::uint64_t record);

  std::array<CPlotColumn, kMaxPlotColumns> columns_{};
  std::size_t count_ = 0;
  std::uint64_t width_ = 1;
  std::uint64_t records_ = 0;
  std::uint64_t roomInColumn_ = 0;  // records the last column can still take
};

// The output positions (value pairs: channels) followed one by one: as
// many as the diagnosis counts one by one; the plot page draws at most
// kPlotChannels of them.
inline constexpr std::size_t kTrackedChannels = 256;
inline constexpr std::size_t kPlotChannels = 16;
// Columns per channel. A channel column holds one file column while the
// file has no more columns than this (one record each for a short file: the
// true trace), then two: channel column c covers the file's columns 2c and
// 2c + 1, so the channels' columns merge when the file's do.
inline constexpr std::size_t kChannelColumns = kMaxPlotColumns / 2;

class CChannelColumns {
 public:
  // The column of a channel (from 0) that a file column (from 0) falls in.
  CPlotColumn& At(std::size_t channel, std::size_t fileColumn) {
    return columns_[channel * kChannelColumns + (fileColumn >> shift_)];
  }
  // Keeps the channels' columns in step with the file's after a record
  // opened a column: before and after, the file's column counts.
  void Follow(std::size_t before, std::size_t after);
  // Forgets everything, touching only the columns in use.
  void Reset();
  // The channels seen so far (at most kTrackedChannels).
  std::size_t Channels() const { return channels_; }
  void See(std::size_t pairs) {
    if (pairs > positions_) {
      Grow(pairs);
    }
  }
  // The most value pairs a record held (all positions, tracked or not).
  std::uint64_t Positions() const { return positions_; }
  // File columns per channel column: 1 or 2.
  std::uint64_t FileColumnsPerColumn() const { return std::uint64_t{1} << shift_; }
  // A channel's columns in use, with their records filled in from the
  // file's columns.
  std::vector<CPlotColumn> Of(std::size_t channel, const CPlotColumns& file) const;

 private:
  void Grow(std::size_t pairs);
  // Merges each channel's columns in use pairwise.
  void MergePairwise();

  // kChannelColumns per channel seen, channel after channel: storage grows
  // with the channels a file has, and is kept from file to file.
  std::vector<CPlotColumn> columns_;
  std::size_t channels_ = 0;
  std::uint64_t positions_ = 0;
  std::size_t used_ = 0;  // the columns in use per channel
  int shift_ = 0;         // a file column's channel column is fileColumn >> shift_
};
