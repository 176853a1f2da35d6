#include "verify/RealValueText.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>

#include "fixedpoint/NumericConversion.h"
#include "verify/TimingRecord.h"

namespace {

constexpr int kDigitsAfterPoint = 15;
constexpr std::size_t kExponentDigits = 3;

}  // namespace

namespace {

// The general path: the library's correctly rounded conversion, with the
// exponent widened to three digits.
std::string_view FormatWithLibrary(double value, char* out) {
  char* const limit = out + kScientificTextSize;
  const auto [end, error] =
      std::to_chars(out, limit, value, std::chars_format::scientific, kDigitsAfterPoint);
  if (error != std::errc()) {
    return {};  // cannot happen: the longest form fits with room to spare
  }
  // to_chars writes at least two exponent digits; the report shows three.
  char* const e = static_cast<char*>(std::memchr(out, 'e', static_cast<std::size_t>(end - out)));
  if (e == nullptr) {
    return std::string_view(out, static_cast<std::size_t>(end - out));  // inf, nan
  }
  char* const digits = e + 2;  // after the exponent's sign
  const std::size_t have = static_cast<std::size_t>(end - digits);
  if (have >= kExponentDigits) {
    return std::string_view(out, static_cast<std::size_t>(end - out));
  }
  const std::size_t pad = kExponentDigits - have;
  std::memmove(digits + pad, digits, have);
  std::memset(digits, '0', pad);
  return std::string_view(out, static_cast<std::size_t>(end + pad - out));
}

using TUint128 = unsigned __int128;

// Significant digits shown: one before the point and fifteen after it.
constexpr int kSignificant = 1 + kDigitsAfterPoint;
// Fraction digits are made eight at a time: the fraction (below 2^100) times
// 10^8 stays below 2^127.
constexpr int kChunkDigits = 8;
constexpr std::uint64_t kChunkScale = 100000000;
constexpr int kMaxFractionBits = 100;

// The fast path for the values test vectors hold: m * 2^e with the binary
// point at most 100 places to the left of the last mantissa bit and an
// integer part below 2^64. The exact decimal expansion of such a value is
// generated digit by digit in 128-bit arithmetic and rounded half to even,
// as the library rounds. False when the value is outside that range.
bool FormatExact(double value, char* out, std::string_view& text) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  if (biased == 0 || biased == 0x7ff) {
    return false;  // zero, subnormal, infinite or not a number
  }
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int exponent = biased - 1075;  // value = mantissa * 2^exponent
  if (exponent > 11 || exponent < -kMaxFractionBits) {
    return false;
  }
  const int fractionBits = exponent < 0 ? -exponent : 0;
  const std::uint64_t integer = exponent >= 0        ? mantissa << exponent
                                : fractionBits >= 64 ? 0
                                                     : mantissa >> fractionBits;
  const TUint128 fractionMask = (TUint128{1} << fractionBits) - 1;
  TUint128 fraction = exponent >= 0 ? 0 : TUint128{mantissa} & fractionMask;

  // Digits of the integer part, most significant first.
  char digits[64];
  int count = 0;
  int integerDigits = 0;
  if (integer != 0) {
    char reversed[24];
    int n = 0;
    for (std::uint64_t rest = integer; rest != 0; rest /= 10) {
      reversed[n++] = static_cast<char>(rest % 10);
    }
    integerDigits = n;
    while (n > 0) {
      digits[count++] = reversed[--n];
    }
  }
  // Then fraction digits, eight at a time, until there are enough
  // significant ones; first is the index of the first significant digit.
  int first = integer != 0 ? 0 : -1;
  while (fraction != 0 && (first < 0 || count - first <= kSignificant)) {
    fraction *= kChunkScale;
    auto chunk = static_cast<std::uint32_t>(fraction >> fractionBits);
    fraction &= fractionMask;
    for (int i = kChunkDigits - 1; i >= 0; --i) {
      digits[count + i] = static_cast<char>(chunk % 10);
      chunk /= 10;
    }
    for (int i = count; first < 0 && i < count + kChunkDigits; ++i) {
      first = digits[i] != 0 ? i : -1;
    }
    count += kChunkDigits;
  }
  int decimalExponent = integer != 0 ? integerDigits - 1 : -(first + 1);
  char* const sig = digits + first;
  int available = count - first;
  while (available <= kSignificant) {
    sig[available++] = 0;
  }
  bool sticky = fraction != 0;
  for (int i = kSignificant + 1; i < available; ++i) {
    sticky = sticky || sig[i] != 0;
  }
  // Round to the sixteen significant digits, half to even.
  const char next = sig[kSignificant];
  if (next > 5 || (next == 5 && (sticky || (sig[kSignificant - 1] & 1) != 0))) {
    int i = kSignificant - 1;
    while (i >= 0 && sig[i] == 9) {
      sig[i--] = 0;
    }
    if (i >= 0) {
      ++sig[i];
    } else {
      sig[0] = 1;  // 9.99... rounded up to 10.00...
      ++decimalExponent;
    }
  }

