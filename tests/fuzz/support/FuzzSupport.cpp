#include "support/FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/Extension.h"

namespace {

Tcl_Interp* CreateInterp() {
  // Nothing a run does may touch the caller's folders or wait for input.
  char pattern[] = "/tmp/reportapp-fuzz-XXXXXX";
  if (::mkdtemp(pattern) == nullptr || ::chdir(pattern) != 0) {
    std::perror("reportapp fuzz: scratch directory");
    std::abort();
  }
  std::filesystem::create_directory("Reports");
  std::freopen("/dev/null", "r", stdin);
  Tcl_FindExecutable(nullptr);
  Tcl_Interp* interp = Tcl_CreateInterp();
  Tcl_Init(interp);  // the script library is optional here
  if (Reportapp_Init(interp) != TCL_OK) {
    std::fprintf(stderr, "cannot load the extension: %s\n", Tcl_GetStringResult(interp));
    std::abort();
  }
  // Messages of refused inputs are expected by the thousand: drop them.
  Tcl_Eval(interp, "namespace eval ::ReportApp {}; proc ::ReportApp::DropMessage {args} {}");
  Tcl_SetVar(interp, "::ReportApp::messageCommand", "::ReportApp::DropMessage", TCL_GLOBAL_ONLY);
  return interp;
}

}  // namespace

Tcl_Interp* FuzzInterp() {
  static Tcl_Interp* const interp = CreateInterp();
  return interp;
}

void FuzzCheck(bool condition, std::string_view what, std::string_view input) {
  if (condition) {
    return;
  }
  std::fprintf(stderr, "check failed: %.*s\ninput (%zu bytes): ", static_cast<int>(what.size()),
               what.data(), input.size());
  for (const char c : input) {
    const auto b = static_cast<unsigned char>(c);
    std::fprintf(stderr, b >= 0x20 && b < 0x7f && b != '\\' ? "%c" : "\\x%02x", b);
  }
  std::fprintf(stderr, "\n");
  std::abort();
}

int FuzzEvalWords(std::initializer_list<std::string_view> words, std::string& result) {
  Tcl_Interp* interp = FuzzInterp();
  std::vector<Tcl_Obj*> objv;
  for (const std::string_view word : words) {
    Tcl_Obj* obj = Tcl_NewStringObj(word.data(), static_cast<int>(word.size()));
    Tcl_IncrRefCount(obj);
    objv.push_back(obj);
  }
  const int code =
      Tcl_EvalObjv(interp, static_cast<int>(objv.size()), objv.data(), TCL_EVAL_GLOBAL);
  result = Tcl_GetStringResult(interp);
  for (Tcl_Obj* obj : objv) {
    Tcl_DecrRefCount(obj);
  }
  Tcl_ResetResult(interp);
  return code;
}
