#include "verify/VerifyReportRun.h"

#include <chrono>
#include <map>
#include <stdexcept>
#include <utility>

#include "diagnostics/MessageReport.h"
#include "fixedpoint/Quantizer.h"
#include "host/GlobalSettings.h"
#include "host/TclDataObj.h"
#include "util/FilePath.h"
#include "verify/HtmlReportWriter.h"
#include "verify/LineReader.h"
#include "verify/RealValueText.h"
#include "verify/ReportFile.h"
#include "verify/TestVectorFile.h"

namespace {

constexpr const char* kRealValuesSetting = "DR::952688_enable_53_bit_IO";
constexpr const char* kNoThroughputWarningSetting = "DR::950255";

std::string ProjectQuery(const char* script) {
  CTclEvalObj query(script);
  query.Evaluate(false);
  return query.GetResult().GetStringValue();
}

}  // namespace

CVerifySettings ReadProjectSettings() {
  CVerifySettings settings;
  settings.isCpp = ProjectQuery("::GetProjectOption -fixedpointlanguage") == "C++";
  settings.projectDirectory = ProjectQuery("::GetProjectOption -directory");
  GetGlobalSettings();
  settings.realValues = CGlobalSettings::GetBool(kRealValuesSetting);
  settings.throughputWarning = CGlobalSettings::GetBool(kNoThroughputWarningSetting);
  settings.lineLimit = LineLimitSetting();
  return settings;
}

CVerifyReportRun::CVerifyReportRun(CVerifySettings settings, CVerifyHooks hooks)
    : settings_(std::move(settings)), hooks_(std::move(hooks)) {}

std::string CVerifyReportRun::ReportPathFor(const std::string& timingPath) const {
  // The report is named after the timing file: its name without extension,
  // "_rtl" or "_impl", and ".htm". The name is put together as text, so that
  // a dot inside it (run.1.txt) is never mistaken for an extension.
  const std::string name =
      CFilePath(timingPath).BaseName() + (settings_.gateLevel ? "_impl" : "_rtl") + ".htm";
  CFilePath report(settings_.projectDirectory);
  report.Join("Reports");
  report.Join(name);
  return report;
}

std::string CVerifyReportRun::VectorPathFor(const std::string& timingPath) const {
  const std::optional<std::string> suffix = VectorSuffix(timingPath);
  if (!suffix) {
    throw std::runtime_error("timing file \"" + timingPath +
                             "\": its name lacks \"kv_timing_Korvel_TestVector_<n>.txt\", so no "
                             "test-vector file can be found for real values");
  }
  CFilePath vector(settings_.projectDirectory);
  vector.Join(settings_.isCpp ? "FixedPointC" : "FixedPointM");
  vector.Join("Korvel_TestVector_" + *suffix + ".txt");
  return vector;
}

TValueText CVerifyReportRun::ValueTextFor(const std::string& timingPath) const {
  // The quantizer serves only the conversion to reals; without real values
  // the host is not asked for its defaults at all.
  if (!settings_.realValues) {
    return {};
  }
  CQuantizer quantizer;
  const CFilePath vectorPath(VectorPathFor(timingPath));
  if (!vectorPath.Exists()) {
    throw std::runtime_error("test-vector file \"" + vectorPath + "\" for timing file \"" +
                             timingPath + "\" does not exist");
  }
  ApplyTestVectorHeader(vectorPath, quantizer);
  return CRealValueText(quantizer.GetFractionalLength(), quantizer.IsSigned());
}

std::vector<std::pair<std::size_t, std::size_t>> CVerifyReportRun::ReportCollisions(
    const std::vector<std::string>& timingPaths) const {
  std::vector<std::pair<std::size_t, std::size_t>> collisions;
  std::map<std::string, std::size_t> byReport;
  for (std::size_t i = 0; i < timingPaths.size(); ++i) {
    const auto [at, added] = byReport.try_emplace(ReportPathFor(timingPaths[i]), i);
    if (!added) {
      collisions.emplace_back(at->second, i);
      at->second = i;
    }
  }
  return collisions;
}

CVerifyFileResult CVerifyReportRun::RunFile(const std::string& timingPath) {
  const auto started = std::chrono::steady_clock::now();
  CVerifyFileResult result;
  result.timingPath = timingPath;
  TValueText valueText = ValueTextFor(timingPath);
  result.reportPath = ReportPathFor(timingPath);

  CInputFile timing(timingPath, "timing file");
  CReportFile report(result.reportPath, CReportFile::ETemporary::kUnnamed,
                     std::exchange(reportsSwept_, true) ? CReportFile::ESweep::kNone
                                                        : CReportFile::ESweep::kStale);
  COutputBuffer buffer([&report](std::string_view bytes) { report.Write(bytes); }, buffers_.output);
  CHtmlReportWriter writer(buffer, std::move(valueText));
  CLineReader reader([&timing](char* data, std::size_t size) { return timing.Read(data, size); },
                     buffers_.input);

  result.result.timingFile = timingPath;
  result.result.report = result.reportPath;
  CFileResultObserver gather(result.result, settings_.firstDisagreements);
  std::vector<CPairObserver*> observers{&gather};
  observers.insert(observers.end(), hooks_.observers.begin(), hooks_.observers.end());
  CPairObserverFanOut fanOut(std::move(observers));

  CTimingReportHooks hooks;
  hooks.warn = hooks_.warn;
  hooks.observer = hooks_.observers.empty() ? static_cast<CPairObserver*>(&gather) : &fanOut;
  // Bounded memory for long lines: a regular file is read again by offset
  // for a long line's second pass; lines past the limit are an error.
  if (timing.CanReadAt()) {
    hooks.readAt = [&timing](std::uint64_t offset, char* data, std::size_t size) {
      return timing.ReadAt(offset, data, size);
    };
  }
  hooks.lineLimit = settings_.lineLimit;
  hooks.lineLimitName = std::string("set ::") + kLineLimitSetting + " to change it";
  if (hooks_.progress) {
    hooks.progress = [this, &timing](std::uint64_t done) {
      hooks_.progress(timing.Path(), done, timing.Size());
    };
  }
  writer.WriteHead();
  // The file's figures are folded into the run's only once it is read whole,
  // so that a file failing half way leaves them as they were.
  CClockFigures fileFigures;
  result.summary = WriteTimingRows(reader, writer, fileFigures, timingPath, hooks);
  if (const std::optional<std::string> change = timing.ChangeWhileRead(reader.BytesRead())) {
    result.summary.inputChanged = true;
    if (hooks_.warn) {
      hooks_.warn(*change);
    }
  }
  result.result.records = result.summary.records;
  result.result.SetStatusFromCounts();
  FoldFileFigures(figures_, result.result.figures);

  if (settings_.throughputWarning && (figures_.maxClocks == -1 || figures_.minClocks == -1)) {
    if (hooks_.numberedWarning) {
      hooks_.numberedWarning("WRN-0004");
    } else {
      ReportWarning("WRN-0004", "", -1, "", true);
    }
  }
  figures_.FillFromLatency();

  writer.WriteTail();
  buffer.Flush();
  report.Commit();
  result.result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return result;
}
