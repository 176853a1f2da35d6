// Named boolean settings of the host.
//
// A key names a Tcl variable relative to the global namespace:
// "Settings::Debug_MemoryMsgs" is ::Settings::Debug_MemoryMsgs and
// "DR::950255" is ::DR::950255. A variable that is absent or not a boolean
// reads as false. A user turns a behaviour on with `set ::DR::950255 1`.
#pragma once

#include <string_view>

class CGlobalSettings {
 public:
  static bool GetBool(std::string_view key);
};

CGlobalSettings* GetGlobalSettings();
