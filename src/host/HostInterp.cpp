#include "host/HostInterp.h"

#include <algorithm>
#include <mutex>

namespace {

constexpr const char* kStateKey = "ReportApp::state";

// What one thread knows: the interpreters of this thread that loaded the
// extension, oldest first, and the one the host layer talks to now.
struct ThreadBinding {
  std::vector<Tcl_Interp*> known;
  Tcl_Interp* current = nullptr;
  CInterpState* currentState = nullptr;
  std::unique_ptr<CInterpState> unbound;  // the state used when none is bound
};

thread_local ThreadBinding binding;

CInterpState& UnboundState() {
  if (!binding.unbound) {
    binding.unbound = std::make_unique<CInterpState>();
  }
  return *binding.unbound;
}

CInterpState* StateOf(Tcl_Interp* interp) {
  return static_cast<CInterpState*>(Tcl_GetAssocData(interp, kStateKey, nullptr));
}

void Rebind(Tcl_Interp* interp) {
  binding.current = interp;
  binding.currentState = interp ? StateOf(interp) : nullptr;
}

// Tcl calls this on the interpreter's own thread once its commands are gone.
void DeleteInterpState(ClientData data, Tcl_Interp* interp) {
  auto& known = binding.known;
  known.erase(std::remove(known.begin(), known.end(), interp), known.end());
  if (binding.current == interp) {
    Rebind(known.empty() ? nullptr : known.back());
  }
  delete static_cast<CInterpState*>(data);
}

}  // namespace

std::size_t CInterpState::NextSlotId() {
  static std::atomic<std::size_t> next{0};
  return next.fetch_add(1, std::memory_order_relaxed);
}

CInterpState::~CInterpState() {
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    slots_[*it].reset();
  }
}

void BindHostInterp(Tcl_Interp* interp) {
  if (interp == binding.current && (interp == nullptr || binding.currentState)) {
    return;
  }
  if (interp && !StateOf(interp)) {
    // The state is owned by the interpreter: Tcl deletes it with the
    // interpreter. It holds no raw owning pointer anywhere else.
    auto state = std::make_unique<CInterpState>();
    Tcl_SetAssocData(interp, kStateKey, DeleteInterpState, state.release());
  }
  if (interp &&
      std::find(binding.known.begin(), binding.known.end(), interp) == binding.known.end()) {
    binding.known.push_back(interp);
  }
  Rebind(interp);
}

Tcl_Interp* GetHostInterp() {
  return binding.current;
}

bool IsKnownHostInterp(Tcl_Interp* interp) {
  const auto& known = binding.known;
  return std::find(known.begin(), known.end(), interp) != known.end();
}

CInterpState& GetInterpState() {
  return binding.currentState ? *binding.currentState : UnboundState();
}

CScopedHostInterp::~CScopedHostInterp() {
  // The interpreter that was current may have been deleted meanwhile.
  if (previous_ == nullptr || IsKnownHostInterp(previous_)) {
    Rebind(previous_);
  } else {
    Rebind(binding.known.empty() ? nullptr : binding.known.back());
  }
}

const char* InitHostStubs(Tcl_Interp* interp) {
  // The stub table is one per process and the same for every interpreter:
  // it is set once, and never written again while other threads call
  // through it. Later interpreters only check the version.
  static std::mutex settingStubs;
  static std::atomic<bool> stubsSet{false};
  if (!stubsSet.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(settingStubs);
    if (!stubsSet.load(std::memory_order_relaxed)) {
      const char* version = Tcl_InitStubs(interp, "8.6", 0);
      stubsSet.store(version != nullptr, std::memory_order_release);
      return version;
    }
  }
  return Tcl_PkgRequireEx(interp, "Tcl", "8.6", 0, nullptr);
}
