#include "summary/PlotStrip.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "summary/SvgWriter.h"

namespace {

struct CPixel {
  std::uint64_t values = 0;
  std::uint64_t disagreeing = 0;
};

// The columns summed into one bucket per pixel; a column is counted in the
// pixel its middle falls in, so counts are neither lost nor doubled.
std::vector<CPixel> PixelsOf(const CPlotColumns& columns, const CLinearScale& x) {
  std::vector<CPixel> pixels(kStripWidth);
  for (const CPlotColumn& column : columns) {
    const double middle = (x(static_cast<double>(column.firstRecord)) +
                           x(static_cast<double>(column.lastRecord + 1))) /
                          2;
    const int n = std::clamp(static_cast<int>(middle), 0, kStripWidth - 1);
    pixels[n].values += column.values;
    pixels[n].disagreeing += column.disagreeing;
  }
  return pixels;
}

// One path per shade: runs of neighbouring pixels of that shade.
std::array<std::string, svg_palette::kDisagreementLevels> ShadePaths(
    const std::vector<CPixel>& pixels) {
  std::array<std::string, svg_palette::kDisagreementLevels> paths;
  int n = 0;
  while (n < kStripWidth) {
    const int level = DisagreementLevel(pixels[n].disagreeing, pixels[n].values);
    int end = n + 1;
    while (end < kStripWidth &&
           DisagreementLevel(pixels[end].disagreeing, pixels[end].values) == level) {
      ++end;
    }
    if (level >= 0) {
      paths[level] += "M" + std::to_string(n) + " 0h" + std::to_string(end - n) + "v" +
                      std::to_string(kStripHeight) + "h-" + std::to_string(end - n) + "z";
    }
    n = end;
  }
  return paths;
}

}  // namespace

std::string DisagreementStripSvg(const CPlotData& data) {
  const CPlotColumns& columns = data.columns;
  std::uint64_t values = 0;
  std::uint64_t disagreeing = 0;
  for (const CPlotColumn& column : columns) {
    values += column.values;
    disagreeing += column.disagreeing;
  }
  const std::string width = std::to_string(kStripWidth);
  const std::string height = std::to_string(kStripHeight);
  CSvgWriter svg(kStripWidth, kStripHeight,
                 CSvgWriter::Attribute("width", width) + CSvgWriter::Attribute("height", height) +
                     CSvgWriter::Attribute("class", "strip") +
                     CSvgWriter::Attribute("role", "img"));
  svg.Title(columns.Count() == 0
                ? std::string("no output records")
                : FormatCount(disagreeing) + " of " + FormatCount(values) +
                      " values disagree, over records " + FormatCount(columns[0].firstRecord) +
                      "–" + FormatCount(columns[columns.Count() - 1].lastRecord));
  svg.Rect(0, 0, kStripWidth, kStripHeight,
           CSvgWriter::Attribute("fill", svg_palette::kBackground));
  if (columns.Count() == 0) {
    return svg.Finish();
  }
  const CLinearScale x(static_cast<double>(columns[0].firstRecord),
                       static_cast<double>(columns[columns.Count() - 1].lastRecord + 1), 0,
                       kStripWidth);
  const auto paths = ShadePaths(PixelsOf(columns, x));
  for (int level = 0; level < svg_palette::kDisagreementLevels; ++level) {
    if (!paths[level].empty()) {
      svg.Path(paths[level], CSvgWriter::Attribute("fill", svg_palette::kDisagreement[level]));
    }
  }
  if (data.hasDisagreement) {
    const double at =
        std::clamp(x(static_cast<double>(data.firstDisagreementRecord)), 1.0, kStripWidth - 1.0);
    svg.RectWithTitle(at - 1, 0, 2, kStripHeight,
                      "first disagreement: record " + FormatCount(data.firstDisagreementRecord) +
                          ", line " + FormatCount(data.firstDisagreementLine),
                      CSvgWriter::Attribute("fill", svg_palette::kFirstDisagreement));
  }
  return svg.Finish();
}
