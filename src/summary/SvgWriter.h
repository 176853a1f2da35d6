// A small SVG writer for the summary pages: the palette, linear scales,
// ticks at round numbers, axes, paths, rectangles and text. Every text and
// attribute value goes through EscapeMarkup.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/PlotStrip.h"

// The colours of every plot in one place. Traces use the Okabe-Ito palette,
// which stays distinguishable with the common colour-vision deficiencies;
// disagreement uses reds, from the light tint to the pure red the reports
// mark disagreeing values with.
namespace svg_palette {
inline constexpr std::string_view kFixedPoint = "#0072B2";  // blue
inline constexpr std::string_view kRtl = "#E69F00";         // orange
inline constexpr std::string_view kError = "#009E73";       // bluish green
inline constexpr std::string_view kAxis = "#333333";
inline constexpr std::string_view kGrid = "#e4e4e4";
inline constexpr std::string_view kText = "#222222";
inline constexpr std::string_view kBackground = "#f4f4f4";  // a strip without disagreement
inline constexpr std::string_view kFirstDisagreement = "#000000";
// Disagreement from a few values (first) to most values (last) of a column:
// one colour per level of DisagreementLevel.
inline constexpr std::string_view kDisagreement[kDisagreementLevels] = {
    "#fcbba1", "#fb6a4a", "#ef3b2c", "#cb181d", "#ff0000"};
// The classes of disagreeing pairs, in the order of EValueClass: unknown,
// unreadable, textOnly, lsb, overflow, sign, scale, numeric.
inline constexpr std::string_view kValueClass[8] = {"#CC79A7", "#7f7f7f", "#56B4E9", "#F0E442",
                                                    "#D55E00", "#0072B2", "#009E73", "#cb181d"};
inline constexpr std::string_view kUnknownMark = "#CC79A7";  // reddish purple
}  // namespace svg_palette

// Ticks at round numbers: every multiple of the step inside [lo, hi], the
// step being 1, 2 or 5 times a power of ten and the smallest such that at
// most maxTicks ticks fall inside. A range of zero width gives its one value.
struct CTicks {
  double step = 1;
  std::vector<double> values;
};
CTicks RoundTicks(double lo, double hi, int maxTicks);
// As RoundTicks, with a step of at least 1 (record numbers).
CTicks WholeTicks(double lo, double hi, int maxTicks);

// A tick label: as many decimals as the step needs; magnitudes from 10^9 up
// (and tiny steps) in scientific form; whole numbers with digit grouping.
std::string FormatTick(double value, double step);
// A number for text: up to 6 significant digits ("-1.25", "3.0518e-05").
std::string FormatNumber(double value);
// A count with digit grouping ("1,000,000").
std::string FormatCount(std::uint64_t count);
// A coordinate with one decimal at most ("12.5", "3").
std::string FormatCoordinate(double value);
// The same texts, appended to out (the pages format thousands of numbers).
void AppendNumber(std::string& out, double value);
void AppendCount(std::string& out, std::uint64_t count);
void AppendCoordinate(std::string& out, double value);

// Maps a domain linearly onto a range of coordinates.
class CLinearScale {
 public:
  CLinearScale(double domainLo, double domainHi, double rangeLo, double rangeHi);
  double operator()(double value) const { return rangeLo_ + (value - domainLo_) * factor_; }
  double DomainLo() const { return domainLo_; }
  double DomainHi() const { return domainHi_; }
  double RangeLo() const { return rangeLo_; }
  double RangeHi() const { return rangeHi_; }

 private:
  double domainLo_;
  double domainHi_;
  double rangeLo_;
  double rangeHi_;
  double factor_;
};

// Builds an SVG document (or an inline svg element) as text.
class CSvgWriter {
 public:
  // attributes: further attributes of the svg element, already formed
  // (their values escaped by Attribute()).
  // buffer: the text the svg element is appended to (a page being written);
  // Finish hands it back with the element.
  CSvgWriter(double width, double height, std::string_view attributes = {},
             std::string buffer = {});

  // name="escaped value" with a leading blank.
  static std::string Attribute(std::string_view name, std::string_view value);

  void OpenGroup(std::string_view attributes = {});
  void CloseGroup();
  void Title(std::string_view text);  // a <title> child: the hover text
  void Text(double x, double y, std::string_view text, std::string_view attributes = {});
  void Line(double x1, double y1, double x2, double y2, std::string_view attributes = {});
  void Rect(double x, double y, double width, double height, std::string_view attributes = {});
  // A rectangle holding a hover text.
  void RectWithTitle(double x, double y, double width, double height, std::string_view title,
                     std::string_view attributes = {});
  void Path(std::string_view data, std::string_view attributes = {});
  // Markup the caller formed itself (already escaped).
  void Raw(std::string_view markup) { out_ += markup; }

  // A vertical axis at x over the scale's range: tick marks and labels to
  // the left, grid lines to gridRight, the label turned along the axis.
  void LeftAxis(double x, const CLinearScale& scale, const CTicks& ticks, double gridRight,
                std::string_view label);
  // An axis along the bottom at y, ticks pointing down, label below.
  void BottomAxis(double y, const CLinearScale& scale, const CTicks& ticks, std::string_view label);

  // Closes the svg element and returns the text.
  std::string Finish();

 private:
  std::string out_;
};

// Path data of an envelope: the upper line left to right and the lower line
// back, one closed shape per run of consecutive points.
struct CEnvelopePoint {
  double x0;
  double x1;
  double yTop;
  double yBottom;
  bool present;
};
std::string EnvelopePath(const std::vector<CEnvelopePoint>& points);
