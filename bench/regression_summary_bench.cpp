// The regression summary's costs, side by side in one run:
//
//  1. `reportapp verify --jobs 2` against `--jobs 1` over many small timing
//     files (default 400 files of 2,000 records of 8 value pairs), the
//     summaries (JSON, JUnit, index) written each time; outputs checked
//     identical apart from times.
//  2. On one 200,000-record file (the record layout of
//     verify_throughput_bench): the report pass alone, the same pass with
//     the per-file result gathered and the summary documents written, and
//     cat copying the same input and report bytes.
//
//   regression_summary_bench [--files N] [--records N] [--big-records N]
//                            [--rounds N] [--dir DIR] [--help]
//
// Sides take turns round by round and each keeps its best, so a busy machine
// slows all alike.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchArgs.h"
#include "BenchTimingFile.h"
#include "analysis/FileResult.h"
#include "summary/IndexPage.h"
#include "summary/JUnitReport.h"
#include "summary/RunSummary.h"
#include "summary/SummaryJson.h"
#include "verify/HtmlReportWriter.h"
#include "verify/LineReader.h"
#include "verify/OutputBuffer.h"
#include "verify/ReportFile.h"
#include "verify/TimingReport.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: regression_summary_bench [--files N] [--records N] [--big-records N]\n"
    "                                [--rounds N] [--dir DIR] [--help]\n"
    "  --files N        timing files of the --jobs comparison (default 400)\n"
    "  --records N      records per file there (default 2000)\n"
    "  --big-records N  records of the single file of the summary-cost comparison\n"
    "                   (default 200000)\n"
    "  --rounds N       rounds per side (default 3)\n"
    "  --dir DIR        an existing folder in which to create the work folder\n"
    "                   (default /tmp; /dev/shm keeps disk writeback out)\n"
    "The work folder is created inside DIR and removed at the end.\n";

struct COptions {
  long files = 400;
  long records = 2000;
  long bigRecords = 200000;
  long rounds = 3;
  std::string dir = "/tmp";
  bool help = false;
};

