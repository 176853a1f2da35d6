#include "verify/HtmlReportWriter.h"

#include <cstring>
#include <ostream>
#include <utility>

namespace {

// The head, piece by piece as the report has always been laid out; keeping
// the pieces apart makes every tab and line end easy to check.
#define REPORT_HEAD_PIECES                                               \
  "<html xmlns:fo=\""                                                    \
  "http://www.w3.org/1999/XSL/Format"                                    \
  "\">\n"                                                                \
  "<head><title>KorvelDSP Summary Report</title><style>\n"               \
  "BODY {\n"                                                             \
  "\tfont-family:\t\t'Arial';\n"                                         \
  "}\n\n"                                                                \
  ".title {\n"                                                           \
  "\tfont-size:\t\t\t\tlarge;\n"                                         \
  "\tcolor:\t\t\t\t\t#000000;\n"                                         \
  "\ttext-decoration:\t\t\tnone;\n"                                      \
  "\ttext-align:\t\t\t\tleft;\n"                                         \
  "\tfont-weight:\t\t\t\tbold;\n"                                        \
  "}\n\n"                                                                \
  ".table_header_center {\n"                                             \
  "\tfont-size:\t\t\t\tx-small;\n"                                       \
  "\tfont-weight:\t\t\t\tbold;\n"                                        \
  "\ttext-align:\t\t\t\tcenter;\n"                                       \
  "\tbackground-color:\t\t\t#6b7ba3;\n"                                  \
  "\tcolor:\t\t\t\t\t#eddeaf;\n"                                         \
  "\ttext-decoration:\t\t\tnone;\n"                                      \
  "\tborder-color:\t\t\t\t#ffffff;\n"                                    \
  "\tborder-width:\t\t\t\t1px;\n"                                        \
  "\tpadding-left:\t\t\t\t1em;\n"                                        \
  "\tpadding-right:\t\t\t1em;\n"                                         \
  "}\n\n"                                                                \
  ".table_data_center {\n"                                               \
  "\tfont-size:\t\t\t\tx-small;\n"                                       \
  "\ttext-align:\t\t\t\tcenter;\n"                                       \
  "\tbackground-color:\t\t\t#dadada;\n"                                  \
  "\tcolor:\t\t\t\t\t#000000;\n"                                         \
  "\ttext-decoration:\t\t\tnone;\n"                                      \
  "\tborder-color: \t\t\t#ffffff;\n"                                     \
  "\tborder-width: \t\t\t1px;\n"                                         \
  "\tpadding-left:\t\t\t\t1em;\n"                                        \
  "\tpadding-right:\t\t\t1em;\n"                                         \
  "}\n"                                                                  \
  "</style>\n"                                                           \
  "</head><body>\n"                                                      \
  "<span class=\"title\"></span><br><br><center><table width=\"70%\">\n" \
  "<tr>\n"                                                               \
  "<td class=\"table_header_center\">Time (ns)</td>"                     \
  "<td class=\"table_header_center\"># of Clocks Since Last Output</td>" \
  "<td class=\"table_header_center\">Fixed Point Simulation Values</td>" \
  "<td class=\"table_header_center\">RTL Simulation Values</td>\n"       \
  "</tr>"

constexpr std::string_view kHead = REPORT_HEAD_PIECES;
#undef REPORT_HEAD_PIECES

constexpr std::string_view kRowOpen = "<tr>\n";
constexpr std::string_view kRowClose = "</tr>\n";
constexpr std::string_view kCellOpen = "\t<td class=\"table_data_center\">";
constexpr std::string_view kCellClose = "</td>\n";
constexpr std::string_view kEmptyCell = "\t<td class=\"table_data_center\">&nbsp;</td>\n";
constexpr std::string_view kSpace = "&nbsp;";
constexpr std::string_view kBreak = "<br>";
constexpr std::string_view kRedOpen = "<font color=\"red\">";
constexpr std::string_view kRedClose = "</font>";
constexpr std::string_view kTail = "</table>\n</center>\n<br>\n</body></html>\n";

// At most this many values stand on one visual line of a cell.
constexpr std::size_t kPairsPerLine = 5;

}  // namespace

std::string_view ReportHeadText() {
  return kHead;
}

void WriteReportHead(std::ostream& out) {
  out.write(kHead.data(), kHead.size());
}

CHtmlReportWriter::CHtmlReportWriter(COutputBuffer& out, TValueText valueText,
                                     const CValueComparison* compare)
    : out_(out), valueText_(std::move(valueText)), compare_(compare) {}

void CHtmlReportWriter::WriteHead() {
  out_.Append(kHead);
}

void CHtmlReportWriter::WriteTail() {
  out_.Append(kTail);
}

void CHtmlReportWriter::WriteText(std::string_view text, bool escape) {
  if (escape) {
    out_.AppendHtmlEscaped(text);
  } else {
    out_.Append(text);
  }
}

void CHtmlReportWriter::WriteCell(std::string_view text, bool escape) {
  out_.Append(kCellOpen);
  WriteText(text, escape);
  out_.Append(kCellClose);
}

void CHtmlReportWriter::WriteStartRow(std::string_view time, std::string_view clocks, bool escape) {
  out_.Append(kRowOpen);
  WriteCell(time, escape);
  WriteCell(clocks, escape);
  out_.Append(kEmptyCell);
  out_.Append(kEmptyCell);
  out_.Append(kRowClose);
}

