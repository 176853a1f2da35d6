#include "app/VerifyTclCommand.h"

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/Diagnosis.h"
#include "app/VerifyOptions.h"
#include "app/VerifyRunner.h"
#include "host/AppMgr.h"
#include "host/HostInterp.h"
#include "summary/RunSummary.h"
#include "summary/SummaryFiles.h"
#include "verify/VerifyReportRun.h"

namespace {

Tcl_Obj* Text(const std::string& text) {
  return Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
}

Tcl_Obj* Count(std::uint64_t value) {
  return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(value));
}

void Put(Tcl_Obj* dict, const char* key, Tcl_Obj* value) {
  Tcl_DictObjPut(nullptr, dict, Tcl_NewStringObj(key, -1), value);
}

// An error in LSBs: a whole number as such; "" when there is none.
Tcl_Obj* Lsb(const std::optional<double>& lsb) {
  if (!lsb) {
    return Tcl_NewObj();
  }
  if (std::nearbyint(*lsb) == *lsb && std::fabs(*lsb) < 9007199254740992.0) {
    return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(*lsb));
  }
  return Tcl_NewDoubleObj(*lsb);
}

Tcl_Obj* CountList(const std::vector<std::uint64_t>& counts) {
  Tcl_Obj* list = Tcl_NewListObj(0, nullptr);
  for (const std::uint64_t count : counts) {
    Tcl_ListObjAppendElement(nullptr, list, Count(count));
  }
  return list;
}

// The eight class counts under their JSON names.
void PutClassCounts(Tcl_Obj* dict, const CClassCounts& classes) {
  for (const EValueClass c : kAllValueClasses) {
    const std::string_view name = ValueClassName(c);
    Tcl_DictObjPut(nullptr, dict, Tcl_NewStringObj(name.data(), static_cast<int>(name.size())),
                   Count(classes[c]));
  }
}

Tcl_Obj* DiagnosisDict(const CFileDiagnosis& diagnosis) {
  Tcl_Obj* dict = Tcl_NewDictObj();
  PutClassCounts(dict, diagnosis.classes);
  Put(dict, "maxErrorLsb", Lsb(diagnosis.classes.maxErrorLsb));
  Put(dict, "unknownBits", CountList(diagnosis.unknownBits));
  Put(dict, "errorBits", CountList(diagnosis.errorBits));
  return dict;
}

Tcl_Obj* DisagreementDict(const CDisagreement& d) {
  Tcl_Obj* dict = Tcl_NewDictObj();
  Put(dict, "line", Count(d.line));
  Put(dict, "record", Count(d.record));
  Put(dict, "clock", Tcl_NewIntObj(d.clock));
  Put(dict, "pair", Count(d.pair));
  Put(dict, "fixedPoint", Text(d.fixedPoint));
  Put(dict, "rtl", Text(d.rtl));
  if (d.valueClass) {
    const std::string_view name = ValueClassName(*d.valueClass);
    Put(dict, "class", Tcl_NewStringObj(name.data(), static_cast<int>(name.size())));
    Put(dict, "errorLsb", Lsb(d.errorLsb));
  }
  return dict;
}

Tcl_Obj* FileDict(const CFileResult& file) {
  const CClockFigures own = file.OwnFigures();
  Tcl_Obj* dict = Tcl_NewDictObj();
  Put(dict, "timingFile", Text(file.timingFile));
  Put(dict, "report", Text(file.report));
  Put(dict, "status", Text(std::string(FileStatusName(file.status))));
  Put(dict, "records", Count(file.records));
  Put(dict, "values", Count(file.values));
  Put(dict, "disagreeing", Count(file.disagreeing));
  Put(dict, "latency", Tcl_NewIntObj(own.latency));
  Put(dict, "minClocks", Tcl_NewIntObj(own.minClocks));
  Put(dict, "maxClocks", Tcl_NewIntObj(own.maxClocks));
  Tcl_Obj* first = Tcl_NewListObj(0, nullptr);
  for (const CDisagreement& d : file.firstDisagreements) {
    Tcl_ListObjAppendElement(nullptr, first, DisagreementDict(d));
  }
  Put(dict, "firstDisagreements", first);
  if (file.diagnosis) {
    Put(dict, "diagnosis", DiagnosisDict(*file.diagnosis));
  }
  Tcl_Obj* warnings = Tcl_NewListObj(0, nullptr);
  for (const std::string& warning : file.warnings) {
    Tcl_ListObjAppendElement(nullptr, warnings, Text(warning));
  }
  Put(dict, "warnings", warnings);
  Put(dict, "seconds", Tcl_NewDoubleObj(file.seconds));
  if (file.status == EFileStatus::kError) {
    Put(dict, "error", Text(file.error));
  }
  return dict;
}

