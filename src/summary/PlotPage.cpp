#include "summary/PlotPage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "summary/MarkupEscape.h"
#include "summary/SvgWriter.h"

namespace {

// The figure's layout in SVG units.
constexpr double kWidth = 1200;
constexpr double kLeft = 100;
constexpr double kRight = 1160;
constexpr double kLegendY = 16;
constexpr double kValuesTop = 36;
constexpr double kValuesBottom = 296;
constexpr double kErrorTop = 318;
constexpr double kErrorBottom = 418;
constexpr double kStripTop = 432;
constexpr double kStripBottom = 452;
constexpr double kAxisY = 458;
constexpr double kHeight = 506;
constexpr int kValueTicks = 10;
constexpr int kErrorTicks = 5;
constexpr int kRecordTicks = 10;
// Room above and below the traces, as a share of their span.
constexpr double kPadding = 0.04;

struct CTotals {
  std::uint64_t values = 0;
  std::uint64_t disagreeing = 0;
  std::uint64_t unreadable = 0;
  CPlotRange codes;  // fixed point and RTL together
  CPlotRange error;
};

CTotals TotalsOf(const CPlotColumns& columns) {
  CTotals totals;
  for (const CPlotColumn& column : columns) {
    totals.values += column.values;
    totals.disagreeing += column.disagreeing;
    totals.unreadable += column.unreadable;
    totals.codes.Take(column.FixedPoint());
    totals.codes.Take(column.Rtl());
    totals.error.Take(column.Error());
  }
  return totals;
}

// A value domain with a little room around the traces; a flat trace gets
// one unit either side.
CPlotRange Padded(CPlotRange range, double unit) {
  if (range.Empty()) {
    return {-unit, unit};
  }
  if (range.max == range.min) {
    return {range.min - unit, range.max + unit};
  }
  const double room = (range.max - range.min) * kPadding;
  return {range.min - room, range.max + room};
}

// How much a hover text tells: everything, then less when the page would
// outgrow kMaxPlotPageBytes (very many records of very large numbers).
enum class THoverDetail { kValues, kError, kCounts };

void AppendRange(std::string& text, double min, double max, std::string_view unit = {}) {
  AppendNumber(text, min);
  if (max != min) {
    text += " to ";
    AppendNumber(text, max);
  }
  text += unit;
}

// A column's hover text, appended to text.
void AppendHoverText(std::string& text, const CPlotColumn& column, const CPlotScale& scale,
                     THoverDetail detail) {
  text += "records ";
  AppendCount(text, column.firstRecord);
  if (column.lastRecord != column.firstRecord) {
    text += "–";
    AppendCount(text, column.lastRecord);
  }
  text += '\n';
  AppendCount(text, column.values);
  text += " values, ";
  AppendCount(text, column.disagreeing);
  text += " disagree";
  if (column.unreadable > 0) {
    text += ", ";
    AppendCount(text, column.unreadable);
    text += " not hexadecimal";
  }
  if (detail == THoverDetail::kValues) {
    const CPlotRange fixedPoint = column.FixedPoint();
    if (!fixedPoint.Empty()) {
      text += "\nfixed point ";
      AppendRange(text, scale.Value(fixedPoint.min), scale.Value(fixedPoint.max));
    }
    const CPlotRange rtl = column.Rtl();
    if (!rtl.Empty()) {
      text += "\nRTL ";
      AppendRange(text, scale.Value(rtl.min), scale.Value(rtl.max));
    }
  }
  const CPlotRange error = column.Error();
  if (detail != THoverDetail::kCounts && !error.Empty() && (error.min != 0 || error.max != 0)) {
    text += "\nerror ";
    AppendRange(text, error.min, error.max, " LSB");
  }
}

class CPlotFigure {
 public:
  // page: the text the figure is appended to (see CSvgWriter).
  CPlotFigure(const CPlotData& data, const CTotals& totals, THoverDetail detail, std::string buffer)
      : data_(data),
        detail_(detail),
        totals_(totals),
        columns_(data.columns),
        svg_(kWidth, kHeight,
             CSvgWriter::Attribute("class", "plot") + CSvgWriter::Attribute("role", "img") +
                 CSvgWriter::Attribute("font-family", "Arial, sans-serif") +
                 CSvgWriter::Attribute("font-size", "12") +
                 CSvgWriter::Attribute("fill", svg_palette::kText),
             std::move(buffer)),
        x_(static_cast<double>(columns_[0].firstRecord),
           static_cast<double>(columns_[columns_.Count() - 1].lastRecord + 1), kLeft, kRight),
        valueRange_(Padded(ScaledCodes(), Unit())),
        errorRange_(Padded(ErrorWithZero(), 1)),
        y_(valueRange_.min, valueRange_.max, kValuesBottom, kValuesTop),
        e_(errorRange_.min, errorRange_.max, kErrorBottom, kErrorTop) {}

