#include "plugin/EntryPoints.h"

#include <memory>

#include "host/HostInterp.h"
#include "plugin/ReportAppCallBack.h"

namespace {

// The callback object of one interpreter (or of a thread without one); it
// lives as long as the interpreter.
struct CallBackSlot {
  std::unique_ptr<CReportAppCallBack> callBack;
};

std::unique_ptr<CReportAppCallBack>& CallBack() {
  return GetInterpState().Get<CallBackSlot>().callBack;
}

}  // namespace

CReportAppCallBack* GetReportAppCallBack() {
  return CallBack().get();
}

extern "C" int InitApp() {
  std::unique_ptr<CReportAppCallBack>& callBack = CallBack();
  if (!callBack) {
    callBack = std::make_unique<CReportAppCallBack>();
  }
  CKorvelApp* app = CAppMgr::NewApp(callBack.get(), "ReportApp",
                                    "ReportApp is the wrapper for all gathering and "
                                    "disseminating of information.",
                                    false, "", true);
  callBack->DeclareCommands(app);
  return CAppMgr::RegisterCommands(app) ? 1 : 3;
}

extern "C" int ExitApp() {
  return 1;
}
