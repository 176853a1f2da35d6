// CQuantizer: how a real number is held in a hardware number format.
//
// A quantizer carries the numeric type (signed or unsigned fixed point, or a
// floating type), the overflow and round modes, the word and fractional
// lengths, and the range that follows from them. It is a plain copyable value
// that owns no heap memory.
//
// Its operations live in several files: the model, setters and comparisons in
// Quantizer.cpp, the text forms in QuantizerText.cpp, the quantization
// arithmetic in QuantizeArithmetic.cpp; the project's default modes come from
// ProjectDefaults.h.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CTclDataObj;

// Numeric type codes; even codes are the signed member of a pair.
enum TNumericType {
  kTypeFixed = 0,
  kTypeUFixed = 1,
  kTypeFloat = 2,
  kTypeUFloat = 3,
  kTypeSingle = 4,
  kTypeUSingle = 5,
  kTypeDouble = 6,
  kTypeUDouble = 7,
};

enum TOverflowMode { kOverflowWrap = 0, kOverflowSaturate = 1 };

// "round" (1) and "nearest" (2) round ties toward plus infinity; "convergent"
// rounds ties to the even neighbour.
enum TRoundMode {
  kRoundFloor = 0,
  kRoundRound = 1,
  kRoundNearest = 2,
  kRoundCeil = 3,
  kRoundFix = 4,
  kRoundConvergent = 5,
};

// What SetFromName changed.
enum TQuantizerWordCategory { kWordType = 0, kWordOverflow = 1, kWordRounding = 2 };

// Name tables. A code outside the table gives "". With padded set the word is
// followed by one blank ("fixed ").
std::string TypeName(int code, bool padded = false);
std::string OverflowName(int code, bool padded = false);
std::string RoundName(int code, bool padded = false);
std::string VdTypeName(int code, bool padded = false);      // 0 vdSigned, 1 vdUnsigned
std::string VdOverflowName(int code, bool padded = false);  // 0 vdWrap, 1 vdSaturate
std::string VdRoundName(int code, bool padded = false);     // 0 vdTruncate, 2 vdRound

// What a counted quantization saw: overflows (values whose rounded value
// lies outside minValue..maxValue, whether saturated or wrapped) and
// underflows (nonzero values whose rounded value is zero).
struct CQuantizeCounts {
  std::uint64_t overflows = 0;
  std::uint64_t underflows = 0;

  CQuantizeCounts& operator+=(const CQuantizeCounts& other) {
    overflows += other.overflows;
    underflows += other.underflows;
    return *this;
  }
};

// Forgets that the "round" warning was given, so that the next "round" warns
// again. The system itself never calls it; tests use it.
void ForgetRoundWordWarning();

class CQuantizer {
 public:
  // Unsigned fixed point, lengths 0, the project's default modes (the first
  // default-constructed quantizer of the process loads them from the host).
  CQuantizer();
  // Stores the five codes and validates them (error DIR-0038 when the lengths
  // are not well-formed).
  CQuantizer(int type, int overflowMode, int roundMode, int wordLength, int fractionalLength);
  // Applies three quantizer words of any category ("fixed", "wrap", "floor",
  // ...) over the default initialisation, then the lengths, then validates.
  CQuantizer(const std::string& word1, const std::string& word2, const std::string& word3,
             int wordLength, int fractionalLength);
  // The default initialisation, then SetFromTclList(value, fileName, line).
  CQuantizer(const CTclDataObj* value, const char* fileName, int line);
  // Applies a test-vector header line with SetFromHeader over plain field
  // defaults (ufixed, modes -1, lengths 0); asks the host nothing. The derived
  // range stays 0 until ComputeRange or Validate runs.
  explicit CQuantizer(std::string_view headerText);
  // The lengths needed by the data values (FromValues).
  explicit CQuantizer(std::span<const double> values);
  CQuantizer(double x, double y);

  CQuantizer(const CQuantizer&) = default;
  CQuantizer& operator=(const CQuantizer&) = default;
  ~CQuantizer() = default;

  // Equal when type, both modes and both lengths are equal; derived values and
  // flags are not compared.
  bool operator==(const CQuantizer& other) const;
  bool operator!=(const CQuantizer& other) const { return !(*this == other); }
  bool SameLengths(const CQuantizer& other) const;

  // ---- queries
  bool IsSigned() const { return IsSignedType(type); }
  bool IsFixedPoint() const { return type == kTypeFixed || type == kTypeUFixed; }
  // wordLength - fractionalLength, less one for the sign of a signed type.
  int IntegerBits() const { return wordLength - fractionalLength - (IsSigned() ? 1 : 0); }
  bool IsDegenerate() const;
  int GetType() const { return type; }
  int GetOverflowMode() const { return overflowMode; }
  int GetRoundMode() const { return roundMode; }
  int GetWordLength() const { return wordLength; }
  int GetFractionalLength() const { return fractionalLength; }
  double GetMaxValue() const { return maxValue; }
  double GetMinValue() const { return minValue; }
  double GetHalfSpan() const { return halfSpan; }
  double GetSpan() const { return span; }
  bool IsWide() const { return wide; }
  bool IsFromData() const { return fromData; }
  bool IsAllZero() const { return allZero; }
  double RangeWidth() const { return maxValue - minValue; }
  double NumCodes() const;  // 2^wordLength
  std::string TypeText(bool vd = false) const;
  std::string OverflowText(bool vd = false) const;
  // With substitute set, round mode 1 is named as mode 2 unless the host
  // reports MATLAB 14.
  std::string RoundText(bool substitute = false, bool vd = false) const;

