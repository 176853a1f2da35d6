#include "app/SummarizeCommandLine.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/VerifyOptions.h"
#include "summary/SummaryFiles.h"
#include "summary/SummaryJson.h"

namespace {

std::string ReadShard(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot open results \"" + path + "\": " + std::strerror(errno));
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    throw std::runtime_error("cannot read results \"" + path + "\"");
  }
  return text.str();
}

int Run(const CVerifyOptions& options, std::ostream& out, std::ostream& err) {
  if (options.files.empty()) {
    throw std::runtime_error("no results file given (see reportapp summarize --help)");
  }
  std::vector<TNamedSummary> shards;
  for (const std::string& path : options.files) {
    shards.emplace_back(path, SummaryFromJson(ReadShard(path), path));
  }
  const CRunSummary merged = MergeSummaries(shards, options.hasProject ? options.project : "");

  const CSummaryOutputs outputs = SummaryOutputsFor(options);
  std::ostream& lines = WritesDocumentToStandardOutput(options) ? err : out;
  out << WriteSummaryOutputs(merged, outputs);

  if (!options.quiet) {
    for (const CFileResult& file : merged.files) {
      if (file.status == EFileStatus::kError) {
        err << "reportapp summarize: " << file.timingFile << ": " << file.error << "\n";
      }
    }
  }
  std::size_t undiagnosed = 0;
  for (const CFileResult& file : merged.files) {
    undiagnosed += LacksDiagnosis(file) ? 1 : 0;
  }
  if (undiagnosed > 0 && !options.quiet) {
    lines << undiagnosed << (undiagnosed == 1 ? " file has" : " files have")
          << " no fixed-point diagnosis (results of an older reportapp; listed under "
             "\"withoutDiagnosis\" in the JSON)\n";
  }
  const CRunTotals t = merged.Totals();
  const CClockFigures f = merged.Figures();
  lines << "total: " << shards.size() << " shards, " << t.files << " files, " << t.records
        << " records, " << t.disagreeing << " disagreeing values, latency " << f.latency
        << ", clocks min " << f.minClocks << " max " << f.maxClocks << "; " << t.passed
        << " passed, " << t.failed << " failed, " << t.empty << " empty, " << t.errors
        << " errors\n";
  if (options.index && !options.quiet) {
    lines << "index: " << IndexPathFor(merged.project) << "\n";
  }
  return merged.ExitStatus(options.allowEmpty);
}

}  // namespace

const char* SummarizeUsageText() {
  return "usage: reportapp summarize [options] SHARD.json...\n"
         "\n"
         "Merges the JSON results of separate `reportapp verify --json` runs (shards)\n"
         "into one summary: the files of the shards in shard order, their totals and\n"
         "the run's latency and clocks as one run over the same files gives them.\n"
         "Shards of another schema, level (rtl/impl) or real-value setting are refused.\n"
         "\n"
         "  --project DIR    the project whose Reports folder gets index.htm (default:\n"
         "                   the first shard's project)\n"
         "  --json FILE      the merged results as JSON (- for standard output)\n"
         "  --junit FILE     the merged results as JUnit XML\n"
         "  --junit-flavor F jenkins (default), gitlab or github, as for verify\n"
         "  --markdown FILE  a GitHub-flavoured Markdown summary (- for standard output)\n"
         "  --no-index       do not write Reports/index.htm\n"
         "  --allow-empty    a file that compared no value passes\n"
         "  --quiet          print only the total and errors\n"
         "  --version        the version\n"
         "  --help           this text\n"
         "\n"
         "Exit status: 0 every file passes, 1 some value disagrees or some file compared\n"
         "no value (unless --allow-empty), 2 an error in a shard or while merging.\n";
}

int RunSummarizeCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
  try {
    const CVerifyOptions options =
        ParseSummarizeOptions(std::vector<std::string>(argv, argv + argc));
    if (options.help) {
      out << SummarizeUsageText();
      return kExitPass;
    }
    if (options.version) {
      out << "reportapp summarize " << REPORTAPP_VERSION << "\n";
      return kExitPass;
    }
    return Run(options, out, err);
  } catch (const std::exception& e) {
    err << "reportapp summarize: " << e.what() << "\n";
    return kExitError;
  }
}