Tcl_Obj* SummaryDict(const CRunSummary& summary, const CVerifyOptions& options) {
  const CRunTotals t = summary.Totals();
  const CClockFigures f = summary.Figures();
  Tcl_Obj* totals = Tcl_NewDictObj();
  Put(totals, "files", Count(t.files));
  Put(totals, "records", Count(t.records));
  Put(totals, "values", Count(t.values));
  Put(totals, "disagreeing", Count(t.disagreeing));
  Put(totals, "passed", Count(t.passed));
  Put(totals, "failed", Count(t.failed));
  Put(totals, "empty", Count(t.empty));
  Put(totals, "errors", Count(t.errors));
  PutClassCounts(totals, t.classes);
  Tcl_Obj* figures = Tcl_NewDictObj();
  Put(figures, "latency", Tcl_NewIntObj(f.latency));
  Put(figures, "maxClocks", Tcl_NewIntObj(f.maxClocks));
  Put(figures, "minClocks", Tcl_NewIntObj(f.minClocks));
  Tcl_Obj* files = Tcl_NewListObj(0, nullptr);
  for (const CFileResult& file : summary.files) {
    Tcl_ListObjAppendElement(nullptr, files, FileDict(file));
  }
  Tcl_Obj* dict = Tcl_NewDictObj();
  Put(dict, "status", Tcl_NewIntObj(summary.ExitStatus(options.allowEmpty)));
  Put(dict, "project", Text(summary.project));
  Put(dict, "level", Text(summary.Level()));
  Put(dict, "realValues", Tcl_NewBooleanObj(summary.realValues));
  Put(dict, "totals", totals);
  Put(dict, "figures", figures);
  Put(dict, "files", files);
  Put(dict, "index", Text(options.index ? IndexPathFor(summary.project) : ""));
  return dict;
}

void WarnOfCollisions(const CVerifySettings& settings, const std::vector<std::string>& paths) {
  const CVerifyReportRun run(settings);
  for (const auto& [earlier, later] : run.ReportCollisions(paths)) {
    CAppMgr::SendMsg(kMsgWarning, "timing files \"" + paths[earlier] + "\" and \"" + paths[later] +
                                      "\" both have the report \"" +
                                      run.ReportPathFor(paths[later]) +
                                      "\"; the report of the later one is kept");
  }
}

Tcl_Obj* RunVerify(const CVerifyOptions& options) {
  CRunInputs inputs;
  inputs.settings = ReadProjectSettings();
  if (options.hasProject) {
    inputs.settings.projectDirectory = options.project;
  }
  inputs.settings.gateLevel = options.gateLevel;
  inputs.settings.waveforms = options.waveforms;
  inputs.settings.realValues = inputs.settings.realValues || options.realValues;
  inputs.settings.firstDisagreements = options.first;
  inputs.jobs = options.jobs > 0 ? options.jobs : 1;
  inputs.plots = options.plots;
  inputs.analysis.compareNumbers = options.compareNumbers;
  inputs.paths = options.files;
  inputs.names = options.files;
  WarnOfCollisions(inputs.settings, inputs.paths);

  CRunEvents events;
  events.fileDone = [](std::size_t, const CFileResult&, const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) {
      CAppMgr::SendMsg(kMsgWarning, warning);
    }
  };
  CRunSummary summary;
  summary.project = inputs.settings.projectDirectory;
  summary.gateLevel = inputs.settings.gateLevel;
  summary.realValues = inputs.settings.realValues;
  summary.files = RunTimingFiles(inputs, events);

  const CSummaryOutputs outputs = SummaryOutputsFor(options);
  const std::string standardOutput = WriteSummaryOutputs(summary, outputs);
  if (!standardOutput.empty()) {
    if (Tcl_Channel channel = Tcl_GetStdChannel(TCL_STDOUT)) {
      Tcl_WriteChars(channel, standardOutput.data(), static_cast<int>(standardOutput.size()));
      Tcl_Flush(channel);
    }
  }
  return SummaryDict(summary, options);
}

int VerifyObjCmd(ClientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  const CScopedHostInterp bound(interp);
  try {
    std::vector<std::string> words;
    for (int i = 1; i < objc; ++i) {
      words.emplace_back(Tcl_GetString(objv[i]));
    }
    const CVerifyOptions options = ParseVerifyOptions(words);
    if (options.help) {
      Tcl_SetObjResult(
          interp, Tcl_NewStringObj("usage: ::ReportApp::verify ?options? timingFile ?...?; the "
                                   "options of reportapp verify (see reportapp verify --help)",
                                   -1));
      return TCL_OK;
    }
    if (options.version) {
      Tcl_SetObjResult(interp, Tcl_NewStringObj(REPORTAPP_VERSION, -1));
      return TCL_OK;
    }
    Tcl_SetObjResult(interp, RunVerify(options));
    return TCL_OK;
  } catch (const std::exception& e) {
    Tcl_SetObjResult(interp, Tcl_NewStringObj(e.what(), -1));
    Tcl_SetErrorCode(interp, "REPORTAPP", "VERIFY", nullptr);
    return TCL_ERROR;
  }
}

}  // namespace

void CreateVerifyTclCommand(Tcl_Interp* interp) {
  Tcl_CreateObjCommand(interp, "::ReportApp::verify", VerifyObjCmd, nullptr, nullptr);
}
