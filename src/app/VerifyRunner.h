// Runs the reports of many timing files, in the calling thread or spread
// over worker threads that each have their own Tcl interpreter, and hands
// the per-file results back in input order.
#pragma once

#include <tcl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/FileResult.h"
#include "verify/VerifyReportRun.h"

// What is gathered beside the report of each file.
struct CAnalysisOptions {
  bool diagnosis = true;        // classes of the disagreeing pairs, per file and channel
  bool compareNumbers = false;  // pairs agree when their tokens read as the same number
};

struct CRunInputs {
  CVerifySettings settings;
  std::vector<std::string> paths;  // as opened
  std::vector<std::string> names;  // as the results name them (the words given)
  unsigned jobs = 1;
  bool plots = true;  // a plot page and an index strip per file
  CAnalysisOptions analysis;
};

struct CRunEvents {
  // Each file's result and its warnings, in input order, in the calling
  // thread, as soon as the files before it are done.
  std::function<void(std::size_t index, const CFileResult& result,
                     const std::vector<std::string>& warnings)>
      fileDone;
  // Bytes read of all files, in the calling thread, now and then.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

class CPlotRun;

// One file's report; never throws: a failure is the result's status
// "error" with its text. With plots, the file's plot page is written beside
// its report and its strip kept in the result. The result's warnings are
// those of the file's analysis (the caller adds those the run reported).
CFileResult RunOneFile(CVerifyReportRun& run, const std::string& path, const std::string& name,
                       CPlotRun* plots = nullptr, const CAnalysisOptions& analysis = {});

// All files. With jobs > 1 each worker thread creates an interpreter,
// initialises Tcl and the extension in it, and takes the next file until
// none is left.
std::vector<CFileResult> RunTimingFiles(const CRunInputs& inputs, const CRunEvents& events);

// The sizes of the files that are regular files (others count 0).
std::uint64_t TotalBytes(const std::vector<std::string>& paths);
