#include "app/Extension.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "app/QuantizerTclCommand.h"
#include "app/VerifyTclCommand.h"
#include "host/HostInterp.h"
#include "host/HostProcs.h"

namespace {

// The installation prefix: the directory above the one holding this code
// (the extension library, or the shell that has it built in).
std::string ProductDir() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&Reportapp_Init), &info) || !info.dli_fname) {
    return {};
  }
  char resolved[PATH_MAX];
  std::string path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  for (int up = 0; up < 2; ++up) {
    const std::size_t slash = path.find_last_of('/');
    path = slash == std::string::npos ? std::string(".") : path.substr(0, slash ? slash : 1);
  }
  return path;
}

}  // namespace

extern "C" int Reportapp_Init(Tcl_Interp* interp) {
  if (!InitHostStubs(interp)) {
    return TCL_ERROR;
  }
  BindHostInterp(interp);
  if (DefineDefaultHostProcs(interp, ProductDir()) != TCL_OK) {
    return TCL_ERROR;
  }
  if (InitApp() != 1) {
    Tcl_SetObjResult(interp,
                     Tcl_NewStringObj("ReportApp: the commands could not be registered", -1));
    Tcl_SetErrorCode(interp, "REPORTAPP", "INIT", nullptr);
    return TCL_ERROR;
  }
  CreateVerifyTclCommand(interp);
  CreateQuantizerTclCommand(interp);
  return Tcl_PkgProvide(interp, "ReportApp", REPORTAPP_VERSION);
}
