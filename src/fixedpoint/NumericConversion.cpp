#include "fixedpoint/NumericConversion.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

constexpr const char* kNum2BinError = "Invalid value sent to num2bin";

// ldexp's exponent is an int; beyond this any finite pattern is 0 or infinite.
constexpr std::int64_t kExponentClamp = 4096;

// Digit values by byte: 0-9, a-e and A-E as usual, every other byte 15.
constexpr std::array<std::uint8_t, 256> kHexDigitValues = [] {
  std::array<std::uint8_t, 256> values{};
  for (int c = 0; c < 256; ++c) {
    values[c] = 15;
    if (c >= '0' && c <= '9') {
      values[c] = static_cast<std::uint8_t>(c - '0');
    } else if (c >= 'a' && c <= 'e') {
      values[c] = static_cast<std::uint8_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'E') {
      values[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
  }
  return values;
}();

std::uint64_t HexPattern(std::string_view digits) {
  std::uint64_t pattern = 0;
  const std::size_t length = digits.size();
  for (std::size_t i = 0; i < length; ++i) {
    const std::size_t shift = 4 * (length - 1 - i);
    if (shift < 64) {
      pattern |= static_cast<std::uint64_t>(HexDigitValue(digits[i])) << shift;
    }
  }
  return pattern;
}

std::string_view WithoutHexPrefix(std::string_view text, bool isSigned) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || (isSigned && text[1] == 'X'))) {
    text.remove_prefix(2);
  }
  return text;
}

int SaturatedInt(double x) {
  if (std::isnan(x) || x <= static_cast<double>(INT_MIN)) {
    return INT_MIN;
  }
  if (x >= static_cast<double>(INT_MAX)) {
    return INT_MAX;
  }
  return static_cast<int>(x);
}

// 2^-n for n = 22..55 as 15-significant-digit decimals.
constexpr std::array<double, 34> kInversePowersFrom22 = {
    2.38418579101562e-07, 1.19209289550781e-07, 5.96046447753906e-08, 2.98023223876953e-08,
    1.49011611938477e-08, 7.45058059692383e-09, 3.72529029846191e-09, 1.86264514923096e-09,
    9.31322574615479e-10, 4.65661287307739e-10, 2.3283064365387e-10,  1.16415321826935e-10,
    5.82076609134674e-11, 2.91038304567337e-11, 1.45519152283669e-11, 7.27595761418343e-12,
    3.63797880709171e-12, 1.81898940354586e-12, 9.09494701772928e-13, 4.54747350886464e-13,
    2.27373675443232e-13, 1.13686837721616e-13, 5.6843418860808e-14,  2.8421709430404e-14,
    1.4210854715202e-14,  7.105427357601e-15,   3.5527136788005e-15,  1.77635683940025e-15,
    8.88178419700125e-16, 4.44089209850063e-16, 2.22044604925031e-16, 1.11022302462516e-16,
    5.55111512312578e-17, 2.77555756156289e-17,
};

// 2^n - 1 for n = 50..55, rounded.
constexpr std::array<double, 6> kAllOnesFrom50 = {
    1125899906842620.0, 2251799813685250.0,  4503599627370490.0,
    9007199254740990.0, 18014398509482000.0, 36028797018964000.0,
};

std::int64_t Magnitude(int n) {
  return n < 0 ? -static_cast<std::int64_t>(n) : n;
}

}  // namespace

// ---- hexadecimal patterns

int HexDigitValue(char c) {
  return kHexDigitValues[static_cast<unsigned char>(c)];
}

void HexToReal(std::string_view text, std::int64_t fractionalLength, bool isSigned, double* out) {
  if (out == nullptr) {
    return;
  }
  // The text is zero-terminated: a NUL ends it.
  text = text.substr(0, text.find('\0'));
  const std::uint64_t pattern = HexPattern(WithoutHexPrefix(text, isSigned));
  const double value = isSigned ? static_cast<double>(static_cast<std::int64_t>(pattern))
                                : static_cast<double>(pattern);
  // value / 2^F, exact for every F of 0..63 and defined for any other F.
  if (fractionalLength >= 0 && fractionalLength <= 63) {
    *out = value * (1.0 / static_cast<double>(std::uint64_t{1} << fractionalLength));
    return;
  }
  std::int64_t shift = fractionalLength;
  if (shift > kExponentClamp) {
    shift = kExponentClamp;
  } else if (shift < -kExponentClamp) {
    shift = -kExponentClamp;
  }
  *out = std::ldexp(value, static_cast<int>(-shift));
}

void HexToReal(const char* text, std::int64_t fractionalLength, bool isSigned, double* out) {
  HexToReal(std::string_view(text ? text : ""), fractionalLength, isSigned, out);
}

double HexToReal(std::string_view text, std::int64_t fractionalLength, bool isSigned) {
  double value = 0.0;
  HexToReal(text, fractionalLength, isSigned, &value);
  return value;
}

// ---- binary digits

