// What the plots and the fixed-point diagnosis cost: one timing file of
// 200,000 records (8 pairs of 16-bit values each, about one pair in fifty
// disagreeing, as in verify_throughput_bench) verified with and without them,
// side by side in one run: the whole `reportapp verify` command as a user
// starts it (with and without --no-plots), the run of `reportapp verify
// --jobs 1` in this process with diagnosis and per-channel plots against one
// with neither (the diagnosis can be switched off only here), and the report
// pass alone (collector and page against the bare pass); and the size of the
// plot page for 10 million records.
//
//   plot_overhead_bench [--records N] [--dir DIR] [--keep] [--help]
//
// The plots may add at most 10 % to the run time (the command's best
// processor time with plots against its best without), and no plot page may
// be larger than 300 KB. Beside the best times the median of the rounds'
// paired ratios is shown: on a shared machine the two tell apart a real cost
// from a disturbed round.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tcl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "BenchInterp.h"
#include "BenchTimingFile.h"
#include "app/Extension.h"
#include "app/VerifyRunner.h"
#include "summary/PlotOutput.h"
#include "summary/PlotPage.h"
#include "verify/VerifyReportRun.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 41;
constexpr int kCommandRounds = 21;
constexpr double kAllowedOverhead = 0.10;
constexpr std::uint64_t kLargeRecords = 10'000'000;

constexpr const char* kUsage =
    "usage: plot_overhead_bench [--records N] [--dir DIR] [--keep] [--help]\n"
    "  --records N  records of the timing file (default 200,000)\n"
    "  --dir DIR    an existing folder in which to create the work folder\n"
    "               (default /dev/shm, else /tmp); only the work folder is removed\n"
    "  --keep       leave the work folder and its files in place\n"
    "Times reportapp verify of one timing file and its report pass alone, with and\n"
    "without the plots, and gives the plot page size for 10 million records.\n";

struct CBenchOptions {
  std::uint64_t records = 200'000;
  std::string dir;
  bool keep = false;
};

CBenchOptions ParseOptions(int argc, char** argv) {
  CBenchOptions options;
  for (CBenchArgs args(argc, argv); args.Next();) {
    const std::string& word = args.Word();
    if (word == "--help" || word == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (word == "--records") {
      options.records = std::stoull(args.Value());
    } else if (word == "--dir") {
      options.dir = args.Value();
    } else if (word == "--keep") {
      options.keep = true;
    } else {
      throw std::runtime_error("unknown option " + word + " (see --help)");
    }
  }
  return options;
}

struct CTimes {
  double wall = 1e300;
  double cpu = 1e300;  // this process's processor time: less disturbed by other load
};

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs work, keeps the best wall and processor times in best and returns
// this run's processor time.
double Time(CTimes& best, const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  work();
  const double cpu = CpuSeconds() - cpuStart;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  best.wall = std::min(best.wall, wall);
  best.cpu = std::min(best.cpu, cpu);
  return cpu;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

// One `reportapp verify` of the file as a user starts it, standard output
// to /dev/null; keeps its best times in best and returns its processor time
// (user and system).
double TimeVerifyCommand(CTimes& best, const fs::path& dir, const fs::path& timing, bool plots) {
  std::vector<std::string> words{std::string(REPORTAPP_BUILD_DIR) + "/reportapp",
                                 "verify",
                                 "--quiet",
                                 "--jobs",
                                 "1",
                                 "--project",
                                 dir.string()};
  if (!plots) {
    words.emplace_back("--no-plots");
  }
  words.push_back(timing.string());
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    throw std::runtime_error("cannot start " + words[0]);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) {
    throw std::runtime_error("lost " + words[0]);
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // 1: some values disagree, as they do in this file.
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    throw std::runtime_error(words[0] + " verify failed");
  }
  const double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  best.wall = std::min(best.wall, wall);
  best.cpu = std::min(best.cpu, cpu);
  return cpu;
}

// Runs the two sides by turns, the first of a round alternating, and returns
// the median of the rounds' ratios (with / without): the machine's speed
// drifts from second to second, and each round's pair sees the same speed.
double MedianOverhead(int rounds, const std::function<double()>& without,
                      const std::function<double()>& with) {
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      const double base = without();
      ratios.push_back(with() / base);
    } else {
      const double plotted = with();
      ratios.push_back(plotted / without());
    }
  }
  return Median(ratios) - 1;
}

