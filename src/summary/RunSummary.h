// The results of one regression run (or of several shards merged): the
// per-file results in the given order, their totals, the run's figures and
// the exit status they call for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/FileResult.h"
#include "verify/TimingReport.h"

struct CRunTotals {
  std::uint64_t files = 0;
  std::uint64_t records = 0;
  std::uint64_t values = 0;
  std::uint64_t disagreeing = 0;
  std::uint64_t passed = 0;
  std::uint64_t failed = 0;
  std::uint64_t empty = 0;
  std::uint64_t errors = 0;
  CClassCounts classes;  // the disagreeing pairs of the diagnosed files by class

  bool operator==(const CRunTotals&) const = default;
};

// Exit statuses of `reportapp verify` and `summarize`.
inline constexpr int kExitPass = 0;
inline constexpr int kExitFail = 1;  // a disagreement, or an empty file without --allow-empty
inline constexpr int kExitError = 2;

struct CRunSummary {
  std::string project;      // the project directory
  bool gateLevel = false;   // level "impl", else "rtl"
  bool realValues = false;  // values shown as reals
  std::vector<CFileResult> files;

  std::string Level() const { return gateLevel ? "impl" : "rtl"; }
  CRunTotals Totals() const;
  // Folded over the files in order; what GenerateVerifyReport returns for
  // the same files.
  CClockFigures Figures() const { return FoldRunFigures(files); }
  double Seconds() const;
  // 2 with an error, else 1 with a disagreement or (unless allowEmpty) an
  // empty file, else 0.
  int ExitStatus(bool allowEmpty) const;
};

// Whether a file that ran lacks the fixed-point diagnosis (results read
// back from an older run).
bool LacksDiagnosis(const CFileResult& file);

// Whether a file counts as passing: pass, or empty with allowEmpty.
bool FilePasses(const CFileResult& file, bool allowEmpty);

// The report's file name (its last path component), as the index links it.
std::string ReportFileName(const std::string& reportPath);
// The timing file's name without folder and extension (the JUnit test name).
std::string TimingBaseName(const std::string& timingPath);
