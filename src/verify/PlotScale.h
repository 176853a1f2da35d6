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

#include <cstdint>
#include <string>
#include <string_view>

class CQuantizer;

// A token's bit pattern: an optional 0x/0X prefix, then hexadecimal digits
// whose value fits 64 bits (leading zeros are free). False for anything else
// ("xxxx", "", "0x", "-1", a 17-digit pattern).
bool ReadHexPattern(std::string_view token, std::uint64_t& pattern);

class CPlotScale {
 public:
  // Unsigned raw codes.
  CPlotScale() = default;
  // Signed or unsigned words; wordLength 1..64.
  CPlotScale(int wordLength, int fractionLength, bool isSigned);

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
  double Code(std::uint64_t pattern) const;
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
  static CPlotScale Raw(std::string note);

  int wordLength_ = 0;  // 0: raw codes
  int fractionLength_ = 0;
  bool isSigned_ = false;
  std::uint64_t mask_ = ~std::uint64_t{0};
  std::string note_;
};
