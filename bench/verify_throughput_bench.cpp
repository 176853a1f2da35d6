// Throughput of GenerateVerifyReport on a generated timing file (8 value
// pairs per record), beside copying the same bytes with cat, a
// straightforward awk script and a plain Tcl script that write the identical
// report. Checks that the baselines' reports equal the command's byte for byte.
//
//   verify_throughput_bench [--mb N] [--tcl-mb N] [--dir DIR] [--keep] [--help]
//
// The files are written into a fresh folder of its own inside DIR (default
// /tmp), which is removed at the end unless --keep is given; DIR itself and
// whatever else it holds are left alone.
#include <tcl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>

#include "BenchArgs.h"
#include "BenchInterp.h"
#include "BenchTimingFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: verify_throughput_bench [--mb N] [--tcl-mb N] [--dir DIR] [--keep] [--help]\n"
    "  --mb N      size of the generated timing file in MB (default 256)\n"
    "  --tcl-mb N  size of the slice the plain Tcl script runs on (default 16)\n"
    "  --dir DIR   an existing folder in which to create the work folder (default /tmp);\n"
    "              use a memory file system such as /dev/shm to keep disk writeback out\n"
    "  --keep      leave the work folder and its files in place\n"
    "The work folder is created inside DIR and only it is removed at the end.\n";

struct CBenchOptions {
  double megabytes = 256;
  double tclMegabytes = 16;
  std::string dir = "/tmp";
  bool keep = false;
  bool help = false;
};

double PositiveMegabytes(const std::string& option, const std::string& text) {
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || !(value > 0)) {
    throw std::runtime_error(option + " needs a size in MB above 0, not \"" + text + "\"");
  }
  return value;
}

CBenchOptions ParseOptions(int argc, char** argv) {
  CBenchOptions options;
  for (CBenchArgs args(argc, argv); args.Next();) {
    const std::string& word = args.Word();
    if (word == "--mb") {
      options.megabytes = PositiveMegabytes(word, args.Value());
    } else if (word == "--tcl-mb") {
      options.tclMegabytes = PositiveMegabytes(word, args.Value());
    } else if (word == "--dir") {
      options.dir = args.Value();
    } else if (word == "--keep") {
      options.keep = true;
    } else if (word == "--help" || word == "-h") {
      options.help = true;
    } else {
      throw std::runtime_error("unknown option " + word + " (see --help)");
    }
  }
  return options;
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

constexpr int kRounds = 5;

double Best(int runs, const std::function<void()>& work) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    best = std::min(best, Seconds(work));
  }
  return best;
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    throw std::runtime_error("failed: " + command);
  }
}

std::string Quote(const fs::path& path) {
  return "'" + path.string() + "'";
}

bool SameBytes(const fs::path& a, const fs::path& b) {
  return std::system(("cmp -s " + Quote(a) + " " + Quote(b)).c_str()) == 0;
}

long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmHWM:") {
      long kb = 0;
      status >> kb;
      return kb;
    }
  }
  return -1;
}

// The benchmark's own folder, made inside the given one; removed with
// everything in it when the benchmark ends (also on an error) unless kept.
class CWorkFolder {
 public:
  CWorkFolder(const fs::path& parent, bool keep) : keep_(keep) {
    if (!fs::is_directory(parent)) {
      throw std::runtime_error("--dir " + parent.string() + ": not an existing folder");
    }
    std::string pattern = (parent / "reportapp-verify-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a work folder in " + parent.string());
    }
    path_ = pattern;
  }
  CWorkFolder(const CWorkFolder&) = delete;
  CWorkFolder& operator=(const CWorkFolder&) = delete;
  ~CWorkFolder() {
    if (keep_) {
      std::printf("  files kept in %s\n", path_.c_str());
      return;
    }
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
  bool keep_;
};

struct CProject {
  fs::path root;
  fs::path timing;
  fs::path report;
};

CProject MakeProject(const fs::path& root, double megabytes) {
  CProject project{root, root / "kv_timing_Korvel_TestVector_1.txt",
                   root / "Reports" / "kv_timing_Korvel_TestVector_1_rtl.htm"};
  fs::create_directories(root / "Reports");
  fs::create_directories(root / "FixedPointM");
  std::ofstream(root / "FixedPointM" / "Korvel_TestVector_1.txt") << "%fixed wrap floor [16 8]\n";
  WriteBenchTimingFile(project.timing, kBenchNoLimit, static_cast<std::uint64_t>(megabytes * 1e6));
  return project;
}

void PrintRow(const char* what, double megabytes, double seconds, const std::string& note) {
  std::printf("  %-40s %8.1f MB %8.3f s %9.1f MB/s  %s\n", what, megabytes, seconds,
              megabytes / seconds, note.c_str());
}

