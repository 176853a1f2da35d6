#include "diagnostics/Clock.h"

#include <chrono>

double WallClockMs() {
  // One reading, so the seconds and the milliseconds belong to the same instant.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
