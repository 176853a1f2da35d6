#include "host/GlobalSettings.h"

#include <string>

#include <tcl.h>

#include "host/HostInterp.h"

bool CGlobalSettings::GetBool(std::string_view key) {
  Tcl_Interp* interp = GetHostInterp();
  if (!interp || key.empty()) {
    return false;
  }
  std::string name = key.starts_with("::") ? "" : "::";
  name.append(key);
  Tcl_Obj* value = Tcl_GetVar2Ex(interp, name.c_str(), nullptr, TCL_GLOBAL_ONLY);
  int flag = 0;
  return value && Tcl_GetBooleanFromObj(nullptr, value, &flag) == TCL_OK && flag != 0;
}

CGlobalSettings* GetGlobalSettings() {
  static CGlobalSettings settings;
  return &settings;
}
