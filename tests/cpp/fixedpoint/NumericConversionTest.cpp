// Numeric conversion: hexadecimal patterns, binary digits, the power-of-two
// tables and the small helpers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "fixedpoint/NumericConversion.h"

namespace {

std::vector<bool> Bits(const char* digits) {
  std::vector<bool> bits;
  for (const char* p = digits; *p; ++p) {
    bits.push_back(*p == '1');
  }
  return bits;
}

std::vector<bool> Binary(double x, unsigned integerBits, unsigned fractionBits) {
  std::vector<bool> out{true, true};  // replaced, not appended to
  NumToBin(x, out, integerBits, fractionBits);
  return out;
}

TEST(HexPatterns, PrefixAndSign) {
  EXPECT_EQ(HexToReal("0x0018", 4, true), 1.5);
  EXPECT_EQ(HexToReal("0X0018", 4, true), 1.5);
  // Unsigned keeps an upper-case prefix: X reads as 15, pattern F0018.
  EXPECT_EQ(HexToReal("0X0018", 4, false), 61441.5);
  EXPECT_EQ(HexToReal("0x0018", 4, false), 1.5);
  EXPECT_EQ(HexToReal("ffff", 0, true), 65535.0);  // short patterns are never negative
  EXPECT_EQ(HexToReal("ffff", 0, false), 65535.0);
}

TEST(HexPatterns, ANulByteEndsTheText) {
  using namespace std::string_view_literals;
  EXPECT_EQ(HexToReal("0x18\0ff"sv, 4, true), 1.5);
  EXPECT_EQ(HexToReal("1\0"sv, 0, false), 1.0);
  EXPECT_EQ(HexToReal("\0"
                      "12"sv,
                      0, false),
            0.0);
  double out = -1.0;
  HexToReal(
      "0x1\0"
      "0"sv,
      0, true, &out);
  EXPECT_EQ(out, 1.0);
}

TEST(HexPatterns, SixteenDigitsCarryTheSign) {
  EXPECT_EQ(HexToReal("FFFFFFFFFFFFFFF8", 4, true), -0.5);
  EXPECT_EQ(HexToReal("FFFFFFFFFFFFFFF8", 0, false), 18446744073709551608.0);
  EXPECT_EQ(HexToReal("8000000000000000", 0, true), -9223372036854775808.0);
  EXPECT_EQ(HexToReal("8000000000000000", 63, true), -1.0);
  EXPECT_EQ(HexToReal("8000000000000000", 63, false), 1.0);
}

TEST(HexPatterns, OnlyTheLastSixteenDigitsCount) {
  EXPECT_EQ(HexToReal("1FFFFFFFFFFFFFFF8", 0, true), -8.0);
  EXPECT_EQ(HexToReal("0x10000000000000012", 0, false), 18.0);
  EXPECT_EQ(HexToReal(std::string(200, '0') + "12", 0, true), 18.0);
}

TEST(HexPatterns, EmptyPrefixOnlyAndNull) {
  EXPECT_EQ(HexToReal("", 3, true), 0.0);
  EXPECT_EQ(HexToReal("0x", 3, true), 0.0);
  double out = 7.0;
  HexToReal(static_cast<const char*>(nullptr), 0, true, &out);
  EXPECT_EQ(out, 0.0);
  HexToReal("12", 0, true, nullptr);  // no target: nothing happens
}

TEST(HexPatterns, AnyFractionalLengthIsDefined) {
  EXPECT_EQ(HexToReal("1", 64, false), std::ldexp(1.0, -64));
  EXPECT_EQ(HexToReal("1", 300, false), std::ldexp(1.0, -300));
  EXPECT_EQ(HexToReal("10", -4, false), 256.0);
  EXPECT_EQ(HexToReal("1", INT64_MAX, false), 0.0);
  EXPECT_TRUE(std::isinf(HexToReal("1", INT64_MIN, false)));
  EXPECT_EQ(HexToReal("0", INT64_MIN, false), 0.0);
}

TEST(HexPatterns, DigitValues) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('E'), 14);
  EXPECT_EQ(HexDigitValue('f'), 15);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('g'), 15);
  EXPECT_EQ(HexDigitValue(' '), 15);
  EXPECT_EQ(HexDigitValue('\xff'), 15);
}

