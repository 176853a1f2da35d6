// One verification-report run: the timing files of one command call, each
// turned into an HTML report in the project's Reports folder, with latency
// and clock extremes carried from file to file.
//
// Used by the GenerateVerifyReport command and by `reportapp verify`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "verify/ByteBlock.h"
#include "verify/FileCompanions.h"
#include "verify/TimingReport.h"

struct CVerifySettings {
  std::string projectDirectory;
  bool isCpp = false;                   // vector files in FixedPointC, else FixedPointM
  bool realValues = false;              // show values as reals through the vector's quantizer
  bool gateLevel = false;               // report names end in "_impl", else "_rtl"
  bool waveforms = false;               // a waveform file beside each report (vcdPath)
  std::size_t firstDisagreements = 10;  // disagreements kept per file result
  // Read from the calling interpreter, so that runs in worker threads (each
  // with an interpreter of its own) follow the caller's settings:
  bool throughputWarning = false;  // ::DR::950255: WRN-0004 when no clock extremes are known
  std::uint64_t lineLimit = CLineReader::kDefaultLineLimit;  // ::ReportApp::maxLineBytes
};

struct CVerifyFileResult {
  std::string timingPath;
  std::string reportPath;
  CTimingFileSummary summary;
};

struct CVerifyHooks {
  // A skipped record or another non-fatal remark, naming file and line.
  std::function<void(const std::string& message)> warn;
  // Progress through a timing file; total is 0 when the size is unknown.
  std::function<void(const std::string& timingPath, std::uint64_t done, std::uint64_t total)>
      progress;
  // A numbered warning (WRN-0004). Without it the warning goes to the host's
  // messages at once; a run in a worker thread hands it to the calling
  // thread, which raises it there.
  std::function<void(const std::string& msgId)> numberedWarning;
};

// The project settings as the host has them: the fixed-point language and
// directory project options, the real-values, throughput-warning and line
// limit settings. Throws std::runtime_error when the line limit is not a
// positive whole number.
CVerifySettings ReadProjectSettings();

class CVerifyReportRun {
 public:
  explicit CVerifyReportRun(CVerifySettings settings, CVerifyHooks hooks = {});
  CVerifyReportRun(const CVerifyReportRun&) = delete;
  CVerifyReportRun& operator=(const CVerifyReportRun&) = delete;

  // Writes the report of one timing file. Throws std::runtime_error naming
  // the file and the reason; the report is then not touched, and reports of
  // earlier files stay. observer (not owned, may be null) sees every
  // compared pair; compare (may be null) decides whether a pair agrees in
  // place of the byte-for-byte comparison of the texts.
  CVerifyFileResult RunFile(const CFileCompanions& companions, CPairObserver* observer = nullptr,
                            const CValueComparison* compare = nullptr);
  // The same with the companions worked out here (no header read unless real
  // values need it).
  CVerifyFileResult RunFile(const std::string& timingPath);

  // The companion files of a timing file, worked out once: report, plot
  // page, waveform (with waveforms set) and test-vector paths. readHeader:
  // the vector file's first line is read too (real values read it anyway, in
  // RunFile, when it was not).
  CFileCompanions CompanionsFor(const std::string& timingPath, bool readHeader) const;

  const CVerifySettings& Settings() const { return settings_; }
  // Latency, maximum and minimum clocks over the files so far.
  const CClockFigures& Figures() const { return figures_; }

  // The report path for a timing file.
  std::string ReportPathFor(const std::string& timingPath) const;
  // The pairs of positions in timingPaths whose report paths are the same
  // (each later file with the nearest earlier one of its name).
  std::vector<std::pair<std::size_t, std::size_t>> ReportCollisions(
      const std::vector<std::string>& timingPaths) const;
  // The fixed-point vector file for a timing file (needs the vector suffix).
  std::string VectorPathFor(const std::string& timingPath) const;

 private:
  TValueText ValueTextFor(const CFileCompanions& companions) const;

  CVerifySettings settings_;
  CVerifyHooks hooks_;
  CClockFigures figures_;
  // The files of the run share the reading and writing blocks, and the
  // Reports folder is swept of stale temporaries once.
  CReportBuffers buffers_;
  bool reportsSwept_ = false;
};
