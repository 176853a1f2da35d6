#include "app/QuantizerForms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "analysis/PlotScale.h"
#include "util/StringUtil.h"

namespace {

constexpr const char* kModeWords = "fixed or ufixed";
constexpr const char* kRoundWords = "floor, ceil, fix, round, nearest or convergent";
constexpr const char* kOverflowWords = "wrap or saturate";

// Checks that word is a quantizer word (DIR-0037 otherwise) of the category
// `expected`, on a scratch quantizer.
void CheckWord(const std::string& word, int expected, const char* setting, const char* words) {
  CQuantizer scratch(std::string_view("fixed wrap floor [2 1]"));
  int category = -1;
  try {
    category = scratch.SetFromName(word, "", -1);
  } catch (const std::runtime_error& e) {
    throw CQuantizerError("DIR-0037", e.what());
  }
  if (category != expected) {
    throw CQuantizerError("OPTION",
                          std::string("bad ") + setting + " \"" + word + "\": must be " + words);
  }
}

}  // namespace

CQuantizer MakeQuantizer(const CQuantizerSettings& settings) {
  CheckWord(settings.mode, kWordType, "mode", kModeWords);
  CheckWord(settings.round, kWordRounding, "round mode", kRoundWords);
  CheckWord(settings.overflow, kWordOverflow, "overflow mode", kOverflowWords);
  try {
    return CQuantizer(settings.mode, settings.round, settings.overflow, settings.wordLength,
                      settings.fractionLength);
  } catch (const std::runtime_error& e) {
    throw CQuantizerError("DIR-0038", e.what());
  }
}

CQuantizerSettings SettingsOf(const CQuantizer& quantizer) {
  CQuantizerSettings settings;
  settings.mode = TypeName(quantizer.GetType());
  settings.round = RoundName(quantizer.GetRoundMode());
  settings.overflow = OverflowName(quantizer.GetOverflowMode());
  settings.wordLength = quantizer.GetWordLength();
  settings.fractionLength = quantizer.GetFractionalLength();
  return settings;
}

CQuantizer QuantizerFromHeader(std::string_view header) {
  const std::string_view text =
      !header.empty() && header.front() == '%' ? header.substr(1) : header;
  if (SplitString(text, " ").size() < 5) {
    throw CQuantizerError("HEADER", "bad quantizer header \"" + std::string(header) +
                                        "\": expected \"TYPE OVERFLOW ROUND [WL FL]\"");
  }
  std::optional<CQuantizer> quantizer;
  try {
    quantizer.emplace(text);
  } catch (const std::runtime_error& e) {
    throw CQuantizerError("DIR-0037", e.what());
  }
  if (quantizer->GetOverflowMode() < 0 || quantizer->GetRoundMode() < 0) {
    throw CQuantizerError("HEADER", "bad quantizer header \"" + std::string(header) +
                                        "\": it needs a type, an overflow mode and a round mode");
  }
  try {
    quantizer->Validate(nullptr, -1);
  } catch (const std::runtime_error& e) {
    throw CQuantizerError("DIR-0038", e.what());
  }
  return *quantizer;
}

std::string HeaderOf(const CQuantizer& quantizer) {
  return TypeName(quantizer.GetType()) + " " + OverflowName(quantizer.GetOverflowMode()) + " " +
         RoundName(quantizer.GetRoundMode()) + " [" + std::to_string(quantizer.GetWordLength()) +
         " " + std::to_string(quantizer.GetFractionalLength()) + "]";
}

// ---- codes

CCodeFormat::CCodeFormat(const CQuantizer& quantizer)
    : CCodeFormat(quantizer.GetWordLength(), quantizer.GetFractionalLength(),
                  quantizer.IsSigned()) {}

CCodeFormat::CCodeFormat(int wordLength, int fractionLength, bool isSigned)
    : wordLength_(wordLength), fractionLength_(fractionLength), isSigned_(isSigned) {
  if (wordLength < 1 || wordLength > 64) {
    throw CQuantizerError(
        "CODE", "codes need a word length of 1 to 64 bits, not " + std::to_string(wordLength));
  }
  mask_ = wordLength == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << wordLength) - 1;
}

std::int64_t CCodeFormat::MinCode() const {
  return isSigned_ ? SignedCode(std::uint64_t{1} << (wordLength_ - 1)) : 0;
}

std::uint64_t CCodeFormat::MaxPattern() const {
  return isSigned_ ? mask_ >> 1 : mask_;
}

bool CCodeFormat::PatternOfValue(double value, std::uint64_t& pattern) const {
  const double scaled = std::ldexp(value, fractionLength_);
  if (!std::isfinite(scaled) || scaled != std::trunc(scaled)) {
    return false;
  }
  // 2^(WL-1) for a signed format, 2^WL for an unsigned one: the first value
  // past the codes, exact as a double.
  const double limit = std::ldexp(1.0, isSigned_ ? wordLength_ - 1 : wordLength_);
  const double lowest = isSigned_ ? -limit : 0.0;
  if (scaled < lowest) {
    return false;
  }
  if (scaled >= limit) {
    // Above 53 bits the largest value rounds up to the limit as a double.
    if (scaled == limit && static_cast<double>(MaxPattern()) == limit) {
      pattern = MaxPattern();
      return true;
    }
    return false;
  }
  if (isSigned_) {
    pattern = static_cast<std::uint64_t>(static_cast<std::int64_t>(scaled)) & mask_;
  } else {
    pattern = static_cast<std::uint64_t>(scaled);
  }
  return true;
}

double CCodeFormat::ValueOfPattern(std::uint64_t pattern) const {
  const double code =
      isSigned_ ? static_cast<double>(SignedCode(pattern)) : static_cast<double>(pattern & mask_);
  return std::ldexp(code, -fractionLength_);
}

std::int64_t CCodeFormat::SignedCode(std::uint64_t pattern) const {
  const int unused = 64 - wordLength_;
  if (!isSigned_) {
    return static_cast<std::int64_t>(pattern & mask_);
  }
  return static_cast<std::int64_t>(pattern << unused) >> unused;
}

bool CCodeFormat::PatternOfCode(std::int64_t code, std::uint64_t& pattern) const {
  if (code < 0) {
    if (!isSigned_ || code < MinCode()) {
      return false;
    }
    pattern = static_cast<std::uint64_t>(code) & mask_;
    return true;
  }
  return PatternOfUnsignedCode(static_cast<std::uint64_t>(code), pattern);
}

bool CCodeFormat::PatternOfUnsignedCode(std::uint64_t code, std::uint64_t& pattern) const {
  if (code > MaxPattern()) {
    return false;
  }
  pattern = code;
  return true;
}

// ---- tokens

void AppendHexToken(std::uint64_t pattern, int digits, std::string& out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::array<char, 16> text{};
  for (int i = digits - 1; i >= 0; --i) {
    text[static_cast<std::size_t>(i)] = kDigits[pattern & 0xf];
    pattern >>= 4;
  }
  out.append(text.data(), static_cast<std::size_t>(digits));
}

bool PatternOfToken(std::string_view token, const CCodeFormat& format, std::uint64_t& pattern) {
  return ReadHexPattern(token, pattern) && (pattern & ~format.Mask()) == 0;
}