  char* p = out;
  if (negative) {
    *p++ = '-';
  }
  *p++ = static_cast<char>('0' + sig[0]);
  *p++ = '.';
  for (int i = 1; i < kSignificant; ++i) {
    *p++ = static_cast<char>('0' + sig[i]);
  }
  *p++ = 'e';
  *p++ = decimalExponent < 0 ? '-' : '+';
  const int magnitude = decimalExponent < 0 ? -decimalExponent : decimalExponent;
  *p++ = static_cast<char>('0' + magnitude / 100);
  *p++ = static_cast<char>('0' + magnitude / 10 % 10);
  *p++ = static_cast<char>('0' + magnitude % 10);
  text = std::string_view(out, static_cast<std::size_t>(p - out));
  return true;
}

constexpr std::uint64_t kPowersOfTen[] = {1,
                                          10,
                                          100,
                                          1000,
                                          10000,
                                          100000,
                                          1000000,
                                          10000000,
                                          100000000,
                                          1000000000,
                                          10000000000,
                                          100000000000,
                                          1000000000000,
                                          10000000000000,
                                          100000000000000,
                                          1000000000000000,
                                          10000000000000000,
                                          100000000000000000,
                                          1000000000000000000,
                                          10000000000000000000u};
constexpr std::uint64_t kLowestSixteenDigits = 1000000000000000;
constexpr std::uint64_t kBeyondSixteenDigits = 10000000000000000;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes value (below 10^8) as eight digits, all lanes of one 64-bit word at
// once: two 32-bit lanes of four digits, four 16-bit lanes of two, eight
// bytes of one. x/100 is (x*10486)>>20 for x < 10^4, x/10 is (x*103)>>10
// for x < 100; no lane's product reaches the next lane.
void WriteEightDigits(std::uint64_t value, char* out) {
  const std::uint64_t fours = (value / 10000) | ((value % 10000) << 32);
  const std::uint64_t hundreds = ((fours * 10486) >> 20) & 0x0000007F0000007FULL;
  const std::uint64_t twos = hundreds | ((fours - hundreds * 100) << 16);
  const std::uint64_t tens = ((twos * 103) >> 10) & 0x000F000F000F000FULL;
  const std::uint64_t ones = (tens | ((twos - tens * 10) << 8)) + 0x3030303030303030ULL;
  static_assert(std::endian::native == std::endian::little, "digits are laid out little-endian");
  std::memcpy(out, &ones, sizeof ones);
}

// The common case of fixed-point values: m * 2^-F with F from 0 to 63 and a
// value from 2^-11 up. Its sixteen significant digits are
// round(m * 10^(15-d) / 2^F), half to even, with d = floor(log10(value)):
// one exact 128-bit product. False when the value is outside that range.
bool FormatFixedPoint(double value, char* out, std::string_view& text) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  const int exponent = biased - 1075;  // value = mantissa * 2^exponent
  if (biased == 0 || biased == 0x7ff || exponent > 0 || exponent < -63) {
    return false;
  }
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int fractionBits = -exponent;
  const TUint128 remainderMask = (TUint128{1} << fractionBits) - 1;
  // 2^(52+e) <= value < 2^(53+e), so d is this estimate or one more:
  // floor(x * log10(2)) for the small x here, in integers. Both candidates
  // are computed and one is selected, without a branch to mispredict.
  const int estimate = ((52 + exponent) * 78913) >> 18;  // -4 .. 15
  const TUint128 low = TUint128{mantissa} * kPowersOfTen[15 - estimate];
  const TUint128 high = TUint128{mantissa} * kPowersOfTen[estimate < 15 ? 14 - estimate : 0];
  const bool oneMore = static_cast<std::uint64_t>(low >> fractionBits) >= kBeyondSixteenDigits;
  const TUint128 product = oneMore ? high : low;
  int decimalExponent = estimate + (oneMore ? 1 : 0);
  auto digits = static_cast<std::uint64_t>(product >> fractionBits);
  // Round half to even (no fraction bits: exact already).
  const TUint128 remainder = product & remainderMask;
  const TUint128 half = remainderMask - (remainderMask >> 1);
  digits += static_cast<std::uint64_t>(
      (fractionBits > 0) & ((remainder > half) | ((remainder == half) & ((digits & 1) != 0))));
  if (digits == kBeyondSixteenDigits) {
    digits = kLowestSixteenDigits;
    ++decimalExponent;
  }
  // The sixteen digits go straight into place one byte to the right;
  // then the first moves left of the point.
  char* p = out + ((bits >> 63) != 0 ? 1 : 0);
  out[0] = '-';
  WriteEightDigits(digits / 100000000, p + 1);
  WriteEightDigits(digits % 100000000, p + 9);
  p[0] = p[1];
  p[1] = '.';
  p += 17;
  *p++ = 'e';
  *p++ = decimalExponent < 0 ? '-' : '+';
  const int magnitude = decimalExponent < 0 ? -decimalExponent : decimalExponent;
  *p++ = '0';  // below 100 here
  std::memcpy(p, kDigitPairs + 2 * magnitude, 2);
  p += 2;
  text = std::string_view(out, static_cast<std::size_t>(p - out));
  return true;
}

}  // namespace