  // ---- setters; each recomputes the range
  void SetType(int code);
  void SetOverflowMode(int code);
  void SetRoundMode(int code);
  void SetWordLength(int n);
  void SetIntegerLength(int n);  // wordLength := n + fractionalLength
  void SetFractionalLength(int n);
  void AddWordLength(int n);
  void SubtractWordLength(int n);
  void AddFractionalLength(int n);
  void SubtractFractionalLength(int n);
  void SetSigned(bool isSigned);  // moves the type to the signed/unsigned member of its pair
  // No range recomputation for these.
  void SetWide(bool isWide) { wide = isWide; }
  // true sets fromData and allZero; false clears allZero only.
  void MarkFromData(bool fromDataValues);

  // Applies one quantizer word and returns its TQuantizerWordCategory. A word
  // outside the table raises error DIR-0037 with fileName and line. "round"
  // sets round mode 2 and warns QTZ-0040 the first time in the process.
  // Nothing is recomputed.
  int SetFromName(const std::string& word, const char* fileName, int line);
  // Recomputes the range when the lengths are well-formed; otherwise raises
  // error DIR-0038 with fileName (null for none), line and this quantizer's
  // Tcl list form, keeping the stored fields.
  void Validate(const char* fileName, int line);
  void ComputeRange();

  // ---- text forms (QuantizerText.cpp)
  // Reads a Tcl list of quantizer words and up to two integers, flat
  // ({fixed floor wrap 16 8}) or nested ({fixed floor wrap {16 8}}). Errors
  // DIR-0035, DIR-0036, DIR-0037 carry fileName and line. Null does nothing.
  void SetFromTclList(const CTclDataObj* value, const char* fileName, int line);
  void ApplyWordsAndLengths(const std::vector<std::string>& words, const std::vector<int>& integers,
                            const char* fileName, int line);
  // Applies a header "W1 W2 W3 [WL FL]" (five blank-separated fields, the
  // first character of the fourth and the last of the fifth are dropped).
  // Throws std::runtime_error naming the text when it has fewer than five
  // fields; nothing is changed then. Recomputes nothing.
  void SetFromHeader(std::string_view text);
  // Appends {type round overflow {WL FL}} as one element to target.
  bool ToTclList(CTclDataObj& target) const;
  std::string ToTclText() const;
  std::string ToQuantizerText() const;
  void WriteDeclaration(std::ostream& out, bool argumentForm, bool korvelStyle) const;
  void WriteXml(std::ostream& out, int level) const;
  std::ostream& WriteSystemCArgs(std::ostream& out) const;
  std::string FullIdentifier() const;
  std::string TypeIdentifier() const;
  std::string ModeIdentifier() const;

  // ---- quantization arithmetic (QuantizeArithmetic.cpp)
  // x rounded onto the grid of 2^-fractionalLength by the round mode, decided
  // exactly (a value one ulp below a tie is never rounded up). NaN and the
  // infinities pass through.
  double RoundValue(double x) const;
  // Saturation to [minValue, maxValue], or the exact wrap into that range
  // (NaN for NaN and the infinities). maxValue is the largest double inside
  // the format, so no result lies outside it.
  double ApplyOverflow(double x) const;
  double Quantize(double x) const { return ApplyOverflow(RoundValue(x)); }
  // Same results, bit for bit, as Quantize on each element; the mode is
  // decided once for the whole sequence.
  void QuantizeInPlace(std::span<double> values) const;
  // Quantizes in into out, the same values bit for bit, and counts in the
  // same pass. out has the size of in and is in itself or does not overlap it
  // (std::invalid_argument when the sizes differ).
  CQuantizeCounts QuantizeAndCount(std::span<const double> in, std::span<double> out) const;
  void QuantizeTwoSequencesInPlace(std::span<double> first, std::span<double> second) const;
  // Derives type and lengths from data values (53-bit budget); false when the
  // values do not fit. The modes are the project defaults.
  bool FromValues(std::span<const double> values);
  bool FromTwoSequences(std::span<const double> first, std::span<const double> second);
  bool SetFromValue(double x);
  bool SetFromTwoValues(double x, double y);
  // The real value of a stored code; throws "Invalid value sent to num2bin"
  // when the code does not fit the word length.
  double ValueOfRawCode(std::uint32_t code) const;
  // Every representable value in the order of the raw codes. Throws
  // std::runtime_error when the word length is outside
  // 0..kMaxEnumeratedWordLength (the table would exceed kMaxEnumeratedValues).
  void EnumerateValues(std::vector<double>& out) const;
  // The binary digits of x: a sign digit, the integer bits and the fractional
  // bits, in two's complement (NumToBin).
  void ToBinary(double x, std::vector<bool>& out) const;

  static constexpr int kMaxEnumeratedWordLength = 28;
  static constexpr std::int64_t kMaxEnumeratedValues = std::int64_t{1} << kMaxEnumeratedWordLength;

  static bool IsSignedType(int code) {
    return code == kTypeFixed || code == kTypeFloat || code == kTypeSingle || code == kTypeDouble;
  }

 private:
  friend void LoadProjectDefaults(CQuantizer& q);

  void InitFields();   // the default field values, no host query
  void DefaultInit();  // InitFields plus the project's default modes
  double WrapOutOfRange(double x) const;
  // Runs the array kernel when it applies and returns true; tally may be null.
  bool QuantizeWithKernel(const double* in, double* out, std::size_t n,
                          CQuantizeCounts* counts) const;

  double maxValue;
  double minValue;
  double halfSpan;
  double span;
  int type;
  int overflowMode;
  int roundMode;
  int wordLength;
  int fractionalLength;
  bool wide;
  bool fromData;
  bool allZero;
};
