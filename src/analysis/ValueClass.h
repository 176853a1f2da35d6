// Why two value tokens disagree, in fixed-point terms: every disagreeing
// pair falls into the first class that applies, in the order below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "analysis/PlotScale.h"
#include "analysis/ValueToken.h"
#include "verify/HtmlReportWriter.h"

enum class EValueClass : unsigned char {
  kUnknown,     // either token has an unknown digit
  kUnreadable,  // either token is not a number at all
  kTextOnly,    // both read as the same number (case, prefix, leading zeros, sign extension)
  kLsb,         // they differ by exactly 1 LSB
  kOverflow,    // one sits at the word's limit, the other more than half the range away
  kSign,        // RTL is minus the model (nonzero)
  kScale,       // RTL is the model times or divided by 2^k, 1 <= k <= 8
  kNumeric,     // any other difference
};

inline constexpr std::size_t kValueClasses = 8;
inline constexpr std::array<EValueClass, kValueClasses> kAllValueClasses{
    EValueClass::kUnknown, EValueClass::kUnreadable, EValueClass::kTextOnly,
    EValueClass::kLsb,     EValueClass::kOverflow,   EValueClass::kSign,
    EValueClass::kScale,   EValueClass::kNumeric};

// The JSON name: "unknown", "unreadable", "textOnly", "lsb", "overflow",
// "sign", "scale", "numeric"; and back (false for another text).
std::string_view ValueClassName(EValueClass valueClass);
bool ParseValueClass(std::string_view name, EValueClass& valueClass);
// In words, after a count: "unknown X/Z", "letter case or width only",
// "off by one LSB", ...
std::string_view ValueClassWords(EValueClass valueClass);
// Whether the class has an error in LSBs (both tokens read as numbers that differ).
constexpr bool HasErrorLsb(EValueClass valueClass) {
  return valueClass >= EValueClass::kLsb;
}

// One disagreeing pair classified.
struct CPairClass {
  EValueClass valueClass = EValueClass::kNumeric;
  // RTL less model in LSBs, for the classes with an error (exact up to 2^53).
  double errorLsb = 0;
  int wordBits = 0;               // the bits of the word compared
  std::uint64_t differing = 0;    // bits of the word in which two numbers differ
  std::uint64_t unknownBits = 0;  // bits of the word unknown in either token
};

// The pair read through format: words of its word length and sign, or,
// without a quantizer, unsigned and as wide as the wider token.
CPairClass ClassifyPair(const CValueToken& fixedPoint, const CValueToken& rtl,
                        const CPlotScale& format);
CPairClass ClassifyPair(std::string_view fixedPoint, std::string_view rtl,
                        const CPlotScale& format);

// Whether two tokens read as the same number through format (a token with an
// unknown digit never does).
bool SameNumber(std::string_view fixedPoint, std::string_view rtl, const CPlotScale& format);

// Comparison by number for the report pass: a pair agrees when SameNumber
// says so.
class CNumberComparison final : public CValueComparison {
 public:
  explicit CNumberComparison(CPlotScale format) : format_(std::move(format)) {}
  bool Agree(std::string_view fixedPoint, std::string_view rtl) const override {
    return SameNumber(fixedPoint, rtl, format_);
  }

 private:
  CPlotScale format_;
};
