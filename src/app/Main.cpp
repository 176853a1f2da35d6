// reportapp: a tclsh with the ReportApp extension already loaded.
//   reportapp                   interactive shell
//   reportapp script.tcl ...    runs a flow script
//   reportapp verify ...        verification reports and their summary (see --help)
//   reportapp summarize ...     merges the JSON results of separate verify runs
//   reportapp --help | --version
#include <malloc.h>
#include <tcl.h>

#include <cstdio>
#include <cstring>
#include <iostream>

#include "app/Extension.h"
#include "app/SummarizeCommandLine.h"
#include "app/VerifyCommandLine.h"
#include "verify/ReportFile.h"

namespace {

constexpr const char* kUsage =
    "usage: reportapp [SCRIPT [ARG...]]\n"
    "       reportapp verify [options] TIMINGFILE...\n"
    "       reportapp summarize [options] SHARD.json...\n"
    "       reportapp --help | --version\n"
    "\n"
    "Without arguments an interactive Tcl shell with the ReportApp extension loaded;\n"
    "with a script, runs it (the extension's commands are there without package\n"
    "require). `verify` writes the verification reports of timing files and the\n"
    "run's summary (Reports/index.htm, JSON, JUnit XML); `summarize` merges the JSON\n"
    "results of several verify runs. `reportapp verify --help` and\n"
    "`reportapp summarize --help` list their options.\n";

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

// A run goes through its files one after the other, each building and
// dropping the same few large blocks. By default the C library hands the
// freed top of the heap back to the system after each file and takes it
// again, zero-filled, for the next; a verify run keeps it instead (up to a
// bound), and takes large blocks from the heap rather than from fresh maps.
void KeepFreedMemory() {
  constexpr int kKeptBytes = 64 << 20;
  constexpr int kMappedFrom = 32 << 20;
  ::mallopt(M_TRIM_THRESHOLD, kKeptBytes);
  ::mallopt(M_MMAP_THRESHOLD, kMappedFrom);
}

// `reportapp verify ...`: an interpreter with the extension, no shell.
int RunVerify(int argc, char** argv) {
  InstallReportCleanupSignalHandlers();
  KeepFreedMemory();
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
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("reportapp %s (Tcl %s)\n", REPORTAPP_VERSION, TCL_PATCH_LEVEL);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "verify") == 0) {
    return RunVerify(argc, argv);
  }
  if (argc >= 2 && std::strcmp(argv[1], "summarize") == 0) {
    const int status = RunSummarizeCommandLine(argc - 2, argv + 2, std::cout, std::cerr);
    std::cout.flush();
    return status;
  }
  Tcl_Main(argc, argv, AppInit);
  return 0;
}
