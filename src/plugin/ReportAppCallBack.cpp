#include "plugin/ReportAppCallBack.h"

#include "plugin/InfoSets.h"
#include "verify/GenerateVerifyReport.h"
#include "verify/HtmlReportWriter.h"

namespace {

constexpr const char* kStoreName = "Report";

}  // namespace

CReportAppCallBack::CReportAppCallBack() {
  // Created in this order, and destroyed in the same order.
  fixedPointInfo = std::make_unique<COptions>(kStoreName);
  rtlInfo = std::make_unique<COptions>(kStoreName);
  synthInfo = std::make_unique<COptions>(kStoreName);
  gateInfo = std::make_unique<COptions>(kStoreName);
  versionInfo = std::make_unique<COptions>(kStoreName);
}

CReportAppCallBack::~CReportAppCallBack() {
  fixedPointInfo.reset();
  rtlInfo.reset();
  synthInfo.reset();
  gateInfo.reset();
  versionInfo.reset();
}

void CReportAppCallBack::DeclareCommands(CKorvelApp* app) {
  using Self = CReportAppCallBack;
  CAppCommand* report = app->AddCommand("Report", "Command description goes here", &Self::Report);
  report->SetIsGlobalCommand();
  struct StoreSwitch {
    const char* name;
    const char* help;
  };
  static constexpr StoreSwitch kReportSwitches[] = {
      {"-fixedpoint", "Sets the flag to query into the RTL information set."},
      {"-rtl", "Sets the flag to query into the RTL information set."},
      {"-synth", "Sets the flag to query into the RTL information set."},
      {"-gatelevel", "Sets the flag to query into the gate level information set."},
      {"-memory", "Sets the flag to query into the Memory information set."},
      {"-version", "Sets the flag to query into the Version information set."},
  };
  for (const StoreSwitch& s : kReportSwitches) {
    report->AddParameter(report->NewStringParameter(s.name, "flag", s.help, false, false, ""));
  }
  report->AddParameter(report->NewBooleanParameter(
      "-all", "Will return all information that the rtl information.", false, false, false));

  auto pair = [&](const char* setName, const char* setHelp, auto setHandler, const char* getName,
                  const char* getHelp, auto getHandler) {
    CAppCommand* set = app->AddCommand(setName, setHelp, setHandler);
    set->SetNotGlobalCommand();
    CAppCommand* get = app->AddCommand(getName, getHelp, getHandler);
    get->SetNotGlobalCommand();
    return std::make_pair(set, get);
  };

  auto [setFixed, getFixed] =
      pair("SetFixedPointInfo", "Set the value of a fixedpoint option", &Self::SetFixedPointInfo,
           "GetFixedPointInfo", "Get the value of a fixedpoint option", &Self::GetFixedPointInfo);
  DeclareFixedPointKeys(*fixedPointInfo, setFixed, getFixed);

  CAppCommand* verify = app->AddCommand(
      "GenerateVerifyReport",
      "This will generate the throughput and latency information as well as the timeing files",
      &Self::GenerateVerifyReport);
  verify->SetNotGlobalCommand();
  verify->AddParameter(verify->NewBooleanParameter(
      "-impl", "Presence defines in building report for gate-level simulation", false, false,
      false));
  verify->AddParameter(verify->NewStringParameter(
      "-timingfiles", "timingfiles", "List of all of the timing files that need parsing", false,
      false, ""));

  auto [setRtl, getRtl] = pair("SetRTLInfo", "Set the value of a rtl option", &Self::SetRTLInfo,
                               "GetRTLInfo", "Get the value of a rtl option", &Self::GetRTLInfo);
  DeclareRtlKeys(*rtlInfo, setRtl, getRtl);

  auto [setSynth, getSynth] =
      pair("SetSynthInfo", "Sets the value of a gate level option", &Self::SetSynthInfo,
           "GetSynthInfo", "Gets the value of a gate level option", &Self::GetSynthInfo);
  DeclareSynthKeys(*synthInfo, setSynth, getSynth);

  auto [setGate, getGate] =
      pair("SetGateInfo", "Sets the value of a gate level option", &Self::SetGateInfo,
           "GetGateInfo", "Gets the value of a gate level option", &Self::GetGateInfo);
  DeclareGateKeys(*gateInfo, setGate, getGate);

  auto [setVersion, getVersion] =
      pair("SetVersionInfo", "Sets the value of a gate level option", &Self::SetVersionInfo,
           "GetVersionInfo", "Gets the value of a gate level option", &Self::GetVersionInfo);
  DeclareVersionKeys(*versionInfo, setVersion, getVersion);
}

// --- Set/Get ------------------------------------------------------------------

TAppStatus SetInfo(COptions& store, CCmdArguments* args) {
  for (int i = 0; i < args->GetNumArgs(); ++i) {
    CCmdArgument* arg = args->GetArg(i);
    const std::string& key = arg->GetParameter()->GetSwitchName();
    if (store.HasOption(key)) {
      store.SetOptionValue(key, arg->GetStringView(), false);
    }
  }
  return kAppOk;
}

TAppStatus GetInfo(const COptions& store, CCmdArguments* args, CTclResultObj* result) {
  result->MakeList();
  for (int i = 0; i < args->GetNumArgs(); ++i) {
    const COptionRecord* record = store.GetOption(args->GetArg(i)->GetParameter()->GetSwitchName());
    if (record) {
      result->AppendElement(record->GetValue());
    }
  }
  return kAppOk;
}

TAppStatus CReportAppCallBack::SetFixedPointInfo(CCmdArguments* args, CTclResultObj*) {
  return SetInfo(*fixedPointInfo, args);
}
TAppStatus CReportAppCallBack::GetFixedPointInfo(CCmdArguments* args, CTclResultObj* result) {
  return GetInfo(*fixedPointInfo, args, result);
}
TAppStatus CReportAppCallBack::SetRTLInfo(CCmdArguments* args, CTclResultObj*) {
  return SetInfo(*rtlInfo, args);
}
TAppStatus CReportAppCallBack::GetRTLInfo(CCmdArguments* args, CTclResultObj* result) {
  return GetInfo(*rtlInfo, args, result);
}
TAppStatus CReportAppCallBack::SetSynthInfo(CCmdArguments* args, CTclResultObj*) {
  return SetInfo(*synthInfo, args);
}
TAppStatus CReportAppCallBack::GetSynthInfo(CCmdArguments* args, CTclResultObj* result) {
  return GetInfo(*synthInfo, args, result);
}
TAppStatus CReportAppCallBack::SetGateInfo(CCmdArguments* args, CTclResultObj*) {
  return SetInfo(*gateInfo, args);
}
TAppStatus CReportAppCallBack::GetGateInfo(CCmdArguments* args, CTclResultObj* result) {
  return GetInfo(*gateInfo, args, result);
}
TAppStatus CReportAppCallBack::SetVersionInfo(CCmdArguments* args, CTclResultObj*) {
  return SetInfo(*versionInfo, args);
}
TAppStatus CReportAppCallBack::GetVersionInfo(CCmdArguments* args, CTclResultObj* result) {
  return GetInfo(*versionInfo, args, result);
}

TAppStatus CReportAppCallBack::GenerateVerifyReport(CCmdArguments* args, CTclResultObj* result) {
  return RunGenerateVerifyReport(args, result);
}

void CReportAppCallBack::WriteReportHead(std::ostream& out) { ::WriteReportHead(out); }
