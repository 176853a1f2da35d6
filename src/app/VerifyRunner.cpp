#include "app/VerifyRunner.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "analysis/Diagnosis.h"
#include "analysis/ValueClass.h"
#include "analysis/VcdWriter.h"
#include "app/Extension.h"
#include "diagnostics/MessageReport.h"
#include "host/HostInterp.h"
#include "summary/PlotOutput.h"

namespace {

constexpr auto kProgressEvery = std::chrono::milliseconds(250);

std::uint64_t FileSize(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return 0;
  }
  return static_cast<std::uint64_t>(info.st_size);
}

struct CFileSlot {
  std::optional<CFileResult> result;
  std::vector<std::string> warnings;
};

// WRN-0004 raised in the calling thread as a run there raises it after each
// file: the files' clock figures folded in input order, failed files left
// out (workers fold only the files they happened to take).
class CThroughputWarning {
 public:
  explicit CThroughputWarning(bool enabled) : enabled_(enabled) {}
  void After(const CFileResult& file) {
    if (!enabled_ || file.status == EFileStatus::kError) {
      return;
    }
    FoldFileFigures(figures_, file.figures);
    if (figures_.maxClocks == -1 || figures_.minClocks == -1) {
      ReportWarning("WRN-0004", "", -1, "", true);
    }
    figures_.FillFromLatency();
  }

 private:
  bool enabled_;
  CClockFigures figures_;
};

// What the workers share with the calling thread.
class CSharedRun {
 public:
  CSharedRun(const CRunInputs& inputs, const CRunEvents& events)
      : inputs_(inputs),
        events_(events),
        slots_(inputs.paths.size()),
        total_(TotalBytes(inputs.paths)) {}

  // The next file's position, or false when none is left.
  bool Take(std::size_t& index) {
    index = next_.fetch_add(1);
    return index < slots_.size();
  }
  void AddBytes(std::uint64_t bytes) { done_.fetch_add(bytes); }
  void Finish(std::size_t index, CFileResult result, std::vector<std::string> warnings) {
    {
      const std::lock_guard lock(mutex_);
      slots_[index].result = std::move(result);
      slots_[index].warnings = std::move(warnings);
    }
    changed_.notify_one();
  }

  // The calling thread: hands out finished results in order and shows
  // progress until every file is done.
  std::vector<CFileResult> Collect() {
    std::vector<CFileResult> results;
    CThroughputWarning throughput(inputs_.settings.throughputWarning);
    std::unique_lock lock(mutex_);
    while (results.size() < slots_.size()) {
      changed_.wait_for(lock, kProgressEvery,
                        [&] { return slots_[results.size()].result.has_value(); });
      while (results.size() < slots_.size() && slots_[results.size()].result) {
        CFileSlot& slot = slots_[results.size()];
        results.push_back(std::move(*slot.result));
        lock.unlock();
        throughput.After(results.back());
        if (events_.fileDone) {
          events_.fileDone(results.size() - 1, results.back(), slot.warnings);
        }
        lock.lock();
      }
      if (events_.progress && results.size() < slots_.size()) {
        lock.unlock();
        events_.progress(done_.load(), total_);
        lock.lock();
      }
    }
    return results;
  }

  const CRunInputs& Inputs() const { return inputs_; }

 private:
  const CRunInputs& inputs_;
  const CRunEvents& events_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<CFileSlot> slots_;
  std::atomic<std::size_t> next_{0};
  std::atomic<std::uint64_t> done_{0};
  std::uint64_t total_;
};

// The warnings the run reported for a file go first into its result, then
// those of its analysis; warnings becomes the whole list.
void KeepRunWarnings(CFileResult& result, std::vector<std::string>& warnings) {
  warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
  result.warnings = warnings;
}

// One worker thread: its own interpreter with Tcl and the extension, and
// its own report run.
void Worker(CSharedRun& shared) {
  Tcl_Interp* interp = Tcl_CreateInterp();
  std::string failure;
  if (Tcl_Init(interp) != TCL_OK || Reportapp_Init(interp) != TCL_OK) {
    failure = std::string("cannot start a worker interpreter: ") + Tcl_GetStringResult(interp);
  }
  {
    const CRunInputs& inputs = shared.Inputs();
    CVerifyHooks hooks;
    std::uint64_t fileDone = 0;
    hooks.progress = [&](const std::string&, std::uint64_t done, std::uint64_t) {
      shared.AddBytes(done - fileDone);
      fileDone = done;
    };
    std::vector<std::string>* warnings = nullptr;
    hooks.warn = [&warnings](const std::string& message) { warnings->push_back(message); };
    // This worker sees only some of the files: the calling thread raises
    // WRN-0004 over all of them in order (CThroughputWarning).
    hooks.numberedWarning = [](const std::string&) {};
    CPlotRun plots;
    CVerifyReportRun run(inputs.settings, hooks);
    std::size_t index = 0;
    while (shared.Take(index)) {
      std::vector<std::string> fileWarnings;
      warnings = &fileWarnings;
      fileDone = 0;
      CFileResult result;
      if (failure.empty()) {
        result = RunOneFile(run, inputs.paths[index], inputs.names[index],
                            inputs.plots ? &plots : nullptr, inputs.analysis);
        KeepRunWarnings(result, fileWarnings);
      } else {
        result.timingFile = inputs.names[index];
        result.status = EFileStatus::kError;
        result.error = failure;
      }
      shared.Finish(index, std::move(result), std::move(fileWarnings));
    }
  }
  Tcl_DeleteInterp(interp);
  Tcl_FinalizeThread();
}

