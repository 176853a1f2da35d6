// Numeric conversion: hexadecimal bit patterns to reals, reals to binary
// digits, tables of powers of two and small logarithm, integrality and
// rounding helpers. No state except the cached value of pi.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The hexadecimal text of a stored bit pattern as a real value:
// pattern / 2^fractionalLength.
//
// A leading "0x" is dropped (for a signed pattern also "0X"). Only the last
// 16 digits count. A signed pattern is read as a 64-bit two's-complement
// integer, so a pattern shorter than 16 digits is never negative. Any
// fractional length is valid: the division is by 2^fractionalLength as a real
// (negative lengths multiply). Characters that are not hexadecimal digits,
// and "f", read as 15 (see HexDigitValue). Never rejects its text; a null or
// empty text, or the prefix alone, gives 0. The text ends at its first NUL,
// as a zero-terminated text does.
void HexToReal(const char* text, std::int64_t fractionalLength, bool isSigned, double* out);
void HexToReal(std::string_view text, std::int64_t fractionalLength, bool isSigned, double* out);
double HexToReal(std::string_view text, std::int64_t fractionalLength, bool isSigned);

// "0".."9" give 0..9, "a".."e" (either case) 10..14, every other character 15.
int HexDigitValue(char c);

// The binary digits of x, most significant first (index 0), truncated to
// fractionalBits fraction digits.
//
// Length rule: every result has exactly 1 + integerBits + fractionalBits
// digits: a sign digit, integerBits integer digits and fractionalBits
// fraction digits. A negative x is the two's complement over all of them of
// its truncated magnitude; 0 gives all zero digits. Throws std::runtime_error
// "Invalid value sent to num2bin" when the integer part of |x| needs more than
// integerBits digits (only -2^integerBits itself fits with the sign digit set)
// or x is not finite, and a std::runtime_error naming the limit when more
// than kMaxBinaryDigits digits are asked for.
void NumToBin(double x, std::vector<bool>& out, unsigned integerBits, unsigned fractionalBits);
constexpr unsigned kMaxBinaryDigits = 4096;

// Inverts every digit and adds one at the last (least significant) index.
void TwosComplementNegate(std::vector<bool>& bits);

// 2^-|n|: exact for |n| <= 21, the 15-significant-digit decimal value of
// 2^-|n| for 22..55, and -1 above 55.
double InversePowerOfTwo(int n);
// 2^|n| - 1: 1 for 0 and 1, exact for 2..49, rounded decimal values for
// 50..55, and -1 above 55.
double AllOnes(int n);

// True when |x| is a power of two; exponent then receives its base-2 exponent
// (8 gives 3, 0.25 gives -2). Otherwise exponent is untouched.
bool IsPowerOfTwo(double x, int& exponent);
bool IsIntegral(double x);
double Log2(double x);
double LogBase(double a, double b);
// ceil(ln x / ln 2), saturated to the int range (NaN, from x < 0, gives INT_MIN).
int Log2Ceil(int x);
int Log2Ceil(double x);
// True when the sequence is not empty and every value is a power of two;
// exponent then receives the largest exponent.
bool AllPowersOfTwo(std::span<const double> values, int& exponent);
// Rounds the magnitude up to a whole number and keeps the sign (2.5 -> 3, -2.5 -> -3).
double CeilMagnitude(double x);
double CachedPi();
// floor(x) copies of 2.2204e-16 summed one by one (at least one copy). Above
// kEpsilonSumLimit copies the sum is taken as a product instead.
double EpsilonMultiple(double x);
constexpr std::int64_t kEpsilonSumLimit = std::int64_t{1} << 24;
// The decimal digits of a read as an octal number (17 gives 15); a digit 8 or
// 9 ends the number.
int OctalDigitsValue(int a);
