// Feeds arbitrary values through the numeric conversions: HexToReal on any
// text and fraction length, the scientific form of the report's real values,
// NumToBin on any real and digit counts, and CQuantizer::ToBinary.
//
// Oracles: a straightforward reference of the hexadecimal reading, the C
// library's "%.15e" with the exponent widened to three digits, and a 128-bit
// reference of the binary digits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fixedpoint/NumericConversion.h"
#include "fixedpoint/Quantizer.h"
#include "support/FuzzSupport.h"
#include "verify/RealValueText.h"

namespace {

using TUint128 = unsigned __int128;

int ReferenceDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'e') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'E') {
    return c - 'A' + 10;
  }
  return 15;
}

double ReferenceHexToReal(std::string_view text, int fractionalLength, bool isSigned) {
  text = text.substr(0, text.find('\0'));  // the text is zero-terminated
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || (isSigned && text[1] == 'X'))) {
    text.remove_prefix(2);
  }
  std::uint64_t pattern = 0;
  for (const char c : text) {
    pattern = (pattern << 4) | static_cast<std::uint64_t>(ReferenceDigit(c));
  }
  const double value = isSigned ? static_cast<double>(static_cast<std::int64_t>(pattern))
                                : static_cast<double>(pattern);
  return std::ldexp(value, -fractionalLength);
}

std::string LibraryScientific(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15e", value);
  std::string s(text);
  const std::size_t e = s.find('e');
  if (e != std::string::npos && s.size() - (e + 2) < 3) {
    s.insert(e + 2, 3 - (s.size() - (e + 2)), '0');
  }
  return s;
}

void CheckScientific(double value, std::string_view input) {
  if (!std::isfinite(value)) {
    return;
  }
  char out[kScientificTextSize];
  const std::string_view shown = FormatScientific(value, out);
  FuzzCheck(shown == LibraryScientific(value),
            "FormatScientific " + std::string(shown) + " against " + LibraryScientific(value),
            input);
}

// Whether token, less an "0x" or "0X", is hexadecimal and unknown digits
// (x, z, u, w, -, ? in either case) with at least one unknown digit.
bool ReferenceHoldsUnknownDigits(std::string_view token) {
  if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    token.remove_prefix(2);
  }
  constexpr std::string_view kHex = "0123456789abcdefABCDEF";
  constexpr std::string_view kUnknown = "xXzZuUwW-?";
  bool unknown = false;
  for (const char c : token) {
    if (kUnknown.find(c) != std::string_view::npos) {
      unknown = true;
    } else if (kHex.find(c) == std::string_view::npos) {
      return false;
    }
  }
  return unknown;
}

void FuzzHex(CFuzzFields& fields) {
  const bool isSigned = (fields.Byte() & 1) != 0;
  const int fractionalLength = static_cast<std::int8_t>(fields.Byte());
  const std::string_view text = fields.Rest();
  const double value = HexToReal(text, fractionalLength, isSigned);
  if (fractionalLength >= 0 && fractionalLength <= 63) {
    const double expected = ReferenceHexToReal(text, fractionalLength, isSigned);
    FuzzCheck(std::memcmp(&value, &expected, sizeof value) == 0, "HexToReal against reference",
              text);
  }
  CheckScientific(value, text);
  // A token with unknown digits is shown as written, any other converted.
  CRealValueText shown(fractionalLength, isSigned);
  char library[kScientificTextSize];
  const std::string_view expected =
      ReferenceHoldsUnknownDigits(text) ? text : FormatScientific(value, library);
  FuzzCheck(shown(text) == expected, "CRealValueText", text);
}

// The digits NumToBin must give, or false when it must refuse the value.
bool ReferenceBinary(double x, unsigned integerBits, unsigned fractionalBits,
                     std::vector<bool>& out) {
  const unsigned digits = 1 + integerBits + fractionalBits;
  const double magnitude = std::fabs(x);
  const double limit = std::ldexp(1.0, static_cast<int>(integerBits));
  if (std::floor(magnitude) >= limit && !(x < 0 && magnitude == limit)) {
    return false;
  }
  const TUint128 scaled =
      static_cast<TUint128>(std::floor(std::ldexp(magnitude, static_cast<int>(fractionalBits))));
  const TUint128 mask = digits >= 128 ? ~TUint128{0} : (TUint128{1} << digits) - 1;
  const TUint128 pattern = (x < 0 ? (~scaled + 1) : scaled) & mask;
  out.assign(digits, false);
  for (unsigned k = 0; k < digits; ++k) {
    out[digits - 1 - k] = ((pattern >> k) & 1) != 0;
  }
  return true;
}

void CheckBinary(double x, unsigned integerBits, unsigned fractionalBits,
                 const std::vector<bool>* actual, std::string_view input) {
  if (!std::isfinite(x) || integerBits + fractionalBits > 120) {
    return;
  }
  std::vector<bool> expected;
  const bool fits = ReferenceBinary(x, integerBits, fractionalBits, expected);
  FuzzCheck(fits == (actual != nullptr), "NumToBin refuses exactly what does not fit", input);
  if (actual != nullptr) {
    FuzzCheck(*actual == expected, "NumToBin digits against reference", input);
  }
}

void FuzzBinary(CFuzzFields& fields) {
  FuzzInterp();  // a quantizer refusing its lengths reports through the host
  double x = 0;
  const std::string_view rest = fields.Rest();
  const std::size_t n = std::min(rest.size(), sizeof x);
  std::memcpy(&x, rest.data(), n);
  fields.Text();  // skip past the value
  const unsigned integerBits = fields.Byte() % 130;
  const unsigned fractionalBits = fields.Byte() % 130;
  std::vector<bool> digits;
  try {
    NumToBin(x, digits, integerBits, fractionalBits);
    FuzzCheck(digits.size() == 1 + integerBits + fractionalBits, "NumToBin length", rest);
    CheckBinary(x, integerBits, fractionalBits, &digits, rest);
  } catch (const std::runtime_error&) {
    CheckBinary(x, integerBits, fractionalBits, nullptr, rest);
  }
  CheckScientific(x, rest);

  // The quantizer's form: its integer and fraction bits, none below zero.
  const int type = fields.Byte() % 2;
  const int wordLength = fields.Byte() % 70;
  const int fractionalLength = static_cast<std::int8_t>(fields.Byte()) % 70;
  try {
    const CQuantizer q(type, 0, 0, wordLength, fractionalLength);
    std::vector<bool> bits;
    const auto ib = static_cast<unsigned>(std::max(q.IntegerBits(), 0));
    const auto fb = static_cast<unsigned>(std::max(fractionalLength, 0));
    try {
      q.ToBinary(x, bits);
      CheckBinary(x, ib, fb, &bits, rest);
    } catch (const std::runtime_error&) {
      CheckBinary(x, ib, fb, nullptr, rest);
    }
  } catch (const std::exception&) {
    // lengths the quantizer refuses
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CFuzzFields fields(data, size);
  if ((fields.Byte() & 1) == 0) {
    FuzzHex(fields);
  } else {
    FuzzBinary(fields);
  }
  return 0;
}
