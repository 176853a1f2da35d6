#include "summary/SvgWriter.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "summary/MarkupEscape.h"

namespace {

constexpr double kTickLength = 5;
constexpr double kTickLabelGap = 8;
constexpr double kLeftLabelOffset = 62;
constexpr double kBottomLabelOffset = 20;
constexpr double kBottomTitleOffset = 38;
// Below this share of a step a tick value is taken as zero ("-0" and
// "1.4e-17" come from adding steps).
constexpr double kZeroShare = 1e-9;
constexpr double kScientificFrom = 1e9;

// printf's %.*f (fixed) and %.*g (general), without its cost: the plot
// pages format some thousands of numbers.
std::string Formatted(double value, std::chars_format format, int digits) {
  char text[400];  // room for %.*f of the largest double
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, format, digits);
  if (error != std::errc()) {
    return "?";  // not reached: the buffer holds every form
  }
  return std::string(text, end);
}

// Digits with a comma between groups of three, an optional '-' in front.
void AppendGrouped(std::string& out, std::string_view digits) {
  const std::size_t start = !digits.empty() && digits[0] == '-' ? 1 : 0;
  out += digits.substr(0, start);
  digits.remove_prefix(start);
  std::size_t group = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  out += digits.substr(0, group);
  for (; group < digits.size(); group += 3) {
    out += ',';
    out += digits.substr(group, 3);
  }
}

std::string Grouped(std::string_view digits) {
  std::string out;
  AppendGrouped(out, digits);
  return out;
}

template <typename TInteger>
void AppendGroupedInteger(std::string& out, TInteger value) {
  char text[24];
  const char* end = std::to_chars(text, text + sizeof text, value).ptr;
  AppendGrouped(out, std::string_view(text, static_cast<std::size_t>(end - text)));
}

int DecimalsFor(double step) {
  const int decimals = -static_cast<int>(std::floor(std::log10(step) + 1e-9));
  return decimals > 0 ? decimals : 0;
}

// The multiples of step inside [lo, hi], allowing for rounding in the
// division (0.3 / 0.1 is 2.9999999999999996).
double FirstTick(double lo, double step) {
  return std::ceil(lo / step - kZeroShare);
}
double LastTick(double hi, double step) {
  return std::floor(hi / step + kZeroShare);
}

}  // namespace

CTicks RoundTicks(double lo, double hi, int maxTicks) {
  CTicks ticks;
  if (!(hi > lo) || maxTicks < 2) {
    ticks.values.push_back(lo);
    return ticks;
  }
  const double magnitude = std::pow(10.0, std::floor(std::log10((hi - lo) / maxTicks)));
  for (const double multiple : {1.0, 2.0, 5.0, 10.0, 20.0}) {
    ticks.step = multiple * magnitude;
    if (LastTick(hi, ticks.step) - FirstTick(lo, ticks.step) + 1 <= maxTicks) {
      break;
    }
  }
  const double first = FirstTick(lo, ticks.step);
  const double last = LastTick(hi, ticks.step);
  for (double k = first; k <= last; ++k) {
    const double value = k * ticks.step;
    ticks.values.push_back(std::fabs(value) < ticks.step * kZeroShare ? 0.0 : value);
  }
  return ticks;
}

CTicks WholeTicks(double lo, double hi, int maxTicks) {
  CTicks ticks = RoundTicks(lo, hi, maxTicks);
  if (ticks.step >= 1) {
    return ticks;
  }
  ticks.step = 1;
  ticks.values.clear();
  for (double value = std::ceil(lo); value <= hi; ++value) {
    ticks.values.push_back(value);
  }
  return ticks;
}

std::string FormatTick(double value, double step) {
  if (value == 0) {
    return "0";
  }
  if (std::fabs(value) >= kScientificFrom || step < 1e-6) {
    // Enough digits to tell neighbouring ticks apart.
    const int digits = static_cast<int>(std::floor(std::log10(std::fabs(value)) + 1e-9) -
                                        std::floor(std::log10(step) + 1e-9)) +
                       1;
    return Formatted(value, std::chars_format::general, digits > 1 ? digits : 1);
  }
  const int decimals = DecimalsFor(step);
  if (decimals == 0) {
    return Grouped(Formatted(value, std::chars_format::fixed, 0));
  }
  return Formatted(value, std::chars_format::fixed, decimals);
}

std::string FormatNumber(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}

void AppendNumber(std::string& out, double value) {
  if (value == 0) {
    out += '0';
  } else if (std::fabs(value) < kScientificFrom && value == std::floor(value)) {
    AppendGroupedInteger(out, static_cast<long long>(value));
  } else {
    char text[32];
    const char* end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
    out.append(text, static_cast<std::size_t>(end - text));
  }
}

std::string FormatCount(std::uint64_t count) {
  std::string out;
  AppendCount(out, count);
  return out;
}

void AppendCount(std::string& out, std::uint64_t count) {
  AppendGroupedInteger(out, count);
}

std::string FormatCoordinate(double value) {
  std::string out;
  AppendCoordinate(out, value);
  return out;
}

void AppendCoordinate(std::string& out, double value) {
  const long long tenths = std::llround(value * 10);
  const long long magnitude = tenths < 0 ? -tenths : tenths;
  char text[32];
  char* end = text;
  if (tenths < 0) {
    *end++ = '-';
  }
  end = std::to_chars(end, text + sizeof text, magnitude / 10).ptr;
  if (magnitude % 10 != 0) {
    *end++ = '.';
    *end++ = static_cast<char>('0' + magnitude % 10);
  }
  out.append(text, static_cast<std::size_t>(end - text));
}

