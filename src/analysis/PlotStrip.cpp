#include "analysis/PlotStrip.h"

#include <algorithm>
#include <vector>

namespace {

constexpr char kNoShade = '-';

struct CPixel {
  std::uint64_t values = 0;
  std::uint64_t disagreeing = 0;
};

// Where a record number falls along the strip, in pixels.
class CStripPosition {
 public:
  CStripPosition(std::uint64_t firstRecord, std::uint64_t lastRecord)
      : first_(static_cast<double>(firstRecord)),
        perRecord_(kStripWidth / static_cast<double>(lastRecord + 1 - firstRecord)) {}
  double operator()(double record) const { return (record - first_) * perRecord_; }
  double Record(double pixel) const { return first_ + pixel / perRecord_; }
  int Pixel(double record) const {
    return std::clamp(static_cast<int>((*this)(record)), 0, kStripWidth - 1);
  }

 private:
  double first_;
  double perRecord_;
};

// The columns summed into one bucket per pixel: a column is counted in the
// pixel its middle falls in, so counts are neither lost nor doubled when
// columns are narrower than pixels. A pixel that no column's middle falls in
// (columns wider than pixels) takes the counts of the column under its middle.
std::vector<CPixel> PixelsOf(const CPlotColumns& columns, const CStripPosition& x) {
  std::vector<CPixel> pixels(kStripWidth);
  std::vector<bool> taken(kStripWidth, false);
  for (const CPlotColumn& column : columns) {
    const double middle =
        (static_cast<double>(column.firstRecord) + static_cast<double>(column.lastRecord + 1)) / 2;
    const int n = x.Pixel(middle);
    pixels[n].values += column.values;
    pixels[n].disagreeing += column.disagreeing;
    taken[n] = true;
  }
  const double first = static_cast<double>(columns[0].firstRecord);
  const double width = static_cast<double>(columns.RecordsPerColumn());
  for (int n = 0; n < kStripWidth; ++n) {
    if (taken[n]) {
      continue;
    }
    const double record = x.Record(n + 0.5);
    const auto k = static_cast<std::size_t>((record - first) / width);
    const CPlotColumn& column = columns[std::min(k, columns.Count() - 1)];
    pixels[n] = {column.values, column.disagreeing};
  }
  return pixels;
}

}  // namespace

int DisagreementLevel(std::uint64_t disagreeing, std::uint64_t values) {
  if (disagreeing == 0) {
    return -1;
  }
  if (values == 0 || disagreeing >= values) {
    return kDisagreementLevels - 1;
  }
  const double share = static_cast<double>(disagreeing) / static_cast<double>(values);
  constexpr double kBounds[] = {0.01, 0.05, 0.25, 0.75};
  int level = 0;
  for (const double bound : kBounds) {
    if (share <= bound) {
      return level;
    }
    ++level;
  }
  return level;
}

CPlotStrip MakePlotStrip(const CPlotData& data) {
  CPlotStrip strip;
  const CPlotColumns& columns = data.columns;
  if (columns.Count() == 0) {
    return strip;
  }
  strip.firstRecord = columns[0].firstRecord;
  strip.lastRecord = columns[columns.Count() - 1].lastRecord;
  const CStripPosition x(strip.firstRecord, strip.lastRecord);
  for (const CPixel& pixel : PixelsOf(columns, x)) {
    const int level = DisagreementLevel(pixel.disagreeing, pixel.values);
    strip.shades += level < 0 ? kNoShade : static_cast<char>('0' + level);
  }
  if (data.hasDisagreement) {
    strip.firstDisagreement = x.Pixel(static_cast<double>(data.firstDisagreementRecord));
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
    return c == kNoShade || (c >= '0' && c < '0' + kDisagreementLevels);
  });
}
