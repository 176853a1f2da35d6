#include "diagnostics/Clock.h"

#include <chrono>
#include <stdexcept>

#include "host/TclDataObj.h"

double WallClockMs() {
  // One reading, so the seconds and the milliseconds belong to the same instant.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::int32_t CurrentClockMs() {
  CTclEvalObj clicks("::clock clicks -milliseconds");
  if (!clicks.Evaluate(false)) {
    throw std::runtime_error("Error getting current time");
  }
  // Modulo 2^32: only differences of readings are meaningful.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(clicks.GetResult().GetLongValue()));
}

std::int32_t ElapsedClockMs(std::int32_t start, std::int32_t now) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                   static_cast<std::uint32_t>(start));
}
