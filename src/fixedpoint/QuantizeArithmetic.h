// Quantization arithmetic that needs no quantizer object: how many integer and
// fractional bits values need, and rounding to integers through a 53-bit
// quantizer. The operations on a quantizer (RoundValue, Quantize, FromValues,
// ValueOfRawCode, EnumerateValues...) are members of CQuantizer.
//
// A bit count of a negative value includes its sign bit. When the host setting
// "DR::951871" is on, the budget of a signed value is one bit wider; the
// setting is read once per process, the first time a bit count is computed.
#pragma once

#include <span>

// Integer and fractional bits that x needs within limit bits. With exactStop
// an integral value stops at its integer bits. False when x does not fit (the
// counts are then as far as they got); a value that is not finite never fits
// (its integer bits are limit + 1).
bool BitsForValue(double x, bool signedIn, bool& outSigned, int& integerBits, int& fractionalBits,
                  int limit, bool exactStop);
// The largest counts over all values; false when some value, or the total,
// does not fit limit (the fractional bits are then cut to what is left).
bool BitsForValues(std::span<const double> values, bool signedIn, bool& outSigned, int& integerBits,
                   int& fractionalBits, int limit, bool exactStop);
bool BitsForTwoSequences(std::span<const double> first, std::span<const double> second,
                         bool signedIn, bool& outSigned, int& integerBits, int& fractionalBits,
                         int limit, bool exactStop);
// Fraction digits until |f|'s fractional part is used up, capped at n (at
// least 1 when f has a fractional part).
int FractionBitsNeeded(double f, int n);
// 1 for 0 and 1, else ceil(ln |v| / ln 2) in double precision.
int CeilLog2(double v);

// Through a fixed, wrap, 53-bit integer quantizer: truncation toward zero,
// and ties to even. Results outside -2^52 .. 2^52-1 wrap.
double RoundToIntegerFix(double x);
double RoundToIntegerConvergent(double x);
// viaQuantizer: ties toward plus infinity through the same quantizer;
// otherwise ties away from zero (-2.5 gives -3).
double RoundToInteger(double x, bool viaQuantizer);
// BitsForValue of an unsigned start: total = integer + fractional bits.
bool TotalAndFractionBits(double x, int& totalBits, int& fractionalBits, int limit, bool exactStop);

// Forgets the "DR::951871" answer so that the next bit count reads it again.
// The system itself never calls it; tests switch the setting with it.
void ForgetExtraSignBitSetting();
