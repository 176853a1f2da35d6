#include "host/GlobalSettings.h"

#include <stdexcept>
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

std::int64_t CGlobalSettings::GetInteger(std::string_view key, std::int64_t fallback) {
  Tcl_Interp* interp = GetHostInterp();
  if (!interp || key.empty()) {
    return fallback;
  }
  std::string name = key.starts_with("::") ? "" : "::";
  name.append(key);
  Tcl_Obj* value = Tcl_GetVar2Ex(interp, name.c_str(), nullptr, TCL_GLOBAL_ONLY);
  if (!value) {
    return fallback;
  }
  Tcl_WideInt number = 0;
  if (Tcl_GetWideIntFromObj(nullptr, value, &number) != TCL_OK) {
    throw std::runtime_error("setting " + name + " must be a whole number, not \"" +
                             Tcl_GetString(value) + "\"");
  }
  return static_cast<std::int64_t>(number);
}

CGlobalSettings* GetGlobalSettings() {
  static CGlobalSettings settings;
  return &settings;
}
