#include "analysis/ValueClass.h"

#include <utility>

namespace {

using TWide = __int128;

struct CClassText {
  EValueClass valueClass;
  std::string_view name;
  std::string_view words;
};

constexpr std::array<CClassText, kValueClasses> kClassTexts{{
    {EValueClass::kUnknown, "unknown", "unknown X/Z"},
    {EValueClass::kUnreadable, "unreadable", "not a number"},
    {EValueClass::kTextOnly, "textOnly", "letter case or width only"},
    {EValueClass::kLsb, "lsb", "off by one LSB"},
    {EValueClass::kOverflow, "overflow", "overflow (saturate vs wrap)"},
    {EValueClass::kSign, "sign", "sign flipped"},
    {EValueClass::kScale, "scale", "binary point shifted"},
    {EValueClass::kNumeric, "numeric", "other numeric difference"},
}};

constexpr int kMostScaleBits = 8;

// The word a pair is compared in.
struct CWord {
  int bits = 64;
  bool isSigned = false;
  std::uint64_t mask = ~std::uint64_t{0};
};

CWord WordOf(const CValueToken& a, const CValueToken& b, const CPlotScale& format) {
  CWord word;
  word.bits = format.HasQuantizer() ? format.WordLength() : std::max({a.bits, b.bits, 1});
  word.isSigned = format.HasQuantizer() && format.IsSigned();
  word.mask = word.bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << word.bits) - 1;
  return word;
}

TWide Code(std::uint64_t pattern, const CWord& word) {
  if (word.isSigned) {
    const int unused = 64 - word.bits;
    return static_cast<std::int64_t>(pattern << unused) >> unused;
  }
  return pattern & word.mask;
}

TWide Magnitude(TWide value) {
  return value < 0 ? -value : value;
}

EValueClass NumericClass(TWide model, TWide rtl, const CWord& word) {
  const TWide error = rtl - model;
  if (error == 0) {
    return EValueClass::kTextOnly;
  }
  if (Magnitude(error) == 1) {
    return EValueClass::kLsb;
  }
  const TWide half = TWide{1} << (word.bits - 1);
  const TWide highest = word.isSigned ? half - 1 : (TWide{1} << word.bits) - 1;
  const TWide lowest = word.isSigned ? -half : 0;
  const auto atLimit = [&](TWide v) { return v == highest || v == lowest; };
  if ((atLimit(model) || atLimit(rtl)) && Magnitude(error) > half) {
    return EValueClass::kOverflow;
  }
  if (model != 0 && rtl == -model) {
    return EValueClass::kSign;
  }
  if (model != 0 && rtl != 0) {
    for (int k = 1; k <= kMostScaleBits; ++k) {
      if (rtl == model * (TWide{1} << k) || model == rtl * (TWide{1} << k)) {
        return EValueClass::kScale;
      }
    }
  }
  return EValueClass::kNumeric;
}

}  // namespace

std::string_view ValueClassName(EValueClass valueClass) {
  return kClassTexts[static_cast<std::size_t>(valueClass)].name;
}

bool ParseValueClass(std::string_view name, EValueClass& valueClass) {
  for (const CClassText& text : kClassTexts) {
    if (text.name == name) {
      valueClass = text.valueClass;
      return true;
    }
  }
  return false;
}

std::string_view ValueClassWords(EValueClass valueClass) {
  return kClassTexts[static_cast<std::size_t>(valueClass)].words;
}

CPairClass ClassifyPair(const CValueToken& fixedPoint, const CValueToken& rtl,
                        const CPlotScale& format) {
  CPairClass out;
  const CWord word = WordOf(fixedPoint, rtl, format);
  out.wordBits = word.bits;
  if (fixedPoint.kind == EValueKind::kUnknown || rtl.kind == EValueKind::kUnknown) {
    out.valueClass = EValueClass::kUnknown;
    out.unknownBits = (fixedPoint.unknownMask | rtl.unknownMask) & word.mask;
    return out;
  }
  if (!fixedPoint.IsNumber() || !rtl.IsNumber()) {
    out.valueClass = EValueClass::kUnreadable;
    return out;
  }
  const TWide model = Code(fixedPoint.pattern, word);
  const TWide actual = Code(rtl.pattern, word);
  out.valueClass = NumericClass(model, actual, word);
  out.errorLsb = static_cast<double>(actual - model);
  out.differing = (fixedPoint.pattern ^ rtl.pattern) & word.mask;
  return out;
}

CPairClass ClassifyPair(std::string_view fixedPoint, std::string_view rtl,
                        const CPlotScale& format) {
  return ClassifyPair(ReadValueToken(fixedPoint), ReadValueToken(rtl), format);
}

bool SameNumber(std::string_view fixedPoint, std::string_view rtl, const CPlotScale& format) {
  std::uint64_t a = 0;
  std::uint64_t b = 0;
  if (!ReadHexPattern(fixedPoint, a) || !ReadHexPattern(rtl, b)) {
    return false;  // unknown digits never agree; nor do texts that are no numbers
  }
  if (a == b) {
    return true;
  }
  // Without a quantizer the words are unsigned: equal patterns only.
  return format.HasQuantizer() &&
         format.IntegerCode<std::uint64_t>(a) == format.IntegerCode<std::uint64_t>(b);
}
