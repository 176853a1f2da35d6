#include "verify/VerifyCommandLine.h"

#include <unistd.h>

#include <chrono>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/TclDataObj.h"
#include "verify/VerifyReportRun.h"

namespace {

constexpr int kExitAgree = 0;
constexpr int kExitDisagree = 1;
constexpr int kExitError = 2;

// Files smaller than this finish too fast for a progress display to help.
constexpr std::uint64_t kProgressMinBytes = 32ull << 20;

struct CCommandLine {
  bool help = false;
  bool gateLevel = false;
  bool realValues = false;
  bool hasProject = false;
  std::string project;
  std::vector<std::string> timingFiles;
};

CCommandLine ParseCommandLine(int argc, char** argv) {
  CCommandLine line;
  bool optionsDone = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (optionsDone || word.empty() || word[0] != '-' || word == "-") {
      line.timingFiles.emplace_back(word);
    } else if (word == "--") {
      optionsDone = true;
    } else if (word == "--help" || word == "-h") {
      line.help = true;
    } else if (word == "--impl") {
      line.gateLevel = true;
    } else if (word == "--real-values") {
      line.realValues = true;
    } else if (word == "--project") {
      if (i + 1 >= argc) {
        throw std::runtime_error("--project needs a directory");
      }
      line.hasProject = true;
      line.project = argv[++i];
    } else if (word.starts_with("--project=")) {
      line.hasProject = true;
      line.project = word.substr(std::string_view("--project=").size());
    } else {
      throw std::runtime_error("unknown option \"" + std::string(word) + "\"");
    }
  }
  return line;
}

void SetProjectDirectory(const std::string& directory) {
  CTclEvalObj set("::SetProjectOption -directory");
  set.AppendElement(directory);
  if (!set.Evaluate(false)) {
    throw std::runtime_error("cannot set the project directory \"" + directory +
                             "\": " + set.GetResultMessage());
  }
}

// Percent done on one terminal line, redrawn at most a few times a second.
class CProgressLine {
 public:
  explicit CProgressLine(std::ostream& err) : err_(err) {}
  ~CProgressLine() { Clear(); }

  void Show(const std::string& path, std::uint64_t done, std::uint64_t total) {
    if (total < kProgressMinBytes) {
      return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(250) && done < total) {
      return;
    }
    last_ = now;
    shown_ = true;
    err_ << "\r" << path << ": " << (done * 100 / total) << "% of " << (total >> 20) << " MB"
         << std::flush;
  }
  void Clear() {
    if (shown_) {
      err_ << "\r\033[K" << std::flush;
      shown_ = false;
    }
  }

 private:
  std::ostream& err_;
  std::chrono::steady_clock::time_point last_{};
  bool shown_ = false;
};

void PrintFileLine(std::ostream& out, const CVerifyFileResult& file) {
  const CTimingFileSummary& s = file.summary;
  out << file.timingPath << ": " << s.records << " records, " << s.disagreeing
      << " disagreeing values";
  if (s.hasLatency) {
    CClockFigures own = s.own;
    own.FillFromLatency();
    out << ", latency " << own.latency << ", clocks min " << own.minClocks << " max "
        << own.maxClocks;
  } else {
    out << ", no output records";
  }
  out << ", report " << file.reportPath << "\n";
}

}  // namespace

const char* VerifyUsageText() {
  return "usage: reportapp verify [--project DIR] [--impl] [--real-values] TIMINGFILE...\n"
         "\n"
         "Writes the HTML verification report of each timing file into the project's\n"
         "Reports folder, exactly as the GenerateVerifyReport command does, and prints\n"
         "one line per file (records, disagreeing values, latency, smallest and largest\n"
         "clocks between outputs, report path) and a total.\n"
         "\n"
         "  --project DIR   the project directory (default: the project option -directory,\n"
         "                  which is the current directory unless a script set it)\n"
         "  --impl          reports of a gate-level simulation: names end in _impl, not _rtl\n"
         "  --real-values   show values as reals through the quantizer of the test vector\n"
         "                  (FixedPointM/Korvel_TestVector_<n>.txt, or FixedPointC for C++)\n"
         "  --help          this text\n"
         "\n"
         "Exit status: 0 every value agrees, 1 some value disagrees, 2 an error.\n";
}

int RunVerifyCommandLine(Tcl_Interp* interp, int argc, char** argv, std::ostream& out,
                         std::ostream& err, bool showProgress) {
  (void)interp;  // bound as the host interpreter by the caller
  CProgressLine progress(err);
  try {
    const CCommandLine line = ParseCommandLine(argc, argv);
    if (line.help) {
      out << VerifyUsageText();
      return kExitAgree;
    }
    if (line.timingFiles.empty()) {
      throw std::runtime_error("no timing file given");
    }
    if (line.hasProject) {
      SetProjectDirectory(line.project);
    }
    CVerifySettings settings = ReadProjectSettings();
    settings.gateLevel = line.gateLevel;
    settings.realValues = settings.realValues || line.realValues;

    CVerifyHooks hooks;
    hooks.warn = [&](const std::string& message) {
      progress.Clear();
      err << "warning: " << message << "\n";
    };
    if (showProgress) {
      hooks.progress = [&](const std::string& path, std::uint64_t done, std::uint64_t total) {
        progress.Show(path, done, total);
      };
    }
    CVerifyReportRun run(settings, hooks);
    std::uint64_t records = 0;
    std::uint64_t disagreeing = 0;
    for (const std::string& path : line.timingFiles) {
      const CVerifyFileResult file = run.RunFile(path);
      progress.Clear();
      PrintFileLine(out, file);
      records += file.summary.records;
      disagreeing += file.summary.disagreeing;
    }
    const CClockFigures& total = run.Figures();
    out << "total: " << line.timingFiles.size() << " files, " << records << " records, "
        << disagreeing << " disagreeing values, latency " << total.latency << ", clocks min "
        << total.minClocks << " max " << total.maxClocks << "\n";
    return disagreeing == 0 ? kExitAgree : kExitDisagree;
  } catch (const std::exception& e) {
    progress.Clear();
    err << "reportapp verify: " << e.what() << "\n";
    return kExitError;
  }
}

int RunVerifyCommandLine(Tcl_Interp* interp, int argc, char** argv) {
  const int status =
      RunVerifyCommandLine(interp, argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
  std::cout.flush();
  return status;
}
