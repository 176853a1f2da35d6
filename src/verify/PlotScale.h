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

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CQuantizer;

namespace plot_detail {
// 0..15 for the bytes of hexadecimal digits, -1 for every other byte.
inline constexpr std::array<signed char, 256> kHexDigits = [] {
  std::array<signed char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[c] = c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
               : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
               : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                                      : -1;
  }
  return table;
}();
inline constexpr std::size_t kMaxPatternDigits = 16;
}  // namespace plot_detail

// A token's bit pattern: an optional 0x/0X prefix, then hexadecimal digits
// whose value fits 64 bits (leading zeros are free). False for anything else
// ("xxxx", "", "0x", "-1", a 17-digit pattern). Called for every value of a
// run, so kept inline and table-driven.
inline bool ReadHexPattern(std::string_view token, std::uint64_t& pattern) {
  if (token.size() >= 2 && token[0] == '0' && (token[1] | 0x20) == 'x') {
    token.remove_prefix(2);
  }
  while (token.size() > plot_detail::kMaxPatternDigits && token.front() == '0') {
    token.remove_prefix(1);
  }
  if (token.empty() || token.size() > plot_detail::kMaxPatternDigits) {
    return false;
  }
  const auto digit = [&token](std::size_t i) {
    return static_cast<int>(plot_detail::kHexDigits[static_cast<unsigned char>(token[i])]);
  };
  std::uint64_t value = 0;
  int invalid = 0;
  std::size_t i = 0;
  // Four digits at a time, looked up independently of each other.
  for (; i + 4 <= token.size(); i += 4) {
    const int a = digit(i);
    const int b = digit(i + 1);
    const int c = digit(i + 2);
    const int d = digit(i + 3);
    invalid |= a | b | c | d;
    value = (value << 16) | static_cast<std::uint64_t>(((a & 0xf) << 12) | ((b & 0xf) << 8) |
                                                       ((c & 0xf) << 4) | (d & 0xf));
  }
  for (; i < token.size(); ++i) {
    const int a = digit(i);
    invalid |= a;
    value = (value << 4) | static_cast<std::uint64_t>(a & 0xf);
  }
  pattern = value;
  return invalid >= 0;
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
  bool Read(std::string_view token, double& code) const {
    std::uint64_t pattern = 0;
    if (!ReadHexPattern(token, pattern)) {
      return false;
    }
    code = Code(pattern);
    return true;
  }
  double Code(std::uint64_t pattern) const {
    const std::uint64_t word = pattern & mask_;
    if (!isSigned_) {
      return static_cast<double>(word);
    }
    // Two's complement: the word's top bit moved to bit 63, then shifted
    // back arithmetically, extends the sign.
    return static_cast<double>(static_cast<std::int64_t>(word << unused_) >> unused_);
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
