#include "fixedpoint/QuantizeArithmetic.h"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fixedpoint/NumericConversion.h"
#include "fixedpoint/ProjectDefaults.h"
#include "fixedpoint/QuantizeKernels.h"
#include "fixedpoint/Quantizer.h"
#include "host/GlobalSettings.h"
#include "host/ProcessOnce.h"

namespace {

// 2^e for any exponent; beyond the double range it is 0 or infinity.
double Pow2(std::int64_t e) {
  constexpr std::int64_t kClamp = 4096;
  return std::ldexp(1.0, static_cast<int>(std::clamp(e, -kClamp, kClamp)));
}

// The "DR::951871" setting, read once per process.
CProcessOnce signBitRead;
std::atomic<bool> signBitOn{false};

bool ExtraSignBit() {
  if (signBitRead.Begin()) {
    CProcessOnceRead read(signBitRead, true);
    signBitOn = CGlobalSettings::GetBool("DR::951871");
  }
  return signBitOn;
}

bool AnyNegative(std::span<const double> values) {
  return std::any_of(values.begin(), values.end(), [](double v) { return v < 0.0; });
}

bool AllZero(std::span<const double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return v == 0.0; });
}

// The common body of BitsForValues and BitsForTwoSequences.
bool BitsForSequences(std::span<const double> first, std::span<const double> second, bool signedIn,
                      bool& outSigned, int& integerBits, int& fractionalBits, int limit,
                      bool exactStop) {
  const bool extraSignBit = ExtraSignBit();
  integerBits = 0;
  fractionalBits = 0;
  outSigned = signedIn;
  bool ok = true;
  if (!signedIn) {
    outSigned = AnyNegative(first) || AnyNegative(second);
  }
  for (std::span<const double> values : {first, second}) {
    for (double value : values) {
      bool valueSigned = false;
      int i = 0;
      int f = 0;
      if (!BitsForValue(value, outSigned, valueSigned, i, f, limit, exactStop)) {
        ok = false;
      }
      outSigned = outSigned || valueSigned;
      integerBits = std::max(integerBits, i);
      fractionalBits = std::max(fractionalBits, f);
    }
  }
  if (extraSignBit && outSigned && limit < INT_MAX) {
    ++limit;
  }
  if (static_cast<std::int64_t>(integerBits) + fractionalBits > limit) {
    fractionalBits = limit > integerBits ? limit - integerBits : 0;
    return false;
  }
  return ok;
}

}  // namespace

// ---- rounding and overflow

namespace {

namespace k = fixedpoint_kernels;

// The fractional length as the exponent of the grid; beyond +-4096 every
// double is on the grid, or every grid point beyond the doubles, either way.
int GridExponent(int fractionalLength) {
  constexpr int kClamp = 4096;
  return std::clamp(fractionalLength, -kClamp, kClamp);
}

}  // namespace

double CQuantizer::RoundValue(double x) const {
  const int f = GridExponent(fractionalLength);
  switch (roundMode) {
    case kRoundFloor:
      return k::RoundOntoGrid<k::RoundFloor>(x, f);
    case kRoundRound:
    case kRoundNearest:
      return k::RoundOntoGrid<k::RoundHalfUp>(x, f);
    case kRoundCeil:
      return k::RoundOntoGrid<k::RoundCeil>(x, f);
    case kRoundConvergent:
      return k::RoundOntoGrid<k::RoundHalfEven>(x, f);
    default:  // fix, and any unknown mode: truncation toward zero
      return k::RoundOntoGrid<k::RoundTrunc>(x, f);
  }
}

double CQuantizer::ApplyOverflow(double x) const {
  if (overflowMode == kOverflowSaturate) {
    return k::Saturate(x, minValue, maxValue);
  }
  if (x >= minValue && x <= maxValue) {
    return x;
  }
  return WrapOutOfRange(x);
}

double CQuantizer::WrapOutOfRange(double x) const {
  if (IsSigned()) {
    return k::WrapValue<true, false>(x, halfSpan, span, 0.0);
  }
  return k::WrapValue<false, false>(x, halfSpan, span, 0.0);
}

namespace fixedpoint_kernels {

bool HaveAvx2Kernel() {
#if defined(REPORTAPP_AVX2_KERNEL)
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return have;
#else
  return false;
#endif
}

}  // namespace fixedpoint_kernels

namespace {

k::TGridRounding GridRounding(int roundMode) {
  switch (roundMode) {
    case kRoundFloor:
      return k::TGridRounding::kFloor;
    case kRoundRound:
    case kRoundNearest:
      return k::TGridRounding::kHalfUp;
    case kRoundCeil:
      return k::TGridRounding::kCeil;
    case kRoundConvergent:
      return k::TGridRounding::kHalfEven;
    default:  // fix, and any unknown mode, as RoundValue
      return k::TGridRounding::kTrunc;
  }
}

// The scalar form of a counted quantization, for what the kernels do not take.
CQuantizeCounts CountOne(double x, double rounded, double lo, double hi) {
  CQuantizeCounts counts;
  counts.overflows = static_cast<std::uint64_t>(rounded > hi || rounded < lo);
  counts.underflows = static_cast<std::uint64_t>(x != 0.0 && rounded == 0.0);
  return counts;
}

}  // namespace

