// reportapp: a tclsh with the ReportApp extension already loaded.
//   reportapp                 interactive shell
//   reportapp script.tcl ...  runs a flow script
//   reportapp verify ...      verification reports from the shell (see --help)
#include <tcl.h>

#include <cstdio>
#include <cstring>

#include "app/Extension.h"
#include "verify/ReportFile.h"
#include "verify/VerifyCommandLine.h"

namespace {

int AppInit(Tcl_Interp* interp) {
  if (Tcl_Init(interp) != TCL_OK) {
    return TCL_ERROR;
  }
  if (Reportapp_Init(interp) != TCL_OK) {
    return TCL_ERROR;
  }
  Tcl_StaticPackage(interp, "ReportApp", Reportapp_Init, nullptr);
  Tcl_SetVar(interp, "tcl_rcFileName", "~/.reportapprc", TCL_GLOBAL_ONLY);
  return TCL_OK;
}

// `reportapp verify ...`: an interpreter with the extension, no shell.
int RunVerify(int argc, char** argv) {
  InstallReportCleanupSignalHandlers();
  Tcl_FindExecutable(argv[0]);
  Tcl_Interp* interp = Tcl_CreateInterp();
  int status = 2;
  if (AppInit(interp) != TCL_OK) {
    std::fprintf(stderr, "reportapp verify: %s\n", Tcl_GetStringResult(interp));
  } else {
    status = RunVerifyCommandLine(interp, argc - 2, argv + 2);
  }
  Tcl_DeleteInterp(interp);
  Tcl_Finalize();  // flushes the interpreter's channels
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "verify") == 0) {
    return RunVerify(argc, argv);
  }
  Tcl_Main(argc, argv, AppInit);
  return 0;
}
