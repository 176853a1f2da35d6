// The exact quantization core: rounding onto the grid of 2^-F and bringing a
// value back into range, written once for one double and for a vector of
// doubles. CQuantizer's scalar operations (RoundValue, ApplyOverflow) and its
// array kernels (QuantizeInPlace) are both built from these functions.
// Internal to the fixed-point layer.
//
// Every step is exact. Scaling by a power of two is exact unless it
// overflows, and a value whose scaled form reaches 2^52 (or overflows) is
// already on the grid. Below that the rounding is decided on the whole part
// and the exact remainder, so no sum ever rounds onto or off a tie. Wrapping
// takes the part of the value below the modulus (exact for a power of two),
// and where the wrapped value of an unsigned type needs more bits than a
// double holds, the result is the largest double below it, so that it stays
// inside the format.
//
// The vector forms are straight-line arithmetic, bit operations and selects
// (no library call, no data-dependent branch) on the GCC/Clang vector
// extension: two lanes on SSE2 (x86-64), NEON on ARM, plain scalar code
// elsewhere; four lanes where this header is compiled for AVX2 (one
// translation unit, chosen at run time when the processor has it), whose
// rounding instruction gives floor, ceil, trunc and ties-to-even directly.
// The same operations in the same order, and no fused multiply-add, so every
// width gives the same bits. They need the FPU's default round-to-nearest
// mode, which the caller checks; the scalar forms use the C library's
// floor/ceil/trunc and are exact in any mode.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fixedpoint_kernels {

enum class TGridRounding { kFloor, kHalfUp, kCeil, kTrunc, kHalfEven };

// What the array kernels need of a quantizer.
struct Format {
  double minValue = 0.0;
  double maxValue = 0.0;
  double halfSpan = 0.0;
  double span = 0.0;
  int wordLength = 0;
  int fractionalLength = 0;  // 0..kMaxKernelFractionalLength
  bool isSigned = false;
  bool saturate = false;
  TGridRounding rounding = TGridRounding::kFloor;
};

// Overflows (rounded values beyond minValue..maxValue) and underflows
// (nonzero values whose rounded value is zero).
struct Tally {
  std::uint64_t overflows = 0;
  std::uint64_t underflows = 0;
};

// Fractional lengths for which 2^F and 2^-F are normal doubles, so that the
// vector kernels scale by a product: scaling up never underflows and scaling
// a whole number back never loses a bit.
constexpr int kMaxKernelFractionalLength = 1022;

// The array kernel compiled for AVX2 (four lanes), in its own translation
// unit; the caller checks HaveAvx2Kernel() first.
bool HaveAvx2Kernel();
void QuantizeArrayAvx2(const Format& format, const double* in, double* out, std::size_t n,
                       Tally* tally);