bool CQuantizer::QuantizeWithKernel(const double* in, double* out, std::size_t n,
                                    CQuantizeCounts* counts) const {
  // The kernels rely on round-to-nearest and on 2^F and 2^-F being normal
  // doubles; the scalar form of the same core is exact everywhere.
  if (std::fegetround() != FE_TONEAREST || fractionalLength < 0 ||
      fractionalLength > k::kMaxKernelFractionalLength) {
    return false;
  }
  k::Format format;
  format.minValue = minValue;
  format.maxValue = maxValue;
  format.halfSpan = halfSpan;
  format.span = span;
  format.wordLength = wordLength;
  format.fractionalLength = fractionalLength;
  format.isSigned = IsSigned();
  format.saturate = overflowMode == kOverflowSaturate;
  format.rounding = GridRounding(roundMode);
  k::Tally tally;
  k::Tally* const target = counts != nullptr ? &tally : nullptr;
  if (k::HaveAvx2Kernel()) {
    k::QuantizeArrayAvx2(format, in, out, n, target);
  } else {
    k::QuantizeArray(format, in, out, n, target);
  }
  if (counts != nullptr) {
    counts->overflows += tally.overflows;
    counts->underflows += tally.underflows;
  }
  return true;
}

void CQuantizer::QuantizeInPlace(std::span<double> values) const {
  if (QuantizeWithKernel(values.data(), values.data(), values.size(), nullptr)) {
    return;
  }
  for (double& x : values) {
    x = Quantize(x);
  }
}

CQuantizeCounts CQuantizer::QuantizeAndCount(std::span<const double> in,
                                             std::span<double> out) const {
  if (in.size() != out.size()) {
    throw std::invalid_argument("the input and output of a quantization differ in size");
  }
  CQuantizeCounts counts;
  if (QuantizeWithKernel(in.data(), out.data(), in.size(), &counts)) {
    return counts;
  }
  for (std::size_t i = 0; i < in.size(); ++i) {
    const double x = in[i];
    const double rounded = RoundValue(x);
    counts += CountOne(x, rounded, minValue, maxValue);
    out[i] = ApplyOverflow(rounded);
  }
  return counts;
}

void CQuantizer::QuantizeTwoSequencesInPlace(std::span<double> first,
                                             std::span<double> second) const {
  QuantizeInPlace(first);
  QuantizeInPlace(second);
}

// ---- quantizers from data values

bool CQuantizer::FromTwoSequences(std::span<const double> first, std::span<const double> second) {
  DefaultInit();
  bool isSigned = false;
  int integerBits = 0;
  int fractionBits = 0;
  const bool ok =
      BitsForTwoSequences(first, second, false, isSigned, integerBits, fractionBits, 53, true);
  SetSigned(isSigned);
  fractionalLength = fractionBits;
  wordLength = integerBits + fractionBits;
  ComputeRange();
  fromData = true;
  allZero = AllZero(first) && AllZero(second);
  return ok;
}

bool CQuantizer::FromValues(std::span<const double> values) {
  return FromTwoSequences(values, {});
}

bool CQuantizer::SetFromValue(double x) {
  const double values[] = {x};
  return FromValues(values);
}

bool CQuantizer::SetFromTwoValues(double x, double y) {
  const double values[] = {x, y};
  return FromValues(values);
}

// ---- codes and values

double CQuantizer::ValueOfRawCode(std::uint32_t code) const {
  QueryMatlabVersion();
  const double codeCount = Pow2(wordLength);
  if (static_cast<double>(code) >= codeCount) {
    throw std::runtime_error("Invalid value sent to num2bin");
  }
  if (code == 0) {
    return 0.0;
  }
  const double lsb = Pow2(-std::int64_t{fractionalLength});
  const bool signBitSet = IsSigned() && wordLength <= 32 && ((code >> (wordLength - 1)) & 1u) != 0;
  if (!signBitSet) {
    return static_cast<double>(code) * lsb;
  }
  return (static_cast<double>(code) - codeCount) * lsb;
}