  std::string Draw() {
    svg_.Title(
        "fixed-point and RTL values, their difference and the disagreements, per column of " +
        FormatCount(columns_.RecordsPerColumn()) + " records");
    Legend();
    Axes();
    ValueTraces();
    ErrorTrace();
    Strip();
    FirstDisagreement();
    HoverColumns();
    return svg_.Finish();
  }

 private:
  double Unit() const { return data_.scale.Value(1); }

  CPlotRange ScaledCodes() const {
    if (totals_.codes.Empty()) {
      return totals_.codes;
    }
    return {data_.scale.Value(totals_.codes.min), data_.scale.Value(totals_.codes.max)};
  }

  CPlotRange ErrorWithZero() const {
    CPlotRange range = totals_.error;
    range.Take(0.0);
    return range;
  }

  double X0(const CPlotColumn& column) const { return x_(static_cast<double>(column.firstRecord)); }
  double X1(const CPlotColumn& column) const {
    return x_(static_cast<double>(column.lastRecord + 1));
  }

  void LegendEntry(double& x, std::string_view colour, std::string_view label, bool outline) {
    const std::string fill = outline ? CSvgWriter::Attribute("fill", "none") +
                                           CSvgWriter::Attribute("stroke", colour) +
                                           CSvgWriter::Attribute("stroke-width", "2")
                                     : CSvgWriter::Attribute("fill", colour);
    svg_.Rect(x, kLegendY - 9, 14, 10, fill);
    svg_.Text(x + 19, kLegendY, label);
    // About 6.5 units per character at this font size.
    x += 19 + 6.5 * static_cast<double>(label.size()) + 22;
  }

  void Legend() {
    double x = kLeft;
    LegendEntry(x, svg_palette::kFixedPoint, "fixed point (min to max per column)", false);
    LegendEntry(x, svg_palette::kRtl, "RTL", true);
    LegendEntry(x, svg_palette::kError, "error: RTL minus fixed point", false);
    LegendEntry(x, svg_palette::kDisagreement[2], "disagreeing values (darker: more)", false);
    LegendEntry(x, svg_palette::kFirstDisagreement, "first disagreement", false);
  }

  void Axes() {
    svg_.LeftAxis(kLeft, y_, RoundTicks(valueRange_.min, valueRange_.max, kValueTicks), kRight,
                  "value (" + data_.scale.AxisLabel() + ")");
    svg_.LeftAxis(kLeft, e_, WholeTicks(errorRange_.min, errorRange_.max, kErrorTicks), kRight,
                  "error (LSB)");
    svg_.Text(kLeft - 8, (kStripTop + kStripBottom) / 2, "disagree",
              CSvgWriter::Attribute("text-anchor", "end") + " dy=\".32em\"");
    svg_.BottomAxis(kAxisY, x_, WholeTicks(x_.DomainLo(), x_.DomainHi() - 1, kRecordTicks),
                    "record number");
  }

  std::string Envelope(CPlotRange (CPlotColumn::*member)() const, const CLinearScale& y,
                       bool scaled) const {
    std::vector<CEnvelopePoint> points;
    points.reserve(columns_.Count());
    for (const CPlotColumn& column : columns_) {
      const CPlotRange range = (column.*member)();
      const double top = scaled ? data_.scale.Value(range.max) : range.max;
      const double bottom = scaled ? data_.scale.Value(range.min) : range.min;
      points.push_back({X0(column), X1(column), y(top), y(bottom), !range.Empty()});
    }
    return EnvelopePath(points);
  }

