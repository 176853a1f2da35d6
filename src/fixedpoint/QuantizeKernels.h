// The kernels behind CQuantizer::QuantizeInPlace: rounding and overflow on
// two doubles at a time, as straight-line arithmetic, bit operations and
// selects (no library call, no data-dependent branch). Internal to the
// fixed-point layer.
//
// Every kernel gives, lane by lane and for every double (zeros of both signs,
// ties, values beyond 2^52, infinities, NaN), exactly what RoundValue's
// truncate-and-adjust steps and ApplyOverflow give: lane-wise vector
// arithmetic rounds as scalar arithmetic does. They need the FPU's default
// round-to-nearest mode, which the caller checks.
//
// Built on the GCC/Clang vector extension, so they compile to SSE2 on x86-64,
// NEON on ARM, and plain scalar code elsewhere.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace fixedpoint_kernels {

using V = double __attribute__((vector_size(16)));
using M = std::int64_t __attribute__((vector_size(16)));

constexpr double kTwo52 = 4503599627370496.0;  // from here on every double is whole
constexpr double kTwo51 = 2251799813685248.0;
constexpr double kOneAndHalfTwo52 = 6755399441055744.0;
constexpr std::int64_t kTwo52Bits = 0x4330000000000000;  // the pattern of 2^52
constexpr std::int64_t kSignBit = INT64_MIN;

inline V Splat(double x) {
  return V{x, x};
}

// a where mask is set, else b. On SSE2 the bit operations are spelled as
// intrinsics: GCC turns the generic and/andnot/or form of a combined mask
// into a per-lane branchless scalar select, which is several times slower.
inline V Select(M mask, V a, V b) {
#ifdef __SSE2__
  const __m128d m = reinterpret_cast<__m128d>(mask);
  return reinterpret_cast<V>(_mm_or_pd(_mm_and_pd(m, reinterpret_cast<__m128d>(a)),
                                       _mm_andnot_pd(m, reinterpret_cast<__m128d>(b))));
#else
  return reinterpret_cast<V>((reinterpret_cast<M>(a) & mask) | (reinterpret_cast<M>(b) & ~mask));
#endif
}

inline V Abs(V x) {
  return reinterpret_cast<V>(reinterpret_cast<M>(x) & ~M{kSignBit, kSignBit});
}

// The magnitude of a with the sign of s.
inline V CopySign(V a, V s) {
  const M sign = M{kSignBit, kSignBit};
  return reinterpret_cast<V>((reinterpret_cast<M>(a) & ~sign) | (reinterpret_cast<M>(s) & sign));
}

// Adding and removing 2^52 leaves the nearest whole number, ties to even.
// Every rounding's result has the sign of its input (or is a zero of that
// sign), which CopySign restores where the trick produced +0.
inline V NearestEven(V s) {
  const V c = CopySign(Splat(kTwo52), s);
  const V r = (s + c) - c;
  return Select(Abs(s) < Splat(kTwo52), CopySign(r, s), s);
}

inline V FloorOf(V s) {
  const V r = NearestEven(s);
  return CopySign(Select(r > s, r - 1.0, r), s);
}

inline V CeilOf(V s) {
  const V r = NearestEven(s);
  return CopySign(Select(r < s, r + 1.0, r), s);
}

inline V TruncOf(V s) {
  const V a = Abs(s);
  const V r = NearestEven(a);
  return CopySign(Select(r > a, r - 1.0, r), s);
}

struct RoundFloor {
  static constexpr bool kAddHalf = false;
  static V Apply(V s) { return FloorOf(s); }
};
struct RoundHalfUp {  // "round" and "nearest": half an LSB added, then floor
  static constexpr bool kAddHalf = true;
  static V Apply(V s) { return FloorOf(s); }
};
struct RoundCeil {
  static constexpr bool kAddHalf = false;
  static V Apply(V s) { return CeilOf(s); }
};
struct RoundTrunc {
  static constexpr bool kAddHalf = false;
  static V Apply(V s) { return TruncOf(s); }
};
struct RoundHalfEven {
  static constexpr bool kAddHalf = false;
  static V Apply(V s) { return NearestEven(s); }
};

// Everything one quantizer's kernels need, broadcast to both lanes.
struct Params {
  V half;     // half of one LSB, added by "round" and "nearest"
  V scale;    // 2^F
  V unscale;  // 2^-F
  V lo;       // minValue
  V hi;       // maxValue
  V halfSpan;
  V span;
  V inverseHalfSpan;
  V inverseSpan;
  M codeOffset;  // 2^(W-1) for a signed type, else 0
  M codeMask;    // 2^W - 1
  V codeBias;    // codeOffset as a double
};

inline bool BothLanes(M mask) {
#ifdef __SSE2__
  return _mm_movemask_pd(reinterpret_cast<__m128d>(mask)) == 3;
#else
  return mask[0] != 0 && mask[1] != 0;
#endif
}