TEST(BinaryDigits, SignIntegerAndFractionDigits) {
  EXPECT_EQ(Binary(5, 3, 2), Bits("010100"));
  EXPECT_EQ(Binary(2.75, 3, 2), Bits("001011"));
  EXPECT_EQ(Binary(2.875, 3, 2), Bits("001011"));  // truncated
  EXPECT_EQ(Binary(7, 3, 0), Bits("0111"));
  EXPECT_EQ(Binary(0.5, 0, 3), Bits("0100"));
}

TEST(BinaryDigits, NegativeValuesAreTwosComplementOverAllDigits) {
  EXPECT_EQ(Binary(-1, 3, 0), Bits("1111"));
  EXPECT_EQ(Binary(-5, 3, 2), Bits("101100"));
  EXPECT_EQ(Binary(-0.25, 3, 2), Bits("111111"));
  EXPECT_EQ(Binary(-8, 3, 0), Bits("1000"));      // the minimum fits the sign digit
  EXPECT_EQ(Binary(-0.1, 3, 2), Bits("000000"));  // truncates to zero
}

TEST(BinaryDigits, ZeroHasTheFullLength) {
  EXPECT_EQ(Binary(0, 3, 2), Bits("000000"));
  EXPECT_EQ(Binary(-0.0, 0, 0), Bits("0"));
}

TEST(BinaryDigits, ValuesThatDoNotFitThrow) {
  std::vector<bool> out;
  EXPECT_THROW(NumToBin(9, out, 3, 0), std::runtime_error);
  EXPECT_THROW(NumToBin(8, out, 3, 0), std::runtime_error);
  EXPECT_THROW(NumToBin(-8.5, out, 3, 1), std::runtime_error);
  EXPECT_THROW(NumToBin(-9, out, 3, 0), std::runtime_error);
  EXPECT_THROW(NumToBin(std::numeric_limits<double>::infinity(), out, 3, 0), std::runtime_error);
  EXPECT_THROW(NumToBin(std::nan(""), out, 3, 0), std::runtime_error);
  try {
    NumToBin(9, out, 3, 0);
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid value sent to num2bin");
  }
  EXPECT_THROW(NumToBin(1, out, 4000, 4000), std::runtime_error);
  EXPECT_THROW(NumToBin(1, out, UINT_MAX, UINT_MAX), std::runtime_error);
  EXPECT_NO_THROW(NumToBin(1e300, out, 1000, 1000));
  EXPECT_EQ(out.size(), 2001u);
}

TEST(BinaryDigits, NegateInvertsEveryDigitAndAddsOne) {
  std::vector<bool> bits = Bits("0110");
  TwosComplementNegate(bits);
  EXPECT_EQ(bits, Bits("1010"));
  bits = Bits("0000");
  TwosComplementNegate(bits);
  EXPECT_EQ(bits, Bits("0000"));
  bits = Bits("1000");
  TwosComplementNegate(bits);
  EXPECT_EQ(bits, Bits("1000"));
  bits.clear();
  TwosComplementNegate(bits);
  EXPECT_TRUE(bits.empty());
}

TEST(PowerOfTwoTables, InversePowersExactThenDecimal) {
  EXPECT_EQ(InversePowerOfTwo(0), 1.0);
  EXPECT_EQ(InversePowerOfTwo(-3), 0.125);
  EXPECT_EQ(InversePowerOfTwo(21), std::ldexp(1.0, -21));
  EXPECT_EQ(InversePowerOfTwo(22), 2.38418579101562e-07);
  EXPECT_NE(InversePowerOfTwo(22), std::ldexp(1.0, -22));
  EXPECT_EQ(InversePowerOfTwo(-47), 7.105427357601e-15);
  EXPECT_EQ(InversePowerOfTwo(55), 2.77555756156289e-17);
  EXPECT_EQ(InversePowerOfTwo(56), -1.0);
  EXPECT_EQ(InversePowerOfTwo(INT_MIN), -1.0);
}

