// The result of one timing file as a regression needs it: counts, the first
// disagreements, the file's own clock figures and a status. Gathered by an
// observer in the report's one streaming pass; no second read of the file.
//
// The run's figures (latency, maximum and minimum clocks) fold the files'
// figures in the given file order exactly as GenerateVerifyReport carries
// them from file to file, so results gathered apart (worker threads, shards)
// fold to the same three numbers as one serial run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Diagnosis.h"
#include "analysis/PlotStrip.h"
#include "verify/TimingReport.h"

enum class EFileStatus { kPass, kFail, kEmpty, kError };

// "pass", "fail", "empty", "error"; and back (false for another text).
std::string_view FileStatusName(EFileStatus status);
bool ParseFileStatus(std::string_view name, EFileStatus& status);

// One disagreeing value pair as the timing file held it.
struct CDisagreement {
  std::uint64_t line = 0;    // line of the timing file, from 1
  std::uint64_t record = 0;  // record of the file, from 1 (the start record is 1)
  std::int32_t clock = 0;    // the record's clock count
  std::uint64_t pair = 0;    // pair of the record, from 1
  std::string fixedPoint;    // raw tokens
  std::string rtl;           // empty for an unpaired last value
  // Why the two disagree, and RTL less model in LSBs where both are numbers
  // that differ; absent when not diagnosed (results of an older run).
  std::optional<EValueClass> valueClass;
  std::optional<double> errorLsb;

  bool operator==(const CDisagreement&) const = default;
};

// What a file contributes to the run's clock figures. In a file whose clock
// counts are never negative, maxClocks and minClocks are the file's own
// extremes; a negative count makes GenerateVerifyReport's running minimum
// restart, which negativeClock records.
struct CFileFigures {
  std::uint64_t outputRecords = 0;  // records after the start record
  std::int32_t latency = 0;         // clock count of the first output record
  std::int32_t maxClocks = -1;      // largest count of the later output records
  std::int32_t minClocks = -1;      // the running minimum over them, from "none"
  bool negativeClock = false;       // some later output record's count is negative

  bool operator==(const CFileFigures&) const = default;
};

struct CFileResult {
  std::string timingFile;
  std::string report;
  EFileStatus status = EFileStatus::kEmpty;
  std::uint64_t records = 0;      // records written, start record included
  std::uint64_t values = 0;       // value pairs compared
  std::uint64_t disagreeing = 0;  // pairs that differ
  CFileFigures figures;
  std::vector<CDisagreement> firstDisagreements;
  double seconds = 0;
  std::string error;  // the error text when status is kError
  // The plot page written beside the report ("" when none was) and where
  // the disagreements fall, for the index row.
  std::string plotPage;
  CPlotStrip plotStrip;
  // The fixed-point diagnosis; absent when the file was not diagnosed (an
  // error, or results of an older run read back).
  std::optional<CFileDiagnosis> diagnosis;
  // Remarks on the file (records skipped, a file probably misread), each
  // naming the file and, where there is one, the line.
  std::vector<std::string> warnings;

  // The file's own latency and extremes: what GenerateVerifyReport returns
  // for this file alone.
  CClockFigures OwnFigures() const;
  // pass, fail or empty from the counts.
  void SetStatusFromCounts();
};

// Gives each disagreement its class and error, read through format.
void ClassifyDisagreements(std::vector<CDisagreement>& disagreements, const CPlotScale& format);

// Folds one file into the run's figures as GenerateVerifyReport does after
// each file, the filling of unset extremes from the latency excluded (see
// FillFromLatency). Files with status kError contribute nothing.
void FoldFileFigures(CClockFigures& run, const CFileFigures& file);
// The run's figures over files in order: each folded, then unset extremes
// filled from the latency, as GenerateVerifyReport does after each file.
CClockFigures FoldRunFigures(const std::vector<CFileResult>& files);

// Gathers counts, figures and the first disagreements of one file as its
// report is written.
class CFileResultObserver : public CPairObserver {
 public:
  // keep: how many disagreements to keep, in file order.
  CFileResultObserver(CFileResult& result, std::size_t keep);

  void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) override;
  void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
            bool agrees) override;
  void Record(const CRecordPairs& pairs) override;

 private:
  void Keep(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl);

  CFileResult& result_;
  std::size_t keep_;
  std::uint64_t line_ = 0;
  std::uint64_t record_ = 0;
  std::int32_t clocks_ = 0;
};

// Passes every call on to each observer in turn.
class CPairObserverFanOut : public CPairObserver {
 public:
  explicit CPairObserverFanOut(std::vector<CPairObserver*> observers)
      : observers_(std::move(observers)) {}

  void RecordTime(std::string_view time) override;
  void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) override;
  void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
            bool agrees) override;
  void EndRecord() override;
  void Record(const CRecordPairs& pairs) override;

 private:
  std::vector<CPairObserver*> observers_;
};
