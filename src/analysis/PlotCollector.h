// Gathers the plot data of one timing file from the report pass: an observer
// of every compared pair that reads the tokens as numbers through a
// CPlotScale and bins them into CPlotColumns.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "analysis/PlotColumns.h"
#include "analysis/PlotFourValues.h"
#include "analysis/PlotScale.h"
#include "verify/TimingReport.h"

// Everything a plot of one timing file shows.
struct CPlotData {
  CPlotScale scale;
  CPlotColumns columns;      // all positions together (the index strip)
  CChannelColumns channels;  // the first kTrackedChannels positions one by one
  // The first disagreeing pair, when there is one.
  bool hasDisagreement = false;
  std::uint64_t firstDisagreementRecord = 0;
  std::uint64_t firstDisagreementLine = 0;
  std::uint64_t firstDisagreementPair = 0;
};

// One collector serves the files of a run one after the other: Start before
// each file, Data after it.
class CPlotCollector final : public CPairObserver {
 public:
  CPlotCollector() : data_(std::make_unique<CPlotData>()) {}

  // Forgets the last file's data; the next file's tokens are read through scale.
  void Start(CPlotScale scale);
  const CPlotData& Data() const {
    FoldFourValues();
    return *data_;
  }

  void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) override;
  // A token that is not hexadecimal makes the pair count as disagreeing and
  // keeps it out of the value traces (the other token of the pair still
  // shows); the error needs both. Disagreeing pairs are counted by class.
  void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
            bool agrees) override;
  void EndRecord() override;
  void Record(const CRecordPairs& pairs) override;

 private:
  // The pairs of a record, codes held as TCode (see CPlotScale::IntegerCode).
  template <typename TCode>
  void TakeRecord(const CRecordPairs& pairs);
  // A pair that disagrees, or holds a token that is not hexadecimal.
  void TakeOther(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl);
  // An agreeing pair's code into its channel's column and the file's.
  void TakeAgreed(std::size_t channel, double code) {
    data_->channels.At(channel, columnIndex_).agreed.Take(code);
    column_->agreed.Take(code);
  }
  // The tracked positions first to end (at most 32) of a record: codes of
  // agreeing pairs taken, bit n - first of the result set for each pair n
  // that is not.
  std::uint32_t TakeTrackedChannels(const CRecordPairs& pairs, std::size_t first, std::size_t end);
  // Takes the extremes four_ and groups_ hold into the columns they belong
  // to, and the values of the run of records into their channels.
  void FoldFourValues() const;
  // Adds the records of the run to the value counts of their channels.
  void FlushRun() const;

  std::unique_ptr<CPlotData> data_;  // some 150 KB of file columns: kept off the stack
  CPlotColumn* column_ = nullptr;
  std::size_t columnIndex_ = 0;
  // Consecutive records of one column with the same number of tracked
  // pairs, counted once each and added to their channels' values when the
  // run ends: one addition per record instead of one per pair.
  mutable std::size_t runPairs_ = 0;
  mutable std::uint64_t runRecords_ = 0;
  std::uint64_t line_ = 0;
  std::uint64_t record_ = 0;
  std::uint64_t pairs_ = 0;  // the record's pairs so far: its last pair number
  // The extremes of the agreeing values read four at a time, kept over the
  // records of one column and taken into it when the next column opens (or
  // the data is looked at): no per-record folding of the four lanes.
  mutable CFourValueReader four_;
  // The same per group of four tracked channels, a lane per channel.
  mutable std::array<CFourValueReader, kTrackedChannels / 4> groups_;
};
