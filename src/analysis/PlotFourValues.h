// Reads the most common value tokens four at a time for the plots and keeps
// the extremes of their codes: 16-bit words written "0x" and four digits, and
// 32-bit words written "0x" and eight. With SSE2 (every x86-64 processor) the
// four are checked and converted in registers; elsewhere Take always declines
// and the caller reads one token at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/PlotScale.h"

class CFourValueReader {
 public:
  // Codes as scale reads them; no extremes yet.
  explicit CFourValueReader(const CPlotScale& scale = CPlotScale());

  // tokens[0], tokens[2], tokens[4] and tokens[6] (the fixed-point tokens of
  // four pairs) with their agree flags: false, taking nothing, unless all
  // four have one of the common shapes. Else the codes of the agreeing ones
  // that are hexadecimal are taken into the extremes, and bit k of notTaken
  // is set for each of the four that is not.
  bool Take(const std::string_view* tokens, const unsigned char* agrees, std::uint32_t& notTaken);

  // Whether no code was taken; else the extremes of the codes taken.
  bool Empty() const;
  std::int64_t Low() const;
  std::int64_t High() const;
  // The extremes of the codes taken in one lane (token k of the four, so
  // one output position when the four are consecutive pairs); false when
  // that lane took none.
  bool LaneExtremes(int lane, std::int64_t& low, std::int64_t& high) const;
  // Forgets the extremes.
  void Clear();

 private:
#if defined(__SSE2__)
  // The extremes of one shape's codes, kept as signed numbers of its lanes:
  // codes that are never negative are kept moved down by half their range.
  struct CLanes {
    __m128i mask;  // the code of a pattern p is ((p & mask) ^ sign) - sign,
    __m128i sign;
    __m128i bias;  // kept less bias
    __m128i low;
    __m128i high;
  };

  void TakeFourDigits(const std::string_view* tokens, __m128i agreeing, int& taken);
  void TakeEightDigits(const std::string_view* tokens, __m128i agreeing, int& taken);
  // The lowest or highest value kept in the lanes, biased as kept
  // (sixteen: 16-bit values in the low half of each 32-bit lane).
  static std::int64_t KeptExtreme(const CLanes& lanes, bool lowest, bool sixteen);
  // Whether some value was kept.
  static bool Holds(const CLanes& lanes, bool sixteen);
  static std::int64_t Unbiased(const CLanes& lanes, std::int64_t kept);
  // The lowest or highest code taken, of either shape.
  std::int64_t Extreme(bool lowest) const;

  CLanes four_;   // "0x" and four digits, in the low 16 bits of 32-bit lanes
  CLanes eight_;  // "0x" and eight digits, in 32-bit lanes
#endif
};

#if defined(__SSE2__)

namespace token_detail {

// Per 32-bit lane of bytes (four digit bytes, the first the lowest): the
// value of the four digits, and in quadIsHex all ones when all four are
// hexadecimal digits.
[[gnu::always_inline]] inline __m128i QuadValues(__m128i bytes, __m128i& quadIsHex) {
  const auto every = [](char byte) { return _mm_set1_epi8(byte); };
  // Per byte, its distance from '0' and, folded to lower case, from 'a': a
  // hexadecimal digit is within 9 of the one or within 5 of the other (the
  // subtraction wraps, so bytes below either are far from it).
  const __m128i fromZero = _mm_sub_epi8(bytes, every('0'));
  const __m128i fromA = _mm_sub_epi8(_mm_or_si128(bytes, every(0x20)), every('a'));
  const __m128i beyond =
      _mm_min_epu8(_mm_subs_epu8(fromZero, every(9)), _mm_subs_epu8(fromA, every(5)));
  quadIsHex = _mm_cmpeq_epi32(beyond, _mm_setzero_si128());
  // A digit's value is the nearer of the two ('a' counting from 10); then
  // two digits to a byte, and the two bytes of a lane joined by one
  // multiply-add (byte 0 times 256 plus byte 2).
  const __m128i nibbles = _mm_min_epu8(fromZero, _mm_add_epi8(fromA, every(10)));
  const __m128i pairs =
      _mm_and_si128(_mm_or_si128(_mm_slli_epi32(nibbles, 4), _mm_srli_epi32(nibbles, 8)),
                    _mm_set1_epi32(0x00ff00ff));
  return _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010100));
}

// The agree flags of four pairs, one byte each, as all-ones 32-bit lanes.
[[gnu::always_inline]] inline __m128i AgreeLanes(const unsigned char* agrees) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i flags = _mm_unpacklo_epi16(
      _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(
                            LoadWord<std::uint32_t>(reinterpret_cast<const char*>(agrees)))),
                        zero),
      zero);
  return _mm_xor_si128(_mm_cmpeq_epi32(flags, zero), _mm_set1_epi32(-1));
}

