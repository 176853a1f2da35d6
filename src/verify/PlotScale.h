// How value tokens are read as numbers for the plots (and only for them: the
// report's texts never go through this).
//
// A token is a hexadecimal bit pattern ("0xa5cd"; the "0x" may be missing).
// With a fixed-point quantizer from the vector's header the pattern is taken
// as a word of its word length (the bits above it are dropped), in two's
// complement when the quantizer is signed, and the real value is the word
// divided by 2^fraction length. Without one, the pattern is an unsigned raw
// code. Codes are kept as doubles in units of the least significant bit, so
// the difference of two codes is the error in LSBs.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

class CQuantizer;

namespace plot_detail {

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

}  // namespace plot_detail

// A token's bit pattern: an optional 0x/0X prefix, then hexadecimal digits
// whose value fits 64 bits (leading zeros are free). False for anything else
// ("xxxx", "", "0x", "-1", a 17-digit pattern). Called for every value of a
// run, so kept inline and branch-light: the digits are read a word at a time.
[[gnu::always_inline]] inline bool ReadHexPattern(std::string_view token, std::uint64_t& pattern) {
  // "0x" or "0X", read as one 16-bit word.
  constexpr std::uint16_t kPrefix = '0' | ('x' << 8);
  const bool prefixed =
      token.size() >= 2 && (plot_detail::LoadWord<std::uint16_t>(token.data()) | 0x2000) == kPrefix;
  // The most common token by far, a 16-bit word as "0x" and four digits,
  // takes the shortest way.
  if (prefixed && token.size() == 6) {
    const auto word = plot_detail::LoadWord<std::uint32_t>(token.data() + 2);
    pattern = plot_detail::HexQuadValue(word);
    return plot_detail::NonHexBytes(word) == 0;
  }
  if (prefixed) {
    token.remove_prefix(2);
  }
  if (token.size() > plot_detail::kMaxPatternDigits) {
    // Leading zeros are free: dropped down to the 16 digits a pattern can have.
    token.remove_prefix(
        std::min(token.find_first_not_of('0'), token.size() - plot_detail::kMaxPatternDigits));
  }
  const std::size_t count = token.size();
  if (count >= 8) {
    return count <= plot_detail::kMaxPatternDigits &&
           plot_detail::ReadHexDigitWords<std::uint64_t>(token.data(), count, pattern);
  }
  if (count >= 4) {
    return plot_detail::ReadHexDigitWords<std::uint32_t>(token.data(), count, pattern);
  }
  if (count == 0) {
    return false;
  }
  // One to three digits: padded in front with '0's to a word of four.
  char padded[4] = {'0', '0', '0', '0'};
  for (std::size_t i = 0; i < count; ++i) {
    padded[4 - count + i] = token[i];
  }
  return plot_detail::ReadHexDigitWords<std::uint32_t>(padded, 4, pattern);
}

class CPlotScale {
 public:
  // Unsigned raw codes.
  CPlotScale() = default;
  // Signed or unsigned words; wordLength 1..64.
  CPlotScale(int wordLength, int fractionLength, bool isSigned);

  // Raw codes, with the reason no quantizer is used.
  static CPlotScale RawCodes(std::string note);
  // The scale of a fixed-point quantizer with a word length of 1 to 64 bits;
  // raw codes for any other (the reason is then in Note()).
  static CPlotScale FromQuantizer(const CQuantizer& quantizer);
  // The scale the header of a test-vector file gives, read without asking
  // the host anything and without messages. A missing file or a header that
  // is not understood gives raw codes, with the reason in Note().
  static CPlotScale FromVectorFile(const std::string& vectorPath);

  // The token as a code in LSB units; false when it is not hexadecimal.
  [[gnu::always_inline]] bool Read(std::string_view token, double& code) const {
    std::uint64_t pattern = 0;
    if (!ReadHexPattern(token, pattern)) {
      return false;
    }
    code = Code(pattern);
    return true;
  }
  double Code(std::uint64_t pattern) const {
    return isSigned_ ? static_cast<double>(IntegerCode<std::int64_t>(pattern))
                     : static_cast<double>(IntegerCode<std::uint64_t>(pattern));
  }
  // The code as an integer: std::int64_t for signed words, std::uint64_t for
  // unsigned ones and raw codes.
  template <typename TCode>
  TCode IntegerCode(std::uint64_t pattern) const {
    if constexpr (std::is_signed_v<TCode>) {
      // Two's complement: the word's top bit moved to bit 63, then shifted
      // back arithmetically, extends the sign.
      return static_cast<std::int64_t>(pattern << unused_) >> unused_;
    } else {
      return pattern & mask_;
    }
  }
  // For a pattern p of at most bits bits (16 or 32) the code is
  // ((p & mask) ^ sign) - sign with these two, as 32-bit numbers: the word's
  // bits below bit bits, and its sign bit when it is signed and below bit
  // bits (else 0).
  std::uint32_t NarrowPatternMask(int bits) const {
    const int kept = wordLength_ == 0 || wordLength_ >= bits ? bits : wordLength_;
    return kept >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << kept) - 1;
  }
  std::uint32_t NarrowPatternSign(int bits) const {
    return isSigned_ && wordLength_ <= bits ? std::uint32_t{1} << (wordLength_ - 1) : 0u;
  }
  // The real value of a code: code / 2^fraction length (raw codes: the code).
  double Value(double code) const;

  bool HasQuantizer() const { return wordLength_ > 0; }
  bool IsSigned() const { return isSigned_; }
  int WordLength() const { return wordLength_; }
  int FractionLength() const { return fractionLength_; }
  // "16-bit signed, 8 fraction bits", or "raw codes, unsigned".
  std::string AxisLabel() const;
  // Why raw codes are shown although a vector file was looked for; else "".
  const std::string& Note() const { return note_; }

 private:
  int wordLength_ = 0;  // 0: raw codes
  int fractionLength_ = 0;
  bool isSigned_ = false;
  std::uint64_t mask_ = ~std::uint64_t{0};
  int unused_ = 0;  // bits above the word
  std::string note_;
};