std::string_view FormatScientific(double value, char* out) {
  std::string_view text;
  if (FormatFixedPoint(value, out, text) || FormatExact(value, out, text)) {
    return text;
  }
  return FormatWithLibrary(value, out);
}

namespace {

// What a byte of a value token is: a hexadecimal digit (its value), an
// unknown digit, or anything else.
constexpr std::uint8_t kUnknownByte = 16;
constexpr std::uint8_t kOtherByte = 17;
constexpr std::array<std::uint8_t, 256> kTokenBytes = [] {
  std::array<std::uint8_t, 256> kinds{};
  for (int c = 0; c < 256; ++c) {
    kinds[c] = IsUnknownDigit(static_cast<char>(c)) ? kUnknownByte : kOtherByte;
    if (c >= '0' && c <= '9') {
      kinds[c] = static_cast<std::uint8_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      kinds[c] = static_cast<std::uint8_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      kinds[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
  }
  return kinds;
}();

std::uint8_t TokenByte(char c) {
  return kTokenBytes[static_cast<unsigned char>(c)];
}

constexpr std::size_t kMostPatternDigits = 16;

}  // namespace

bool HoldsUnknownDigits(std::string_view token) {
  if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    token.remove_prefix(2);
  }
  bool unknown = false;
  for (const char c : token) {
    const std::uint8_t kind = TokenByte(c);
    if (kind == kOtherByte) {
      return false;
    }
    unknown = unknown || kind == kUnknownByte;
  }
  return unknown;
}

// The tokens simulators write: "0x" (or nothing) and one to sixteen
// hexadecimal digits, read in one pass to the value HexToReal gives them.
// False for anything else (unknown digits, "0X", longer tokens, fraction
// lengths beyond 0..63), which takes the general path.
bool CRealValueText::ReadPlainToken(std::string_view token, double& value) const {
  if (token.size() >= 2 && token[0] == '0') {
    if (token[1] == 'x') {
      token.remove_prefix(2);
    } else if (token[1] == 'X') {
      return false;  // a prefix HexToReal takes for one only with a signed vector
    }
  }
  if (token.empty() || token.size() > kMostPatternDigits || fractionalLength_ < 0 ||
      fractionalLength_ > 63) {
    return false;
  }
  std::uint64_t pattern = 0;
  for (const char c : token) {
    const std::uint8_t digit = TokenByte(c);
    if (digit >= kUnknownByte) {
      return false;
    }
    pattern = (pattern << 4) | digit;
  }
  const double whole = isSigned_ ? static_cast<double>(static_cast<std::int64_t>(pattern))
                                 : static_cast<double>(pattern);
  value = whole * (1.0 / static_cast<double>(std::uint64_t{1} << fractionalLength_));
  return true;
}

std::string_view CRealValueText::operator()(std::string_view token) {
  double value = 0;
  if (ReadPlainToken(token, value)) {
    return FormatScientific(value, text_);
  }
  // A value the simulator did not know is shown as written: converted, its
  // unknown digits would read as 15 and look like a believable number.
  if (HoldsUnknownDigits(token)) {
    return token;
  }
  return FormatScientific(HexToReal(token, fractionalLength_, isSigned_), text_);
}