// Everything below is compiled once per instruction set that includes this
// header, each in its own namespace.
#if defined(__AVX2__)
inline namespace avx2 {
constexpr int kLanes = 4;
#elif defined(__SSE2__)
inline namespace sse2 {
constexpr int kLanes = 2;
#else
inline namespace generic {
constexpr int kLanes = 2;
#endif

using V = double __attribute__((vector_size(8 * kLanes)));
using M = std::int64_t __attribute__((vector_size(8 * kLanes)));

constexpr double kTwo52 = 4503599627370496.0;  // from here on every double is whole
constexpr double kTwo51 = 2251799813685248.0;
constexpr double kOneAndHalfTwo52 = 6755399441055744.0;
constexpr std::int64_t kTwo52Bits = 0x4330000000000000;  // the pattern of 2^52
constexpr std::int64_t kSignBit = INT64_MIN;

// ---- lanes: the same operation on a double and on a vector of doubles

template <class T>
inline T Splat(double x) {
  if constexpr (std::is_same_v<T, double>) {
    return x;
  } else {
    T lanes{};
    for (int i = 0; i < kLanes; ++i) {
      lanes[i] = x;
    }
    return lanes;
  }
}

inline M SplatBits(std::int64_t x) {
  M lanes{};
  for (int i = 0; i < kLanes; ++i) {
    lanes[i] = x;
  }
  return lanes;
}

inline double Select(bool mask, double a, double b) {
  return mask ? a : b;
}

// a where mask is set, else b. On SSE2 the bit operations are spelled as
// intrinsics: GCC turns the generic and/andnot/or form of a combined mask
// into a per-lane branchless scalar select, which is several times slower.
inline V Select(M mask, V a, V b) {
#if defined(__AVX2__)
  return reinterpret_cast<V>(_mm256_blendv_pd(
      reinterpret_cast<__m256d>(b), reinterpret_cast<__m256d>(a), reinterpret_cast<__m256d>(mask)));
#elif defined(__SSE2__)
  const __m128d m = reinterpret_cast<__m128d>(mask);
  return reinterpret_cast<V>(_mm_or_pd(_mm_and_pd(m, reinterpret_cast<__m128d>(a)),
                                       _mm_andnot_pd(m, reinterpret_cast<__m128d>(b))));
#else
  return reinterpret_cast<V>((reinterpret_cast<M>(a) & mask) | (reinterpret_cast<M>(b) & ~mask));
#endif
}

inline double Abs(double x) {
  return std::fabs(x);
}

inline V Abs(V x) {
  return reinterpret_cast<V>(reinterpret_cast<M>(x) & ~SplatBits(kSignBit));
}

// The magnitude of a with the sign of s.
inline double CopySign(double a, double s) {
  return std::copysign(a, s);
}

inline V CopySign(V a, V s) {
  const M sign = SplatBits(kSignBit);
  return reinterpret_cast<V>((reinterpret_cast<M>(a) & ~sign) | (reinterpret_cast<M>(s) & sign));
}

// The next double toward zero of a positive finite t.
inline double NextDown(double t) {
  return std::nextafter(t, 0.0);
}

inline V NextDown(V t) {
  return reinterpret_cast<V>(reinterpret_cast<M>(t) - SplatBits(1));
}

// ---- whole numbers. Every rounding's result has the sign of its input (or
// is a zero of that sign), as the C library's floor, ceil and trunc give.

inline double FloorOf(double s) {
  return std::floor(s);
}

inline double CeilOf(double s) {
  return std::ceil(s);
}

inline double TruncOf(double s) {
  return std::trunc(s);
}

// Ties to even, decided on the exact remainder.
inline double NearestEven(double s) {
  const double w = std::floor(s);
  const double r = s - w;
  // A remainder of exactly 1/2 means |s| < 2^52, so w fits an integer.
  const bool up = r > 0.5 || (r == 0.5 && (static_cast<std::int64_t>(w) & 1) != 0);
  return std::copysign(up ? w + 1.0 : w, s);
}

#if defined(__AVX2__)
// The rounding instruction gives what floor, ceil, trunc and rounding to
// even give, the sign of a zero result included; NaN stays NaN.
template <int kRoundingControl>
inline V RoundLanes(V s) {
  return reinterpret_cast<V>(
      _mm256_round_pd(reinterpret_cast<__m256d>(s), kRoundingControl | _MM_FROUND_NO_EXC));
}

inline V NearestEven(V s) {
  return RoundLanes<_MM_FROUND_TO_NEAREST_INT>(s);
}

inline V FloorOf(V s) {
  return RoundLanes<_MM_FROUND_TO_NEG_INF>(s);
}

inline V CeilOf(V s) {
  return RoundLanes<_MM_FROUND_TO_POS_INF>(s);
}

inline V TruncOf(V s) {
  return RoundLanes<_MM_FROUND_TO_ZERO>(s);
}
#else
// Adding and removing 2^52 leaves the nearest whole number, ties to even;
// CopySign restores the sign where the trick produced +0.
inline V NearestEven(V s) {
  const V c = CopySign(Splat<V>(kTwo52), s);
  const V r = (s + c) - c;
  return Select(Abs(s) < Splat<V>(kTwo52), CopySign(r, s), s);
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
#endif

// Ties toward plus infinity, decided on the whole part below and the exact
// remainder; a zero result is +0.
inline double HalfUpOf(double s) {
  const double w = std::floor(s);
  const double rounded = s - w >= 0.5 ? w + 1.0 : w;
  return rounded == 0.0 ? 0.0 : rounded;
}

// The nearest whole number, ties to even, then a tie that went down moved up
// (the remainder s - r is exact). Adding +0 turns a zero result into +0.
inline V HalfUpOf(V s) {
#if defined(__AVX2__)
  const V r = NearestEven(s) + 0.0;
#else
  const V c = CopySign(Splat<V>(kTwo52), s);
  const V r = Select(Abs(s) < Splat<V>(kTwo52), (s + c) - c, s);
#endif
  return Select(s - r == 0.5, r + 1.0, r);
}

// ---- the round modes, on the value scaled by 2^F

template <TGridRounding kMode>
struct Round {
  template <class T>
  static T Apply(T s) {
    if constexpr (kMode == TGridRounding::kFloor) {
      return FloorOf(s);
    } else if constexpr (kMode == TGridRounding::kHalfUp) {
      return HalfUpOf(s);
    } else if constexpr (kMode == TGridRounding::kCeil) {
      return CeilOf(s);
    } else if constexpr (kMode == TGridRounding::kTrunc) {
      return TruncOf(s);
    } else {
      return NearestEven(s);
    }
  }
};

using RoundFloor = Round<TGridRounding::kFloor>;
using RoundHalfUp = Round<TGridRounding::kHalfUp>;  // "round" and "nearest"
using RoundCeil = Round<TGridRounding::kCeil>;
using RoundTrunc = Round<TGridRounding::kTrunc>;        // "fix"
using RoundHalfEven = Round<TGridRounding::kHalfEven>;  // "convergent"

// The rounded value: the whole number times 2^-F, or x itself where its
// scaled form s reached 2^52 or overflowed (x is then on the grid already).
template <class T>
inline T OnGrid(T x, T s, T whole, T unscale) {
  return Select(Abs(s) < Splat<T>(kTwo52), whole * unscale, x);
}

// x scaled by 2^f, for any f. A product that underflows to zero is replaced
// by a quarter with x's sign: every mode rounds it as it rounds the exact
// product, which lies just as far inside (-1/2, 1/2).
inline double ScaleByPowerOfTwo(double x, int f) {
  const double s = std::ldexp(x, f);
  return s == 0.0 && x != 0.0 ? std::copysign(0.25, x) : s;
}

// x rounded onto the grid of 2^-f (f within -4096..4096: beyond, the grid is
// finer or coarser than every double anyway).
template <class TRound>
double RoundOntoGrid(double x, int f) {
  const double s = ScaleByPowerOfTwo(x, f);
  return Select(Abs(s) < kTwo52, std::ldexp(TRound::Apply(s), -f), x);
}

// ---- overflow

template <class T>
inline T Saturate(T y, T lo, T hi) {
  return Select(y > hi, hi, Select(y < lo, lo, y));
}

// y where lo <= y <= hi, else wrapped (also for NaN).
template <class T>
inline T KeepInside(T y, T wrapped, T lo, T hi) {
  return Select(y >= lo, Select(y <= hi, y, wrapped), wrapped);
}

// Dividing by a power of two whose reciprocal is a double gives, correctly
// rounded, the same real as multiplying by that reciprocal, so the two are
// bit-identical; kReciprocal selects the product (see ExactReciprocal).
template <bool kReciprocal, class T>
inline T DivideBy(T y, T divisor, T reciprocal) {
  if constexpr (kReciprocal) {
    return y * reciprocal;
  } else {
    return y / divisor;
  }
}

// The wrap of an out-of-range y into [-halfSpan, halfSpan) (signed) or
// [0, halfSpan) (unsigned). reciprocal is 1 / span (signed) or 1 / halfSpan
// (unsigned) when kReciprocal is set. y - w * m, with w the truncated
// quotient, is exactly the part of y below the modulus m; moving it by the
// modulus is exact too, except for a negative y of an unsigned type whose
// residue needs more bits than a double holds: that one is taken down to the
// largest double below it, never rounded up onto halfSpan.
template <bool kSigned, bool kReciprocal, class T>
inline T WrapValue(T y, T halfSpan, T span, T reciprocal) {
  if constexpr (kSigned) {
    const T w = TruncOf(DivideBy<kReciprocal>(y, span, reciprocal));
    const T r = y - w * span;
    const T up = Select(r < -halfSpan, r + span, r);
    const T down = Select(r >= halfSpan, r - span, r);
    return Select(y < 0.0, up, down);
  } else {
    const T w = TruncOf(DivideBy<kReciprocal>(y, halfSpan, reciprocal));
    const T r = y - w * halfSpan;
    const T sum = r + halfSpan;
    const T t = Select(sum - halfSpan > r, NextDown(sum), sum);
    const T below = Select(t >= halfSpan, t - halfSpan, t);
    return Select(y < 0.0, below, r);
  }
}

// ---- the array kernels

// Everything one quantizer's kernels need, broadcast to every lane.
struct Params {
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

inline bool AllLanes(M mask) {
#if defined(__AVX2__)
  return _mm256_movemask_pd(reinterpret_cast<__m256d>(mask)) == (1 << kLanes) - 1;
#elif defined(__SSE2__)
  return _mm_movemask_pd(reinterpret_cast<__m128d>(mask)) == (1 << kLanes) - 1;
#else
  for (int i = 0; i < kLanes; ++i) {
    if (mask[i] == 0) {
      return false;
    }
  }
  return true;
#endif
}

// Each overflow mode in two steps: Rounded gives the rounded value y from x,
// its scaled form s and the rounded whole number, Apply brings y into range.

// kGuarded: a scaled value that overflowed takes x itself. Without it the
// overflowed product is taken as it is, which is right when every such x
// lies beyond the limits (SaturateNeedsGuard is false): it saturates, and it
// counts as beyond them, as x does.
template <bool kGuarded>
struct OverflowSaturate {
  static V Rounded(V x, V s, V whole, const Params& p) {
    if constexpr (kGuarded) {
      return OnGrid(x, s, whole, p.unscale);
    } else {
      return whole * p.unscale;
    }
  }
  static V Apply(V y, V /*whole*/, const Params& p) { return Saturate(y, p.lo, p.hi); }
};

// False when any x whose product with 2^F overflows is beyond both limits
// (twice the larger limit, scaled, is still finite).
inline bool SaturateNeedsGuard(double lo, double hi, double scale) {
  const double limit = std::fmax(std::fabs(lo), std::fabs(hi));
  return !std::isfinite(2.0 * limit * scale);
}

template <bool kSigned, bool kReciprocal>
struct OverflowWrap {
  static V Rounded(V x, V s, V whole, const Params& p) { return OnGrid(x, s, whole, p.unscale); }
  static V Apply(V y, V /*whole*/, const Params& p) {
    const V reciprocal = kSigned ? p.inverseSpan : p.inverseHalfSpan;
    return KeepInside(y, WrapValue<kSigned, kReciprocal>(y, p.halfSpan, p.span, reciprocal), p.lo,
                      p.hi);
  }
};

// The wrap on the integer code: for a rounded value whole * 2^-F with
// |whole| < 2^51 (so that |s| < 2^52), WrapValue computes exactly the residue
// of whole modulo 2^W, centred on zero for a signed type, times 2^-F (when
// CodeWrapApplies holds). Adding 1.5 * 2^52 puts whole, as a two's complement
// integer, in the low bits of the double's pattern, where the residue is a
// mask away. Lanes of larger magnitude (or NaN, infinities) take WrapValue.
template <bool kSigned>
struct OverflowWrapCode {
  static V Rounded(V x, V s, V whole, const Params& p) { return OnGrid(x, s, whole, p.unscale); }
  static V Apply(V y, V whole, const Params& p) {
    if (!AllLanes(Abs(whole) < Splat<V>(kTwo51))) {
      return OverflowWrap<kSigned, true>::Apply(y, whole, p);
    }
    const M bits = reinterpret_cast<M>(whole + Splat<V>(kOneAndHalfTwo52));
    const M residue = (bits + p.codeOffset) & p.codeMask;
    const V code = reinterpret_cast<V>(residue | SplatBits(kTwo52Bits)) - Splat<V>(kTwo52);
    return KeepInside(y, (code - p.codeBias) * p.unscale, p.lo, p.hi);
  }
};

// True when d is a power of two whose reciprocal is a normal double, so that
// x / d and x * (1 / d) agree for every x.
inline bool ExactReciprocal(double d) {
  int exponent = 0;
  const double mantissa = std::frexp(d, &exponent);
  return mantissa == 0.5 && exponent >= -1020 && exponent <= 1020;
}

// When OverflowWrapCode gives what WrapValue gives: word lengths of 1..51
// bits, moderate fractional lengths, and spans that are the powers of two the
// lengths imply (the derived values are current).
inline bool CodeWrapApplies(int wordLength, int fractionalLength, bool isSigned, double halfSpan,
                            double span) {
  if (wordLength < 1 || wordLength > 51 || fractionalLength < -900 || fractionalLength > 900) {
    return false;
  }
  const int p = wordLength - fractionalLength - (isSigned ? 1 : 0);
  return halfSpan == std::ldexp(1.0, p) && span == std::ldexp(1.0, p + 1);
}

// Quantizes n values of in into out (the same array, or one that does not
// overlap it): x scaled by 2^F, rounded to a whole number, then scaled back
// and brought into range by TOverflow. With kCount the overflows and
// underflows are added to tally in the same pass, in lane counters (a true
// comparison is -1 in its lane). Needs 0 <= F <= kMaxKernelFractionalLength.
template <class TRound, class TOverflow, bool kCount>
void QuantizeValues(const double* in, double* out, std::size_t n, const Params& p, Tally* tally) {
  M overflows{};
  M underflows{};
  const V zero{};
  const auto one = [&](V x, M valid) {
    const V s = x * p.scale;
    const V whole = TRound::Apply(s);
    const V y = TOverflow::Rounded(x, s, whole, p);
    if constexpr (kCount) {
      overflows -= ((y > p.hi) | (y < p.lo)) & valid;
      underflows -= (x != zero) & (y == zero) & valid;
    }
    return TOverflow::Apply(y, whole, p);
  };
  const M allLanes = SplatBits(-1);
  std::size_t i = 0;
  for (; i + kLanes <= n; i += kLanes) {
    V x;
    std::memcpy(&x, in + i, sizeof x);
    x = one(x, allLanes);
    std::memcpy(out + i, &x, sizeof x);
  }
  if (i < n) {
    // The last few values, in the low lanes of a vector of zeros.
    V x{};
    M valid{};
    for (std::size_t j = 0; i + j < n; ++j) {
      x[j] = in[i + j];
      valid[j] = -1;
    }
    x = one(x, valid);
    for (std::size_t j = 0; i + j < n; ++j) {
      out[i + j] = x[j];
    }
  }
  if constexpr (kCount) {
    for (int j = 0; j < kLanes; ++j) {
      tally->overflows += static_cast<std::uint64_t>(overflows[j]);
      tally->underflows += static_cast<std::uint64_t>(underflows[j]);
    }
  }
}

// The kernel of one round mode, with the overflow handling chosen once.
template <class TRound, bool kCount>
void QuantizeRounded(const Format& f, const double* in, double* out, std::size_t n, Tally* tally) {
  Params p{};
  const double scale = std::ldexp(1.0, f.fractionalLength);
  p.scale = Splat<V>(scale);  // 1 when F is 0: the product is then x itself
  p.unscale = Splat<V>(std::ldexp(1.0, -f.fractionalLength));
  p.lo = Splat<V>(f.minValue);
  p.hi = Splat<V>(f.maxValue);
  p.halfSpan = Splat<V>(f.halfSpan);
  p.span = Splat<V>(f.span);
  p.inverseHalfSpan = Splat<V>(1.0 / f.halfSpan);
  p.inverseSpan = Splat<V>(1.0 / f.span);
  const bool codeWrap =
      CodeWrapApplies(f.wordLength, f.fractionalLength, f.isSigned, f.halfSpan, f.span);
  if (codeWrap) {
    const std::int64_t offset = f.isSigned ? std::int64_t{1} << (f.wordLength - 1) : 0;
    p.codeOffset = SplatBits(offset);
    p.codeMask = SplatBits((std::int64_t{1} << f.wordLength) - 1);
    p.codeBias = Splat<V>(static_cast<double>(offset));
  }
  if (f.saturate) {
    if (SaturateNeedsGuard(f.minValue, f.maxValue, scale)) {
      QuantizeValues<TRound, OverflowSaturate<true>, kCount>(in, out, n, p, tally);
    } else {
      QuantizeValues<TRound, OverflowSaturate<false>, kCount>(in, out, n, p, tally);
    }
  } else if (codeWrap) {
    if (f.isSigned) {
      QuantizeValues<TRound, OverflowWrapCode<true>, kCount>(in, out, n, p, tally);
    } else {
      QuantizeValues<TRound, OverflowWrapCode<false>, kCount>(in, out, n, p, tally);
    }
  } else if (f.isSigned) {
    if (ExactReciprocal(f.span)) {
      QuantizeValues<TRound, OverflowWrap<true, true>, kCount>(in, out, n, p, tally);
    } else {
      QuantizeValues<TRound, OverflowWrap<true, false>, kCount>(in, out, n, p, tally);
    }
  } else if (ExactReciprocal(f.halfSpan)) {
    QuantizeValues<TRound, OverflowWrap<false, true>, kCount>(in, out, n, p, tally);
  } else {
    QuantizeValues<TRound, OverflowWrap<false, false>, kCount>(in, out, n, p, tally);
  }
}

// Quantizes n values of in into out; counts into tally when it is not null.
// The mode decisions are template arguments, so the loop body has no mode
// branches.
template <bool kCount>
void QuantizeArrayCounting(const Format& f, const double* in, double* out, std::size_t n,
                           Tally* tally) {
  switch (f.rounding) {
    case TGridRounding::kFloor:
      QuantizeRounded<RoundFloor, kCount>(f, in, out, n, tally);
      break;
    case TGridRounding::kHalfUp:
      QuantizeRounded<RoundHalfUp, kCount>(f, in, out, n, tally);
      break;
    case TGridRounding::kCeil:
      QuantizeRounded<RoundCeil, kCount>(f, in, out, n, tally);
      break;
    case TGridRounding::kTrunc:
      QuantizeRounded<RoundTrunc, kCount>(f, in, out, n, tally);
      break;
    case TGridRounding::kHalfEven:
      QuantizeRounded<RoundHalfEven, kCount>(f, in, out, n, tally);
      break;
  }
}

inline void QuantizeArray(const Format& f, const double* in, double* out, std::size_t n,
                          Tally* tally) {
  if (tally != nullptr) {
    QuantizeArrayCounting<true>(f, in, out, n, tally);
  } else {
    QuantizeArrayCounting<false>(f, in, out, n, nullptr);
  }
}

}  // namespace avx2, sse2 or generic
}  // namespace fixedpoint_kernels