std::vector<CFileResult> RunInThisThread(const CRunInputs& inputs, const CRunEvents& events) {
  const std::uint64_t total = TotalBytes(inputs.paths);
  std::uint64_t before = 0;  // bytes of the files already done
  auto last = std::chrono::steady_clock::now();
  CVerifyHooks hooks;
  std::vector<std::string>* warnings = nullptr;
  hooks.warn = [&warnings](const std::string& message) { warnings->push_back(message); };
  if (events.progress) {
    hooks.progress = [&](const std::string&, std::uint64_t done, std::uint64_t) {
      const auto now = std::chrono::steady_clock::now();
      if (now - last >= kProgressEvery) {
        last = now;
        events.progress(before + done, total);
      }
    };
  }
  CPlotRun plots;
  CVerifyReportRun run(inputs.settings, hooks);
  std::vector<CFileResult> results;
  for (std::size_t i = 0; i < inputs.paths.size(); ++i) {
    std::vector<std::string> fileWarnings;
    warnings = &fileWarnings;
    results.push_back(RunOneFile(run, inputs.paths[i], inputs.names[i],
                                 inputs.plots ? &plots : nullptr, inputs.analysis));
    KeepRunWarnings(results.back(), fileWarnings);
    before += FileSize(inputs.paths[i]);
    if (events.fileDone) {
      events.fileDone(i, results.back(), fileWarnings);
    }
  }
  return results;
}

}  // namespace

std::uint64_t TotalBytes(const std::vector<std::string>& paths) {
  std::uint64_t total = 0;
  for (const std::string& path : paths) {
    total += FileSize(path);
  }
  return total;
}

CFileResult RunOneFile(CVerifyReportRun& run, const std::string& path, const std::string& name,
                       CPlotRun* plots, const CAnalysisOptions& analysis) {
  const auto started = std::chrono::steady_clock::now();
  CFileResult result;
  try {
    // The file's companions, its vector file's header included, are worked
    // out once and handed to the report pass, the observers and the writers.
    const CFileCompanions companions = run.CompanionsFor(path, true);
    result.timingFile = path;
    result.report = companions.reportPath;
    const CPlotScale format = CPlotScale::FromCompanions(companions);
    CFileResultObserver gather(result, run.Settings().firstDisagreements);
    CDiagnosisObserver diagnosis(format);
    std::vector<CPairObserver*> observers{&gather};
    if (analysis.diagnosis) {
      observers.push_back(&diagnosis);
    }
    std::optional<CVcdWriter> waveform;
    if (!companions.vcdPath.empty()) {
      observers.push_back(&waveform.emplace(companions.timingPath, companions.vcdPath, format));
    }
    if (plots != nullptr) {
      plots->BeginFile(companions);
      observers.push_back(plots->Observer());
    }
    CPairObserverFanOut fanOut(std::move(observers));
    const CNumberComparison byNumber(format);
    const CVerifyFileResult file =
        run.RunFile(companions, &fanOut, analysis.compareNumbers ? &byNumber : nullptr);
    result.records = file.summary.records;
    result.SetStatusFromCounts();
    if (analysis.diagnosis) {
      result.diagnosis = diagnosis.Result();
      ClassifyDisagreements(result.firstDisagreements, format);
      result.warnings = diagnosis.Warnings(path);
    }
    if (file.summary.inputChanged) {
      // What was read is not the file as it stands: its report cannot be
      // trusted as a complete comparison.
      result.status = EFileStatus::kError;
      result.error = "timing file \"" + name +
                     "\" changed while it was read; its report may not cover the whole file";
    }
    if (plots != nullptr) {
      CPlotOutput output = plots->EndFile(companions, run.Settings().realValues);
      result.plotPage = std::move(output.pagePath);
      result.plotStrip = std::move(output.strip);
    }
    if (waveform) {
      waveform->Finish();
      result.warnings.insert(result.warnings.end(), waveform->Warnings().begin(),
                             waveform->Warnings().end());
    }
  } catch (const std::bad_alloc&) {
    result = CFileResult{};  // counts of a file read in part are no result
    result.status = EFileStatus::kError;
    result.error = "timing file \"" + name + "\": out of memory";
  } catch (const std::exception& e) {
    result = CFileResult{};
    result.status = EFileStatus::kError;
    result.error = e.what();
  }
  if (result.status == EFileStatus::kError) {
    result.report = run.ReportPathFor(path);
  }
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  result.timingFile = name;
  return result;
}

std::vector<CFileResult> RunTimingFiles(const CRunInputs& inputs, const CRunEvents& events) {
  // No more workers than files, and never thousands of interpreters.
  constexpr std::size_t kMostWorkers = 256;
  const unsigned workers = static_cast<unsigned>(
      std::min({static_cast<std::size_t>(inputs.jobs), inputs.paths.size(), kMostWorkers}));
  if (workers <= 1) {
    return RunInThisThread(inputs, events);
  }
  CSharedRun shared(inputs, events);
  std::vector<std::thread> threads;
  for (unsigned w = 0; w < workers; ++w) {
    threads.emplace_back(Worker, std::ref(shared));
  }
  std::vector<CFileResult> results = shared.Collect();
  for (std::thread& thread : threads) {
    thread.join();
  }
  return results;
}
