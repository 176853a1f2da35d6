// The fixed-point diagnosis of one timing file: every disagreeing pair
// classified (see ValueClass.h), counted per file and per output position
// (value pair 1, 2, ... of a record: a channel), with the bits in which the
// pairs differ and those the simulator did not know. Memory is fixed per
// channel, whatever the file size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/PlotScale.h"
#include "analysis/ValueClass.h"
#include "verify/TimingReport.h"

// Channels counted one by one; the pairs from this position on are summed
// into the last entry.
inline constexpr std::size_t kMaxChannels = 256;

struct CClassCounts {
  std::array<std::uint64_t, kValueClasses> counts{};
  // The largest |error| in LSBs over the classes that have one; absent when none has.
  std::optional<double> maxErrorLsb;

  std::uint64_t& operator[](EValueClass c) { return counts[static_cast<std::size_t>(c)]; }
  std::uint64_t operator[](EValueClass c) const { return counts[static_cast<std::size_t>(c)]; }
  std::uint64_t Total() const;
  void Take(const CPairClass& pair);
  void Add(const CClassCounts& other);
  // The class with the most pairs (the earlier in the table on a tie);
  // absent when there is none.
  std::optional<EValueClass> Dominant() const;

  bool operator==(const CClassCounts&) const = default;
};

struct CChannelDiagnosis {
  std::uint64_t pair = 0;      // the output position, from 1
  std::uint64_t lastPair = 0;  // the last position summed in (== pair but for the last entry)
  std::uint64_t values = 0;
  std::uint64_t disagreeing = 0;
  CClassCounts classes;

  bool operator==(const CChannelDiagnosis&) const = default;
};

struct CFileDiagnosis {
  CClassCounts classes;
  // Per bit of the word, bit 0 the least significant: how many disagreeing
  // pairs differ in that bit (two numbers), and how many have it unknown.
  std::vector<std::uint64_t> errorBits;
  std::vector<std::uint64_t> unknownBits;
  std::vector<CChannelDiagnosis> channels;

  bool operator==(const CFileDiagnosis&) const = default;
};

// The classes that have pairs, most first (the earlier in the table on a tie).
std::vector<EValueClass> ClassesByCount(const CClassCounts& classes);
// An error in LSBs as text: a whole number as such, else with 17 digits.
std::string ErrorLsbText(double errorLsb);

// The leading classes in words with their counts, most first, at most
// `most` of them: "322 letter case or width only", "50 off by one LSB, 2
// unknown X/Z". Empty when no pair is classified.
std::string LeadingClassesText(const CClassCounts& classes, std::size_t most = 3);

// Gathers the diagnosis of one file as its report is written. Only the
// disagreeing pairs are read; an agreeing record costs two additions.
class CDiagnosisObserver final : public CPairObserver {
 public:
  explicit CDiagnosisObserver(CPlotScale format) : format_(std::move(format)) {}

  void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) override;
  void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
            bool agrees) override;
  void EndRecord() override;
  void Record(const CRecordPairs& pairs) override;

  const CPlotScale& Format() const { return format_; }
  // The figures so far.
  CFileDiagnosis Result() const;
  // Warnings about the file as a whole, naming it (fileName) and the lines:
  // unknown values only in the first records (a register left unreset); a
  // first output record with 0 clocks while all later ones have more.
  std::vector<std::string> Warnings(const std::string& fileName) const;

 private:
  void Take(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl);
  void CountRecordPairs(std::uint64_t pairs);
  void TakeClocks(std::uint64_t line, std::int32_t clocks);

  CPlotScale format_;
  // Records by their number of pairs (the last entry: kMaxChannels or more),
  // from which each channel's count of values follows.
  std::array<std::uint64_t, kMaxChannels + 1> recordsByPairs_{};
  std::uint64_t values_ = 0;
  std::array<CChannelDiagnosis, kMaxChannels> channels_{};
  std::uint64_t maxPair_ = 0;
  CClassCounts classes_;
  std::array<std::uint64_t, 64> errorBits_{};
  std::array<std::uint64_t, 64> unknownBits_{};
  int wordBits_ = 0;
  // The record being read.
  std::uint64_t line_ = 0;
  std::uint64_t pairsInRecord_ = 0;
  bool recordHasUnknown_ = false;
  // Unknown values along the file: output records counted from 1.
  std::uint64_t outputRecords_ = 0;
  std::uint64_t recordsWithUnknown_ = 0;
  std::uint64_t lastUnknownRecord_ = 0;  // the output record's number, 0 none
  std::uint64_t lastUnknownLine_ = 0;
  // The clock counts: the first output record's, and the smallest after it.
  std::uint64_t firstOutputLine_ = 0;
  std::int32_t firstClocks_ = 0;
  std::optional<std::int32_t> laterMinClocks_;
};
