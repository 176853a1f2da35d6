// A Tcl interpreter with the extension loaded, for benchmarks that run the
// commands in this process as a flow script does.
#pragma once

#include <tcl.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/Extension.h"

class CBenchInterp {
 public:
  CBenchInterp() : interp_(Tcl_CreateInterp()) {
    if (Tcl_Init(interp_) != TCL_OK || Reportapp_Init(interp_) != TCL_OK) {
      throw std::runtime_error(std::string("cannot load ReportApp: ") +
                               Tcl_GetStringResult(interp_));
    }
  }
  ~CBenchInterp() { Tcl_DeleteInterp(interp_); }
  CBenchInterp(const CBenchInterp&) = delete;
  CBenchInterp& operator=(const CBenchInterp&) = delete;

  std::string Eval(const std::string& script) {
    if (Tcl_EvalEx(interp_, script.c_str(), -1, TCL_EVAL_GLOBAL) != TCL_OK) {
      throw std::runtime_error(script + ": " + Tcl_GetStringResult(interp_));
    }
    return Tcl_GetStringResult(interp_);
  }

  // `GenerateVerifyReport -timingfiles <list of paths>`, the list handed over
  // as a list, as a flow script builds it.
  std::string GenerateVerifyReport(const std::vector<std::string>& paths) {
    Tcl_Obj* list = Tcl_NewListObj(0, nullptr);
    for (const std::string& path : paths) {
      Tcl_ListObjAppendElement(nullptr, list,
                               Tcl_NewStringObj(path.data(), static_cast<int>(path.size())));
    }
    Tcl_Obj* words[] = {Tcl_NewStringObj("GenerateVerifyReport", -1),
                        Tcl_NewStringObj("-timingfiles", -1), list};
    for (Tcl_Obj* word : words) {
      Tcl_IncrRefCount(word);
    }
    const int code = Tcl_EvalObjv(interp_, 3, words, TCL_EVAL_GLOBAL);
    for (Tcl_Obj* word : words) {
      Tcl_DecrRefCount(word);
    }
    if (code != TCL_OK) {
      throw std::runtime_error(std::string("GenerateVerifyReport: ") +
                               Tcl_GetStringResult(interp_));
    }
    return Tcl_GetStringResult(interp_);
  }

 private:
  Tcl_Interp* interp_;
};