TEST(PowerOfTwoTables, AllOnesExactThenRounded) {
  EXPECT_EQ(AllOnes(0), 1.0);
  EXPECT_EQ(AllOnes(1), 1.0);
  EXPECT_EQ(AllOnes(2), 3.0);
  EXPECT_EQ(AllOnes(-8), 255.0);
  EXPECT_EQ(AllOnes(49), 562949953421311.0);
  EXPECT_EQ(AllOnes(50), 1125899906842620.0);
  EXPECT_NE(AllOnes(50), std::ldexp(1.0, 50) - 1);
  EXPECT_EQ(AllOnes(53), 9007199254740990.0);
  EXPECT_EQ(AllOnes(54), 1.8014398509482e16);
  EXPECT_EQ(AllOnes(55), 3.6028797018964e16);
  EXPECT_EQ(AllOnes(56), -1.0);
  EXPECT_EQ(AllOnes(INT_MIN), -1.0);
}

TEST(PowerOfTwoTables, PowersOfTwo) {
  int e = 99;
  EXPECT_TRUE(IsPowerOfTwo(8, e));
  EXPECT_EQ(e, 3);
  EXPECT_TRUE(IsPowerOfTwo(-0.25, e));
  EXPECT_EQ(e, -2);
  e = 99;
  EXPECT_FALSE(IsPowerOfTwo(6, e));
  EXPECT_FALSE(IsPowerOfTwo(0, e));
  EXPECT_FALSE(IsPowerOfTwo(std::numeric_limits<double>::infinity(), e));
  EXPECT_FALSE(IsPowerOfTwo(std::nan(""), e));
  EXPECT_EQ(e, 99);

  const std::vector<double> powers{0.5, 4, 2};
  EXPECT_TRUE(AllPowersOfTwo(powers, e));
  EXPECT_EQ(e, 2);
  e = 5;
  EXPECT_FALSE(AllPowersOfTwo(std::vector<double>{}, e));
  EXPECT_EQ(e, 5);
  EXPECT_FALSE(AllPowersOfTwo(std::vector<double>{8, 3}, e));
  EXPECT_EQ(e, 3);  // the first value's exponent was taken
}

TEST(SmallFunctions, IntegralityAndLogarithms) {
  EXPECT_TRUE(IsIntegral(-3.0));
  EXPECT_FALSE(IsIntegral(2.5));
  EXPECT_FALSE(IsIntegral(std::nan("")));
  EXPECT_DOUBLE_EQ(Log2(8), 3.0);
  EXPECT_DOUBLE_EQ(LogBase(1000, 10), 3.0);
  EXPECT_EQ(Log2Ceil(5), 3);
  EXPECT_EQ(Log2Ceil(1.5), 1);
  EXPECT_EQ(Log2Ceil(0), INT_MIN);     // -infinity, saturated
  EXPECT_EQ(Log2Ceil(-4.0), INT_MIN);  // NaN
  EXPECT_EQ(Log2Ceil(std::numeric_limits<double>::infinity()), INT_MAX);
}

TEST(SmallFunctions, CeilMagnitudeKeepsTheSign) {
  EXPECT_EQ(CeilMagnitude(2.5), 3.0);
  EXPECT_EQ(CeilMagnitude(-2.5), -3.0);
  EXPECT_EQ(CeilMagnitude(4), 4.0);
  EXPECT_EQ(CeilMagnitude(-0.1), -1.0);
}

TEST(SmallFunctions, PiEpsilonAndOctal) {
  EXPECT_EQ(CachedPi(), 4.0 * std::atan(1.0));
  EXPECT_EQ(CachedPi(), CachedPi());
  EXPECT_EQ(EpsilonMultiple(0.5), 2.2204e-16);
  EXPECT_EQ(EpsilonMultiple(1.9), 2.2204e-16);
  EXPECT_EQ(EpsilonMultiple(std::nan("")), 2.2204e-16);
  EXPECT_EQ(EpsilonMultiple(3.7), 2.2204e-16 + 2.2204e-16 + 2.2204e-16);
  EXPECT_DOUBLE_EQ(EpsilonMultiple(1e12), 1e12 * 2.2204e-16);  // a product, not 1e12 additions
  EXPECT_EQ(OctalDigitsValue(17), 15);
  EXPECT_EQ(OctalDigitsValue(0), 0);
  EXPECT_EQ(OctalDigitsValue(7777), 4095);
  EXPECT_EQ(OctalDigitsValue(1829), 1);  // "8" ends the number
  EXPECT_EQ(OctalDigitsValue(-5), 0);
}

}  // namespace
