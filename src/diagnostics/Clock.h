// Clock readings shared by the utility layer.
#pragma once

#include <cstdint>

// Calendar time in milliseconds since the epoch, taken in one reading.
double WallClockMs();

// The interpreter's millisecond clock ("clock clicks -milliseconds"), kept to
// 32 bits: the value wraps, so take differences of two readings as
// ElapsedClockMs does. Throws std::runtime_error "Error getting current time"
// when the interpreter cannot answer.
std::int32_t CurrentClockMs();

// Milliseconds from start to now, both CurrentClockMs readings, across a wrap.
std::int32_t ElapsedClockMs(std::int32_t start, std::int32_t now);
