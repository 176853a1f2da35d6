// The cost per test vector, side by side in one run:
//
//  1. For each shape of regression (default 400 files of 2,000 records and
//     4,000 files of 20 records, 8 value pairs each): GenerateVerifyReport
//     over all files in this process, `reportapp verify --jobs 1` and
//     `--jobs 2` (with index and plots), beside the floor of reading the same
//     inputs and creating the same files (cat of the inputs and cp of what
//     the run wrote into Reports/).
//  2. On one file of 200,000 records: GenerateVerifyReport with text and with
//     real values, beside cat copying the input and the report.
//
//   vector_count_bench [--shape FILESxRECORDS]... [--big-records N] [--rounds N]
//                      [--dir DIR] [--reportapp PATH] [--keep] [--help]
//
// The sides take turns round by round and each keeps its best wall and
// processor time (user and system, of this process or of the commands it
// starts), so a busy machine slows all alike; where other work takes the
// cores, the processor times are the steadier figures.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchArgs.h"
#include "BenchInterp.h"
#include "BenchShell.h"
#include "BenchTimingFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: vector_count_bench [--shape FILESxRECORDS]... [--big-records N] [--rounds N]\n"
    "                          [--dir DIR] [--reportapp PATH] [--keep] [--help]\n"
    "  --shape FxR      a regression of F timing files of R records each; may be given\n"
    "                   more than once (default 400x2000 and 4000x20)\n"
    "  --big-records N  records of the single file of the real-values comparison\n"
    "                   (default 200000; 0 leaves it out)\n"
    "  --rounds N       rounds per side (default 3)\n"
    "  --dir DIR        an existing folder in which to create the work folder\n"
    "                   (default /tmp)\n"
    "  --reportapp PATH the reportapp program to time (default the one of this build)\n"
    "  --keep           leave the work folder and its files in place\n"
    "The work folder is created inside DIR and only it is removed at the end.\n";

struct CShape {
  long files = 0;
  long records = 0;
};

struct COptions {
  std::vector<CShape> shapes;
  long bigRecords = 200000;
  long rounds = 3;
  std::string dir = "/tmp";
  std::string reportapp = std::string(REPORTAPP_BUILD_DIR) + "/reportapp";
  bool keep = false;
  bool help = false;
};

long Count(const std::string& option, const std::string& text, long least) {
  std::size_t used = 0;
  long value = 0;
  try {
    value = std::stol(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || value < least) {
    throw std::runtime_error(option + " needs a count of at least " + std::to_string(least) +
                             ", not \"" + text + "\"");
  }
  return value;
}

CShape Shape(const std::string& text) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) {
    throw std::runtime_error("--shape needs FILESxRECORDS, not \"" + text + "\"");
  }
  return {Count("--shape", text.substr(0, x), 1), Count("--shape", text.substr(x + 1), 1)};
}

COptions ParseOptions(int argc, char** argv) {
  COptions options;
  for (CBenchArgs args(argc, argv); args.Next();) {
    const std::string& word = args.Word();
    if (word == "--shape") {
      options.shapes.push_back(Shape(args.Value()));
    } else if (word == "--big-records") {
      options.bigRecords = Count(word, args.Value(), 0);
    } else if (word == "--rounds") {
      options.rounds = Count(word, args.Value(), 1);
    } else if (word == "--dir") {
      options.dir = args.Value();
    } else if (word == "--reportapp") {
      options.reportapp = args.Value();
    } else if (word == "--keep") {
      options.keep = true;
    } else if (word == "--help" || word == "-h") {
      options.help = true;
    } else {
      throw std::runtime_error("unknown option \"" + word + "\" (see --help)");
    }
  }
  if (options.shapes.empty()) {
    options.shapes = {{400, 2000}, {4000, 20}};
  }
  return options;
}

