#include "host/HostInterp.h"

namespace {

// The one interpreter the host layer talks to (process-wide, interpreter
// thread only).
Tcl_Interp* boundInterp = nullptr;

void ForgetDeletedInterp(ClientData data, Tcl_Interp* interp) {
  (void)data;
  if (boundInterp == interp) {
    boundInterp = nullptr;
  }
}

}  // namespace

void BindHostInterp(Tcl_Interp* interp) {
  if (interp == boundInterp) {
    return;
  }
  if (boundInterp) {
    Tcl_DontCallWhenDeleted(boundInterp, ForgetDeletedInterp, nullptr);
  }
  boundInterp = interp;
  if (interp) {
    Tcl_CallWhenDeleted(interp, ForgetDeletedInterp, nullptr);
  }
}

Tcl_Interp* GetHostInterp() {
  return boundInterp;
}

const char* InitHostStubs(Tcl_Interp* interp) {
  return Tcl_InitStubs(interp, "8.6", 0);
}
