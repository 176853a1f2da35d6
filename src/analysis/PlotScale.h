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
#include <type_traits>

#include "analysis/ValueToken.h"

class CQuantizer;
struct CFileCompanions;

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
  // The scale the quantizer header of a timing file's test-vector file gives
  // (read once, with the file's companions), taken without asking the host
  // anything and without messages. No vector file, or a header that is not
  // understood, gives raw codes with the reason in Note().
  static CPlotScale FromCompanions(const CFileCompanions& companions);
  // The same for a vector file looked up on its own.
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
