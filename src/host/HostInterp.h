// The interpreter the host layer works in.
//
// The extension's init function binds the interpreter that loaded it; every
// evaluation, setting and registration of the host layer goes to the bound
// one. A command runs with its own interpreter bound. When the bound
// interpreter is deleted, the most recent other one that loaded the
// extension takes its place.
#pragma once

#include <tcl.h>

void BindHostInterp(Tcl_Interp* interp);
Tcl_Interp* GetHostInterp();  // null when none is bound
bool IsKnownHostInterp(Tcl_Interp* interp);

// Binds an interpreter for a scope and restores the previous binding (tests).
class CScopedHostInterp {
 public:
  explicit CScopedHostInterp(Tcl_Interp* interp) : previous_(GetHostInterp()) {
    BindHostInterp(interp);
  }
  ~CScopedHostInterp();
  CScopedHostInterp(const CScopedHostInterp&) = delete;
  CScopedHostInterp& operator=(const CScopedHostInterp&) = delete;

 private:
  Tcl_Interp* previous_;
};

// Sets up the Tcl stub table the host layer calls through; the extension's
// init function calls it first. Returns the Tcl version, or null on failure
// (the interpreter then holds the error).
const char* InitHostStubs(Tcl_Interp* interp);
