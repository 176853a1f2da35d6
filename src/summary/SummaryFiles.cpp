#include "summary/SummaryFiles.h"

#include "summary/IndexPage.h"
#include "summary/JUnitReport.h"
#include "summary/SummaryJson.h"
#include "verify/ReportFile.h"

std::string IndexPathFor(const std::string& projectDirectory) {
  std::string path = projectDirectory.empty() ? std::string(".") : projectDirectory;
  if (path.back() != '/') {
    path += '/';
  }
  return path + "Reports/index.htm";
}

void WriteFileAtomically(const std::string& path, std::string_view text) {
  CReportFile file(path);
  file.Write(text);
  file.Commit();
}

std::string WriteSummaryOutputs(const CRunSummary& summary, const CSummaryOutputs& outputs) {
  std::string standardOutput;
  if (outputs.jsonPath == "-") {
    standardOutput = SummaryToJson(summary);
  } else if (!outputs.jsonPath.empty()) {
    WriteFileAtomically(outputs.jsonPath, SummaryToJson(summary));
  }
  if (!outputs.junitPath.empty()) {
    WriteFileAtomically(outputs.junitPath, SummaryToJUnit(summary, outputs.allowEmpty));
  }
  if (outputs.index) {
    WriteFileAtomically(IndexPathFor(summary.project),
                        SummaryToIndexPage(summary, outputs.allowEmpty));
  }
  return standardOutput;
}