  // The RTL outline is drawn wide and under the fixed-point envelope, so
  // that where both agree the blue shows on an orange edge, and where they
  // part the orange stands out alone.
  void ValueTraces() {
    svg_.Path(Envelope(&CPlotColumn::Rtl, y_, true),
              CSvgWriter::Attribute("fill", "none") +
                  CSvgWriter::Attribute("stroke", svg_palette::kRtl) +
                  CSvgWriter::Attribute("stroke-width", "3") +
                  CSvgWriter::Attribute("stroke-linejoin", "round"));
    svg_.Path(Envelope(&CPlotColumn::FixedPoint, y_, true),
              CSvgWriter::Attribute("fill", svg_palette::kFixedPoint) +
                  CSvgWriter::Attribute("fill-opacity", "0.35") +
                  CSvgWriter::Attribute("stroke", svg_palette::kFixedPoint) +
                  CSvgWriter::Attribute("stroke-width", "1"));
  }

  void ErrorTrace() {
    svg_.Path(Envelope(&CPlotColumn::Error, e_, false),
              CSvgWriter::Attribute("fill", svg_palette::kError) +
                  CSvgWriter::Attribute("fill-opacity", "0.35") +
                  CSvgWriter::Attribute("stroke", svg_palette::kError) +
                  CSvgWriter::Attribute("stroke-width", "1"));
  }

  // One path per shade, neighbouring columns of one shade drawn as one.
  void Strip() {
    svg_.Rect(kLeft, kStripTop, kRight - kLeft, kStripBottom - kStripTop,
              CSvgWriter::Attribute("fill", svg_palette::kBackground));
    std::array<std::string, kDisagreementLevels> paths;
    const std::string height = FormatCoordinate(kStripBottom - kStripTop);
    std::size_t n = 0;
    while (n < columns_.Count()) {
      const int level = DisagreementLevel(columns_[n].disagreeing, columns_[n].values);
      std::size_t end = n + 1;
      while (end < columns_.Count() &&
             DisagreementLevel(columns_[end].disagreeing, columns_[end].values) == level) {
        ++end;
      }
      if (level >= 0) {
        const std::string width = FormatCoordinate(X1(columns_[end - 1]) - X0(columns_[n]));
        paths[level] += "M" + FormatCoordinate(X0(columns_[n])) + " " +
                        FormatCoordinate(kStripTop) + "h" + width + "v" + height + "h-" + width +
                        "z";
      }
      n = end;
    }
    for (int level = 0; level < kDisagreementLevels; ++level) {
      if (!paths[level].empty()) {
        svg_.Path(paths[level], CSvgWriter::Attribute("fill", svg_palette::kDisagreement[level]));
      }
    }
  }

  void FirstDisagreement() {
    if (!data_.hasDisagreement) {
      return;
    }
    const double x = x_(static_cast<double>(data_.firstDisagreementRecord));
    svg_.OpenGroup(CSvgWriter::Attribute("stroke", svg_palette::kFirstDisagreement));
    svg_.Line(x, kValuesTop, x, kStripBottom,
              CSvgWriter::Attribute("stroke-dasharray", "4 3") +
                  CSvgWriter::Attribute("stroke-width", "1"));
    svg_.Path("M" + FormatCoordinate(x - 5) + " " + FormatCoordinate(kValuesTop - 8) + "h10l-5 8z",
              CSvgWriter::Attribute("fill", svg_palette::kFirstDisagreement));
    svg_.CloseGroup();
  }

  // A transparent column over all three panels carrying the hover text; the
  // panels' top and height are given once, by an inner svg element.
  void HoverColumns() {
    svg_.Raw("<svg y=\"" + FormatCoordinate(kValuesTop) + "\" height=\"" +
             FormatCoordinate(kStripBottom - kValuesTop) + "\" overflow=\"visible\">");
    svg_.OpenGroup(CSvgWriter::Attribute("class", "cols"));
    std::string markup;  // reused from column to column
    for (const CPlotColumn& column : columns_) {
      markup = "<rect x=\"";
      AppendCoordinate(markup, X0(column));
      markup += "\" width=\"";
      AppendCoordinate(markup, X1(column) - X0(column));
      markup += "\" height=\"100%\">";
      svg_.Raw(markup);
      markup.clear();
      AppendHoverText(markup, column, data_.scale, detail_);
      svg_.Title(markup);
      svg_.Raw("</rect>");
    }
    svg_.CloseGroup();
    svg_.Raw("</svg>");
  }