long Positive(const std::string& option, const std::string& text) {
  std::size_t used = 0;
  long value = 0;
  try {
    value = std::stol(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || value <= 0) {
    throw std::runtime_error(option + " needs a count above 0, not \"" + text + "\"");
  }
  return value;
}

COptions ParseOptions(int argc, char** argv) {
  COptions options;
  for (CBenchArgs args(argc, argv); args.Next();) {
    const std::string& word = args.Word();
    if (word == "--files") {
      options.files = Positive(word, args.Value());
    } else if (word == "--records") {
      options.records = Positive(word, args.Value());
    } else if (word == "--big-records") {
      options.bigRecords = Positive(word, args.Value());
    } else if (word == "--rounds") {
      options.rounds = Positive(word, args.Value());
    } else if (word == "--dir") {
      options.dir = args.Value();
    } else if (word == "--help" || word == "-h") {
      options.help = true;
    } else {
      throw std::runtime_error("unknown option \"" + word + "\"");
    }
  }
  return options;
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

void Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    // The word list can be long: the start names the command.
    throw std::runtime_error("command failed (" + std::to_string(status) +
                             "): " + command.substr(0, 200) + (command.size() > 200 ? " ..." : ""));
  }
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The JSON without its "seconds" lines.
std::string WithoutTimes(const std::string& json) {
  std::istringstream in(json);
  std::string line;
  std::string out;
  while (std::getline(in, line)) {
    if (line.find("\"seconds\": ") == std::string::npos) {
      out += line + "\n";
    }
  }
  return out;
}

// One report pass over a file in this process; with gather, the file's
// result is gathered in the pass and the summary documents are written.
void ReportPass(const fs::path& timing, const fs::path& report, bool gather) {
  CInputFile input(timing.string(), "timing file");
  CReportFile out(report.string());
  COutputBuffer buffer([&out](std::string_view bytes) { out.Write(bytes); });
  CHtmlReportWriter writer(buffer);
  CLineReader reader([&input](char* data, std::size_t size) { return input.Read(data, size); });
  CRunSummary summary;
  summary.files.emplace_back();
  CFileResult& result = summary.files.back();
  CFileResultObserver observer(result, 10);
  CTimingReportHooks hooks;
  hooks.observer = gather ? &observer : nullptr;
  CClockFigures figures;
  writer.WriteHead();
  const CTimingFileSummary counts = WriteTimingRows(reader, writer, figures, timing, hooks);
  writer.WriteTail();
  buffer.Flush();
  out.Commit();
  if (gather) {
    result.timingFile = timing.string();
    result.report = report.string();
    result.records = counts.records;
    result.SetStatusFromCounts();
    summary.project = report.parent_path().parent_path().string();
    std::ofstream(report.parent_path() / "run.json") << SummaryToJson(summary);
    std::ofstream(report.parent_path() / "junit.xml") << SummaryToJUnit(summary, false);
    std::ofstream(report.parent_path() / "index.htm") << SummaryToIndexPage(summary, false);
  }
}

void PrintRow(const char* what, double megabytes, double seconds, const std::string& note) {
  std::printf("  %-46s %8.3f s %8.1f MB/s  %s\n", what, seconds, megabytes / seconds, note.c_str());
}

std::string Ratio(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  COptions options;
  try {
    options = ParseOptions(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "regression_summary_bench: %s\n%s", e.what(), kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string pattern = (fs::path(options.dir) / "reportapp-summary-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::fprintf(stderr, "regression_summary_bench: cannot create a folder in %s\n",
                 options.dir.c_str());
    return 2;
  }
  const fs::path work = pattern;
  int status = 0;
  try {
    const std::string reportapp = std::string(REPORTAPP_BUILD_DIR) + "/reportapp";
    // 1. --jobs 2 against --jobs 1.
    const fs::path many = work / "many";
    fs::create_directories(many / "Reports");
    std::string files;
    std::uintmax_t manyBytes = 0;
    for (long f = 0; f < options.files; ++f) {
      const fs::path path = many / ("kv_timing_Korvel_TestVector_" + std::to_string(f) + ".txt");
      WriteBenchTimingFile(path, static_cast<std::uint64_t>(options.records), kBenchNoLimit,
                           0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(f));
      manyBytes += fs::file_size(path);
      files += " " + Quote(path.string());
    }
    const auto verify = [&](int jobs) {
      Shell(reportapp + " verify --quiet --jobs " + std::to_string(jobs) + " --project " +
            Quote(many.string()) + " --json " +
            Quote((many / ("jobs" + std::to_string(jobs) + ".json")).string()) + " --junit " +
            Quote((many / "junit.xml").string()) + files + " > /dev/null");
    };
    double one = 1e300;
    double two = 1e300;
    for (long round = 0; round < options.rounds; ++round) {
      one = std::min(one, Seconds([&] { verify(1); }));
      two = std::min(two, Seconds([&] { verify(2); }));
    }
    const bool same =
        WithoutTimes(ReadAll(many / "jobs1.json")) == WithoutTimes(ReadAll(many / "jobs2.json"));
    const double manyMb = static_cast<double>(manyBytes) / 1e6;
    std::printf(
        "regression_summary_bench: %ld files x %ld records of 8 pairs (%.1f MB), %u cores\n",
        options.files, options.records, manyMb, std::thread::hardware_concurrency());
    PrintRow("reportapp verify --jobs 1", manyMb, one, "baseline");
    PrintRow("reportapp verify --jobs 2", manyMb, two,
             Ratio(one / two) + "x faster than --jobs 1 (goal >= 1.7 on 2 cores); JSON " +
                 (same ? "identical" : "DIFFERS"));
    if (!same) {
      status = 1;
    }

    // 2. The summary's cost on one big file.
    const fs::path big = work / "big";
    fs::create_directories(big / "Reports");
    const fs::path timing = big / "kv_timing_Korvel_TestVector_1.txt";
    WriteBenchTimingFile(timing, static_cast<std::uint64_t>(options.bigRecords));
    const fs::path bare = big / "Reports" / "bare_rtl.htm";
    const fs::path gathered = big / "Reports" / "gathered_rtl.htm";
    double bareSeconds = 1e300;
    double gatherSeconds = 1e300;
    double catSeconds = 1e300;
    for (long round = 0; round < options.rounds + 2; ++round) {
      bareSeconds = std::min(bareSeconds, Seconds([&] { ReportPass(timing, bare, false); }));
      gatherSeconds = std::min(gatherSeconds, Seconds([&] { ReportPass(timing, gathered, true); }));
      catSeconds = std::min(catSeconds, Seconds([&] {
                              Shell("cat " + Quote(timing.string()) + " " + Quote(bare.string()) +
                                    " > " + Quote((big / "copy").string()));
                            }));
    }
    const bool identical = ReadAll(bare) == ReadAll(gathered);
    const double bigMb = static_cast<double>(fs::file_size(timing)) / 1e6;
    std::printf("one file of %ld records (%.1f MB in, %.1f MB report)\n", options.bigRecords, bigMb,
                static_cast<double>(fs::file_size(bare)) / 1e6);
    PrintRow("report pass alone", bigMb, bareSeconds, "baseline");
    PrintRow("report pass + result gathered + summaries", bigMb, gatherSeconds,
             "summary costs " + Ratio((gatherSeconds / bareSeconds - 1) * 100) +
                 "% (goal <= 5%); report " + (identical ? "identical" : "DIFFERS"));
    PrintRow("cat timing file + report", bigMb, catSeconds,
             "run takes " + Ratio(gatherSeconds / catSeconds) + "x the time of cat (goal <= 1.25)");
    if (!identical) {
      status = 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "regression_summary_bench: %s\n", e.what());
    status = 2;
  }
  fs::remove_all(work);
  return status;
}
