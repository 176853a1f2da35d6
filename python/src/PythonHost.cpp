#include "PythonHost.h"

#include <memory>
#include <mutex>

#include "app/Extension.h"

namespace {

struct CInterpDeleter {
  void operator()(Tcl_Interp* interp) const { Tcl_DeleteInterp(interp); }
};

std::unique_ptr<Tcl_Interp, CInterpDeleter> MakeInterp() {
  static std::once_flag found;
  std::call_once(found, [] { Tcl_FindExecutable(nullptr); });
  std::unique_ptr<Tcl_Interp, CInterpDeleter> interp(Tcl_CreateInterp());
  if (Tcl_Init(interp.get()) != TCL_OK || Reportapp_Init(interp.get()) != TCL_OK) {
    throw std::runtime_error(std::string("reportapp: Tcl could not start: ") +
                             Tcl_GetStringResult(interp.get()));
  }
  return interp;
}

// The calling thread's interpreter; ReleaseThreadInterp empties it.
std::unique_ptr<Tcl_Interp, CInterpDeleter>& ThreadSlot() {
  thread_local std::unique_ptr<Tcl_Interp, CInterpDeleter> interp;
  return interp;
}

}  // namespace

Tcl_Interp* ThreadInterp() {
  // The host layer's per-thread binding must be made before the slot, so
  // that it is destroyed after it: deleting the interpreter at the thread's
  // end still updates the binding.
  GetHostInterp();
  auto& interp = ThreadSlot();
  if (!interp) {
    interp = MakeInterp();
  }
  return interp.get();
}

void ReleaseThreadInterp() {
  ThreadSlot().reset();
}
