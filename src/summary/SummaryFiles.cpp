#include "summary/SummaryFiles.h"

#include <stdexcept>

#include "summary/IndexPage.h"
#include "summary/JUnitReport.h"
#include "summary/MarkdownSummary.h"
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
  if (outputs.jsonPath == "-" && outputs.markdownPath == "-") {
    throw std::runtime_error("--json - and --markdown - cannot both go to standard output");
  }
  std::string standardOutput;
  if (outputs.jsonPath == "-") {
    standardOutput = SummaryToJson(summary);
  } else if (!outputs.jsonPath.empty()) {
    WriteFileAtomically(outputs.jsonPath, SummaryToJson(summary));
  }
  if (!outputs.junitPath.empty()) {
    WriteFileAtomically(outputs.junitPath,
                        SummaryToJUnit(summary, outputs.allowEmpty, outputs.junit));
  }
  if (!outputs.markdownPath.empty()) {
    CMarkdownLinks links;
    links.indexPath = outputs.index ? IndexPathFor(summary.project) : "";
    links.jsonPath = outputs.jsonPath == "-" ? "" : outputs.jsonPath;
    links.junitPath = outputs.junitPath;
    const std::string markdown = SummaryToMarkdown(summary, outputs.allowEmpty, links);
    if (outputs.markdownPath == "-") {
      standardOutput = markdown;
    } else {
      WriteFileAtomically(outputs.markdownPath, markdown);
    }
  }
  if (outputs.index) {
    WriteFileAtomically(IndexPathFor(summary.project),
                        SummaryToIndexPage(summary, outputs.allowEmpty));
  }
  return standardOutput;
}
