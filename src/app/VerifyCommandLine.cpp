#include "app/VerifyCommandLine.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/VerifyOptions.h"
#include "app/VerifyRunner.h"
#include "host/TclDataObj.h"
#include "summary/RunSummary.h"
#include "summary/SummaryFiles.h"
#include "verify/VerifyReportRun.h"

namespace {

void SetProjectDirectory(const std::string& directory) {
  CTclEvalObj set("::SetProjectOption -directory");
  set.AppendElement(directory);
  if (!set.Evaluate(false)) {
    throw std::runtime_error("cannot set the project directory \"" + directory +
                             "\": " + set.GetResultMessage());
  }
}

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
  return text;
}

// The run's progress on one terminal line: bytes done of all files, rate and
// time left, redrawn by the caller a few times a second.
class CProgressLine {
 public:
  explicit CProgressLine(std::ostream& err) : err_(err) {}
  ~CProgressLine() { Clear(); }

  void Show(std::uint64_t done, std::uint64_t total) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    if (total == 0 || seconds < 0.5) {
      return;
    }
    const double rate = static_cast<double>(done) / seconds;
    char line[160];
    std::snprintf(line, sizeof line, "\r%3d%%  %s of %s  %s/s  %.0f s left\033[K",
                  static_cast<int>(done * 100 / total), Megabytes(done).c_str(),
                  Megabytes(total).c_str(), Megabytes(static_cast<std::uint64_t>(rate)).c_str(),
                  rate > 0 ? static_cast<double>(total - std::min(done, total)) / rate : 0.0);
    err_ << line << std::flush;
    shown_ = true;
  }
  void Clear() {
    if (shown_) {
      err_ << "\r\033[K" << std::flush;
      shown_ = false;
    }
  }

 private:
  std::ostream& err_;
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  bool shown_ = false;
};

void PrintFileLine(std::ostream& out, const CFileResult& file) {
  out << file.timingFile << ": " << file.records << " records, " << file.disagreeing
      << " disagreeing values";
  if (file.diagnosis && file.disagreeing > 0) {
    out << " (" << LeadingClassesText(file.diagnosis->classes) << ")";
  }
  if (file.figures.outputRecords > 0) {
    const CClockFigures own = file.OwnFigures();
    out << ", latency " << own.latency << ", clocks min " << own.minClocks << " max "
        << own.maxClocks;
  } else {
    out << ", no output records";
  }
  out << ", report " << file.report << "\n";
}

void PrintTotal(std::ostream& out, const CRunSummary& summary) {
  const CRunTotals t = summary.Totals();
  const CClockFigures f = summary.Figures();
  out << "total: " << t.files << " files, " << t.records << " records, " << t.disagreeing
      << " disagreeing values, latency " << f.latency << ", clocks min " << f.minClocks << " max "
      << f.maxClocks << "; " << t.passed << " passed, " << t.failed << " failed, " << t.empty
      << " empty, " << t.errors << " errors\n";
}

// Two names with one report: refused before anything is written. The first
// collisions are named one a line, the rest counted.
void RefuseReportCollisions(const CVerifySettings& settings, const std::vector<std::string>& paths,
                            const std::vector<std::string>& names) {
  constexpr std::size_t kNamed = 10;
  const CVerifyReportRun run(settings);
  const auto collisions = run.ReportCollisions(paths);
  if (collisions.empty()) {
    return;
  }
  std::string message;
  for (std::size_t i = 0; i < collisions.size() && i < kNamed; ++i) {
    const auto [earlier, later] = collisions[i];
    message += (i == 0 ? "" : "\n  ") +
               ("timing files \"" + names[earlier] + "\" and \"" + names[later] +
                "\" both map to the report \"" + run.ReportPathFor(paths[later]) + "\"");
  }
  if (collisions.size() > kNamed) {
    message += "\n  and " + std::to_string(collisions.size() - kNamed) + " more such pairs";
  }
  throw std::runtime_error(message + (collisions.size() > 1 ? "\n  " : "; ") +
                           "nothing was written");
}

