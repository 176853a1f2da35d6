// Reads the most common value tokens, a 16-bit word as "0x" and four
// digits, four at a time for the plots and keeps the extremes of their codes.
// With SSE2 (every x86-64 processor) the four are checked and converted in
// one register; elsewhere Take always declines and the caller reads one
// token at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "verify/PlotScale.h"

class CFourValueReader {
 public:
  // Codes as scale reads them; no extremes yet.
  explicit CFourValueReader(const CPlotScale& scale = CPlotScale());

  // tokens[0], tokens[2], tokens[4] and tokens[6] (the fixed-point tokens of
  // four pairs) with their agree flags: false, taking nothing, unless all
  // four have the common shape. Else the codes of the agreeing ones that are
  // hexadecimal are taken into the extremes, and bit k of notTaken is set for
  // each of the four that is not.
  bool Take(const std::string_view* tokens, const unsigned char* agrees, std::uint32_t& notTaken);

  // Whether no code was taken; else the extremes of the codes taken.
  bool Empty() const;
  std::int32_t Low() const;
  std::int32_t High() const;
  // Forgets the extremes.
  void Clear();

 private:
#if defined(__SSE2__)
  std::int32_t Extreme(__m128i lanes, bool lowest) const;
  std::int32_t Unbiased(std::int32_t code) const;

  __m128i mask_;  // the code of a pattern p is ((p & mask) ^ sign) - sign,
  __m128i sign_;
  __m128i bias_;  // kept less bias as a signed 16-bit number
  __m128i low_;   // per lane, in its low 16 bits
  __m128i high_;
#endif
};

#if defined(__SSE2__)

inline CFourValueReader::CFourValueReader(const CPlotScale& scale)
    : mask_(_mm_set1_epi32(static_cast<int>(scale.ShortPatternMask()))),
      sign_(_mm_set1_epi32(static_cast<int>(scale.ShortPatternSign()))),
      // Codes that are never negative are kept moved down by 2^15, so that
      // every code compares as a signed 16-bit number.
      bias_(_mm_set1_epi32(scale.ShortPatternSign() == 0 ? 0x8000 : 0)) {
  Clear();
}

