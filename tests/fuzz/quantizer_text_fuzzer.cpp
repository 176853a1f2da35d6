// Feeds arbitrary text through the quantizer's text forms: the test-vector
// header, the Tcl list form and the quantizer words, and writes every text
// form of a quantizer made from arbitrary codes.
//
// Byte 0 chooses the form; the rest is the text (or, for codes, five bytes).
// Oracles: a header or list that was read writes back to a text that reads
// as the same quantizer.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <sstream>
#include <string>

#include "fixedpoint/Quantizer.h"
#include "host/TclDataObj.h"
#include "support/FuzzSupport.h"

namespace {

std::string HeaderOf(const CQuantizer& q) {
  return TypeName(q.GetType()) + " " + OverflowName(q.GetOverflowMode()) + " " +
         RoundName(q.GetRoundMode()) + " [" + std::to_string(q.GetWordLength()) + " " +
         std::to_string(q.GetFractionalLength()) + "]";
}

void FuzzHeader(std::string_view text) {
  std::optional<CQuantizer> read;
  try {
    read.emplace(text);
  } catch (const std::exception&) {
    return;  // a header outside the form is refused with a message
  }
  if (TypeName(read->GetType()).empty() || OverflowName(read->GetOverflowMode()).empty() ||
      RoundName(read->GetRoundMode()).empty()) {
    return;  // a header naming one category twice leaves another unset
  }
  const std::string written = HeaderOf(*read);
  const CQuantizer again{std::string_view(written)};
  FuzzCheck(again == *read, "header round trip: " + written, text);
}

void FuzzTclList(std::string_view text) {
  FuzzInterp();
  const CTclDataObj value{std::string(text)};
  CQuantizer read;
  try {
    read.SetFromTclList(&value, "fuzz.tcl", 1);
  } catch (const std::exception&) {
    return;
  }
  const std::string written = read.ToTclText();
  // ToTclText is a list holding the one quantizer list.
  const CTclDataObj outer{written};
  FuzzCheck(outer.GetNumElements() == 1, "list form has one element: " + written, text);
  const CTclDataObj inner = outer.GetElement(0);
  CQuantizer again;
  try {
    again.SetFromTclList(&inner, "fuzz.tcl", 2);
  } catch (const std::exception& e) {
    FuzzCheck(false, std::string("list form written does not read back: ") + e.what(), text);
  }
  FuzzCheck(again == read, "list round trip: " + written, text);
}

void FuzzWord(std::string_view text) {
  FuzzInterp();
  CQuantizer q;
  try {
    const int category = q.SetFromName(std::string(text), "fuzz.tcl", 3);
    FuzzCheck(category >= kWordType && category <= kWordRounding, "word category", text);
  } catch (const std::exception&) {
  }
}

void FuzzCodes(CFuzzFields& fields) {
  FuzzInterp();
  const int type = static_cast<std::int8_t>(fields.Byte());
  const int overflow = static_cast<std::int8_t>(fields.Byte());
  const int round = static_cast<std::int8_t>(fields.Byte());
  const int word = static_cast<std::int8_t>(fields.Byte());
  const int fraction = static_cast<std::int8_t>(fields.Byte());
  for (const bool padded : {false, true}) {
    (void)TypeName(type, padded);
    (void)OverflowName(overflow, padded);
    (void)RoundName(round, padded);
    (void)VdTypeName(type, padded);
    (void)VdOverflowName(overflow, padded);
    (void)VdRoundName(round, padded);
  }
  try {
    const CQuantizer q(type, overflow, round, word, fraction);
    std::ostringstream out;
    q.WriteDeclaration(out, false, false);
    q.WriteDeclaration(out, true, true);
    q.WriteXml(out, 1);
    q.WriteSystemCArgs(out);
    out << q.ToQuantizerText() << q.ToTclText() << q.FullIdentifier() << q.TypeIdentifier()
        << q.ModeIdentifier() << q.TypeText(true) << q.OverflowText(true)
        << q.RoundText(true, true);
  } catch (const std::exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CFuzzFields fields(data, size);
  switch (fields.Byte() % 4) {
    case 0:
      FuzzHeader(fields.Rest());
      break;
    case 1:
      FuzzTclList(fields.Rest());
      break;
    case 2:
      FuzzWord(fields.Rest());
      break;
    default:
      FuzzCodes(fields);
      break;
  }
  return 0;
}
