// Where along a timing file the disagreements fall, in a form small enough
// to travel with the file's result (a JSON shard) and be drawn again by a
// later merge: one shade per pixel of the index page's strip.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/PlotCollector.h"

inline constexpr int kStripWidth = 300;
inline constexpr int kStripHeight = 18;
// Shades of disagreement, from a few of a pixel's values to nearly all.
inline constexpr int kDisagreementLevels = 5;

// The shade (0 .. kDisagreementLevels - 1) for a share of disagreeing values;
// -1 when none disagrees. Shares up to 1 %, 5 %, 25 %, 75 % and above.
int DisagreementLevel(std::uint64_t disagreeing, std::uint64_t values);

struct CPlotStrip {
  // One character per pixel: '-' no disagreement, '0'..'4' the shade;
  // kStripWidth of them, or empty for a file without output records.
  std::string shades;
  int firstDisagreement = -1;  // the pixel of the first disagreement, or -1
  std::uint64_t firstRecord = 0;
  std::uint64_t lastRecord = 0;

  bool operator==(const CPlotStrip&) const = default;
};

CPlotStrip MakePlotStrip(const CPlotData& data);
// A strip read back from text: shades of the wrong length or with another
// character, or a pixel outside the strip, are refused (false).
bool IsValidPlotStrip(const CPlotStrip& strip);
