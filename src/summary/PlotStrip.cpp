#include "summary/PlotStrip.h"

#include <algorithm>
#include <array>

#include "summary/SvgWriter.h"

namespace {

constexpr char kNoShade = '-';

// One path per shade: runs of neighbouring pixels of that shade.
std::array<std::string, kDisagreementLevels> ShadePaths(const std::string& shades) {
  std::array<std::string, kDisagreementLevels> paths;
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
  for (int level = 0; level < kDisagreementLevels; ++level) {
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
