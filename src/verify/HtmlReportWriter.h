// The HTML summary report of one timing file: a fixed head with its style
// sheet and header row, one table row per record, and a fixed tail.
//
// Token texts are HTML-escaped in the cells (&, <, > and "), so a report of
// tokens without those bytes is exactly the plain concatenation of the pieces.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "verify/OutputBuffer.h"

// The complete head, from "<html" up to and including the header row's "</tr>".
std::string_view ReportHeadText();
// Writes the head to a stream (the form the plug-in's callback object offers).
void WriteReportHead(std::ostream& out);

// Converts a value token into the text shown for it. The returned view stays
// valid until the next call. The text must hold no byte that HTML needs
// escaped (&, <, > or "): it is written as it is when the record's tokens
// need no escaping.
using TValueText = std::function<std::string_view(std::string_view token)>;

// Decides whether the two tokens of a pair agree, in place of comparing
// their texts byte for byte (comparison by number).
class CValueComparison {
 public:
  virtual ~CValueComparison() = default;
  virtual bool Agree(std::string_view fixedPoint, std::string_view rtl) const = 0;
};

class CHtmlReportWriter {
 public:
  // valueText empty: values are shown as their token texts. compare null:
  // a pair agrees when its texts are equal.
  explicit CHtmlReportWriter(COutputBuffer& out, TValueText valueText = {},
                             const CValueComparison* compare = nullptr);

  void WriteHead();
  // The first record of a file: time and clock count, two empty value cells.
  // escape: some token may hold a byte that HTML needs escaped (SplitRecord
  // tells); false writes the texts as they are.
  void WriteStartRow(std::string_view time, std::string_view clocks, bool escape = true);
  // A later record. values are the record's tokens from the fourth on, taken
  // in pairs (fixed-point value, RTL value); an unpaired last value is paired
  // with an empty RTL text. Returns the number of disagreeing pairs.
  std::uint64_t WriteOutputRow(std::string_view time, std::string_view clocks,
                               std::span<const std::string_view> values, bool escape = true);
  void WriteTail();

  // An output row written value by value, for a record too long to hold:
  // BeginStreamedRow, then for each of the two value cells (fixed-point, then
  // RTL) BeginStreamedCell, StreamedValue for every pair in order and
  // EndStreamedCell, then EndStreamedRow. The bytes are exactly those
  // WriteOutputRow writes for the same record.
  void BeginStreamedRow(std::string_view time, std::string_view clocks);
  void BeginStreamedCell();
  // pair counts from 0; token is the raw value token, absent for the RTL side
  // of an unpaired last value (shown empty).
  void StreamedValue(std::size_t pair, const std::string* token, bool agrees);
  void EndStreamedCell();
  void EndStreamedRow();

  // The pairs of the output row last written: nonzero for a pair that agreed.
  std::span<const unsigned char> Agreements() const { return agrees_; }

 private:
  std::uint64_t ComparePairs(std::span<const std::string_view> values);
  void WriteText(std::string_view text, bool escape);
  void WriteCell(std::string_view text, bool escape);
  void PrepareShownTexts(std::span<const std::string_view> values);
  template <bool kEscape>
  void WriteRow(std::string_view time, std::string_view clocks);

  COutputBuffer& out_;
  TValueText valueText_;
  const CValueComparison* compare_;
  // Per pair of the row being written, reused from row to row.
  std::vector<unsigned char> agrees_;
  std::vector<std::string_view> shown_;  // fixed-point and RTL text of each pair
  std::string converted_;                // the texts valueText_ gave for the row
  std::vector<std::pair<std::size_t, std::size_t>> extents_;  // in converted_
};
