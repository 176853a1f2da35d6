// The small disagreement strip of an index row: where along the file the
// disagreements fall (darker: a larger share of the values disagrees), with
// the first disagreement marked.
//
// The strip is kept as one shade per pixel, small enough to travel with a
// file's result (a JSON shard) and be drawn again by a later merge.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "verify/PlotCollector.h"

inline constexpr int kStripWidth = 300;
inline constexpr int kStripHeight = 18;

struct CPlotStrip {
  // One character per pixel: '-' no disagreement, '0'..'4' the shade
  // (see DisagreementLevel); kStripWidth of them, or empty for a file
  // without output records.
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

// An inline svg element of kStripWidth x kStripHeight pixels; the hover text
// names the record range and, when there is one, the first disagreement.
std::string DisagreementStripSvg(const CPlotStrip& strip);
