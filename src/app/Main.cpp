// reportapp: a tclsh with the ReportApp extension already loaded.
//   reportapp                 interactive shell
//   reportapp script.tcl ...  runs a flow script
#include <tcl.h>

#include "app/Extension.h"

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

}  // namespace

int main(int argc, char** argv) {
  Tcl_Main(argc, argv, AppInit);
  return 0;
}