std::string Times(double fast, double slow) {
  char text[64];
  std::snprintf(text, sizeof text, "command is %.1fx faster", slow / fast);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const CBenchOptions options = ParseOptions(argc, argv);
    if (options.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    Tcl_FindExecutable(argv[0]);
    const CWorkFolder work(options.dir, options.keep);
    const fs::path& dir = work.Path();
    const fs::path benchDir = fs::path(REPORTAPP_SOURCE_DIR) / "bench";
    const CProject big = MakeProject(dir / "big", options.megabytes);
    const CProject slice = MakeProject(dir / "slice", options.tclMegabytes);
    const double inputMb = static_cast<double>(fs::file_size(big.timing)) / 1e6;
    const double sliceMb = static_cast<double>(fs::file_size(slice.timing)) / 1e6;

    CBenchInterp tcl;
    const long rssBefore = PeakResidentKb();
    const auto runCommand = [&tcl](const CProject& project, bool realValues) {
      fs::remove(project.report);
      tcl.Eval("set ::DR::952688_enable_53_bit_IO " + std::to_string(realValues ? 1 : 0));
      tcl.Eval("SetProjectOption -directory {" + project.root.string() + "}");
      return tcl.Eval("GenerateVerifyReport -timingfiles [list {" + project.timing.string() + "}]");
    };
    // Text values, the cat copy and real values take turns over several
    // rounds and each keeps its best, so a busy machine slows all alike.
    std::string result;
    const fs::path copy = dir / "copy.out";
    double textSeconds = 1e300;
    double catSeconds = 1e300;
    double realSeconds = 1e300;
    double reportMb = 0;
    for (int round = 0; round < kRounds; ++round) {
      textSeconds = std::min(textSeconds, Seconds([&] { result = runCommand(big, false); }));
      reportMb = static_cast<double>(fs::file_size(big.report)) / 1e6;
      catSeconds = std::min(
          catSeconds, Seconds([&] {
            fs::remove(copy);
            Shell("cat " + Quote(big.timing) + " " + Quote(big.report) + " > " + Quote(copy));
          }));
      realSeconds = std::min(realSeconds, Seconds([&] { runCommand(big, true); }));
    }
    runCommand(big, false);  // the text report the baselines are compared with
    const fs::path awkReport = dir / "awk.htm";
    const double awkSeconds = Seconds([&] {
      Shell("awk -f " + Quote(benchDir / "verify_report.awk") + " " + Quote(big.timing) + " > " +
            Quote(awkReport));
    });
    const bool awkSame = SameBytes(awkReport, big.report);

    runCommand(slice, false);
    const fs::path tclReport = dir / "tcl.htm";
    const double tclSeconds = Seconds([&] {
      Shell("tclsh8.6 " + Quote(benchDir / "verify_report.tcl") + " " + Quote(slice.timing) + " " +
            Quote(tclReport));
    });
    const bool tclSame = SameBytes(tclReport, slice.report);
    const double sliceSeconds = Best(3, [&] { runCommand(slice, false); });

    const long rssAfter = PeakResidentKb();

    std::printf(
        "verify_throughput_bench: timing file %.1f MB (8 pairs per record), report %.1f MB\n",
        inputMb, reportMb);
    std::printf("  result of GenerateVerifyReport: %s\n", result.c_str());
    PrintRow("GenerateVerifyReport, text values", inputMb, textSeconds, "");
    PrintRow("GenerateVerifyReport, real values", inputMb, realSeconds,
             realSeconds <= 2 * textSeconds ? "(at least half the text speed)"
                                            : "(slower than half the text speed)");
    PrintRow("cat timing file + report", inputMb, catSeconds,
             "command takes " + std::to_string(textSeconds / catSeconds).substr(0, 4) +
                 "x the time of cat");
    PrintRow("awk script (bench/verify_report.awk)", inputMb, awkSeconds,
             Times(textSeconds, awkSeconds));
    PrintRow("GenerateVerifyReport on the Tcl slice", sliceMb, sliceSeconds, "");
    PrintRow("plain Tcl script (bench/verify_report.tcl)", sliceMb, tclSeconds,
             Times(sliceSeconds, tclSeconds));
    std::printf("  identical reports: awk %s, plain Tcl %s\n", awkSame ? "yes" : "NO",
                tclSame ? "yes" : "NO");
    std::printf("  peak resident memory of this process: %.1f MB before the runs, %.1f MB after\n",
                static_cast<double>(rssBefore) / 1024, static_cast<double>(rssAfter) / 1024);
    return awkSame && tclSame ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "verify_throughput_bench: %s\n", e.what());
    return 2;
  }
}
