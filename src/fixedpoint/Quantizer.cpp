#include "fixedpoint/Quantizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "diagnostics/MessageReport.h"
#include "fixedpoint/ProjectDefaults.h"
#include "host/HostInterp.h"
#include "host/TclDataObj.h"
#include "util/StringUtil.h"

namespace {

template <std::size_t N>
std::string LookUp(const std::array<std::string_view, N>& table, int code, bool padded) {
  if (code < 0 || static_cast<std::size_t>(code) >= N || table[code].empty()) {
    return {};
  }
  std::string word(table[code]);
  if (padded) {
    word += ' ';
  }
  return word;
}

constexpr std::array<std::string_view, 8> kTypeNames = {"fixed",  "ufixed", "float",  "float",
                                                        "single", "single", "double", "double"};
constexpr std::array<std::string_view, 2> kOverflowNames = {"wrap", "saturate"};
constexpr std::array<std::string_view, 6> kRoundNames = {"floor", "round", "nearest",
                                                         "ceil",  "fix",   "convergent"};
constexpr std::array<std::string_view, 2> kVdTypeNames = {"vdSigned", "vdUnsigned"};
constexpr std::array<std::string_view, 2> kVdOverflowNames = {"vdWrap", "vdSaturate"};
constexpr std::array<std::string_view, 3> kVdRoundNames = {"vdTruncate", "", "vdRound"};

// The words SetFromName accepts, with the field each one sets.
struct QuantizerWord {
  std::string_view word;
  int category;
  int code;
};
constexpr std::array<QuantizerWord, 10> kQuantizerWords = {{
    {"fixed", kWordType, kTypeFixed},
    {"ufixed", kWordType, kTypeUFixed},
    {"wrap", kWordOverflow, kOverflowWrap},
    {"saturate", kWordOverflow, kOverflowSaturate},
    {"floor", kWordRounding, kRoundFloor},
    {"ceil", kWordRounding, kRoundCeil},
    {"fix", kWordRounding, kRoundFix},
    {"round", kWordRounding, kRoundNearest},
    {"nearest", kWordRounding, kRoundNearest},
    {"convergent", kWordRounding, kRoundConvergent},
}};

// "round" is accepted as "nearest"; the first use in an interpreter warns
// (its user is the one to be told).
struct RoundWordWarning {
  bool given = false;
};

void WarnRoundWordOnce() {
  bool& given = GetInterpState().Get<RoundWordWarning>().given;
  if (given) {
    return;
  }
  given = true;
  ReportWarning("QTZ-0040", "", -1, true);
}

}  // namespace

void ForgetRoundWordWarning() {
  GetInterpState().Get<RoundWordWarning>().given = false;
}

std::string TypeName(int code, bool padded) {
  return LookUp(kTypeNames, code, padded);
}
std::string OverflowName(int code, bool padded) {
  return LookUp(kOverflowNames, code, padded);
}
std::string RoundName(int code, bool padded) {
  return LookUp(kRoundNames, code, padded);
}
std::string VdTypeName(int code, bool padded) {
  return LookUp(kVdTypeNames, code, padded);
}
std::string VdOverflowName(int code, bool padded) {
  return LookUp(kVdOverflowNames, code, padded);
}
std::string VdRoundName(int code, bool padded) {
  return LookUp(kVdRoundNames, code, padded);
}

// ---- construction

void CQuantizer::InitFields() {
  maxValue = 0.0;
  minValue = 0.0;
  halfSpan = 0.0;
  span = 0.0;
  type = kTypeUFixed;
  overflowMode = -1;
  roundMode = -1;
  wordLength = 0;
  fractionalLength = 0;
  wide = false;
  fromData = false;
  allZero = false;
}

void CQuantizer::DefaultInit() {
  InitFields();
  LoadProjectDefaults(*this);
}

CQuantizer::CQuantizer() {
  QueryMatlabVersion();
  DefaultInit();
}

CQuantizer::CQuantizer(int type, int overflowMode, int roundMode, int wordLength,
                       int fractionalLength) {
  QueryMatlabVersion();
  InitFields();
  this->type = type;
  this->overflowMode = overflowMode;
  this->roundMode = roundMode;
  this->wordLength = wordLength;
  this->fractionalLength = fractionalLength;
  Validate(nullptr, -1);
}

CQuantizer::CQuantizer(const std::string& word1, const std::string& word2, const std::string& word3,
                       int wordLength, int fractionalLength) {
  QueryMatlabVersion();
  // A category none of the words names keeps its default.
  DefaultInit();
  SetFromName(word1, "", -1);
  SetFromName(word2, "", -1);
  SetFromName(word3, "", -1);
  this->wordLength = wordLength;
  this->fractionalLength = fractionalLength;
  fromData = false;
  allZero = false;
  Validate(nullptr, -1);
}

CQuantizer::CQuantizer(const CTclDataObj* value, const char* fileName, int line) {
  DefaultInit();
  SetFromTclList(value, fileName, line);
}

CQuantizer::CQuantizer(std::string_view headerText) {
  InitFields();
  SetFromHeader(headerText);
}

CQuantizer::CQuantizer(std::span<const double> values) {
  QueryMatlabVersion();
  InitFields();
  FromValues(values);
}

CQuantizer::CQuantizer(double x, double y) {
  QueryMatlabVersion();
  InitFields();
  SetFromTwoValues(x, y);
}

