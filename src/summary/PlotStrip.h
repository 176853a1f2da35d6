// The small disagreement strip of an index row: where along the file the
// disagreements fall (darker: a larger share of the values disagrees), with
// the first disagreement marked.
#pragma once

#include <string>

#include "verify/PlotCollector.h"

inline constexpr int kStripWidth = 300;
inline constexpr int kStripHeight = 18;

// An inline svg element of kStripWidth x kStripHeight pixels.
std::string DisagreementStripSvg(const CPlotData& data);
