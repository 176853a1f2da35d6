// Value tokens read as numbers: the one place that does so for the plots,
// the diagnosis of disagreeing pairs and the comparison by number (the
// report's own texts and its conversion to reals never come here).
//
// A token is an optional "0x" or "0X" and hexadecimal digits in either case,
// or it holds unknown digits as simulators write them: x X z Z u U w W - ?
// (Icarus Verilog writes x, X, z and Z per digit, GHDL's to_hstring X and Z).
// Leading zeros are free; a pattern must fit 64 bits.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "verify/TimingRecord.h"

namespace token_detail {

inline constexpr std::size_t kMaxPatternDigits = 16;

// byte in every byte of a word.
template <typename TWord>
constexpr TWord EveryByte(unsigned char byte) {
  return static_cast<TWord>(static_cast<TWord>(~TWord{0}) / 0xff * byte);
}

// A word of ASCII bytes, first byte lowest: zero when every byte is a
// hexadecimal digit. Each byte is range-checked with one add that sets its
// top bit, so no byte's check can carry into the next one's while every
// byte is below 0x80 (and a byte that is not makes the result nonzero).
template <typename TWord>
constexpr TWord NonHexBytes(TWord word) {
  const TWord top = EveryByte<TWord>(0x80);
  const TWord lower = word | EveryByte<TWord>(0x20);  // 'A'..'F' as 'a'..'f'
  const auto atLeast = [](TWord w, unsigned char c) {
    return static_cast<TWord>(w + EveryByte<TWord>(static_cast<unsigned char>(0x80 - c)));
  };
  const TWord digit = atLeast(word, '0') & ~atLeast(word, '9' + 1);
  const TWord letter = atLeast(lower, 'a') & ~atLeast(lower, 'f' + 1);
  return static_cast<TWord>((((digit | letter) & top) ^ top) | (word & top));
}

// The value of four hexadecimal digit bytes (checked by NonHexBytes), the
// first byte the most significant digit.
[[gnu::always_inline]] inline std::uint32_t HexQuadValue(std::uint32_t word) {
  // '0'..'9' keep their low nibble; letters have bit 6 set and add 9 to it.
  const std::uint32_t nibbles = (word & 0x0f0f0f0fu) + ((word >> 6) & 0x01010101u) * 9;
  // Two digits to a byte: the first two in byte 0, the last two in byte 2;
  // the multiply moves byte 0 up beside byte 2.
  const std::uint32_t pairs = ((nibbles << 4) | (nibbles >> 8)) & 0x00ff00ffu;
  return (pairs * 0x01000001u) >> 16;
}

// The value of the digits of a word of 4 or 8 bytes.
template <typename TWord>
[[gnu::always_inline]] inline std::uint64_t HexWordValue(TWord word) {
  if constexpr (sizeof(TWord) == 4) {
    return HexQuadValue(word);
  } else {
    static_assert(sizeof(TWord) == 8);
    return (std::uint64_t{HexQuadValue(static_cast<std::uint32_t>(word))} << 16) |
           HexQuadValue(static_cast<std::uint32_t>(word >> 32));
  }
}

template <typename TWord>
[[gnu::always_inline]] inline TWord LoadWord(const char* bytes) {
  TWord word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// The value of 4 to 8 (TWord of 4 bytes) or 8 to 16 digits (8 bytes). More
// digits than a word holds are read as two words that may overlap, the first
// and the last digits, the first shifted over the rest: digits in both words
// give the same bits in both. False for a byte that is not a digit.
template <typename TWord>
[[gnu::always_inline]] inline bool ReadHexDigitWords(const char* digits, std::size_t count,
                                                     std::uint64_t& value) {
  constexpr std::size_t kDigits = sizeof(TWord);
  const TWord first = LoadWord<TWord>(digits);
  if (count == kDigits) {
    value = HexWordValue(first);
    return NonHexBytes(first) == 0;
  }
  const TWord last = LoadWord<TWord>(digits + count - kDigits);
  value = (HexWordValue(first) << (4 * (count - kDigits))) | HexWordValue(last);
  return (NonHexBytes(first) | NonHexBytes(last)) == 0;
}

// Little-endian only: the first byte of a word must be its lowest.
static_assert(std::endian::native == std::endian::little);

}  // namespace token_detail

// A token's bit pattern: an optional 0x/0X prefix, then hexadecimal digits
// whose value fits 64 bits (leading zeros are free). False for anything else
// ("xxxx", "", "0x", "-1", a 17-digit pattern). Called for every value of a
// run, so kept inline and branch-light: the digits are read a word at a time.
// ReadValueToken gives the same pattern for every token this accepts.
[[gnu::always_inline]] inline bool ReadHexPattern(std::string_view token, std::uint64_t& pattern) {
  // "0x" or "0X", read as one 16-bit word.
  constexpr std::uint16_t kPrefix = '0' | ('x' << 8);
  const bool prefixed = token.size() >= 2 &&
                        (token_detail::LoadWord<std::uint16_t>(token.data()) | 0x2000) == kPrefix;
  // The most common token by far, a 16-bit word as "0x" and four digits,
  // takes the shortest way.
  if (prefixed && token.size() == 6) {
    const auto word = token_detail::LoadWord<std::uint32_t>(token.data() + 2);
    pattern = token_detail::HexQuadValue(word);
    return token_detail::NonHexBytes(word) == 0;
  }
  if (prefixed) {
    token.remove_prefix(2);
  }
  if (token.size() > token_detail::kMaxPatternDigits) {
    // Leading zeros are free: dropped down to the 16 digits a pattern can have.
    token.remove_prefix(
        std::min(token.find_first_not_of('0'), token.size() - token_detail::kMaxPatternDigits));
  }
  const std::size_t count = token.size();
  if (count >= 8) {
    return count <= token_detail::kMaxPatternDigits &&
           token_detail::ReadHexDigitWords<std::uint64_t>(token.data(), count, pattern);
  }
  if (count >= 4) {
    return token_detail::ReadHexDigitWords<std::uint32_t>(token.data(), count, pattern);
  }
  if (count == 0) {
    return false;
  }
  // One to three digits: padded in front with '0's to a word of four.
  char padded[4] = {'0', '0', '0', '0'};
  for (std::size_t i = 0; i < count; ++i) {
    padded[4 - count + i] = token[i];
  }
  return token_detail::ReadHexDigitWords<std::uint32_t>(padded, 4, pattern);
}

// What a token holds.
enum class EValueKind : unsigned char {
  kNumber,      // hexadecimal digits: pattern holds them
  kUnknown,     // some digit is unknown (x, z, ...): unknownMask marks its bits
  kUnreadable,  // not a number at all (another character, empty, over 64 bits)
};

struct CValueToken {
  EValueKind kind = EValueKind::kUnreadable;
  // The digits' bits; an unknown digit's bits are 0 here and set in unknownMask.
  std::uint64_t pattern = 0;
  std::uint64_t unknownMask = 0;
  // The unknown bits of digits written as z or Z (floating, high impedance),
  // a part of unknownMask.
  std::uint64_t floatingMask = 0;
  // The bits the token's digits span (4 per digit, leading zeros counted,
  // at most 64): the word of a token read without a quantizer.
  int bits = 0;

  bool IsNumber() const { return kind == EValueKind::kNumber; }
};

// The token read as a number, or why it is not one. A token with an unknown
// digit is kUnknown whatever else it holds.
CValueToken ReadValueToken(std::string_view token);
