#include "host/HostInterp.h"

#include <algorithm>
#include <vector>

namespace {

// Interpreters that loaded the extension, oldest first, and the one the host
// layer talks to now (process-wide, interpreter thread only).
std::vector<Tcl_Interp*>& KnownInterps() {
  static std::vector<Tcl_Interp*> interps;
  return interps;
}
Tcl_Interp* currentInterp = nullptr;

void ForgetDeletedInterp(ClientData, Tcl_Interp* interp) {
  auto& known = KnownInterps();
  known.erase(std::remove(known.begin(), known.end(), interp), known.end());
  if (currentInterp == interp) {
    currentInterp = known.empty() ? nullptr : known.back();
  }
}

}  // namespace

void BindHostInterp(Tcl_Interp* interp) {
  auto& known = KnownInterps();
  if (interp && std::find(known.begin(), known.end(), interp) == known.end()) {
    known.push_back(interp);
    Tcl_CallWhenDeleted(interp, ForgetDeletedInterp, nullptr);
  }
  currentInterp = interp;
}

Tcl_Interp* GetHostInterp() {
  return currentInterp;
}

bool IsKnownHostInterp(Tcl_Interp* interp) {
  const auto& known = KnownInterps();
  return std::find(known.begin(), known.end(), interp) != known.end();
}

CScopedHostInterp::~CScopedHostInterp() {
  // The interpreter that was current may have been deleted meanwhile.
  currentInterp = (previous_ == nullptr || IsKnownHostInterp(previous_))
                      ? previous_
                      : (KnownInterps().empty() ? nullptr : KnownInterps().back());
}

const char* InitHostStubs(Tcl_Interp* interp) {
  return Tcl_InitStubs(interp, "8.6", 0);
}
