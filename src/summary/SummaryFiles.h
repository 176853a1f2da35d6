// Writes a run's summary documents: JSON, JUnit XML, a Markdown summary and
// Reports/index.htm.
// Each file is written under a temporary name and renamed into place when
// complete, as reports are, so a reader never sees half a document and a
// failure leaves an earlier document as it was.
#pragma once

#include <string>
#include <string_view>

#include "summary/JUnitReport.h"
#include "summary/RunSummary.h"

struct CSummaryOutputs {
  std::string jsonPath;   // "" none, "-" standard output (returned, not written)
  std::string junitPath;  // "" none
  CJUnitForm junit;
  std::string markdownPath;  // "" none, "-" standard output (returned, not written)
  bool index = true;         // Reports/index.htm of the project
  bool allowEmpty = false;
};

// The index page's path for a project directory.
std::string IndexPathFor(const std::string& projectDirectory);

// Writes text to path atomically. Throws std::runtime_error naming the file.
void WriteFileAtomically(const std::string& path, std::string_view text);

// Writes the documents outputs asks for; returns the JSON or Markdown text
// that goes to standard output, else "". Throws std::runtime_error naming
// the file, or when both would go to standard output.
std::string WriteSummaryOutputs(const CRunSummary& summary, const CSummaryOutputs& outputs);
