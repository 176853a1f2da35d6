// The words of `reportapp verify` and of ::ReportApp::verify, and of
// `reportapp summarize`.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "summary/JUnitReport.h"
#include "summary/SummaryFiles.h"

struct CVerifyOptions {
  bool help = false;
  bool version = false;
  bool gateLevel = false;   // --impl
  bool realValues = false;  // --real-values
  bool hasProject = false;
  std::string project;
  std::string json;                                   // --json FILE ("-" standard output)
  std::string junit;                                  // --junit FILE
  EJUnitFlavor junitFlavor = EJUnitFlavor::kJenkins;  // --junit-flavor NAME
  std::string markdown;                               // --markdown FILE ("-" standard output)
  bool index = true;                                  // not --no-index
  bool plots = true;                                  // not --no-plots
  bool waveforms = false;                             // --vcd
  bool compareNumbers = false;                        // --compare number (default --compare text)
  bool allowEmpty = false;
  bool quiet = false;
  std::size_t first = 10;  // --first N
  unsigned jobs = 0;       // --jobs N; 0: the number of cores
  std::vector<std::string> files;
};

// Throws std::runtime_error naming the word that is wrong.
CVerifyOptions ParseVerifyOptions(const std::vector<std::string>& words);
// The options summarize takes (--project, --json, --junit, --junit-flavor,
// --markdown, --no-index, --allow-empty, --quiet, --help, --version) and
// its shard files.
CVerifyOptions ParseSummarizeOptions(const std::vector<std::string>& words);

// The summary documents the options ask for.
CSummaryOutputs SummaryOutputsFor(const CVerifyOptions& options);
// Whether JSON or Markdown goes to standard output (the lines then go to
// the error stream).
bool WritesDocumentToStandardOutput(const CVerifyOptions& options);

// --jobs as given, or the number of cores.
unsigned EffectiveJobs(const CVerifyOptions& options);
