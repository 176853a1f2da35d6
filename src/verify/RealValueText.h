// Value tokens shown as reals: the token's bit pattern read through the
// test vector's fraction length and signedness, written in scientific
// notation with 15 digits after the point and a signed three-digit exponent
// (0.5 is 5.000000000000000e-001).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Room for any text FormatScientific writes.
inline constexpr std::size_t kScientificTextSize = 40;

// Writes value into out (at least kScientificTextSize bytes) and returns the text.
std::string_view FormatScientific(double value, char* out);

// Whether a token, less an "0x" or "0X", is hexadecimal digits and unknown
// digits (x, z, ...) with at least one of the latter.
bool HoldsUnknownDigits(std::string_view token);

// Converts value tokens; a token with unknown digits is shown as written. A
// view it returns stays valid until the next call.
class CRealValueText {
 public:
  CRealValueText(std::int64_t fractionalLength, bool isSigned)
      : fractionalLength_(fractionalLength), isSigned_(isSigned) {}

  std::string_view operator()(std::string_view token);

 private:
  bool ReadPlainToken(std::string_view token, double& value) const;

  std::int64_t fractionalLength_;
  bool isSigned_;
  char text_[kScientificTextSize];
};
