#include "plugin/EntryPoints.h"

#include <memory>

#include "plugin/ReportAppCallBack.h"

namespace {

// The one callback object of the process; it lives until the library is unloaded.
std::unique_ptr<CReportAppCallBack>& CallBack() {
  static std::unique_ptr<CReportAppCallBack> callBack;
  return callBack;
}

}  // namespace

CReportAppCallBack* GetReportAppCallBack() {
  return CallBack().get();
}

extern "C" int InitApp() {
  if (!CallBack()) {
    CallBack() = std::make_unique<CReportAppCallBack>();
  }
  CKorvelApp* app = CAppMgr::NewApp(CallBack().get(), "ReportApp",
                                    "ReportApp is the wrapper for all gathering and "
                                    "disseminating of information.",
                                    false, "", true);
  CallBack()->DeclareCommands(app);
  return CAppMgr::RegisterCommands(app) ? 1 : 3;
}

extern "C" int ExitApp() {
  return 1;
}