// Lanes 0 and 2 of a and of b, in that order.
[[gnu::always_inline]] inline __m128i EvenLanes(__m128i a, __m128i b) {
  return _mm_unpacklo_epi64(_mm_shuffle_epi32(a, _MM_SHUFFLE(0, 0, 2, 0)),
                            _mm_shuffle_epi32(b, _MM_SHUFFLE(0, 0, 2, 0)));
}

}  // namespace token_detail

inline CFourValueReader::CFourValueReader(const CPlotScale& scale) {
  const auto lanes = [&scale](int bits) {
    const std::uint32_t sign = scale.NarrowPatternSign(bits);
    const std::uint32_t bias = sign != 0 ? 0 : std::uint32_t{1} << (bits - 1);
    return CLanes{_mm_set1_epi32(static_cast<int>(scale.NarrowPatternMask(bits))),
                  _mm_set1_epi32(static_cast<int>(sign)), _mm_set1_epi32(static_cast<int>(bias)),
                  _mm_setzero_si128(), _mm_setzero_si128()};
  };
  four_ = lanes(16);
  eight_ = lanes(32);
  Clear();
}

[[gnu::always_inline]] inline bool CFourValueReader::Take(const std::string_view* tokens,
                                                          const unsigned char* agrees,
                                                          std::uint32_t& notTaken) {
  // All four of one size and starting "0x" or "0X", tested together.
  const std::size_t size = tokens[0].size();
  if (((tokens[2].size() ^ size) | (tokens[4].size() ^ size) | (tokens[6].size() ^ size)) != 0 ||
      (size != 6 && size != 10)) {
    return false;
  }
  const auto prefix = [tokens](int k) {
    return std::uint64_t{token_detail::LoadWord<std::uint16_t>(tokens[2 * k].data())} << (16 * k);
  };
  constexpr std::uint64_t kPrefixes = 0x7830783078307830;  // "0x0x0x0x"
  constexpr std::uint64_t kCaseBits = 0x2000200020002000;  // 'X' as 'x'
  if (((prefix(0) | prefix(1) | prefix(2) | prefix(3)) | kCaseBits) != kPrefixes) {
    return false;
  }
  int taken = 0;
  if (size == 6) {
    TakeFourDigits(tokens, token_detail::AgreeLanes(agrees), taken);
  } else {
    TakeEightDigits(tokens, token_detail::AgreeLanes(agrees), taken);
  }
  notTaken = ~static_cast<std::uint32_t>(taken) & 0xfu;
  return true;
}

[[gnu::always_inline]] inline void CFourValueReader::TakeFourDigits(const std::string_view* tokens,
                                                                    __m128i agreeing, int& taken) {
  const auto digits = [tokens](int k) {
    return static_cast<int>(token_detail::LoadWord<std::uint32_t>(tokens[2 * k].data() + 2));
  };
  // Lane k: the four digit bytes of token k.
  __m128i isHex;
  __m128i codes =
      token_detail::QuadValues(_mm_setr_epi32(digits(0), digits(1), digits(2), digits(3)), isHex);
  codes = _mm_sub_epi32(_mm_xor_si128(_mm_and_si128(codes, four_.mask), four_.sign), four_.sign);
  codes = _mm_xor_si128(codes, four_.bias);
  const __m128i take = _mm_and_si128(agreeing, isHex);
  taken = _mm_movemask_ps(_mm_castsi128_ps(take));
  if (taken == 0xf) {
    four_.low = _mm_min_epi16(four_.low, codes);
    four_.high = _mm_max_epi16(four_.high, codes);
    return;
  }
  // The lanes not taken offer the extremes as they are.
  const auto offered = [&take, &codes](__m128i kept) {
    return _mm_or_si128(_mm_and_si128(take, codes), _mm_andnot_si128(take, kept));
  };
  four_.low = _mm_min_epi16(four_.low, offered(four_.low));
  four_.high = _mm_max_epi16(four_.high, offered(four_.high));
}

