// A quantizer as the bindings (::ReportApp::quantizer, the Python package)
// hand it out: five settings, the header line of a fixed-point test-vector
// file, integer codes and the hexadecimal tokens of timing files. The
// arithmetic is CQuantizer's own; this file only converts between forms.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "fixedpoint/Quantizer.h"

// A failure of the bindings' quantizer calls with the word it is reported
// under: the product's message id (DIR-0037 an unknown word, DIR-0038 lengths
// that are not well-formed) or HEADER, OPTION, VALUE, CODE. The text is the
// product's own where it has one.
class CQuantizerError : public std::invalid_argument {
 public:
  CQuantizerError(std::string kind, const std::string& text)
      : std::invalid_argument(text), kind_(std::move(kind)) {}
  const std::string& Kind() const { return kind_; }

 private:
  std::string kind_;
};

// The five settings of a fixed-point quantizer, as words and lengths.
struct CQuantizerSettings {
  std::string mode = "fixed";         // fixed | ufixed
  std::string round = "floor";        // floor | ceil | fix | round | nearest | convergent
  std::string overflow = "saturate";  // wrap | saturate
  int wordLength = 16;
  int fractionLength = 15;
};

// A validated quantizer from its settings. Throws CQuantizerError: DIR-0037
// for an unknown word, DIR-0038 for lengths that are not well-formed (with
// the product's texts), OPTION for a known word given for another setting
// ("-mode wrap"), naming the setting and its words.
CQuantizer MakeQuantizer(const CQuantizerSettings& settings);
CQuantizerSettings SettingsOf(const CQuantizer& quantizer);

// A validated quantizer from the header line of a fixed-point test-vector
// file, with or without its leading '%': "fixed saturate nearest [16 15]".
// Throws CQuantizerError: HEADER naming the text when it is not one,
// DIR-0037 or DIR-0038 as MakeQuantizer.
CQuantizer QuantizerFromHeader(std::string_view header);
// The header line of a quantizer, without the '%': the type, overflow and
// round words and the bracketed lengths.
std::string HeaderOf(const CQuantizer& quantizer);

// Word length, fraction length and sign of the codes of a quantizer: a code
// is a quantized value times 2^fraction length, held as the two's-complement
// bit pattern of word length bits (1 to 64).
class CCodeFormat {
 public:
  // Throws CQuantizerError (CODE) when the word length is outside 1..64.
  explicit CCodeFormat(const CQuantizer& quantizer);
  CCodeFormat(int wordLength, int fractionLength, bool isSigned);

  int WordLength() const { return wordLength_; }
  int FractionLength() const { return fractionLength_; }
  bool IsSigned() const { return isSigned_; }
  std::uint64_t Mask() const { return mask_; }
  int HexDigits() const { return (wordLength_ + 3) / 4; }
  // The smallest and largest code: -2^(WL-1) .. 2^(WL-1)-1 when signed, else
  // 0 .. 2^WL-1 (the unsigned one as a pattern).
  std::int64_t MinCode() const;
  std::uint64_t MaxPattern() const;

  // The pattern of a quantized value. False for NaN, infinities, values off
  // the grid of 2^-fraction length and values outside the codes; a value that
  // is the format's largest value rounded to a double (formats of more than
  // 53 bits) gives the largest code.
  bool PatternOfValue(double value, std::uint64_t& pattern) const;
  // The real value of a pattern: the code over 2^fraction length.
  double ValueOfPattern(std::uint64_t pattern) const;
  // The code of a pattern, sign-extended when signed.
  std::int64_t SignedCode(std::uint64_t pattern) const;
  // The pattern of a signed integer code; false when it lies outside the codes.
  bool PatternOfCode(std::int64_t code, std::uint64_t& pattern) const;
  bool PatternOfUnsignedCode(std::uint64_t code, std::uint64_t& pattern) const;

 private:
  int wordLength_;
  int fractionLength_;
  bool isSigned_;
  std::uint64_t mask_;
};

// The timing-file token of a pattern: HexDigits() lower-case hexadecimal
// digits, no prefix, appended to out.
void AppendHexToken(std::uint64_t pattern, int digits, std::string& out);
// The pattern of a token (optional 0x, digits in either case). False when it
// is not hexadecimal or has bits above the word length.
bool PatternOfToken(std::string_view token, const CCodeFormat& format, std::uint64_t& pattern);
