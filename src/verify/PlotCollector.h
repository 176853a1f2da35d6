// Gathers the plot data of one timing file from the report pass: an observer
// of every compared pair that reads the tokens as numbers through a
// CPlotScale and bins them into CPlotColumns.
#pragma once

#include <cstdint>
#include <string_view>

#include "verify/PlotColumns.h"
#include "verify/PlotScale.h"
#include "verify/TimingReport.h"

// Everything a plot of one timing file shows.
struct CPlotData {
  CPlotScale scale;
  CPlotColumns columns;
  // The first disagreeing pair, when there is one.
  bool hasDisagreement = false;
  std::uint64_t firstDisagreementRecord = 0;
  std::uint64_t firstDisagreementLine = 0;
  std::uint64_t firstDisagreementPair = 0;
};

class CPlotCollector final : public CPairObserver {
 public:
  explicit CPlotCollector(CPlotData& data) : data_(data) {}

  void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) override;
  // A token that is not hexadecimal makes the pair count as disagreeing and
  // keeps it out of the value traces (the other token of the pair still
  // shows); the error needs both.
  void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
            bool agrees) override;

 private:
  CPlotData& data_;
  CPlotColumn* column_ = nullptr;
  std::uint64_t line_ = 0;
  std::uint64_t record_ = 0;
};