struct OverflowSaturate {
  static V Apply(V whole, const Params& p) {
    const V y = whole * p.unscale;
    return Select(y > p.hi, p.hi, Select(y < p.lo, p.lo, y));
  }
};

// y where lo <= y <= hi, else wrapped (also for NaN).
inline V KeepInside(V y, V wrapped, const Params& p) {
  return Select(y >= p.lo, Select(y <= p.hi, y, wrapped), wrapped);
}

// Dividing by a power of two whose reciprocal is a double gives, correctly
// rounded, the same real as multiplying by that reciprocal, so the two are
// bit-identical; kReciprocal selects the product (see ExactReciprocal).
template <bool kReciprocal>
inline V DivideBy(V y, V divisor, V reciprocal) {
  if constexpr (kReciprocal) {
    return y * reciprocal;
  } else {
    return y / divisor;
  }
}

// WrapOutOfRange, lane by lane, for any range.
template <bool kSigned, bool kReciprocal>
inline V WrapValue(V y, const Params& p) {
  if constexpr (kSigned) {
    const V w = TruncOf(DivideBy<kReciprocal>(y, p.span, p.inverseSpan));
    const V r = y - w * p.span;
    const V up = Select(r < -p.halfSpan, r + p.span, r);
    const V down = Select(r >= p.halfSpan, r - p.span, r);
    return Select(y < 0.0, up, down);
  } else {
    const V w = TruncOf(DivideBy<kReciprocal>(y, p.halfSpan, p.inverseHalfSpan));
    const V above = y - w * p.halfSpan;
    const V r = y - (w - 1.0) * p.halfSpan;
    const V below = Select(r >= p.halfSpan, r - p.halfSpan, r);
    return Select(y < 0.0, below, above);
  }
}

template <bool kSigned, bool kReciprocal>
struct OverflowWrap {
  static V Apply(V whole, const Params& p) {
    const V y = whole * p.unscale;
    return KeepInside(y, WrapValue<kSigned, kReciprocal>(y, p), p);
  }
};

// The wrap on the integer code: for a rounded value whole * 2^-F with
// |whole| < 2^51, WrapOutOfRange computes exactly (every step is exact when
// CodeWrapApplies holds) the residue of whole modulo 2^W, centred on zero for
// a signed type, times 2^-F. Adding 1.5 * 2^52 puts whole, as a two's
// complement integer, in the low bits of the double's pattern, where the
// residue is a mask away. Lanes of larger magnitude (or NaN, infinities)
// take the general formula.
template <bool kSigned>
struct OverflowWrapCode {
  static V Apply(V whole, const Params& p) {
    const V y = whole * p.unscale;
    if (!BothLanes(Abs(whole) < Splat(kTwo51))) {
      return KeepInside(y, WrapValue<kSigned, true>(y, p), p);
    }
    const M bits = reinterpret_cast<M>(whole + Splat(kOneAndHalfTwo52));
    const M residue = (bits + p.codeOffset) & p.codeMask;
    const V code = reinterpret_cast<V>(residue | M{kTwo52Bits, kTwo52Bits}) - Splat(kTwo52);
    return KeepInside(y, (code - p.codeBias) * p.unscale, p);
  }
};

// True when d is a power of two whose reciprocal is a normal double, so that
// x / d and x * (1 / d) agree for every x.
inline bool ExactReciprocal(double d) {
  int exponent = 0;
  const double mantissa = std::frexp(d, &exponent);
  return mantissa == 0.5 && exponent >= -1020 && exponent <= 1020;
}

// When OverflowWrapCode gives what WrapOutOfRange gives: word lengths of
// 1..51 bits, moderate fractional lengths, and spans that are the powers of
// two the lengths imply (the derived values are current).
inline bool CodeWrapApplies(int wordLength, int fractionalLength, bool isSigned, double halfSpan,
                            double span) {
  if (wordLength < 1 || wordLength > 51 || fractionalLength < -900 || fractionalLength > 900) {
    return false;
  }
  const int p = wordLength - fractionalLength - (isSigned ? 1 : 0);
  return halfSpan == std::ldexp(1.0, p) && span == std::ldexp(1.0, p + 1);
}

// Quantizes n values in place: x (+ half) scaled by 2^F, rounded to a whole
// number, then scaled back and brought into range by TOverflow.
template <class TRound, class TOverflow>
void QuantizeValues(double* data, std::size_t n, const Params& p) {
  const auto one = [&p](V x) {
    if constexpr (TRound::kAddHalf) {
      x = x + p.half;
    }
    return TOverflow::Apply(TRound::Apply(x * p.scale), p);
  };
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    V x;
    std::memcpy(&x, data + i, sizeof x);
    x = one(x);
    std::memcpy(data + i, &x, sizeof x);
  }
  if (i < n) {
    const V x = one(V{data[i], 0.0});
    data[i] = x[0];
  }
}

}  // namespace fixedpoint_kernels