[[gnu::always_inline]] inline bool CFourValueReader::Take(const std::string_view* tokens,
                                                          const unsigned char* agrees,
                                                          std::uint32_t& notTaken) {
  // All four six bytes long and starting "0x" or "0X", tested together.
  if (((tokens[0].size() ^ 6) | (tokens[2].size() ^ 6) | (tokens[4].size() ^ 6) |
       (tokens[6].size() ^ 6)) != 0) {
    return false;
  }
  const auto prefix = [tokens](int k) {
    return std::uint64_t{plot_detail::LoadWord<std::uint16_t>(tokens[2 * k].data())} << (16 * k);
  };
  constexpr std::uint64_t kPrefixes = 0x7830783078307830;  // "0x0x0x0x"
  constexpr std::uint64_t kCaseBits = 0x2000200020002000;  // 'X' as 'x'
  if (((prefix(0) | prefix(1) | prefix(2) | prefix(3)) | kCaseBits) != kPrefixes) {
    return false;
  }
  const auto digits = [tokens](int k) {
    return static_cast<int>(plot_detail::LoadWord<std::uint32_t>(tokens[2 * k].data() + 2));
  };
  // Lane k: the four digit bytes of token k, the first the lowest.
  const __m128i bytes = _mm_setr_epi32(digits(0), digits(1), digits(2), digits(3));
  const auto every = [](char byte) { return _mm_set1_epi8(byte); };
  const __m128i zero = _mm_setzero_si128();
  // Per byte, its distance from '0' and, folded to lower case, from 'a': a
  // hexadecimal digit is within 9 of the one or within 5 of the other (the
  // subtraction wraps, so bytes below either are far from it).
  const __m128i fromZero = _mm_sub_epi8(bytes, every('0'));
  const __m128i fromA = _mm_sub_epi8(_mm_or_si128(bytes, every(0x20)), every('a'));
  const __m128i beyond =
      _mm_min_epu8(_mm_subs_epu8(fromZero, every(9)), _mm_subs_epu8(fromA, every(5)));
  const __m128i hexLanes = _mm_cmpeq_epi32(beyond, zero);
  // A digit's value is the nearer of the two ('a' counting from 10); then
  // two digits to a byte, and the two bytes of a lane joined by one
  // multiply-add (byte 0 times 256 plus byte 2).
  const __m128i nibbles = _mm_min_epu8(fromZero, _mm_add_epi8(fromA, every(10)));
  const __m128i pairs =
      _mm_and_si128(_mm_or_si128(_mm_slli_epi32(nibbles, 4), _mm_srli_epi32(nibbles, 8)),
                    _mm_set1_epi32(0x00ff00ff));
  __m128i codes = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010100));
  codes = _mm_sub_epi32(_mm_xor_si128(_mm_and_si128(codes, mask_), sign_), sign_);
  codes = _mm_xor_si128(codes, bias_);
  // The agree flags, one byte each, spread to the lanes.
  const __m128i flags = _mm_unpacklo_epi16(
      _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(plot_detail::LoadWord<std::uint32_t>(
                            reinterpret_cast<const char*>(agrees)))),
                        zero),
      zero);
  const __m128i take = _mm_andnot_si128(_mm_cmpeq_epi32(flags, zero), hexLanes);
  const int taken = _mm_movemask_ps(_mm_castsi128_ps(take));
  if (taken == 0xf) {
    low_ = _mm_min_epi16(low_, codes);
    high_ = _mm_max_epi16(high_, codes);
  } else {
    // The lanes not taken offer the extremes as they are.
    const auto offered = [&take, &codes](__m128i kept) {
      return _mm_or_si128(_mm_and_si128(take, codes), _mm_andnot_si128(take, kept));
    };
    low_ = _mm_min_epi16(low_, offered(low_));
    high_ = _mm_max_epi16(high_, offered(high_));
  }
  notTaken = ~static_cast<std::uint32_t>(taken) & 0xfu;
  return true;
}

inline void CFourValueReader::Clear() {
  low_ = _mm_set1_epi16(INT16_MAX);
  high_ = _mm_set1_epi16(INT16_MIN);
}

// The extremes are in the low 16 bits of each lane (the high ones hold what
// the sign extension left there, and are not looked at).
inline std::int32_t CFourValueReader::Extreme(__m128i lanes, bool lowest) const {
  alignas(16) std::int16_t halves[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(halves), lanes);
  std::int32_t extreme = halves[0];
  for (int k = 2; k < 8; k += 2) {
    extreme = lowest ? std::min<std::int32_t>(extreme, halves[k])
                     : std::max<std::int32_t>(extreme, halves[k]);
  }
  return extreme;
}

inline std::int32_t CFourValueReader::Unbiased(std::int32_t code) const {
  return _mm_cvtsi128_si32(bias_) != 0 ? code + 0x8000 : code;
}

inline bool CFourValueReader::Empty() const {
  return Extreme(low_, true) > Extreme(high_, false);
}

inline std::int32_t CFourValueReader::Low() const {
  return Unbiased(Extreme(low_, true));
}

inline std::int32_t CFourValueReader::High() const {
  return Unbiased(Extreme(high_, false));
}

#else

inline CFourValueReader::CFourValueReader(const CPlotScale&) {}
inline bool CFourValueReader::Take(const std::string_view*, const unsigned char*, std::uint32_t&) {
  return false;
}
inline bool CFourValueReader::Empty() const {
  return true;
}
inline std::int32_t CFourValueReader::Low() const {
  return 0;
}
inline std::int32_t CFourValueReader::High() const {
  return 0;
}
inline void CFourValueReader::Clear() {}

#endif