void CQuantizer::EnumerateValues(std::vector<double>& out) const {
  if (wordLength < 0 || wordLength > kMaxEnumeratedWordLength) {
    throw std::runtime_error("EnumerateValues: word length " + std::to_string(wordLength) +
                             " is outside 0.." + std::to_string(kMaxEnumeratedWordLength) +
                             "; the table of all values is limited to " +
                             std::to_string(kMaxEnumeratedValues) + " values");
  }
  const std::size_t n = std::size_t{1} << wordLength;
  out.assign(n, 0.0);
  const double lsb = Pow2(-std::int64_t{fractionalLength});
  if (!IsSigned()) {
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      out[i] = sum;
      sum += lsb;
    }
    return;
  }
  // In raw-code order: 0 up to the maximum, then the minimum up to -lsb.
  std::size_t pos = 0;
  for (double v = 0.0; pos < n && v <= maxValue; v += lsb) {
    out[pos++] = v;
  }
  for (double v = minValue; pos < n && v <= -lsb; v += lsb) {
    out[pos++] = v;
  }
}

void CQuantizer::ToBinary(double x, std::vector<bool>& out) const {
  const int integerBits = std::max(IntegerBits(), 0);
  const int fractionBits = std::max(fractionalLength, 0);
  NumToBin(x, out, static_cast<unsigned>(integerBits), static_cast<unsigned>(fractionBits));
}

// ---- bit counts

bool BitsForValue(double x, bool signedIn, bool& outSigned, int& integerBits, int& fractionalBits,
                  int limit, bool exactStop) {
  const bool extraSignBit = ExtraSignBit();
  if (x == 0.0) {
    outSigned = false;
    integerBits = 1;
    fractionalBits = 0;
    return true;
  }
  outSigned = signedIn;
  const bool negative = x < 0.0;
  if (negative) {
    x = -x;
    outSigned = true;
    if (extraSignBit && limit < INT_MAX) {
      ++limit;
    }
  }
  if (!std::isfinite(x)) {
    integerBits = limit < INT_MAX ? limit + 1 : limit;
    fractionalBits = 0;
    return false;
  }
  if (x == 1.0) {
    integerBits = outSigned ? 2 : 1;
    fractionalBits = 0;
    return true;
  }
  double whole = std::trunc(x);
  const double frac = x - whole;
  if (x < 1.0) {
    integerBits = 0;
  } else {
    if (!(negative && frac == 0.0)) {
      whole += 1.0;
    }
    integerBits = CeilLog2(whole);
  }
  if (outSigned && integerBits < INT_MAX) {
    ++integerBits;
  }
  fractionalBits = 0;
  if (frac == 0.0 && exactStop) {
    return true;
  }
  if (integerBits > limit) {
    return false;
  }
  if (integerBits == limit) {
    return frac == 0.0;
  }
  fractionalBits = FractionBitsNeeded(frac, limit - integerBits);
  return true;
}

bool BitsForValues(std::span<const double> values, bool signedIn, bool& outSigned, int& integerBits,
                   int& fractionalBits, int limit, bool exactStop) {
  return BitsForSequences(values, {}, signedIn, outSigned, integerBits, fractionalBits, limit,
                          exactStop);
}

bool BitsForTwoSequences(std::span<const double> first, std::span<const double> second,
                         bool signedIn, bool& outSigned, int& integerBits, int& fractionalBits,
                         int limit, bool exactStop) {
  return BitsForSequences(first, second, signedIn, outSigned, integerBits, fractionalBits, limit,
                          exactStop);
}

int FractionBitsNeeded(double f, int n) {
  f = std::fabs(f);
  if (f > 1.0) {
    double whole = 0.0;
    f = std::modf(f, &whole);
  }
  if (f == 0.0) {
    return 0;
  }
  if (n <= 1 || std::isnan(f)) {
    return n <= 1 ? 1 : n;
  }
  for (int i = 1; i < n; ++i) {
    f += f;
    if (IsIntegral(f)) {
      return i;
    }
  }
  return n;
}

int CeilLog2(double v) {
  if (v == 0.0 || v == 1.0) {
    return 1;
  }
  return Log2Ceil(std::fabs(v));
}

// ---- rounding to integers

double RoundToIntegerFix(double x) {
  return CQuantizer(kTypeFixed, kOverflowWrap, kRoundFix, 53, 0).Quantize(x);
}

double RoundToIntegerConvergent(double x) {
  return CQuantizer(kTypeFixed, kOverflowWrap, kRoundConvergent, 53, 0).Quantize(x);
}

double RoundToInteger(double x, bool viaQuantizer) {
  if (viaQuantizer) {
    return CQuantizer(kTypeFixed, kOverflowWrap, kRoundRound, 53, 0).Quantize(x);
  }
  double m = std::fabs(x);
  m = m - std::floor(m) < 0.5 ? std::floor(m) : std::ceil(m);
  return std::copysign(m, x);
}

bool TotalAndFractionBits(double x, int& totalBits, int& fractionalBits, int limit,
                          bool exactStop) {
  bool isSigned = false;
  int integerBits = 0;
  const bool ok = BitsForValue(x, false, isSigned, integerBits, fractionalBits, limit, exactStop);
  totalBits = integerBits + fractionalBits;
  return ok;
}

void ForgetExtraSignBitSetting() {
  signBitRead.Reset();
  signBitOn = false;
}