std::string Fixed(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void PrintHeader() {
  std::printf("  %-46s %8s %8s %10s %8s %8s\n", "", "wall s", "x floor", "ms a file", "cpu s",
              "x floor");
}

// A side's best wall and processor times, and both against the floor's.
void PrintRow(const std::string& what, const CBenchBest& times, long files, const CBenchBest* floor,
              const std::string& note) {
  const auto against = [floor](double value, double base) {
    return floor != nullptr ? Fixed("%.2f", value / base) : std::string();
  };
  std::printf("  %-46s %8.3f %8s %10.3f %8.3f %8s  %s\n", what.c_str(), times.Wall(),
              against(times.Wall(), floor ? floor->Wall() : 1).c_str(),
              1000 * times.Wall() / static_cast<double>(files), times.Cpu(),
              against(times.Cpu(), floor ? floor->Cpu() : 1).c_str(), note.c_str());
}

// A project folder with a Reports folder, the test-vector header real values
// need, and the timing files.
struct CProject {
  fs::path root;
  std::vector<std::string> timingPaths;
  std::uintmax_t bytes = 0;
};

CProject MakeProject(const fs::path& root, long files, long records) {
  CProject project{root, {}, 0};
  fs::create_directories(root / "Reports");
  fs::create_directories(root / "FixedPointM");
  for (long f = 0; f < files; ++f) {
    const std::string suffix = std::to_string(f);
    std::ofstream(root / "FixedPointM" / ("Korvel_TestVector_" + suffix + ".txt"))
        << "%fixed wrap floor [16 8]\n";
    const fs::path path = root / ("kv_timing_Korvel_TestVector_" + suffix + ".txt");
    WriteBenchTimingFile(path, static_cast<std::uint64_t>(records), kBenchNoLimit,
                         0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(f));
    project.bytes += fs::file_size(path);
    project.timingPaths.push_back(path.string());
  }
  return project;
}

// The floor of a run over the project: cat of every timing file, and cp of
// the files in Reports/ whose names match pattern into a fresh folder.
void TimeFloor(CBenchBest& best, const CProject& project, const std::string& pattern) {
  const fs::path copy = project.root / "floor";
  fs::remove_all(copy);
  fs::create_directories(copy);
  const std::string command =
      "cd " + ShellQuote(project.root.string()) +
      " && cat kv_timing_Korvel_TestVector_*.txt > /dev/null && cp Reports/" + pattern + " floor/";
  best.Time([&] { BenchShell(command); });
}

std::string VerifyCommand(const COptions& options, const CProject& project, int jobs) {
  return "cd " + ShellQuote(project.root.string()) + " && " + ShellQuote(options.reportapp) +
         " verify --quiet --jobs " + std::to_string(jobs) +
         " --project . --json run.json kv_timing_Korvel_TestVector_*.txt > /dev/null";
}

void SetProject(CBenchInterp& tcl, const fs::path& root, bool realValues) {
  tcl.Eval("set ::DR::952688_enable_53_bit_IO " + std::to_string(realValues ? 1 : 0));
  tcl.Eval("SetProjectOption -directory {" + root.string() + "}");
}

void RunShape(const COptions& options, const CShape& shape, CBenchInterp& tcl,
              const fs::path& work) {
  const fs::path root = work / (std::to_string(shape.files) + "x" + std::to_string(shape.records));
  const CProject project = MakeProject(root, shape.files, shape.records);
  CBenchBest generate;
  CBenchBest generateFloor;
  CBenchBest one;
  CBenchBest two;
  CBenchBest verifyFloor;
  for (long round = 0; round < options.rounds; ++round) {
    fs::remove_all(root / "Reports");
    fs::create_directories(root / "Reports");
    SetProject(tcl, root, false);
    generate.Time([&] { tcl.GenerateVerifyReport(project.timingPaths); });
    TimeFloor(generateFloor, project, "*_rtl.htm");
    one.Time([&] { BenchShell(VerifyCommand(options, project, 1)); });
    two.Time([&] { BenchShell(VerifyCommand(options, project, 2)); });
    TimeFloor(verifyFloor, project, "*");
  }
  std::printf(
      "%ld files x %ld records of 8 pairs (%.1f MB in), %u cores, best of %ld rounds, load "
      "average %s\n",
      shape.files, shape.records, static_cast<double>(project.bytes) / 1e6,
      std::thread::hardware_concurrency(), options.rounds, BenchLoadAverage().c_str());
  PrintHeader();
  const long files = shape.files;
  PrintRow("floor: cat inputs + cp reports", generateFloor, files, nullptr, "baseline");
  PrintRow("GenerateVerifyReport over all files", generate, files, &generateFloor,
           "(goal <= 1.5x floor)");
  PrintRow("floor: cat inputs + cp reports, plots, index", verifyFloor, files, nullptr, "baseline");
  PrintRow("reportapp verify --jobs 1", one, files, &verifyFloor, "(goal <= 1.5x floor)");
  PrintRow(
      "reportapp verify --jobs 2", two, files, &verifyFloor,
      Fixed("%.2f", one.Wall() / two.Wall()) + "x faster than --jobs 1 (goal >= 1.8 on 2 cores)");
  if (!options.keep) {
    fs::remove_all(root);
  }
}

void RunBigFile(const COptions& options, CBenchInterp& tcl, const fs::path& work) {
  const CProject project = MakeProject(work / "big", 1, options.bigRecords);
  const fs::path report = project.root / "Reports" / "kv_timing_Korvel_TestVector_0_rtl.htm";
  const fs::path copy = project.root / "copy";
  const auto cat = [&](CBenchBest& best) {
    fs::remove(copy);
    best.Time([&] {
      BenchShell("cat " + ShellQuote(project.timingPaths[0]) + " " + ShellQuote(report.string()) +
                 " > " + ShellQuote(copy.string()));
    });
  };
  CBenchBest text;
  CBenchBest textFloor;
  CBenchBest real;
  CBenchBest realFloor;
  std::uintmax_t textBytes = 0;
  std::uintmax_t realBytes = 0;
  for (long round = 0; round < options.rounds + 2; ++round) {
    SetProject(tcl, project.root, false);
    text.Time([&] { tcl.GenerateVerifyReport(project.timingPaths); });
    textBytes = fs::file_size(report);
    cat(textFloor);
    SetProject(tcl, project.root, true);
    real.Time([&] { tcl.GenerateVerifyReport(project.timingPaths); });
    realBytes = fs::file_size(report);
    cat(realFloor);
  }
  std::printf(
      "one file of %ld records (%.1f MB in; report %.1f MB with text, %.1f MB with real "
      "values), best of %ld rounds, load average %s\n",
      options.bigRecords, static_cast<double>(project.bytes) / 1e6,
      static_cast<double>(textBytes) / 1e6, static_cast<double>(realBytes) / 1e6,
      options.rounds + 2, BenchLoadAverage().c_str());
  PrintHeader();
  PrintRow("floor: cat input + text report", textFloor, 1, nullptr, "baseline");
  PrintRow("GenerateVerifyReport, text values", text, 1, &textFloor, "");
  PrintRow("floor: cat input + real-values report", realFloor, 1, nullptr, "baseline");
  PrintRow("GenerateVerifyReport, real values", real, 1, &realFloor, "(goal <= 1.3x floor)");
}

}  // namespace

int main(int argc, char** argv) {
  COptions options;
  try {
    options = ParseOptions(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vector_count_bench: %s\n%s", e.what(), kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string pattern = (fs::path(options.dir) / "reportapp-vector-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::fprintf(stderr, "vector_count_bench: cannot create a folder in %s\n", options.dir.c_str());
    return 2;
  }
  const fs::path work = pattern;
  int status = 0;
  try {
    Tcl_FindExecutable(argv[0]);
    CBenchInterp tcl;
    std::printf("vector_count_bench: reportapp %s\n", options.reportapp.c_str());
    for (const CShape& shape : options.shapes) {
      RunShape(options, shape, tcl, work);
    }
    if (options.bigRecords > 0) {
      RunBigFile(options, tcl, work);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vector_count_bench: %s\n", e.what());
    status = 2;
  }
  if (options.keep) {
    std::printf("  files kept in %s\n", work.c_str());
  } else {
    fs::remove_all(work);
  }
  return status;
}
