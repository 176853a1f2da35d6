// The interpreter the host layer works in, and the state kept per interpreter.
//
// Threads. Tcl's model holds here: one interpreter belongs to one thread, and
// everything the host layer and the plug-in keep lives in the interpreter it
// belongs to (GetInterpState), or in the thread when no interpreter is bound.
// The binding itself is per thread. Two threads with their own interpreters
// never see each other's information sets, project defaults, applications or
// messages. The only process-wide values are the caches named in
// ProcessOnce.h.
//
// A thread gets a ready interpreter like this (the extension built in, as the
// reportapp shell and the tests have it):
//
//   Tcl_Interp* interp = Tcl_CreateInterp();
//   if (Tcl_Init(interp) != TCL_OK || Reportapp_Init(interp) != TCL_OK) { ...error... }
//   ... evaluate commands in interp, on this thread only ...
//   Tcl_DeleteInterp(interp);   // frees the interpreter's state
//
// (Tcl_FindExecutable must have run once in the process before the first
// Tcl_CreateInterp; a worker thread that ends should call Tcl_FinalizeThread
// after deleting its interpreters.) Reportapp_Init binds the interpreter for
// the calling thread, so C++ code of the worker (GenerateVerifyReport's run,
// CTclEvalObj, the reporters) talks to it from then on. A C++ message sink
// (CAppMgr::SetMessageSink) is per thread too: a worker sets its own. From
// Tcl, a thread made with the Thread package does `package require
// ReportApp` in its own interpreter.
//
// The extension's init function binds the interpreter that loaded it; every
// evaluation, setting and registration of the host layer goes to the bound
// one of the calling thread. A command runs with its own interpreter bound.
// When the bound interpreter is deleted, the most recent other one of the
// same thread that loaded the extension takes its place.
#pragma once

#include <tcl.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

void BindHostInterp(Tcl_Interp* interp);
Tcl_Interp* GetHostInterp();  // this thread's bound interpreter; null when none
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

// Everything kept for one interpreter: one object of each type asked for,
// made on first use and destroyed, newest first, when the interpreter is
// deleted (after its commands are gone).
class CInterpState {
 public:
  CInterpState() = default;
  CInterpState(const CInterpState&) = delete;
  CInterpState& operator=(const CInterpState&) = delete;
  ~CInterpState();

  template <class T>
  T& Get() {
    const std::size_t id = SlotId<T>();
    if (id >= slots_.size()) {
      slots_.resize(id + 1);
    }
    if (!slots_[id]) {
      slots_[id] = std::make_shared<T>();
      order_.push_back(id);
    }
    return *static_cast<T*>(slots_[id].get());
  }

 private:
  static std::size_t NextSlotId();
  template <class T>
  static std::size_t SlotId() {
    static const std::size_t id = NextSlotId();
    return id;
  }

  std::vector<std::shared_ptr<void>> slots_;
  std::vector<std::size_t> order_;  // creation order
};

// The bound interpreter's state, or the calling thread's own state when no
// interpreter is bound.
CInterpState& GetInterpState();

// Sets up the Tcl stub table the host layer calls through; the extension's
// init function calls it first. Safe from several threads at once. Returns
// the Tcl version, or null on failure (the interpreter then holds the error).
const char* InitHostStubs(Tcl_Interp* interp);