int Run(const CVerifyOptions& options, std::ostream& out, std::ostream& err, bool showProgress) {
  if (options.files.empty()) {
    throw std::runtime_error("no timing file given (see reportapp verify --help)");
  }
  if (options.hasProject) {
    SetProjectDirectory(options.project);
  }
  CRunInputs inputs;
  inputs.settings = ReadProjectSettings();
  inputs.settings.gateLevel = options.gateLevel;
  inputs.settings.waveforms = options.waveforms;
  inputs.settings.realValues = inputs.settings.realValues || options.realValues;
  inputs.settings.firstDisagreements = options.first;
  inputs.jobs = EffectiveJobs(options);
  inputs.plots = options.plots;
  inputs.analysis.compareNumbers = options.compareNumbers;
  inputs.names = options.files;
  for (const std::string& name : options.files) {
    inputs.paths.push_back(LiteralPath(name));
  }
  RefuseReportCollisions(inputs.settings, inputs.paths, inputs.names);

  // With the JSON on standard output the lines go to the error stream.
  std::ostream& lines = WritesDocumentToStandardOutput(options) ? err : out;
  CProgressLine progress(err);
  CRunEvents events;
  events.fileDone = [&](std::size_t, const CFileResult& file,
                        const std::vector<std::string>& warnings) {
    progress.Clear();
    if (!options.quiet) {
      for (const std::string& warning : warnings) {
        err << "warning: " << warning << "\n";
      }
    }
    if (file.status == EFileStatus::kError) {
      err << "reportapp verify: " << file.error << "\n";
    } else if (!options.quiet) {
      PrintFileLine(lines, file);
    }
  };
  if (showProgress && !options.quiet) {
    events.progress = [&](std::uint64_t done, std::uint64_t total) { progress.Show(done, total); };
  }

  CRunSummary summary;
  summary.project = inputs.settings.projectDirectory;
  summary.gateLevel = inputs.settings.gateLevel;
  summary.realValues = inputs.settings.realValues;
  summary.files = RunTimingFiles(inputs, events);
  progress.Clear();

  const CSummaryOutputs outputs = SummaryOutputsFor(options);
  int status = summary.ExitStatus(options.allowEmpty);
  try {
    out << WriteSummaryOutputs(summary, outputs);
  } catch (const std::exception& e) {
    err << "reportapp verify: " << e.what() << "\n";
    status = kExitError;
  }
  PrintTotal(lines, summary);
  if (options.index && !options.quiet) {
    lines << "index: " << IndexPathFor(summary.project) << "\n";
  }
  return status;
}

}  // namespace

std::string LiteralPath(const std::string& name) {
  return name.starts_with("~") ? "./" + name : name;
}

const char* VerifyUsageText() {
  return "usage: reportapp verify [options] TIMINGFILE...\n"
         "\n"
         "Writes the HTML verification report of each timing file into the project's\n"
         "Reports folder, exactly as the GenerateVerifyReport command does, prints one\n"
         "line per file (records, disagreeing values, latency, smallest and largest\n"
         "clocks between outputs, report path) and a total, and writes the run's\n"
         "summary page Reports/index.htm. A file that cannot be read is that file's\n"
         "error; the other files still run.\n"
         "\n"
         "  --project DIR    the project directory (default: the project option -directory,\n"
         "                   which is the current directory unless a script set it)\n"
         "  --impl           reports of a gate-level simulation: names end in _impl, not _rtl\n"
         "  --real-values    show values as reals through the quantizer of the test vector\n"
         "                   (FixedPointM/Korvel_TestVector_<n>.txt, or FixedPointC for C++)\n"
         "  --json FILE      the run's results as JSON (- for standard output)\n"
         "  --junit FILE     the run's results as JUnit XML\n"
         "  --junit-flavor F jenkins (default: valid against the Jenkins xUnit schema),\n"
         "                   gitlab (test cases name their timing file) or github\n"
         "                   (timing file and line of the first disagreement)\n"
         "  --markdown FILE  a GitHub-flavoured Markdown summary (- for standard output)\n"
         "  --no-index       do not write Reports/index.htm\n"
         "  --no-plots       no plot page per file and no strip in the index\n"
         "  --vcd            a waveform per file beside its report, Reports/<report>.vcd:\n"
         "                   per channel the model and RTL values, the error in LSBs\n"
         "                   and an agree bit at the times of the output records\n"
         "  --compare HOW    text (default): a pair agrees when its two texts are equal;\n"
         "                   number: when both read as the same number of the vector's\n"
         "                   word (case, 0x, leading zeros do not matter; X/Z never agree)\n"
         "  --allow-empty    a file that compared no value passes\n"
         "  --first N        disagreements kept per file in the summaries (default 10)\n"
         "  --jobs N         files processed at once (default: the number of cores)\n"
         "  --quiet          print only the total and errors\n"
         "  --version        the version\n"
         "  --help           this text\n"
         "\n"
         "File names are taken literally (a leading ~ is a file name). Two files whose\n"
         "reports would have one name are refused before anything is written.\n"
         "\n"
         "Exit status: 0 every file passes, 1 some value disagrees or some file compared\n"
         "no value (unless --allow-empty), 2 an error.\n";
}

int RunVerifyCommandLine(Tcl_Interp* interp, int argc, char** argv, std::ostream& out,
                         std::ostream& err, bool showProgress) {
  (void)interp;  // bound as the host interpreter by the caller
  try {
    const CVerifyOptions options = ParseVerifyOptions(std::vector<std::string>(argv, argv + argc));
    if (options.help) {
      out << VerifyUsageText();
      return kExitPass;
    }
    if (options.version) {
      out << "reportapp verify " << REPORTAPP_VERSION << "\n";
      return kExitPass;
    }
    return Run(options, out, err, showProgress);
  } catch (const std::exception& e) {
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
