#include "summary/PlotPage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/Diagnosis.h"
#include "summary/MarkupEscape.h"
#include "summary/SvgWriter.h"

namespace {

// The figure's layout in SVG units.
constexpr double kWidth = 1200;
constexpr double kLeft = 100;
constexpr double kRight = 1160;
constexpr double kLegendY = 16;
constexpr double kValuesTop = 36;
constexpr double kValuesBottom = 216;
constexpr double kErrorTop = 234;
constexpr double kErrorBottom = 310;
constexpr double kStripTop = 322;
constexpr double kStripBottom = 340;
constexpr double kAxisY = 346;
constexpr double kHeight = 394;
// Columns drawn per channel: fewer when more channels share the page.
constexpr std::size_t kDrawnColumnsFew = 200;
constexpr std::size_t kDrawnColumnsMany = 100;
constexpr std::size_t kFewChannels = 4;
constexpr int kValueTicks = 10;
constexpr int kErrorTicks = 5;
constexpr int kRecordTicks = 10;
// Room above and below the traces, as a share of their span.
constexpr double kPadding = 0.04;

struct CTotals {
  std::uint64_t values = 0;
  std::uint64_t disagreeing = 0;
  std::uint64_t unreadable = 0;
  std::uint64_t unknown = 0;
  std::array<std::uint64_t, kValueClasses> classes{};
  CPlotRange codes;  // fixed point and RTL together
  CPlotRange error;
};

template <typename TColumns>
CTotals TotalsOf(const TColumns& columns) {
  CTotals totals;
  for (const CPlotColumn& column : columns) {
    totals.values += column.values;
    totals.disagreeing += column.disagreeing;
    totals.unreadable += column.unreadable;
    totals.unknown += column.unknown;
    for (std::size_t c = 0; c < kValueClasses; ++c) {
      totals.classes[c] += column.classes[c];
    }
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
  for (const EValueClass c : kAllValueClasses) {
    const std::uint32_t count = column.classes[static_cast<std::size_t>(c)];
    if (count > 0 && detail != THoverDetail::kCounts) {
      text += ", ";
      AppendCount(text, count);
      text += " ";
      text += ValueClassWords(c);
    }
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

// What one figure shows: the columns of one channel (or of all).
struct CFigureInput {
  const CPlotScale& scale;
  std::span<const CPlotColumn> columns;
  std::uint64_t recordsPerColumn = 1;
  std::string title;  // "value pair 2", shown at the top left
  // The first disagreement, when it is in this figure.
  std::optional<std::uint64_t> firstDisagreementRecord;
};

class CPlotFigure {
 public:
  // page: the text the figure is appended to (see CSvgWriter).
  CPlotFigure(const CFigureInput& data, const CTotals& totals, THoverDetail detail,
              std::string buffer)
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
           static_cast<double>(columns_[columns_.size() - 1].lastRecord + 1), kLeft, kRight),
        valueRange_(Padded(ScaledCodes(), Unit())),
        errorRange_(Padded(ErrorWithZero(), 1)),
        y_(valueRange_.min, valueRange_.max, kValuesBottom, kValuesTop),
        e_(errorRange_.min, errorRange_.max, kErrorBottom, kErrorTop) {}

  std::string Draw() {
    svg_.Title(data_.title +
               ": fixed-point and RTL values, their difference and the "
               "disagreements by class, per column of " +
               FormatCount(data_.recordsPerColumn) + " records");
    Legend();
    Axes();
    ValueTraces();
    ErrorTrace();
    UnknownMarks();
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
    svg_.Text(kLeft - 90, kLegendY, data_.title, CSvgWriter::Attribute("font-weight", "bold"));
    double x = kLeft;
    LegendEntry(x, svg_palette::kFixedPoint,
                data_.recordsPerColumn == 1 ? "fixed point" : "fixed point (min to max per column)",
                false);
    LegendEntry(x, svg_palette::kRtl, "RTL", true);
    LegendEntry(x, svg_palette::kError, "error: RTL minus fixed point", false);
    if (totals_.unknown > 0) {
      LegendEntry(x, svg_palette::kUnknownMark, "unknown X/Z", false);
    }
    if (data_.firstDisagreementRecord) {
      LegendEntry(x, svg_palette::kFirstDisagreement, "first disagreement", false);
    }
  }

  // A mark under the value traces where values were unknown.
  void UnknownMarks() {
    std::string path;
    for (const CPlotColumn& column : columns_) {
      if (column.unknown == 0) {
        continue;
      }
      const double x = (X0(column) + X1(column)) / 2;
      path += "M" + FormatCoordinate(x - 4) + " " + FormatCoordinate(kValuesBottom) + "l4 -8l4 8z";
    }
    if (!path.empty()) {
      svg_.Path(path, CSvgWriter::Attribute("fill", svg_palette::kUnknownMark));
    }
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
    points.reserve(columns_.size());
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

  // The columns with disagreements in the colour of their leading class,
  // neighbouring columns of one class drawn as one path.
  void Strip() {
    svg_.Rect(kLeft, kStripTop, kRight - kLeft, kStripBottom - kStripTop,
              CSvgWriter::Attribute("fill", svg_palette::kBackground));
    std::array<std::string, kValueClasses> paths;
    const std::string height = FormatCoordinate(kStripBottom - kStripTop);
    const auto classOf = [](const CPlotColumn& column) {
      return column.disagreeing == 0 ? -1 : static_cast<int>(column.DominantClass());
    };
    std::size_t n = 0;
    while (n < columns_.size()) {
      const int c = classOf(columns_[n]);
      std::size_t end = n + 1;
      while (end < columns_.size() && classOf(columns_[end]) == c) {
        ++end;
      }
      if (c >= 0) {
        const std::string width = FormatCoordinate(X1(columns_[end - 1]) - X0(columns_[n]));
        paths[static_cast<std::size_t>(c)] += "M" + FormatCoordinate(X0(columns_[n])) + " " +
                                              FormatCoordinate(kStripTop) + "h" + width + "v" +
                                              height + "h-" + width + "z";
      }
      n = end;
    }
    for (std::size_t c = 0; c < kValueClasses; ++c) {
      if (!paths[c].empty()) {
        svg_.Path(paths[c], CSvgWriter::Attribute("fill", svg_palette::kValueClass[c]));
      }
    }
  }

  void FirstDisagreement() {
    if (!data_.firstDisagreementRecord) {
      return;
    }
    const double x = x_(static_cast<double>(*data_.firstDisagreementRecord));
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

  const CFigureInput& data_;
  THoverDetail detail_;
  const CTotals& totals_;
  std::span<const CPlotColumn> columns_;
  CSvgWriter svg_;
  CLinearScale x_;
  CPlotRange valueRange_;
  CPlotRange errorRange_;
  CLinearScale y_;
  CLinearScale e_;
};

constexpr std::string_view kStyle =
    "body{font-family:Arial,sans-serif;margin:16px;color:#222}"
    "h1{font-size:1.3em;margin:0 0 .4em}p{margin:.3em 0;overflow-wrap:anywhere}"
    "svg.plot{width:100%;max-width:1200px;height:auto;display:block;margin-top:.6em}"
    ".cols rect{fill:transparent}.cols rect:hover{fill:rgba(0,0,0,.12)}"
    ".fail{color:#c00;font-weight:bold}.pass{color:#060;font-weight:bold}"
    ".c{border-left:12px solid;padding-left:4px;white-space:nowrap}";

void AppendLink(std::string& out, std::string_view target, std::string_view text) {
  out += "<a href=\"";
  AppendEscapedMarkup(out, target);
  out += "\">";
  AppendEscapedMarkup(out, text);
  out += "</a>";
}

// The channels a page draws, in pair order (from 0): all of them up to
// kPlotChannels, else the kPlotChannels with the most disagreements, the
// lower pair first on a tie.
std::vector<std::size_t> DrawnChannels(const std::vector<std::uint64_t>& disagreeing) {
  std::vector<std::size_t> order(disagreeing.size());
  for (std::size_t c = 0; c < order.size(); ++c) {
    order[c] = c;
  }
  if (order.size() > kPlotChannels) {
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return disagreeing[a] > disagreeing[b]; });
    order.resize(kPlotChannels);
    std::sort(order.begin(), order.end());
  }
  return order;
}

// Which value pairs are drawn when not all are.
std::string LeftOutNote(const CPlotData& data, const std::vector<std::size_t>& drawn) {
  const std::uint64_t positions = data.channels.Positions();
  if (positions <= kPlotChannels) {
    return {};
  }
  std::string pairs;
  for (const std::size_t c : drawn) {
    pairs += pairs.empty() ? "" : ", ";
    pairs += std::to_string(c + 1);
  }
  std::string out = "<p>" + FormatCount(positions) + " value pairs per record; " +
                    std::to_string(drawn.size()) + " drawn, " +
                    FormatCount(positions - drawn.size()) + " left out: the " +
                    std::to_string(kPlotChannels) + " with the most disagreements (the lower " +
                    "pair first on a tie) are drawn, in pair order: " + pairs + ".";
  if (positions > data.channels.Channels()) {
    out += " Pairs past " + FormatCount(data.channels.Channels()) +
           " are not followed one by one and never drawn.";
  }
  out += " The counts of every pair are in the run's JSON (\"channels\").</p>";
  return out;
}

// recordsPerColumn: the records of one drawn column (the figures may merge
// the file's columns further to keep the page small).
std::string SummaryParagraph(const CPlotData& data, const CTotals& totals,
                             const CPlotPageInfo& info, std::uint64_t recordsPerColumn) {
  const CPlotColumns& columns = data.columns;
  std::string out = "<p>";
  out += totals.disagreeing > 0 ? "<span class=\"fail\">" : "<span class=\"pass\">";
  out += FormatCount(totals.disagreeing) + " of " + FormatCount(totals.values) +
         " values disagree</span>";
  // The classes in words, most first.
  CClassCounts counts;
  counts.counts = totals.classes;
  std::string classes;
  for (const EValueClass c : ClassesByCount(counts)) {
    classes += classes.empty() ? "" : ", ";
    classes += "<span class=\"c\" style=\"border-color:" +
               std::string(svg_palette::kValueClass[static_cast<std::size_t>(c)]) + "\">" +
               FormatCount(counts[c]) + " " + std::string(ValueClassWords(c)) + "</span>";
  }
  if (!classes.empty()) {
    out += ": " + classes;
  }
  out += " in " + FormatCount(columns.Records()) + " output records";
  if (columns.Count() > 0) {
    out += "; each column of the plots holds " + FormatCount(recordsPerColumn) +
           (recordsPerColumn == 1 ? " record" : " records") + " or more";
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
  if (info.realValues && data.scale.IsSigned()) {
    out +=
        "<p>The report converts values of fewer than 16 digits as non-negative patterns; these "
        "plots read them as signed " +
        std::to_string(data.scale.WordLength()) +
        "-bit words, so a negative value shows "
        "below zero here and as a large positive number in the report.</p>";
  }
  return out;
}

// How many neighbouring columns are merged into one drawn column so that at
// most most of them are left.
std::size_t MergedColumns(std::size_t columns, std::size_t most) {
  return (columns + most - 1) / std::max<std::size_t>(most, 1);
}

// A channel's columns, neighbours merged until at most most of them are left.
std::vector<CPlotColumn> DrawnColumns(std::vector<CPlotColumn> columns, std::size_t most,
                                      std::uint64_t& recordsPerColumn) {
  const std::size_t group = MergedColumns(columns.size(), most);
  if (group <= 1) {
    return columns;
  }
  std::vector<CPlotColumn> drawn;
  for (std::size_t n = 0; n < columns.size(); n += group) {
    CPlotColumn merged = columns[n];
    for (std::size_t k = n + 1; k < n + group && k < columns.size(); ++k) {
      merged.Merge(columns[k]);
    }
    drawn.push_back(merged);
  }
  recordsPerColumn *= group;
  return drawn;
}

}  // namespace

std::string PlotPageHtml(const CPlotData& data, const CPlotPageInfo& info) {
  std::string page;
  WritePlotPageHtml(data, info, page);
  return page;
}

void WritePlotPageHtml(const CPlotData& data, const CPlotPageInfo& info, std::string& out) {
  const CTotals totals = TotalsOf(data.columns);
  // Each channel's columns, and the channels drawn.
  std::vector<std::vector<CPlotColumn>> channelColumns(data.channels.Channels());
  std::vector<std::uint64_t> disagreeing(channelColumns.size());
  for (std::size_t c = 0; c < channelColumns.size(); ++c) {
    channelColumns[c] = data.channels.Of(c, data.columns);
    for (const CPlotColumn& column : channelColumns[c]) {
      disagreeing[c] += column.disagreeing;
    }
  }
  const std::vector<std::size_t> drawn = DrawnChannels(disagreeing);
  const std::size_t channels = drawn.size();
  const std::size_t limit = channels > kFewChannels ? kMaxPlotPageBytesMany : kMaxPlotPageBytes;
  out.reserve(limit);
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
  const std::size_t mostColumns = channels > kFewChannels ? kDrawnColumnsMany : kDrawnColumnsFew;
  std::uint64_t drawnPerColumn =
      data.columns.RecordsPerColumn() * data.channels.FileColumnsPerColumn();
  std::size_t group = 1;
  for (const std::size_t c : drawn) {
    group = std::max(group, MergedColumns(channelColumns[c].size(), mostColumns));
  }
  drawnPerColumn *= group;
  out += SummaryParagraph(data, totals, info, drawnPerColumn);
  out += LeftOutNote(data, drawn);
  out += "\n";
  if (data.columns.Count() == 0 || channels == 0) {
    out += data.columns.Count() == 0 ? "<p>No output record: nothing to plot.</p>\n"
                                     : "<p>No value pair in the output records: nothing to "
                                       "plot.</p>\n";
    out += "</body></html>\n";
    return;
  }
  // One figure per channel, its columns merged down to what the page's size allows.
  std::vector<std::vector<CPlotColumn>> columns(channels);
  std::vector<CTotals> channelTotals(channels);
  std::vector<CFigureInput> figures;
  for (std::size_t k = 0; k < channels; ++k) {
    const std::size_t c = drawn[k];
    std::uint64_t perColumn =
        data.columns.RecordsPerColumn() * data.channels.FileColumnsPerColumn();
    columns[k] = DrawnColumns(std::move(channelColumns[c]), mostColumns, perColumn);
    channelTotals[k] = TotalsOf(columns[k]);
    CFigureInput figure{data.scale, columns[k], perColumn, "value pair " + std::to_string(c + 1),
                        std::nullopt};
    if (data.hasDisagreement && data.firstDisagreementPair == c + 1) {
      figure.firstDisagreementRecord = data.firstDisagreementRecord;
    }
    figures.push_back(std::move(figure));
  }
  // Drawn straight into the page; hover texts tell less only when the page
  // would outgrow its limit, and the figures are then drawn again.
  const std::size_t tail = std::string_view("\n</body></html>\n").size();
  const std::size_t head = out.size();
  for (const THoverDetail detail :
       {THoverDetail::kValues, THoverDetail::kError, THoverDetail::kCounts}) {
    out.resize(head);
    for (std::size_t c = 0; c < channels; ++c) {
      out = CPlotFigure(figures[c], channelTotals[c], detail, std::move(out)).Draw();
      out += "\n";
    }
    if (out.size() + tail <= limit) {
      break;
    }
  }
  out += "</body></html>\n";
}