// ---- comparison and queries

bool CQuantizer::operator==(const CQuantizer& other) const {
  if (this == &other) {
    return true;
  }
  return type == other.type && overflowMode == other.overflowMode && roundMode == other.roundMode &&
         wordLength == other.wordLength && fractionalLength == other.fractionalLength;
}

bool CQuantizer::SameLengths(const CQuantizer& other) const {
  return wordLength == other.wordLength && fractionalLength == other.fractionalLength;
}

bool CQuantizer::IsDegenerate() const {
  return (IsSigned() ? wordLength <= 1 : wordLength <= 0) || fractionalLength < 0;
}

double CQuantizer::NumCodes() const {
  return std::pow(2.0, wordLength);
}

std::string CQuantizer::TypeText(bool vd) const {
  return vd ? VdTypeName(type) : TypeName(type);
}

std::string CQuantizer::OverflowText(bool vd) const {
  return vd ? VdOverflowName(overflowMode) : OverflowName(overflowMode);
}

std::string CQuantizer::RoundText(bool substitute, bool vd) const {
  int code = roundMode;
  if (substitute && !IsMatlab14() && code == kRoundRound) {
    code = kRoundNearest;
  }
  return vd ? VdRoundName(code) : RoundName(code);
}

// ---- setters

void CQuantizer::SetType(int code) {
  type = code;
  fromData = false;
  ComputeRange();
}

void CQuantizer::SetOverflowMode(int code) {
  overflowMode = code;
  ComputeRange();
}

void CQuantizer::SetRoundMode(int code) {
  roundMode = code;
  ComputeRange();
}

void CQuantizer::SetWordLength(int n) {
  wordLength = n;
  fromData = false;
  ComputeRange();
}

void CQuantizer::SetIntegerLength(int n) {
  wordLength = n + fractionalLength;
  fromData = false;
  ComputeRange();
}

void CQuantizer::SetFractionalLength(int n) {
  fractionalLength = n;
  fromData = false;
  ComputeRange();
}

void CQuantizer::AddWordLength(int n) {
  SetWordLength(wordLength + n);
}
void CQuantizer::SubtractWordLength(int n) {
  SetWordLength(wordLength - n);
}
void CQuantizer::AddFractionalLength(int n) {
  SetFractionalLength(fractionalLength + n);
}
void CQuantizer::SubtractFractionalLength(int n) {
  SetFractionalLength(fractionalLength - n);
}

void CQuantizer::SetSigned(bool isSigned) {
  if (type >= kTypeFixed && type <= kTypeUDouble) {
    // Pairs are (even signed, odd unsigned).
    type = isSigned ? (type & ~1) : (type | 1);
  }
  ComputeRange();
}

void CQuantizer::MarkFromData(bool fromDataValues) {
  if (fromDataValues) {
    fromData = true;
    allZero = true;
  } else {
    allZero = false;
  }
}

// ---- words and validation

int CQuantizer::SetFromName(const std::string& word, const char* fileName, int line) {
  for (const QuantizerWord& entry : kQuantizerWords) {
    if (entry.word != word) {
      continue;
    }
    switch (entry.category) {
      case kWordType:
        type = entry.code;
        break;
      case kWordOverflow:
        overflowMode = entry.code;
        break;
      default:
        if (word == "round") {
          WarnRoundWordOnce();
        }
        roundMode = entry.code;
        break;
    }
    return entry.category;
  }
  // Control bytes shown escaped: a NUL would otherwise end the error's text.
  CTclDataObj params;
  params.MakeList();
  params.AppendElement(EscapeControlBytes(word));
  ReportError("DIR-0037", fileName, line, &params, true);
}

void CQuantizer::Validate(const char* fileName, int line) {
  const bool wellFormed = wordLength > 0 && fractionalLength >= 0 &&
                          wordLength >= fractionalLength &&
                          !(IsSigned() && wordLength == fractionalLength);
  if (wellFormed) {
    ComputeRange();
    return;
  }
  CTclDataObj params;
  params.MakeList();
  ToTclList(params);
  ReportError("DIR-0038", fileName, line, &params, true);
}

void CQuantizer::ComputeRange() {
  maxValue = 0.0;
  minValue = 0.0;
  wide = wordLength >= 53;
  // In 64 bits: no length, however extreme, overflows here.
  const std::int64_t p = std::int64_t{wordLength} - fractionalLength - (IsSigned() ? 1 : 0);
  halfSpan = std::pow(2.0, static_cast<double>(p));
  span = halfSpan + halfSpan;
  if (p > 0) {
    maxValue = halfSpan - 1.0;
  }
  if (fractionalLength > 0) {
    maxValue = (1.0 - std::pow(2.0, -static_cast<double>(fractionalLength))) + maxValue;
  }
  if (p >= 0 && std::isfinite(halfSpan)) {
    // Beyond 53 value bits 2^p - 2^-F is no double; the sum above rounds it
    // up onto 2^p, outside the format. The largest double below 2^p is the
    // largest one inside.
    const double step =
        fractionalLength > 0 ? std::ldexp(1.0, -std::min(fractionalLength, 4096)) : 1.0;
    const double below = std::ldexp(1.0, static_cast<int>(p) - 53);
    if (step < below) {
      maxValue = halfSpan - below;
    }
  }
  if (IsSigned()) {
    minValue = -halfSpan;
  }
}