// The page of a 10-million-record file of one pair per record, the values
// a slow sine with a burst of disagreements in the middle third, fed to the
// collector as the report pass would.
std::size_t LargePageBytes(const fs::path& pagePath) {
  CPlotCollector collector;
  collector.Start(CPlotScale(16, 8, true));
  char fixed[16];
  char rtl[16];
  for (std::uint64_t n = 0; n < kLargeRecords; ++n) {
    const int value = static_cast<int>(20000 * std::sin(static_cast<double>(n) * 1e-5));
    const bool burst = n > kLargeRecords / 3 && n < 2 * kLargeRecords / 3 && n % 97 == 0;
    std::snprintf(fixed, sizeof fixed, "0x%04x", static_cast<unsigned>(value) & 0xffff);
    std::snprintf(rtl, sizeof rtl, "0x%04x",
                  static_cast<unsigned>(value + (burst ? 5 : 0)) & 0xffff);
    collector.BeginRecord(n + 2, n + 2, 4);
    collector.Pair(1, fixed, rtl, !burst);
    collector.EndRecord();
  }
  const std::string page =
      PlotPageHtml(collector.Data(), {"ten_million_records", "generated", "", ""});
  std::ofstream(pagePath, std::ios::binary) << page;
  return page.size();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const CBenchOptions options = ParseOptions(argc, argv);
    Tcl_FindExecutable(argv[0]);
    // In memory where there is room, so that disk writeback stays out of the
    // figures. The work folder is always a new one inside the given folder,
    // so that removing it at the end never touches a user's files.
    const fs::path parent = !options.dir.empty()           ? fs::path(options.dir)
                            : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                           : fs::path("/tmp");
    std::string pattern = (parent / "reportapp-plot-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a work folder in " + parent.string());
    }
    const fs::path dir = pattern;
    fs::create_directories(dir / "Reports");
    fs::create_directories(dir / "FixedPointM");
    std::ofstream(dir / "FixedPointM" / "Korvel_TestVector_1.txt") << "%fixed wrap floor [16 8]\n";
    const fs::path timing = dir / "kv_timing_Korvel_TestVector_1.txt";
    WriteBenchTimingFile(timing, options.records);
    const double inputMb = static_cast<double>(fs::file_size(timing)) / 1e6;

    CBenchInterp tcl;
    tcl.Eval("set ::DR::950255 0; set ::DR::952688_enable_53_bit_IO 0");
    CVerifySettings settings;
    settings.projectDirectory = dir.string();

    CPlotRun plots;
    CVerifyReportRun plain(settings);
    CVerifyReportRun plotted(settings);
    const CFileCompanions companions = plotted.CompanionsFor(timing.string(), true);
    CPlotOutput output;
    // The whole command, with and without --no-plots.
    CTimes commandPlain;
    CTimes commandPlots;
    const double commandOverhead = MedianOverhead(
        kCommandRounds, [&] { return TimeVerifyCommand(commandPlain, dir, timing, false); },
        [&] { return TimeVerifyCommand(commandPlots, dir, timing, true); });
    // The run of `reportapp verify --jobs 1` in this process: diagnosis and
    // per-channel plots against neither.
    CRunInputs full;
    full.settings = settings;
    full.paths = {timing.string()};
    full.names = full.paths;
    CRunInputs bare = full;
    bare.plots = false;
    bare.analysis.diagnosis = false;
    CTimes runBare;
    CTimes runFull;
    const double runOverhead = MedianOverhead(
        kCommandRounds, [&] { return Time(runBare, [&] { RunTimingFiles(bare, {}); }); },
        [&] { return Time(runFull, [&] { RunTimingFiles(full, {}); }); });
    // The report pass alone, in this process.
    CTimes plainTimes;
    CTimes plotTimes;
    const double overhead = MedianOverhead(
        kRounds, [&] { return Time(plainTimes, [&] { plain.RunFile(timing.string()); }); },
        [&] {
          return Time(plotTimes, [&] {
            plots.BeginFile(companions);
            plotted.RunFile(companions, plots.Observer());
            output = plots.EndFile(companions);
          });
        });
    // The page alone: built from the last file's columns and written.
    CTimes pageTimes;
    for (int round = 0; round < kRounds; ++round) {
      Time(pageTimes, [&] { plots.EndFile(companions); });
    }
    const std::size_t pageBytes = fs::file_size(output.pagePath);
    const fs::path largePage = dir / "Reports" / "ten_million_plot.htm";
    const std::size_t largeBytes = LargePageBytes(largePage);

    std::printf("plot_overhead_bench: timing file of %llu records, %.1f MB (8 pairs per record)\n",
                static_cast<unsigned long long>(options.records), inputMb);
    const auto row = [](const char* what, const CTimes& times, const CTimes* base) {
      std::printf("  %-44s %7.3f s", what, times.cpu);
      if (base != nullptr) {
        std::printf(" %+6.1f %%", 100 * (times.cpu / base->cpu - 1));
      } else {
        std::printf("         ");
      }
      std::printf(" %7.3f s", times.wall);
      if (base != nullptr) {
        std::printf(" %+6.1f %%", 100 * (times.wall / base->wall - 1));
      }
      std::printf("\n");
    };
    std::printf("  best times, processor (user + system) and wall\n");
    row("reportapp verify --no-plots (baseline)", commandPlain, nullptr);
    row("reportapp verify", commandPlots, &commandPlain);
    const double runTimeOverhead = commandPlots.cpu / commandPlain.cpu - 1;
    std::printf(
        "  plots add to the run time: %+5.1f %% of the best times (limit +%.0f %%); "
        "median of %d paired rounds %+5.1f %%\n",
        100 * runTimeOverhead, 100 * kAllowedOverhead, kCommandRounds, 100 * commandOverhead);
    row("run, no plots, no diagnosis (baseline)", runBare, nullptr);
    row("run with diagnosis and per-channel plots", runFull, &runBare);
    const double analysisOverhead = runFull.cpu / runBare.cpu - 1;
    std::printf(
        "  diagnosis and plots add to the run: %+5.1f %% of the best times (limit +%.0f %%); "
        "median of %d paired rounds %+5.1f %%\n",
        100 * analysisOverhead, 100 * kAllowedOverhead, kCommandRounds, 100 * runOverhead);
    row("report pass alone, without plots (baseline)", plainTimes, nullptr);
    row("report pass alone, with plots and page", plotTimes, &plainTimes);
    std::printf(
        "  plots add to the report pass: %+5.1f %% of the best times; median of %d paired "
        "rounds %+5.1f %%\n",
        100 * (plotTimes.cpu / plainTimes.cpu - 1), kRounds, 100 * overhead);
    row("of which the plot page, built and written", pageTimes, nullptr);
    std::printf("  plot page of this file: %zu bytes\n", pageBytes);
    std::printf("  plot page for %llu records: %zu bytes (limit %zu)\n",
                static_cast<unsigned long long>(kLargeRecords), largeBytes, kMaxPlotPageBytes);
    const bool within = runTimeOverhead <= kAllowedOverhead &&
                        analysisOverhead <= kAllowedOverhead && largeBytes <= kMaxPlotPageBytes &&
                        pageBytes <= kMaxPlotPageBytes;
    if (!options.keep) {
      fs::remove_all(dir);
    } else {
      std::printf("  files kept in %s\n", dir.c_str());
    }
    return within ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plot_overhead_bench: %s\n", e.what());
    return 2;
  }
}