CLinearScale::CLinearScale(double domainLo, double domainHi, double rangeLo, double rangeHi)
    : domainLo_(domainLo),
      domainHi_(domainHi),
      rangeLo_(rangeLo),
      rangeHi_(rangeHi),
      factor_(domainHi > domainLo ? (rangeHi - rangeLo) / (domainHi - domainLo) : 0) {}

CSvgWriter::CSvgWriter(double width, double height, std::string_view attributes, std::string buffer)
    : out_(std::move(buffer)) {
  const std::string w = FormatCoordinate(width);
  const std::string h = FormatCoordinate(height);
  out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + w + " " + h + "\"";
  out_ += attributes;
  out_ += ">";
}

std::string CSvgWriter::Attribute(std::string_view name, std::string_view value) {
  std::string text = " ";
  text += name;
  text += "=\"";
  AppendEscapedMarkup(text, value);
  text += "\"";
  return text;
}

void CSvgWriter::OpenGroup(std::string_view attributes) {
  out_ += "<g";
  out_ += attributes;
  out_ += ">";
}

void CSvgWriter::CloseGroup() {
  out_ += "</g>";
}

void CSvgWriter::Title(std::string_view text) {
  out_ += "<title>";
  AppendEscapedMarkup(out_, text);
  out_ += "</title>";
}

void CSvgWriter::Text(double x, double y, std::string_view text, std::string_view attributes) {
  out_ += "<text x=\"" + FormatCoordinate(x) + "\" y=\"" + FormatCoordinate(y) + "\"";
  out_ += attributes;
  out_ += ">";
  AppendEscapedMarkup(out_, text);
  out_ += "</text>";
}

void CSvgWriter::Line(double x1, double y1, double x2, double y2, std::string_view attributes) {
  out_ += "<path d=\"M" + FormatCoordinate(x1) + " " + FormatCoordinate(y1) + "L" +
          FormatCoordinate(x2) + " " + FormatCoordinate(y2) + "\"";
  out_ += attributes;
  out_ += "/>";
}

void CSvgWriter::Rect(double x, double y, double width, double height,
                      std::string_view attributes) {
  out_ += "<rect x=\"" + FormatCoordinate(x) + "\" y=\"" + FormatCoordinate(y) + "\" width=\"" +
          FormatCoordinate(width) + "\" height=\"" + FormatCoordinate(height) + "\"";
  out_ += attributes;
  out_ += "/>";
}

void CSvgWriter::RectWithTitle(double x, double y, double width, double height,
                               std::string_view title, std::string_view attributes) {
  Rect(x, y, width, height, attributes);
  out_.pop_back();
  out_.back() = '>';
  Title(title);
  out_ += "</rect>";
}

void CSvgWriter::Path(std::string_view data, std::string_view attributes) {
  out_ += "<path";
  out_ += Attribute("d", data);
  out_ += attributes;
  out_ += "/>";
}

void CSvgWriter::LeftAxis(double x, const CLinearScale& scale, const CTicks& ticks,
                          double gridRight, std::string_view label) {
  const std::string gridStroke = Attribute("stroke", svg_palette::kGrid);
  const std::string axisStroke = Attribute("stroke", svg_palette::kAxis);
  OpenGroup(Attribute("text-anchor", "end"));
  for (const double value : ticks.values) {
    const double y = scale(value);
    Line(x, y, gridRight, y, gridStroke);
    Line(x - kTickLength, y, x, y, axisStroke);
    Text(x - kTickLabelGap, y, FormatTick(value, ticks.step), " dy=\".32em\"");
  }
  CloseGroup();
  Line(x, scale.RangeLo(), x, scale.RangeHi(), axisStroke);
  const double middle = (scale.RangeLo() + scale.RangeHi()) / 2;
  const double labelX = x - kLeftLabelOffset;
  Text(labelX, middle, label,
       Attribute("text-anchor", "middle") +
           Attribute("transform", "rotate(-90 " + FormatCoordinate(labelX) + " " +
                                      FormatCoordinate(middle) + ")"));
}

void CSvgWriter::BottomAxis(double y, const CLinearScale& scale, const CTicks& ticks,
                            std::string_view label) {
  const std::string axisStroke = Attribute("stroke", svg_palette::kAxis);
  Line(scale.RangeLo(), y, scale.RangeHi(), y, axisStroke);
  OpenGroup(Attribute("text-anchor", "middle"));
  for (const double value : ticks.values) {
    const double x = scale(value);
    Line(x, y, x, y + kTickLength, axisStroke);
    Text(x, y + kBottomLabelOffset, FormatTick(value, ticks.step));
  }
  Text((scale.RangeLo() + scale.RangeHi()) / 2, y + kBottomTitleOffset, label);
  CloseGroup();
}

std::string CSvgWriter::Finish() {
  out_ += "</svg>";
  return std::move(out_);
}

std::string EnvelopePath(const std::vector<CEnvelopePoint>& points) {
  std::string data;
  std::size_t n = 0;
  while (n < points.size()) {
    if (!points[n].present) {
      ++n;
      continue;
    }
    std::size_t end = n;
    while (end < points.size() && points[end].present) {
      ++end;
    }
    // The upper edge left to right, then the lower edge back.
    const auto add = [&data](char command, double value) {
      data += command;
      AppendCoordinate(data, value);
    };
    add('M', points[n].x0);
    data += ' ';
    AppendCoordinate(data, points[n].yTop);
    for (std::size_t k = n; k < end; ++k) {
      if (k > n) {
        add('V', points[k].yTop);
      }
      add('H', points[k].x1);
    }
    for (std::size_t k = end; k-- > n;) {
      add('V', points[k].yBottom);
      add('H', points[k].x0);
    }
    data += "Z";
    n = end;
  }
  return data;
}