void TwosComplementNegate(std::vector<bool>& bits) {
  bits.flip();
  for (std::size_t i = bits.size(); i-- > 0;) {
    if (!bits[i]) {
      bits[i] = true;
      return;
    }
    bits[i] = false;
  }
}

void NumToBin(double x, std::vector<bool>& out, unsigned integerBits, unsigned fractionalBits) {
  out.clear();
  const std::uint64_t digits = std::uint64_t{integerBits} + fractionalBits;
  if (digits > kMaxBinaryDigits) {
    throw std::runtime_error("NumToBin: " + std::to_string(digits) +
                             " binary digits asked for, more than the limit of " +
                             std::to_string(kMaxBinaryDigits));
  }
  if (!std::isfinite(x)) {
    throw std::runtime_error(kNum2BinError);
  }
  out.assign(1 + digits, false);
  if (x == 0.0) {
    return;
  }
  const bool negative = x < 0.0;
  const double magnitude = std::fabs(x);

  // Integer digits, least significant first, by repeated halving.
  std::vector<bool> integerDigits;
  for (double e = std::floor(magnitude); e != 0.0;) {
    const double half = e * 0.5;
    const double whole = std::floor(half);
    integerDigits.push_back(whole != half);
    e = whole;
  }
  if (integerDigits.size() > integerBits) {
    // -2^I is the one value whose magnitude reaches into the sign digit.
    const bool isMinimum = negative && integerDigits.size() == std::size_t{integerBits} + 1 &&
                           magnitude == std::ldexp(1.0, static_cast<int>(integerBits));
    if (!isMinimum) {
      out.clear();
      throw std::runtime_error(kNum2BinError);
    }
  }
  for (std::size_t k = 0; k < integerDigits.size(); ++k) {
    out[integerBits - k] = integerDigits[k];
  }

  double fraction = magnitude - std::floor(magnitude);
  for (unsigned j = 0; j < fractionalBits; ++j) {
    fraction += fraction;
    out[1 + std::size_t{integerBits} + j] = fraction >= 1.0;
    fraction -= std::floor(fraction);
  }
  if (negative) {
    TwosComplementNegate(out);
  }
}

// ---- powers of two

double InversePowerOfTwo(int n) {
  const std::int64_t m = Magnitude(n);
  if (m <= 21) {
    return std::ldexp(1.0, -static_cast<int>(m));
  }
  if (m <= 55) {
    return kInversePowersFrom22[m - 22];
  }
  return -1.0;
}

double AllOnes(int n) {
  const std::int64_t m = Magnitude(n);
  if (m <= 1) {
    return 1.0;
  }
  if (m <= 49) {
    return std::ldexp(1.0, static_cast<int>(m)) - 1.0;
  }
  if (m <= 55) {
    return kAllOnesFrom50[m - 50];
  }
  return -1.0;
}

bool IsPowerOfTwo(double x, int& exponent) {
  int e = 0;
  const double mantissa = std::frexp(std::fabs(x), &e);
  if (mantissa != 0.5) {
    return false;
  }
  exponent = e - 1;
  return true;
}

bool AllPowersOfTwo(std::span<const double> values, int& exponent) {
  if (values.empty()) {
    return false;
  }
  exponent = -9999;
  for (double value : values) {
    int e = 0;
    if (!IsPowerOfTwo(value, e)) {
      return false;
    }
    if (e > exponent) {
      exponent = e;
    }
  }
  return true;
}

// ---- small functions

bool IsIntegral(double x) {
  double whole = 0.0;
  return std::modf(std::fabs(x), &whole) == 0.0;
}

double Log2(double x) {
  return std::log(x) / std::log(2.0);
}

double LogBase(double a, double b) {
  return std::log(a) / std::log(b);
}

int Log2Ceil(int x) {
  return Log2Ceil(static_cast<double>(x));
}

int Log2Ceil(double x) {
  return SaturatedInt(std::ceil(std::log(x) / std::log(2.0)));
}

double CeilMagnitude(double x) {
  double m = std::fabs(x);
  double whole = 0.0;
  if (std::modf(m, &whole) != 0.0) {
    m = std::floor(m) + 1.0;
  }
  return x < 0.0 ? -m : m;
}

double CachedPi() {
  static const double pi = 4.0 * std::atan(1.0);  // computed once, by whichever thread is first
  return pi;
}

double EpsilonMultiple(double x) {
  constexpr double kEpsilon = 2.2204e-16;
  const double copies = std::floor(x);
  if (!(copies > 1.0)) {  // also NaN
    return kEpsilon;
  }
  if (copies > static_cast<double>(kEpsilonSumLimit)) {
    return copies * kEpsilon;
  }
  double sum = 0.0;
  for (std::int64_t i = 0, n = static_cast<std::int64_t>(copies); i < n; ++i) {
    sum += kEpsilon;
  }
  return sum;
}

int OctalDigitsValue(int a) {
  const std::string text = "0" + std::to_string(a);
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '7') {
      break;
    }
    value = value * 8 + (c - '0');
  }
  return value;
}
