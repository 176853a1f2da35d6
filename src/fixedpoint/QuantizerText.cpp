// The text forms of CQuantizer: Tcl lists and header lines read, and the
// Tcl list, "quantizer(" text, declarations, XML, SystemC arguments and
// identifiers written.
#include <cctype>
#include <climits>
#include <ostream>
#include <stdexcept>
#include <string>

#include "diagnostics/MessageReport.h"
#include "fixedpoint/Quantizer.h"
#include "host/TclDataObj.h"
#include "util/StringUtil.h"

namespace {

// The leading decimal integer of text: blanks skipped, an optional sign, the
// digits that follow; 0 without digits. Saturates at the int range.
int LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      value = static_cast<long long>(INT_MAX) + 1;
    }
  }
  if (negative) {
    value = -value;
  }
  if (value > INT_MAX) {
    return INT_MAX;
  }
  return static_cast<int>(value);
}

bool ReadsAsInteger(const CTclDataObj& element, int& value) {
  try {
    value = element.GetIntValue();
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

[[noreturn]] void ReportListError(const char* msgId, const std::string& param, const char* fileName,
                                  int line) {
  CTclDataObj params;
  params.MakeList();
  params.AppendElement(EscapeControlBytes(param));  // a NUL must not end the error's text
  ReportError(msgId, fileName, line, &params, true);
}

bool IsBlankText(std::string_view text) {
  for (char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  return true;
}

}  // namespace

// ---- reading

void CQuantizer::SetFromTclList(const CTclDataObj* value, const char* fileName, int line) {
  if (value == nullptr) {
    return;
  }
  const int count = value->GetNumElements();
  if (count == 0 && !IsBlankText(value->GetStringView())) {
    // Not a well-formed list: no word of it can be recognised.
    ReportListError("DIR-0037", value->GetStringValue(), fileName, line);
  }
  bool nested = false;
  for (int i = 0; i < count && !nested; ++i) {
    nested = value->GetElement(i).GetNumElements() >= 2;
  }

  std::vector<std::string> words;
  std::vector<int> integers;
  for (int i = 0; i < count; ++i) {
    const CTclDataObj element = value->GetElement(i);
    int number = 0;
    if (!nested) {
      if (ReadsAsInteger(element, number)) {
        integers.push_back(number);
      } else {
        words.push_back(element.GetStringValue());
      }
      continue;
    }
    const int parts = element.GetNumElements();
    if (parts < 2) {
      words.push_back(element.GetStringValue());
      continue;
    }
    for (int j = 0; j < parts; ++j) {
      if (!ReadsAsInteger(element.GetElement(j), number)) {
        ReportListError("DIR-0035", element.GetStringValue(), fileName, line);
      }
      integers.push_back(number);
    }
  }
  ApplyWordsAndLengths(words, integers, fileName, line);
}

void CQuantizer::ApplyWordsAndLengths(const std::vector<std::string>& words,
                                      const std::vector<int>& integers, const char* fileName,
                                      int line) {
  if (integers.size() > 2) {
    ReportError("DIR-0036", fileName, line, true);
  }
  if (!integers.empty()) {
    wordLength = integers[0];
  }
  if (integers.size() == 2) {
    fractionalLength = integers[1];
  }
  for (const std::string& word : words) {
    SetFromName(word, fileName, line);
  }
  ComputeRange();
  fromData = false;
}

void CQuantizer::SetFromHeader(std::string_view text) {
  const std::vector<std::string> tokens = SplitString(text, " ");
  if (tokens.size() < 5) {
    throw std::runtime_error("Malformed quantizer header " + QuotedForMessage(text) +
                             ": expected five blank-separated fields (type, overflow mode, "
                             "round mode, [word length, fractional length]), found " +
                             std::to_string(tokens.size()));
  }
  SetFromName(tokens[0], "", -1);
  SetFromName(tokens[1], "", -1);
  SetFromName(tokens[2], "", -1);
  // "[16" and "8]": the bracket is the first character of the one and the
  // last character of the other.
  const std::string_view word = tokens[3];
  const std::string_view fraction = tokens[4];
  wordLength = LeadingInteger(word.empty() ? word : word.substr(1));
  fractionalLength =
      LeadingInteger(fraction.empty() ? fraction : fraction.substr(0, fraction.size() - 1));
}

// ---- writing

bool CQuantizer::ToTclList(CTclDataObj& target) const {
  CTclDataObj lengths;
  lengths.MakeList();
  lengths.AppendElement(wordLength);
  lengths.AppendElement(fractionalLength);
  CTclDataObj form;
  form.MakeList();
  form.AppendElement(TypeName(type));
  form.AppendElement(RoundName(roundMode));
  form.AppendElement(OverflowName(overflowMode));
  form.AppendElement(lengths);
  target.AppendElement(form);
  return true;
}

std::string CQuantizer::ToTclText() const {
  CTclResultObj result;
  ToTclList(result);
  return result.GetStringValue();
}

std::string CQuantizer::ToQuantizerText() const {
  return "quantizer( '" + TypeName(type) + "', '" + RoundName(roundMode) + "', '" +
         OverflowName(overflowMode) + "', [ " + std::to_string(wordLength) + " " +
         std::to_string(fractionalLength) + " ] )";
}

void CQuantizer::WriteDeclaration(std::ostream& out, bool argumentForm, bool korvelStyle) const {
  const std::string q = korvelStyle ? "\"" : "'";
  const auto quoted = [&q](const std::string& word) { return q + word + q; };
  std::string text;
  if (argumentForm) {
    text = std::string(IsSigned() ? "1" : "0") + ", " + std::to_string(wordLength) + ", " +
           std::to_string(fractionalLength) + ", " + quoted("roundmode") + ", " +
           quoted(RoundText(true)) + ", " + quoted("overflowmode") + ", " +
           quoted(OverflowName(overflowMode));
  } else {
    text = std::string(korvelStyle ? "korvel_quantizer" : "quantizer") + "( " +
           quoted(TypeName(type)) + ", " + quoted(OverflowName(overflowMode)) + ", " +
           quoted(RoundName(roundMode)) + ", " + (korvelStyle ? "" : "[") +
           std::to_string(wordLength) + ", " + std::to_string(fractionalLength) +
           (korvelStyle ? "" : "]") + " )";
  }
  out << text;
}

void CQuantizer::WriteXml(std::ostream& out, int level) const {
  const std::string outer(level > 0 ? 4 * static_cast<std::size_t>(level) : 0, ' ');
  const std::string inner = outer + "    ";
  std::string text;
  text += outer + "<QuantizerInfo>\n";
  text += inner + "<Type>" + TypeName(type) + "</Type>\n";
  text += inner + "<Overflow>" + OverflowName(overflowMode) + "</Overflow>\n";
  text += inner + "<Rounding>" + RoundName(roundMode) + "</Rounding>\n";
  text += inner + "<WordLength>" + std::to_string(wordLength) + "</WordLength>\n";
  text += inner + "<FractionalLength>" + std::to_string(fractionalLength) + "</FractionalLength>\n";
  text += outer + "</QuantizerInfo>\n";
  out << text;
}

std::ostream& CQuantizer::WriteSystemCArgs(std::ostream& out) const {
  std::string text = std::to_string(wordLength) + ", " +
                     std::to_string(static_cast<long long>(wordLength) - fractionalLength) + ", ";
  if (roundMode == kRoundFloor) {
    text += "SC_TRN, ";
  } else if (roundMode == kRoundRound || roundMode == kRoundNearest) {
    text += "SC_RND, ";
  }
  if (overflowMode == kOverflowWrap) {
    text += "SC_WRAP ";
  } else if (overflowMode == kOverflowSaturate) {
    text += "SC_SAT ";
  }
  return out << text;
}

std::string CQuantizer::FullIdentifier() const {
  return "kv_" + TypeName(type) + "_" + OverflowName(overflowMode) + "_" + RoundName(roundMode) +
         "_" + std::to_string(wordLength) + "_" + std::to_string(fractionalLength);
}

std::string CQuantizer::TypeIdentifier() const {
  return "kv_" + TypeName(type) + "_" + std::to_string(wordLength) + "_" +
         std::to_string(fractionalLength);
}

std::string CQuantizer::ModeIdentifier() const {
  return "kv_" + OverflowName(overflowMode) + "_" + RoundText(true);
}
