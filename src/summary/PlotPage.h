// The plot page of one test vector, Reports/<report base name>_plot.htm: a
// self-contained HTML page with one inline SVG figure (no script) per output
// position (value pair: channel) showing the fixed-point and RTL values as
// min/max envelopes per column, the error below on its own axis, unknown
// values as marks, the disagreement strip coloured by class, and a hover
// text per column; the classes in words at the top.
// Its size is bounded by the column count, never by the file size.
#pragma once

#include <cstddef>
#include <string>

#include "analysis/PlotCollector.h"

// No page is larger than this, whatever the file size: up to 4 channels,
// and up to 16.
inline constexpr std::size_t kMaxPlotPageBytes = 300 * 1024;
inline constexpr std::size_t kMaxPlotPageBytesMany = 1024 * 1024;

struct CPlotPageInfo {
  std::string vectorName;   // shown as the title: the timing file's base name
  std::string timingPath;   // shown as given
  std::string reportLink;   // the vector's report, relative to the page; "" for none
  std::string indexLink;    // the index page, relative to the page; "" for none
  bool realValues = false;  // the report shows values as reals (the page says how they differ)
};

std::string PlotPageHtml(const CPlotData& data, const CPlotPageInfo& info);
// The same page written into page, whose storage is reused: a run writing
// one page per file allocates once.
void WritePlotPageHtml(const CPlotData& data, const CPlotPageInfo& info, std::string& page);
