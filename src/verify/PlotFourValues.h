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
  explicit CFourValueReader(const CPlotScale& scale);

  // tokens[0], tokens[2], tokens[4] and tokens[6] (the fixed-point tokens of
  // four pairs) with their agree flags: false, taking nothing, unless all
  // four have the common shape. Else the codes of the agreeing ones that are
  // hexadecimal are taken into the extremes, and bit k of notTaken is set for
  // each of the four that is not.
  bool Take(const std::string_view* tokens, const unsigned char* agrees, std::uint32_t& notTaken);

  // The extremes of the codes taken; Low() > High() when none was.
  std::int32_t Low() const;
  std::int32_t High() const;

 private:
#if defined(__SSE2__)
  __m128i mask_;  // the code of a pattern p is ((p & mask) ^ sign) - sign
  __m128i sign_;
  __m128i low_;  // per lane
  __m128i high_;
#endif
};

#if defined(__SSE2__)

inline CFourValueReader::CFourValueReader(const CPlotScale& scale)
    : mask_(_mm_set1_epi32(static_cast<int>(scale.ShortPatternMask()))),
      sign_(_mm_set1_epi32(static_cast<int>(scale.ShortPatternSign()))),
      low_(_mm_set1_epi32(INT32_MAX)),
      high_(_mm_set1_epi32(INT32_MIN)) {}

[[gnu::always_inline]] inline bool CFourValueReader::Take(const std::string_view* tokens,
                                                          const unsigned char* agrees,
                                                          std::uint32_t& notTaken) {
  constexpr std::uint16_t kPrefix = '0' | ('x' << 8);
  const auto shaped = [](std::string_view token) {
    return token.size() == 6 &&
           (plot_detail::LoadWord<std::uint16_t>(token.data()) | 0x2000) == kPrefix;
  };
  if (!(shaped(tokens[0]) & shaped(tokens[2]) & shaped(tokens[4]) & shaped(tokens[6]))) {
    return false;
  }
  const auto digits = [tokens](int k) {
    return static_cast<int>(plot_detail::LoadWord<std::uint32_t>(tokens[2 * k].data() + 2));
  };
  // Lane k: the four digit bytes of token k, the first the lowest.
  const __m128i bytes = _mm_setr_epi32(digits(0), digits(1), digits(2), digits(3));
  const auto every = [](char byte) { return _mm_set1_epi8(byte); };
  // Hexadecimal digits: '0'..'9', or 'a'..'f' once folded to lower case.
  // Bytes from 0x80 on compare as negative and are neither.
  const __m128i lower = _mm_or_si128(bytes, every(0x20));
  const __m128i digit =
      _mm_and_si128(_mm_cmpgt_epi8(bytes, every('0' - 1)), _mm_cmplt_epi8(bytes, every('9' + 1)));
  const __m128i letter =
      _mm_and_si128(_mm_cmpgt_epi8(lower, every('a' - 1)), _mm_cmplt_epi8(lower, every('f' + 1)));
  const __m128i hexLanes = _mm_cmpeq_epi32(_mm_or_si128(digit, letter), _mm_set1_epi32(-1));
  // The value: a nibble per byte ('0'..'9' keep their low nibble; letters
  // have bit 6 set and add 9), two digits to a byte, then the two bytes of a
  // lane joined by one multiply-add (byte 0 times 256 plus byte 2).
  const __m128i letterBit = _mm_and_si128(_mm_srli_epi16(bytes, 6), every(1));
  const __m128i nibbles = _mm_add_epi8(_mm_and_si128(bytes, every(0x0f)),
                                       _mm_add_epi8(_mm_slli_epi16(letterBit, 3), letterBit));
  const __m128i pairs =
      _mm_and_si128(_mm_or_si128(_mm_slli_epi32(nibbles, 4), _mm_srli_epi32(nibbles, 8)),
                    _mm_set1_epi32(0x00ff00ff));
  __m128i codes = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010100));
  codes = _mm_sub_epi32(_mm_xor_si128(_mm_and_si128(codes, mask_), sign_), sign_);
  // The agree flags, one byte each, spread to the lanes.
  const __m128i zero = _mm_setzero_si128();
  const __m128i flags = _mm_unpacklo_epi16(
      _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(plot_detail::LoadWord<std::uint32_t>(
                            reinterpret_cast<const char*>(agrees)))),
                        zero),
      zero);
  const __m128i take = _mm_andnot_si128(_mm_cmpeq_epi32(flags, zero), hexLanes);
  const __m128i lowers = _mm_and_si128(take, _mm_cmplt_epi32(codes, low_));
  low_ = _mm_or_si128(_mm_and_si128(lowers, codes), _mm_andnot_si128(lowers, low_));
  const __m128i highers = _mm_and_si128(take, _mm_cmpgt_epi32(codes, high_));
  high_ = _mm_or_si128(_mm_and_si128(highers, codes), _mm_andnot_si128(highers, high_));
  notTaken = ~static_cast<std::uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(take))) & 0xfu;
  return true;
}

inline std::int32_t CFourValueReader::Low() const {
  alignas(16) std::int32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), low_);
  return std::min(std::min(lanes[0], lanes[1]), std::min(lanes[2], lanes[3]));
}

inline std::int32_t CFourValueReader::High() const {
  alignas(16) std::int32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), high_);
  return std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
}

#else

inline CFourValueReader::CFourValueReader(const CPlotScale&) {}
inline bool CFourValueReader::Take(const std::string_view*, const unsigned char*, std::uint32_t&) {
  return false;
}
inline std::int32_t CFourValueReader::Low() const {
  return 1;
}
inline std::int32_t CFourValueReader::High() const {
  return 0;
}

#endif