std::uint64_t CHtmlReportWriter::ComparePairs(std::span<const std::string_view> values) {
  const std::size_t pairs = (values.size() + 1) / 2;
  agrees_.resize(pairs);
  std::uint64_t disagreeing = 0;
  if (compare_ != nullptr) {
    for (std::size_t n = 0; n < pairs; ++n) {
      const std::size_t k = 2 * n;
      const bool agrees = k + 1 < values.size() && compare_->Agree(values[k], values[k + 1]);
      agrees_[n] = agrees;
      disagreeing += agrees ? 0 : 1;
    }
    return disagreeing;
  }
  for (std::size_t n = 0; n < pairs; ++n) {
    const std::size_t k = 2 * n;
    // An unpaired last value has nothing on the RTL side and so disagrees.
    const bool agrees = k + 1 < values.size() && values[k] == values[k + 1];
    agrees_[n] = agrees;
    disagreeing += agrees ? 0 : 1;
  }
  return disagreeing;
}

void CHtmlReportWriter::PrepareShownTexts(std::span<const std::string_view> values) {
  const std::size_t pairs = agrees_.size();
  shown_.assign(2 * pairs, std::string_view());
  if (!valueText_) {
    for (std::size_t k = 0; k < values.size(); ++k) {
      shown_[k] = values[k];
    }
    return;
  }
  // Each converted text is kept in one scratch string; an agreeing pair is
  // converted once for both cells.
  converted_.clear();
  extents_.assign(2 * pairs, {0, 0});
  for (std::size_t n = 0; n < pairs; ++n) {
    const std::size_t k = 2 * n;
    const std::string_view fixed = valueText_(values[k]);
    extents_[k] = {converted_.size(), fixed.size()};
    converted_.append(fixed);
    if (agrees_[n]) {
      extents_[k + 1] = extents_[k];
    } else if (k + 1 < values.size()) {
      const std::string_view rtl = valueText_(values[k + 1]);
      extents_[k + 1] = {converted_.size(), rtl.size()};
      converted_.append(rtl);
    }
  }
  for (std::size_t k = 0; k < shown_.size(); ++k) {
    shown_[k] = std::string_view(converted_).substr(extents_[k].first, extents_[k].second);
  }
}

namespace {

char* Put(char* at, std::string_view text) {
  if (!text.empty()) {  // an empty view may have no data to copy from
    std::memcpy(at, text.data(), text.size());
  }
  return at + text.size();
}

// Bytes of markup around the values of one output row, and per pair (both
// cells together): the bound for writing a row without further checks.
constexpr std::size_t kRowMarkupBytes =
    kRowOpen.size() + 4 * (kCellOpen.size() + kCellClose.size()) + kRowClose.size();
constexpr std::size_t kPairMarkupBytes =
    2 * (kBreak.size() + kSpace.size() + kRedOpen.size() + kRedClose.size());

}  // namespace

// The whole row is written in one reserved stretch of the buffer; with
// kEscape the texts go through their character references.
template <bool kEscape>
void CHtmlReportWriter::WriteRow(std::string_view time, std::string_view clocks) {
  const auto text = [](char* at, std::string_view t) {
    return kEscape ? PutHtmlEscaped(at, t) : Put(at, t);
  };
  std::size_t textBytes = time.size() + clocks.size();
  for (const std::string_view shown : shown_) {
    textBytes += shown.size();
  }
  const std::size_t bound = kRowMarkupBytes + agrees_.size() * kPairMarkupBytes +
                            textBytes * (kEscape ? kMaxEscapedBytesPerByte : 1);

  char* p = out_.Reserve(bound);
  p = Put(p, kRowOpen);
  p = Put(text(Put(p, kCellOpen), time), kCellClose);
  p = Put(text(Put(p, kCellOpen), clocks), kCellClose);
  for (std::size_t side = 0; side < 2; ++side) {
    p = Put(p, kCellOpen);
    for (std::size_t n = 0; n < agrees_.size(); ++n) {
      if (n > 0 && n % kPairsPerLine == 0) {
        p = Put(p, kBreak);
      }
      p = Put(p, kSpace);
      const std::string_view shown = shown_[2 * n + side];
      p = agrees_[n] ? text(p, shown) : Put(text(Put(p, kRedOpen), shown), kRedClose);
    }
    p = Put(p, kCellClose);
  }
  p = Put(p, kRowClose);
  out_.Commit(p);
}

std::uint64_t CHtmlReportWriter::WriteOutputRow(std::string_view time, std::string_view clocks,
                                                std::span<const std::string_view> values,
                                                bool escape) {
  const std::uint64_t disagreeing = ComparePairs(values);
  PrepareShownTexts(values);
  if (escape) {
    WriteRow<true>(time, clocks);
  } else {
    WriteRow<false>(time, clocks);
  }
  return disagreeing;
}

// Every text goes through the character references: a text without the four
// bytes comes out as it is, so the bytes equal those of WriteRow either way.
void CHtmlReportWriter::BeginStreamedRow(std::string_view time, std::string_view clocks) {
  out_.Append(kRowOpen);
  WriteCell(time, true);
  WriteCell(clocks, true);
}

void CHtmlReportWriter::BeginStreamedCell() {
  out_.Append(kCellOpen);
}

void CHtmlReportWriter::StreamedValue(std::size_t pair, const std::string* token, bool agrees) {
  if (pair > 0 && pair % kPairsPerLine == 0) {
    out_.Append(kBreak);
  }
  out_.Append(kSpace);
  std::string_view shown;
  if (token != nullptr) {
    shown = valueText_ ? valueText_(*token) : std::string_view(*token);
  }
  if (agrees) {
    out_.AppendHtmlEscaped(shown);
    return;
  }
  out_.Append(kRedOpen);
  out_.AppendHtmlEscaped(shown);
  out_.Append(kRedClose);
}

void CHtmlReportWriter::EndStreamedCell() {
  out_.Append(kCellClose);
}

void CHtmlReportWriter::EndStreamedRow() {
  out_.Append(kRowClose);
}
