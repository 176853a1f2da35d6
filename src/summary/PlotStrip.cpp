#include "summary/PlotStrip.h"

#include <algorithm>
#include <array>
#include <vector>

#include "summary/SvgWriter.h"

namespace {

constexpr char kNoShade = '-';

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
std::array<std::string, svg_palette::kDisagreementLevels> ShadePaths(const std::string& shades) {
  std::array<std::string, svg_palette::kDisagreementLevels> paths;
  std::size_t n = 0;
  while (n < shades.size()) {
    std::size_t end = n + 1;
    while (end < shades.size() && shades[end] == shades[n]) {
      ++end;
    }
    if (shades[n] != kNoShade) {
      const std::string width = std::to_string(end - n);
      paths[shades[n] - '0'] += "M" + std::to_string(n) + " 0h" + width + "v" +
                                std::to_string(kStripHeight) + "h-" + width + "z";
    }
    n = end;
  }
  return paths;
}

}  // namespace

CPlotStrip MakePlotStrip(const CPlotData& data) {
  CPlotStrip strip;
  const CPlotColumns& columns = data.columns;
  if (columns.Count() == 0) {
    return strip;
  }
  strip.firstRecord = columns[0].firstRecord;
  strip.lastRecord = columns[columns.Count() - 1].lastRecord;
  const CLinearScale x(static_cast<double>(strip.firstRecord),
                       static_cast<double>(strip.lastRecord + 1), 0, kStripWidth);
  for (const CPixel& pixel : PixelsOf(columns, x)) {
    const int level = DisagreementLevel(pixel.disagreeing, pixel.values);
    strip.shades += level < 0 ? kNoShade : static_cast<char>('0' + level);
  }
  if (data.hasDisagreement) {
    strip.firstDisagreement = std::clamp(
        static_cast<int>(x(static_cast<double>(data.firstDisagreementRecord))), 0, kStripWidth - 1);
  }
  return strip;
}

bool IsValidPlotStrip(const CPlotStrip& strip) {
  if (strip.shades.empty()) {
    return strip.firstDisagreement == -1;
  }
  if (strip.shades.size() != static_cast<std::size_t>(kStripWidth) ||
      strip.firstDisagreement < -1 || strip.firstDisagreement >= kStripWidth ||
      strip.firstRecord > strip.lastRecord) {
    return false;
  }
  return std::all_of(strip.shades.begin(), strip.shades.end(), [](char c) {
    return c == kNoShade || (c >= '0' && c < '0' + svg_palette::kDisagreementLevels);
  });
}

std::string DisagreementStripSvg(const CPlotStrip& strip) {
  CSvgWriter svg(kStripWidth, kStripHeight,
                 CSvgWriter::Attribute("width", std::to_string(kStripWidth)) +
                     CSvgWriter::Attribute("height", std::to_string(kStripHeight)) +
                     CSvgWriter::Attribute("class", "strip") +
                     CSvgWriter::Attribute("role", "img"));
  std::string title = strip.shades.empty() ? "no output records"
                                           : "records " + FormatCount(strip.firstRecord) + "–" +
                                                 FormatCount(strip.lastRecord);
  if (strip.firstDisagreement >= 0) {
    title += "; the black mark is the first disagreement";
  }
  svg.Title(title);
  svg.Rect(0, 0, kStripWidth, kStripHeight,
           CSvgWriter::Attribute("fill", svg_palette::kBackground));
  if (!IsValidPlotStrip(strip)) {
    return svg.Finish();
  }
  const auto paths = ShadePaths(strip.shades);
  for (int level = 0; level < svg_palette::kDisagreementLevels; ++level) {
    if (!paths[level].empty()) {
      svg.Path(paths[level], CSvgWriter::Attribute("fill", svg_palette::kDisagreement[level]));
    }
  }
  if (strip.firstDisagreement >= 0) {
    svg.Rect(std::clamp(strip.firstDisagreement - 1, 0, kStripWidth - 2), 0, 2, kStripHeight,
             CSvgWriter::Attribute("fill", svg_palette::kFirstDisagreement));
  }
  return svg.Finish();
}
