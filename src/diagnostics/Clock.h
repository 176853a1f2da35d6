// Clock readings shared by the utility layer.
#pragma once

// Calendar time in milliseconds since the epoch, taken in one reading.
double WallClockMs();