  const CPlotData& data_;
  THoverDetail detail_;
  const CTotals& totals_;
  const CPlotColumns& columns_;
  CSvgWriter svg_;
  CLinearScale x_;
  CPlotRange valueRange_;
  CPlotRange errorRange_;
  CLinearScale y_;
  CLinearScale e_;
};

constexpr std::string_view kStyle =
    "body{font-family:Arial,sans-serif;margin:16px;color:#222}"
    "h1{font-size:1.3em;margin:0 0 .4em}p{margin:.3em 0}"
    "svg.plot{width:100%;max-width:1200px;height:auto;display:block;margin-top:.6em}"
    ".cols rect{fill:transparent}.cols rect:hover{fill:rgba(0,0,0,.12)}"
    ".fail{color:#c00;font-weight:bold}.pass{color:#060;font-weight:bold}";

void AppendLink(std::string& out, std::string_view target, std::string_view text) {
  out += "<a href=\"";
  AppendEscapedMarkup(out, target);
  out += "\">";
  AppendEscapedMarkup(out, text);
  out += "</a>";
}

std::string SummaryParagraph(const CPlotData& data, const CTotals& totals) {
  const CPlotColumns& columns = data.columns;
  std::string out = "<p>";
  out += totals.disagreeing > 0 ? "<span class=\"fail\">" : "<span class=\"pass\">";
  out += FormatCount(totals.disagreeing) + " of " + FormatCount(totals.values) +
         " values disagree</span>";
  if (totals.unreadable > 0) {
    out += " (" + FormatCount(totals.unreadable) + " with a value that is not hexadecimal)";
  }
  out += " in " + FormatCount(columns.Records()) + " output records";
  if (columns.Count() > 0) {
    out += "; each column of the plot holds " + FormatCount(columns.RecordsPerColumn()) +
           (columns.RecordsPerColumn() == 1 ? " record" : " records");
  }
  out += ".</p>";
  if (data.hasDisagreement) {
    out += "<p>First disagreement: record " + FormatCount(data.firstDisagreementRecord) +
           ", line " + FormatCount(data.firstDisagreementLine) + ", value pair " +
           FormatCount(data.firstDisagreementPair) + ".</p>";
  }
  out += "<p>Values: ";
  AppendEscapedMarkup(out, data.scale.AxisLabel());
  if (!data.scale.Note().empty()) {
    out += " (";
    AppendEscapedMarkup(out, data.scale.Note());
    out += ")";
  }
  out += "; error in units of the least significant bit.</p>";
  return out;
}

}  // namespace

std::string PlotPageHtml(const CPlotData& data, const CPlotPageInfo& info) {
  std::string page;
  WritePlotPageHtml(data, info, page);
  return page;
}

void WritePlotPageHtml(const CPlotData& data, const CPlotPageInfo& info, std::string& out) {
  const CTotals totals = TotalsOf(data.columns);
  out.reserve(kMaxPlotPageBytes);
  out =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>";
  AppendEscapedMarkup(out, info.vectorName);
  out += " – plot</title><style>";
  out += kStyle;
  out += "</style></head><body>\n<h1>";
  AppendEscapedMarkup(out, info.vectorName);
  out += "</h1>\n<p>";
  AppendEscapedMarkup(out, info.timingPath);
  if (!info.reportLink.empty()) {
    out += " · ";
    AppendLink(out, info.reportLink, "report");
  }
  if (!info.indexLink.empty()) {
    out += " · ";
    AppendLink(out, info.indexLink, "all vectors");
  }
  out += "</p>\n";
  out += SummaryParagraph(data, totals);
  out += "\n";
  if (data.columns.Count() == 0) {
    out += "<p>No output record: nothing to plot.</p>\n";
  } else {
    // Drawn straight into the page; hover texts tell less only when the page
    // would outgrow its limit, and the figure is then drawn again.
    const std::size_t tail = std::string_view("\n</body></html>\n").size();
    const std::size_t head = out.size();
    for (const THoverDetail detail :
         {THoverDetail::kValues, THoverDetail::kError, THoverDetail::kCounts}) {
      out.resize(head);
      out = CPlotFigure(data, totals, detail, std::move(out)).Draw();
      if (out.size() + tail <= kMaxPlotPageBytes) {
        break;
      }
    }
    out += "\n";
  }
  out += "</body></html>\n";
}