[[gnu::always_inline]] inline void CFourValueReader::TakeEightDigits(const std::string_view* tokens,
                                                                     __m128i agreeing, int& taken) {
  const auto digits = [tokens](int k) {
    return static_cast<long long>(token_detail::LoadWord<std::uint64_t>(tokens[2 * k].data() + 2));
  };
  // Lane k of a 64-bit view: the eight digit bytes of a token, as two
  // 32-bit lanes of four digits each, the first four the more significant.
  const auto values = [](__m128i bytes, __m128i& isHex) {
    __m128i quadIsHex;
    const __m128i quads = token_detail::QuadValues(bytes, quadIsHex);
    isHex = _mm_and_si128(quadIsHex, _mm_shuffle_epi32(quadIsHex, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_or_si128(_mm_slli_epi64(quads, 16), _mm_srli_epi64(quads, 32));
  };
  __m128i firstIsHex;
  __m128i secondIsHex;
  const __m128i first = values(_mm_set_epi64x(digits(1), digits(0)), firstIsHex);
  const __m128i second = values(_mm_set_epi64x(digits(3), digits(2)), secondIsHex);
  __m128i codes = token_detail::EvenLanes(first, second);
  codes = _mm_sub_epi32(_mm_xor_si128(_mm_and_si128(codes, eight_.mask), eight_.sign), eight_.sign);
  codes = _mm_xor_si128(codes, eight_.bias);
  const __m128i take = _mm_and_si128(agreeing, token_detail::EvenLanes(firstIsHex, secondIsHex));
  taken = _mm_movemask_ps(_mm_castsi128_ps(take));
  // No 32-bit minimum before SSE4.1: compare and choose.
  const __m128i lower = _mm_and_si128(take, _mm_cmplt_epi32(codes, eight_.low));
  eight_.low = _mm_or_si128(_mm_and_si128(lower, codes), _mm_andnot_si128(lower, eight_.low));
  const __m128i higher = _mm_and_si128(take, _mm_cmpgt_epi32(codes, eight_.high));
  eight_.high = _mm_or_si128(_mm_and_si128(higher, codes), _mm_andnot_si128(higher, eight_.high));
}

inline void CFourValueReader::Clear() {
  four_.low = _mm_set1_epi16(INT16_MAX);
  four_.high = _mm_set1_epi16(INT16_MIN);
  eight_.low = _mm_set1_epi32(INT32_MAX);
  eight_.high = _mm_set1_epi32(INT32_MIN);
}

inline std::int64_t CFourValueReader::KeptExtreme(const CLanes& lanes, bool lowest, bool sixteen) {
  alignas(16) std::int32_t words[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(words), lowest ? lanes.low : lanes.high);
  std::int64_t extreme = 0;
  for (int k = 0; k < 4; ++k) {
    // In 16-bit lanes only the low half of each word holds an extreme (the
    // high one holds what the sign extension left there).
    const std::int64_t value = sixteen ? static_cast<std::int16_t>(words[k]) : words[k];
    extreme = k == 0 ? value : (lowest ? std::min(extreme, value) : std::max(extreme, value));
  }
  return extreme;
}

inline bool CFourValueReader::Holds(const CLanes& lanes, bool sixteen) {
  return KeptExtreme(lanes, true, sixteen) <= KeptExtreme(lanes, false, sixteen);
}

// A kept value less bias is the value less half its range: the bias is the
// amount to add back.
inline std::int64_t CFourValueReader::Unbiased(const CLanes& lanes, std::int64_t kept) {
  return kept + static_cast<std::uint32_t>(_mm_cvtsi128_si32(lanes.bias));
}

inline bool CFourValueReader::Empty() const {
  return !Holds(four_, true) && !Holds(eight_, false);
}

inline std::int64_t CFourValueReader::Extreme(bool lowest) const {
  std::int64_t extreme = lowest ? INT64_MAX : INT64_MIN;
  const auto take = [&](const CLanes& lanes, bool sixteen) {
    if (Holds(lanes, sixteen)) {
      const std::int64_t value = Unbiased(lanes, KeptExtreme(lanes, lowest, sixteen));
      extreme = lowest ? std::min(extreme, value) : std::max(extreme, value);
    }
  };
  take(four_, true);
  take(eight_, false);
  return extreme;
}

inline std::int64_t CFourValueReader::Low() const {
  return Extreme(true);
}

inline bool CFourValueReader::LaneExtremes(int lane, std::int64_t& low, std::int64_t& high) const {
  bool taken = false;
  const auto take = [&](const CLanes& lanes, bool sixteen) {
    alignas(16) std::int32_t lows[4];
    alignas(16) std::int32_t highs[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lows), lanes.low);
    _mm_store_si128(reinterpret_cast<__m128i*>(highs), lanes.high);
    const std::int64_t lo = sixteen ? static_cast<std::int16_t>(lows[lane]) : lows[lane];
    const std::int64_t hi = sixteen ? static_cast<std::int16_t>(highs[lane]) : highs[lane];
    if (lo > hi) {
      return;
    }
    low = taken ? std::min(low, Unbiased(lanes, lo)) : Unbiased(lanes, lo);
    high = taken ? std::max(high, Unbiased(lanes, hi)) : Unbiased(lanes, hi);
    taken = true;
  };
  take(four_, true);
  take(eight_, false);
  return taken;
}

inline std::int64_t CFourValueReader::High() const {
  return Extreme(false);
}

#else

inline CFourValueReader::CFourValueReader(const CPlotScale&) {}
inline bool CFourValueReader::Take(const std::string_view*, const unsigned char*, std::uint32_t&) {
  return false;
}
inline bool CFourValueReader::Empty() const {
  return true;
}
inline std::int64_t CFourValueReader::Low() const {
  return 0;
}
inline std::int64_t CFourValueReader::High() const {
  return 0;
}
inline bool CFourValueReader::LaneExtremes(int, std::int64_t&, std::int64_t&) const {
  return false;
}
inline void CFourValueReader::Clear() {}

#endif
