// The Report query: one question per call, answered from one information set,
// from the host's memory figures, or (with -all) every RTL pair.
#include "plugin/ReportAppCallBack.h"

TAppStatus CReportAppCallBack::Report(CCmdArguments* args, CTclResultObj* result) {
  CCmdArgument* fixedPoint = args->Find("-fixedpoint");
  CCmdArgument* rtl = args->Find("-rtl");
  CCmdArgument* synth = args->Find("-synth");
  CCmdArgument* gateLevel = args->Find("-gatelevel");
  CCmdArgument* memory = args->Find("-memory");
  CCmdArgument* version = args->Find("-version");
  CCmdArgument* all = args->Find("-all");
  result->MakeList();

  if (all) {
    CTclResultObj pairs;
    pairs.MakeList();
    rtlInfo->AppendReportList(pairs);
    result->AppendElement(pairs);
    return kAppOk;
  }
  auto answer = [result](const COptions& store, const CCmdArgument* arg) {
    if (const COptionRecord* record = store.GetOption(arg->GetStringView())) {
      result->AppendElement(record->GetValue());
    }
    return kAppOk;
  };
  if (fixedPoint) {
    return answer(*fixedPointInfo, fixedPoint);
  }
  if (rtl) {
    return answer(*rtlInfo, rtl);
  }
  if (synth) {
    return answer(*synthInfo, synth);
  }
  if (gateLevel) {
    return answer(*gateInfo, gateLevel);
  }
  if (memory) {
    CTclEvalObj query("::MemoryInfo::MemoryInfo ");
    query.AppendElement(memory->GetStringView());
    query.Evaluate(false);
    result->AppendElement(query.GetResult().GetStringView());
    return kAppOk;
  }
  if (version) {
    return answer(*versionInfo, version);
  }
  result->AppendElement("Could not determine argument to report on!\n");
  return kAppError;
}
