// Named boolean settings of the host.
//
// A key names a Tcl variable relative to the global namespace:
// "Settings::Debug_MemoryMsgs" is ::Settings::Debug_MemoryMsgs and
// "DR::950255" is ::DR::950255. A variable that is absent or not a boolean
// reads as false. A user turns a behaviour on with `set ::DR::950255 1`.
#pragma once

#include <cstdint>
#include <string_view>

class CGlobalSettings {
 public:
  static bool GetBool(std::string_view key);
  // The whole-number value of key, or fallback when the variable is absent.
  // A value that is not a whole number throws std::runtime_error naming the
  // variable and its value.
  static std::int64_t GetInteger(std::string_view key, std::int64_t fallback);
};

CGlobalSettings* GetGlobalSettings();
