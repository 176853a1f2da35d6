// The small disagreement strip of an index row, drawn: where along the file
// the disagreements fall (darker: a larger share of the values disagrees),
// with the first disagreement marked.
#pragma once

#include <string>

#include "analysis/PlotStrip.h"

// An inline svg element of kStripWidth x kStripHeight pixels; the hover text
// names the record range. A strip that is not valid is drawn blank.
std::string DisagreementStripSvg(const CPlotStrip& strip);
