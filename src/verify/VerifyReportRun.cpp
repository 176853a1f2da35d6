#include "verify/VerifyReportRun.h"

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

CFileCompanions CVerifyReportRun::CompanionsFor(const std::string& timingPath,
                                                bool readHeader) const {
  CFileCompanions companions;
  companions.timingPath = timingPath;
  companions.reportPath = ReportPathFor(timingPath);
  companions.plotPagePath = PlotPagePathFor(companions.reportPath);
  if (settings_.waveforms) {
    companions.vcdPath = VcdPathFor(companions.reportPath);
  }
  if (VectorSuffix(timingPath)) {
    companions.vectorPath = VectorPathFor(timingPath);
  }
  if (readHeader) {
    ReadVectorHeader(companions);
  }
  return companions;
}

TValueText CVerifyReportRun::ValueTextFor(const CFileCompanions& given) const {
  // The quantizer serves only the conversion to reals; without real values
  // the host is not asked for its defaults at all.
  if (!settings_.realValues) {
    return {};
  }
  const CFileCompanions* companions = &given;
  CFileCompanions read;
  if (!given.headerRead) {
    read = given;
    ReadVectorHeader(read);
    companions = &read;
  }
  if (companions->vectorPath.empty()) {
    VectorPathFor(companions->timingPath);  // throws, naming what the name lacks
  }
  if (!companions->vectorExists) {
    throw std::runtime_error("test-vector file \"" + companions->vectorPath +
                             "\" for timing file \"" + companions->timingPath +
                             "\" does not exist");
  }
  if (!companions->vectorError.empty()) {
    throw std::runtime_error(companions->vectorError);
  }
  CQuantizer quantizer;
  ApplyTestVectorHeaderLine(companions->vectorPath, companions->vectorLine, quantizer);
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
  return RunFile(CompanionsFor(timingPath, false));
}

CVerifyFileResult CVerifyReportRun::RunFile(const CFileCompanions& companions,
                                            CPairObserver* observer,
                                            const CValueComparison* compare) {
  const std::string& timingPath = companions.timingPath;
  CVerifyFileResult result;
  result.timingPath = timingPath;
  TValueText valueText = ValueTextFor(companions);
  result.reportPath = companions.reportPath;

  CInputFile timing(timingPath, "timing file");
  CReportFile report(result.reportPath, CReportFile::ETemporary::kUnnamed,
                     std::exchange(reportsSwept_, true) ? CReportFile::ESweep::kNone
                                                        : CReportFile::ESweep::kStale);
  COutputBuffer buffer([&report](std::string_view bytes) { report.Write(bytes); }, buffers_.output);
  CHtmlReportWriter writer(buffer, std::move(valueText), compare);
  CLineReader reader([&timing](char* data, std::size_t size) { return timing.Read(data, size); },
                     buffers_.input);

  CTimingReportHooks hooks;
  hooks.warn = hooks_.warn;
  hooks.observer = observer;
  hooks.compare = compare;
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
  // The run's figures are updated on a copy taken in only once the file is
  // read whole, so that a file failing half way leaves them as they were.
  CClockFigures figures = figures_;
  result.summary = WriteTimingRows(reader, writer, figures, timingPath, hooks);
  if (const std::optional<std::string> change = timing.ChangeWhileRead(reader.BytesRead())) {
    result.summary.inputChanged = true;
    if (hooks_.warn) {
      hooks_.warn(*change);
    }
  }
  figures_ = figures;

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
  return result;
}
