// Quantization arithmetic: rounding per mode, overflow, the in-place forms
// bit for bit against Quantize, quantizers from data, bit counts, raw codes,
// value tables and rounding to integers.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "fixedpoint/FixedPointTestHost.h"
#include "fixedpoint/QuantizeArithmetic.h"
#include "fixedpoint/QuantizeKernels.h"
#include "fixedpoint/Quantizer.h"

namespace {

using QuantizerRounding = QuantizerHostTest;
using QuantizerOverflow = QuantizerHostTest;
using QuantizeInPlaceTest = QuantizerHostTest;
using QuantizerFromValues = QuantizerHostTest;
using BitCounts = QuantizerHostTest;
using RawCodes = QuantizerHostTest;
using ValueTables = QuantizerHostTest;
using IntegerRounding = QuantizerHostTest;

constexpr double kInf = std::numeric_limits<double>::infinity();

CQuantizer Make(int type, int overflow, int round, int wl, int fl) {
  return CQuantizer(type, overflow, round, wl, fl);
}

double Q(int round, double x, int fl = 0, int type = kTypeFixed, int overflow = kOverflowSaturate,
         int wl = 16) {
  return Make(type, overflow, round, wl, fl).Quantize(x);
}

std::uint64_t BitsOf(double x) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

TEST_F(QuantizerRounding, NearestTiesGoUp) {
  EXPECT_EQ(Q(kRoundNearest, 2.5), 3.0);
  EXPECT_EQ(Q(kRoundNearest, -2.5), -2.0);
  EXPECT_EQ(Q(kRoundRound, 2.5), 3.0);
  EXPECT_EQ(Q(kRoundRound, -2.5), -2.0);
  EXPECT_EQ(Q(kRoundNearest, 0.03125, 4), 0.0625);  // half an LSB at F = 4
  EXPECT_EQ(Q(kRoundNearest, -0.03125, 4), 0.0);
  EXPECT_EQ(Q(kRoundNearest, 2.4), 2.0);
  EXPECT_EQ(Q(kRoundNearest, -2.6), -3.0);
}

TEST_F(QuantizerRounding, ConvergentTiesGoToEven) {
  EXPECT_EQ(Q(kRoundConvergent, 2.5), 2.0);
  EXPECT_EQ(Q(kRoundConvergent, 3.5), 4.0);
  EXPECT_EQ(Q(kRoundConvergent, -2.5), -2.0);
  EXPECT_EQ(Q(kRoundConvergent, -3.5), -4.0);
  EXPECT_EQ(Q(kRoundConvergent, 2.6), 3.0);
  EXPECT_EQ(Q(kRoundConvergent, -2.6), -3.0);
  EXPECT_EQ(Q(kRoundConvergent, 0.5), 0.0);
  EXPECT_EQ(Q(kRoundConvergent, 0.75, 1), 1.0);  // 1.5 LSB
  EXPECT_EQ(Q(kRoundConvergent, 0.25, 1), 0.0);  // 0.5 LSB
}

TEST_F(QuantizerRounding, FloorCeilFixAtFourFractionalBits) {
  EXPECT_EQ(Q(kRoundFloor, 1.03, 4, kTypeFixed, kOverflowSaturate, 8), 1.0);
  EXPECT_EQ(Q(kRoundCeil, 1.03, 4, kTypeFixed, kOverflowSaturate, 8), 1.0625);
  EXPECT_EQ(Q(kRoundNearest, 1.03, 4, kTypeFixed, kOverflowSaturate, 8), 1.0);
  EXPECT_EQ(Q(kRoundFix, -1.03, 4, kTypeFixed, kOverflowSaturate, 8), -1.0);
  EXPECT_EQ(Q(kRoundFloor, -1.03, 4, kTypeFixed, kOverflowSaturate, 8), -1.0625);
  EXPECT_EQ(Q(kRoundCeil, -1.03, 4, kTypeFixed, kOverflowSaturate, 8), -1.0);
  EXPECT_EQ(Q(kRoundFix, 1.97, 4, kTypeFixed, kOverflowSaturate, 8), 1.9375);
}

TEST_F(QuantizerRounding, UnknownModesTruncate) {
  CQuantizer q = Make(kTypeFixed, kOverflowSaturate, kRoundFloor, 16, 0);
  for (int mode : {-1, 6, 99}) {
    q.SetRoundMode(mode);
    EXPECT_EQ(q.RoundValue(2.7), 2.0) << mode;
    EXPECT_EQ(q.RoundValue(-2.7), -2.0) << mode;
  }
}

TEST_F(QuantizerRounding, NegativeFractionalLengthRoundsToCoarserSteps) {
  CQuantizer q = Make(kTypeFixed, kOverflowSaturate, kRoundFloor, 16, 0);
  q.SetFractionalLength(-2);  // steps of 4
  EXPECT_EQ(q.RoundValue(7.0), 4.0);
  q.SetRoundMode(kRoundNearest);
  EXPECT_EQ(q.RoundValue(6.0), 8.0);
}

TEST_F(QuantizerOverflow, SignedFourBits) {
  const CQuantizer wrap = Make(kTypeFixed, kOverflowWrap, kRoundFloor, 4, 0);
  EXPECT_EQ(wrap.Quantize(10), -6.0);
  EXPECT_EQ(wrap.Quantize(-9), 7.0);
  EXPECT_EQ(wrap.Quantize(7), 7.0);
  EXPECT_EQ(wrap.Quantize(-8), -8.0);
  EXPECT_EQ(wrap.Quantize(8), -8.0);
  EXPECT_EQ(wrap.Quantize(16), 0.0);
  EXPECT_EQ(wrap.Quantize(-20), -4.0);
  EXPECT_EQ(wrap.Quantize(41), -7.0);
  const CQuantizer sat = Make(kTypeFixed, kOverflowSaturate, kRoundFloor, 4, 0);
  EXPECT_EQ(sat.Quantize(10), 7.0);
  EXPECT_EQ(sat.Quantize(-9), -8.0);
  EXPECT_EQ(sat.Quantize(kInf), 7.0);
  EXPECT_EQ(sat.Quantize(-kInf), -8.0);
}

TEST_F(QuantizerOverflow, UnsignedFourBits) {
  const CQuantizer wrap = Make(kTypeUFixed, kOverflowWrap, kRoundFloor, 4, 0);
  EXPECT_EQ(wrap.Quantize(35), 3.0);
  EXPECT_EQ(wrap.Quantize(-3), 13.0);
  EXPECT_EQ(wrap.Quantize(-16), 0.0);
  EXPECT_EQ(wrap.Quantize(-17), 15.0);
  EXPECT_EQ(wrap.Quantize(16), 0.0);
  EXPECT_EQ(wrap.Quantize(15), 15.0);
  const CQuantizer sat = Make(kTypeUFixed, kOverflowSaturate, kRoundFloor, 4, 0);
  EXPECT_EQ(sat.Quantize(35), 15.0);
  EXPECT_EQ(sat.Quantize(-3), 0.0);
}

TEST_F(QuantizerOverflow, FractionalWrapAndUnsetModeWraps) {
  CQuantizer q = Make(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);  // [-8, 8)
  EXPECT_EQ(q.Quantize(8.5), -7.5);
  EXPECT_EQ(q.Quantize(-8.0625), 7.9375);
  q.SetOverflowMode(-1);
  EXPECT_EQ(q.ApplyOverflow(9.0), -7.0);
}

// Values that tell the kernels apart from the literal steps: ties of every
// kind, zeros of both signs, the range ends, magnitudes near and beyond 2^52,
// infinities and NaN, subnormals.
std::vector<double> EdgeValues(const CQuantizer& q) {
  const double lsb = std::ldexp(1.0, -q.GetFractionalLength());
  std::vector<double> v = {0.0,
                           -0.0,
                           1.0,
                           -1.0,
                           0.5,
                           -0.5,
                           1e-310,
                           -1e-310,
                           kInf,
                           -kInf,
                           std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::quiet_NaN(),
                           std::ldexp(1.0, 52),
                           -std::ldexp(1.0, 52),
                           std::ldexp(1.0, 52) - 0.5,
                           std::ldexp(1.0, 51) + 0.5,
                           -std::ldexp(1.0, 51) - 0.5,
                           std::ldexp(1.0, 53) + 2,
                           1e300,
                           -1e300,
                           q.GetMaxValue(),
                           q.GetMinValue(),
                           q.GetMaxValue() + lsb,
                           q.GetMinValue() - lsb,
                           q.GetSpan(),
                           -q.GetSpan(),
                           q.GetHalfSpan(),
                           -q.GetHalfSpan()};
  for (int k = -6; k <= 6; ++k) {
    v.push_back((k + 0.5) * lsb);
    v.push_back((k + 0.25) * lsb);
    v.push_back(k * lsb);
    v.push_back(q.GetSpan() * k + 0.5 * lsb);
    v.push_back(q.GetHalfSpan() * k - lsb);
  }
  return v;
}

std::vector<double> RandomValues(const CQuantizer& q, std::size_t n, unsigned seed) {
  std::mt19937_64 random(seed);
  const double reach = std::max(4.0 * q.GetSpan(), 1.0);
  std::uniform_real_distribution<double> spread(-reach, reach);
  std::uniform_int_distribution<int> exponent(-60, 70);
  std::vector<double> v(n);
  for (std::size_t i = 0; i < n; ++i) {
    v[i] = (i % 3 == 0) ? std::ldexp(spread(random), exponent(random) / 4) : spread(random);
  }
  return v;
}

void ExpectInPlaceMatchesQuantize(const CQuantizer& q, const std::vector<double>& input) {
  std::vector<double> fast = input;
  q.QuantizeInPlace(fast);
  for (std::size_t i = 0; i < input.size(); ++i) {
    const double expected = q.Quantize(input[i]);
    if (BitsOf(fast[i]) != BitsOf(expected)) {
      ADD_FAILURE() << q.ToTclText() << " range [" << q.GetMinValue() << ", " << q.GetMaxValue()
                    << "] x = " << input[i] << " (index " << i << "): in place " << fast[i]
                    << ", Quantize " << expected;
      return;
    }
  }
}

TEST_F(QuantizeInPlaceTest, BitIdenticalToQuantizeForEveryModeAndShape) {
  const int rounds[] = {
      kRoundFloor, kRoundRound, kRoundNearest, kRoundCeil, kRoundFix, kRoundConvergent, -1, 9};
  const int overflows[] = {kOverflowWrap, kOverflowSaturate, -1};
  const int shapes[][3] = {{kTypeFixed, 4, 0},   {kTypeUFixed, 4, 0},   {kTypeFixed, 16, 8},
                           {kTypeUFixed, 16, 8}, {kTypeFixed, 1, 0},    {kTypeUFixed, 1, 1},
                           {kTypeFixed, 51, 3},  {kTypeUFixed, 51, 0},  {kTypeFixed, 52, 0},
                           {kTypeFixed, 53, 0},  {kTypeUFixed, 64, 30}, {kTypeFixed, 30, 29},
                           {kTypeFixed, 8, 7},   {kTypeUFixed, 12, 12}};
  unsigned seed = 1;
  for (const auto& shape : shapes) {
    for (int overflow : overflows) {
      for (int round : rounds) {
        CQuantizer q = Make(shape[0], kOverflowWrap, kRoundFloor, shape[1], shape[2]);
        q.SetOverflowMode(overflow);
        q.SetRoundMode(round);
        std::vector<double> input = EdgeValues(q);
        const std::vector<double> random = RandomValues(q, 2001, seed++);
        input.insert(input.end(), random.begin(), random.end());
        ExpectInPlaceMatchesQuantize(q, input);
      }
    }
  }
}

// QuantizeAndCount, out of place and in place, against Quantize and a count
// made value by value from RoundValue.
void ExpectCountedMatchesQuantize(const CQuantizer& q, const std::vector<double>& input) {
  std::vector<double> out(input.size());
  const CQuantizeCounts counts = q.QuantizeAndCount(input, out);
  std::vector<double> inPlace = input;
  const CQuantizeCounts inPlaceCounts = q.QuantizeAndCount(inPlace, inPlace);
  CQuantizeCounts expected;
  for (std::size_t i = 0; i < input.size(); ++i) {
    const double rounded = q.RoundValue(input[i]);
    expected.overflows += rounded > q.GetMaxValue() || rounded < q.GetMinValue();
    expected.underflows += input[i] != 0.0 && rounded == 0.0;
    const double quantized = q.Quantize(input[i]);
    if (BitsOf(out[i]) != BitsOf(quantized) || BitsOf(inPlace[i]) != BitsOf(quantized)) {
      ADD_FAILURE() << q.ToTclText() << " x = " << input[i] << " (index " << i << "): counted "
                    << out[i] << ", in place " << inPlace[i] << ", Quantize " << quantized;
      return;
    }
  }
  EXPECT_EQ(counts.overflows, expected.overflows) << q.ToTclText();
  EXPECT_EQ(counts.underflows, expected.underflows) << q.ToTclText();
  EXPECT_EQ(inPlaceCounts.overflows, expected.overflows) << q.ToTclText();
  EXPECT_EQ(inPlaceCounts.underflows, expected.underflows) << q.ToTclText();
}

TEST_F(QuantizeInPlaceTest, CountedQuantizationGivesTheSameBitsAndExactCounts) {
  const int shapes[][3] = {{kTypeFixed, 16, 15}, {kTypeUFixed, 8, 4},   {kTypeFixed, 4, 0},
                           {kTypeFixed, 51, 3},  {kTypeUFixed, 64, 30}, {kTypeFixed, 53, 0}};
  unsigned seed = 500;
  for (const auto& shape : shapes) {
    for (int overflow : {kOverflowWrap, kOverflowSaturate}) {
      for (int round : {kRoundFloor, kRoundNearest, kRoundCeil, kRoundFix, kRoundConvergent}) {
        const CQuantizer q = Make(shape[0], overflow, round, shape[1], shape[2]);
        std::vector<double> input = EdgeValues(q);
        const std::vector<double> random = RandomValues(q, 1001, seed++);
        input.insert(input.end(), random.begin(), random.end());
        for (std::size_t length : {input.size(), input.size() - 1, std::size_t{3}}) {
          ExpectCountedMatchesQuantize(q,
                                       std::vector<double>(input.begin(), input.begin() + length));
        }
      }
    }
  }
  // Where the kernels do not apply: another rounding mode of the FPU, a
  // negative fractional length.
  const CQuantizer q = Make(kTypeFixed, kOverflowWrap, kRoundNearest, 8, 4);
  const int saved = std::fegetround();
  std::fesetround(FE_DOWNWARD);
  ExpectCountedMatchesQuantize(q, RandomValues(q, 301, 11));
  std::fesetround(saved);
  CQuantizer coarse = Make(kTypeFixed, kOverflowSaturate, kRoundFloor, 8, 0);
  coarse.SetFractionalLength(-2);
  ExpectCountedMatchesQuantize(coarse, RandomValues(coarse, 301, 12));
  std::vector<double> shorter(2);
  EXPECT_THROW(q.QuantizeAndCount(std::vector<double>(3), shorter), std::invalid_argument);
}

// The two-lane kernel (this file is compiled for baseline x86-64) and the
// four-lane AVX2 one give the same bits and counts.
TEST_F(QuantizeInPlaceTest, KernelWidthsAgree) {
  namespace k = fixedpoint_kernels;
  if (!k::HaveAvx2Kernel()) {
    GTEST_SKIP() << "SKIPPED: this processor (or build) has no AVX2 kernel to compare";
  }
  const std::pair<int, k::TGridRounding> rounds[] = {
      {kRoundFloor, k::TGridRounding::kFloor},
      {kRoundNearest, k::TGridRounding::kHalfUp},
      {kRoundCeil, k::TGridRounding::kCeil},
      {kRoundFix, k::TGridRounding::kTrunc},
      {kRoundConvergent, k::TGridRounding::kHalfEven}};
  unsigned seed = 900;
  for (const int type : {kTypeFixed, kTypeUFixed}) {
    for (const int overflow : {kOverflowWrap, kOverflowSaturate}) {
      for (const auto& [round, rounding] : rounds) {
        for (const auto& [wl, fl] : {std::pair{16, 15}, std::pair{60, 8}, std::pair{5, 0}}) {
          const CQuantizer q = Make(type, overflow, round, wl, fl);
          std::vector<double> input = EdgeValues(q);
          const std::vector<double> random = RandomValues(q, 999, seed++);
          input.insert(input.end(), random.begin(), random.end());
          k::Format format;
          format.minValue = q.GetMinValue();
          format.maxValue = q.GetMaxValue();
          format.halfSpan = q.GetHalfSpan();
          format.span = q.GetSpan();
          format.wordLength = wl;
          format.fractionalLength = fl;
          format.isSigned = q.IsSigned();
          format.saturate = overflow == kOverflowSaturate;
          format.rounding = rounding;
          std::vector<double> narrow(input.size());
          std::vector<double> wide(input.size());
          k::Tally narrowTally;
          k::Tally wideTally;
          k::QuantizeArray(format, input.data(), narrow.data(), input.size(), &narrowTally);
          k::QuantizeArrayAvx2(format, input.data(), wide.data(), input.size(), &wideTally);
          for (std::size_t i = 0; i < input.size(); ++i) {
            ASSERT_EQ(BitsOf(narrow[i]), BitsOf(wide[i]))
                << q.ToTclText() << " x = " << input[i] << ": " << narrow[i] << " / " << wide[i];
          }
          EXPECT_EQ(narrowTally.overflows, wideTally.overflows) << q.ToTclText();
          EXPECT_EQ(narrowTally.underflows, wideTally.underflows) << q.ToTclText();
        }
      }
    }
  }
}

TEST_F(QuantizeInPlaceTest, BitIdenticalForIllFormedAndStaleQuantizers) {
  std::vector<CQuantizer> odd;
  CQuantizer negativeFraction = Make(kTypeFixed, kOverflowWrap, kRoundNearest, 16, 0);
  negativeFraction.SetFractionalLength(-3);
  odd.push_back(negativeFraction);
  CQuantizer negativeIntegerBits = Make(kTypeUFixed, kOverflowWrap, kRoundConvergent, 8, 0);
  negativeIntegerBits.SetWordLength(4);
  negativeIntegerBits.SetFractionalLength(6);
  odd.push_back(negativeIntegerBits);
  CQuantizer stale = Make(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);
  stale.SetFromHeader("fixed wrap floor [12 2]");  // codes changed, range not
  odd.push_back(stale);
  CQuantizer huge = Make(kTypeFixed, kOverflowWrap, kRoundCeil, 8, 0);
  huge.SetFractionalLength(1100);
  odd.push_back(huge);
  CQuantizer coarse = Make(kTypeUFixed, kOverflowWrap, kRoundFix, 8, 0);
  coarse.SetFractionalLength(-1100);
  odd.push_back(coarse);
  CQuantizer wide = Make(kTypeFixed, kOverflowWrap, kRoundNearest, 8, 0);
  wide.SetWordLength(3000);
  odd.push_back(wide);
  unsigned seed = 100;
  for (CQuantizer& q : odd) {
    for (int overflow : {kOverflowWrap, kOverflowSaturate}) {
      q.SetOverflowMode(overflow);
      if (&q == &stale) {
        q.SetFromHeader("fixed wrap floor [12 2]");
      }
      std::vector<double> input = EdgeValues(q);
      const std::vector<double> random = RandomValues(q, 501, seed++);
      input.insert(input.end(), random.begin(), random.end());
      ExpectInPlaceMatchesQuantize(q, input);
    }
  }
}

TEST_F(QuantizeInPlaceTest, OddLengthsEmptyAndOtherRoundingModesOfTheFpu) {
  const CQuantizer q = Make(kTypeFixed, kOverflowWrap, kRoundConvergent, 6, 2);
  std::vector<double> none;
  q.QuantizeInPlace(none);
  EXPECT_TRUE(none.empty());
  std::vector<double> three{2.625, -9.0, 100.0};
  q.QuantizeInPlace(three);
  EXPECT_EQ(three, (std::vector<double>{2.5, 7.0, 4.0}));
  const int saved = std::fegetround();
  std::fesetround(FE_UPWARD);
  ExpectInPlaceMatchesQuantize(q, RandomValues(q, 301, 7));
  std::fesetround(saved);
}

TEST_F(QuantizeInPlaceTest, TwoSequences) {
  const CQuantizer q = Make(kTypeFixed, kOverflowSaturate, kRoundFloor, 4, 0);
  std::vector<double> first{1.5, 20};
  std::vector<double> second{-20, -1.5, 3.2};
  q.QuantizeTwoSequencesInPlace(first, second);
  EXPECT_EQ(first, (std::vector<double>{1, 7}));
  EXPECT_EQ(second, (std::vector<double>{-8, -2, 3}));
}

TEST_F(QuantizerFromValues, MixedSigns) {
  CQuantizer q;
  const std::vector<double> values{0.5, -2.25};
  EXPECT_TRUE(q.FromValues(values));
  EXPECT_EQ(q.GetType(), kTypeFixed);
  EXPECT_EQ(q.IntegerBits() + 1, 3);  // integer bits with the sign
  EXPECT_EQ(q.GetWordLength(), 5);
  EXPECT_EQ(q.GetFractionalLength(), 2);
  EXPECT_TRUE(q.IsFromData());
  EXPECT_FALSE(q.IsAllZero());
  EXPECT_EQ(q.GetOverflowMode(), kOverflowSaturate);  // the project's defaults
  EXPECT_EQ(q.GetRoundMode(), kRoundFloor);
  EXPECT_EQ(q.GetMinValue(), -4.0);
  const CQuantizer constructed(values);
  EXPECT_EQ(constructed, q);
}

TEST_F(QuantizerFromValues, EmptyAndZeros) {
  CQuantizer q = Make(kTypeFixed, kOverflowWrap, kRoundCeil, 8, 4);
  EXPECT_TRUE(q.FromValues(std::vector<double>{}));
  EXPECT_EQ(q.GetType(), kTypeUFixed);
  EXPECT_EQ(q.GetWordLength(), 0);
  EXPECT_EQ(q.GetFractionalLength(), 0);
  EXPECT_TRUE(q.IsAllZero());
  EXPECT_TRUE(q.IsFromData());
  EXPECT_TRUE(q.FromValues(std::vector<double>{0.0, -0.0}));
  EXPECT_EQ(q.GetWordLength(), 1);
  EXPECT_TRUE(q.IsAllZero());
}

TEST_F(QuantizerFromValues, NonTerminatingFractionIsCapped) {
  CQuantizer q;
  EXPECT_TRUE(q.SetFromValue(0.1));
  EXPECT_EQ(q.GetType(), kTypeUFixed);
  EXPECT_EQ(q.GetFractionalLength(), 53);
  EXPECT_EQ(q.GetWordLength(), 53);
}

TEST_F(QuantizerFromValues, ValuesThatDoNotFitReportFalseButKeepCounts) {
  CQuantizer q;
  EXPECT_FALSE(q.SetFromTwoValues(1e20, 0.5));
  EXPECT_EQ(q.GetWordLength(), 67);
  EXPECT_EQ(q.GetFractionalLength(), 0);
  EXPECT_FALSE(q.SetFromValue(kInf));
  EXPECT_FALSE(q.SetFromValue(std::nan("")));
  const CQuantizer pair(3.0, -0.75);
  EXPECT_EQ(pair.GetType(), kTypeFixed);
  EXPECT_EQ(pair.GetWordLength(), 5);
  EXPECT_EQ(pair.GetFractionalLength(), 2);
}

TEST_F(QuantizerFromValues, TwoSequences) {
  CQuantizer q;
  const std::vector<double> first{0.0, 3.0};
  const std::vector<double> second{-0.125};
  EXPECT_TRUE(q.FromTwoSequences(first, second));
  EXPECT_EQ(q.GetType(), kTypeFixed);
  EXPECT_EQ(q.GetFractionalLength(), 3);
  EXPECT_EQ(q.GetWordLength(), 6);
  EXPECT_FALSE(q.IsAllZero());
  EXPECT_TRUE(q.FromTwoSequences(std::vector<double>{0.0}, std::vector<double>{0.0}));
  EXPECT_TRUE(q.IsAllZero());
}

TEST_F(BitCounts, SingleValues) {
  bool isSigned = false;
  int i = 0;
  int f = 0;
  EXPECT_TRUE(BitsForValue(7.5, false, isSigned, i, f, 53, true));
  EXPECT_EQ(i, 3);
  EXPECT_EQ(f, 1);
  EXPECT_FALSE(isSigned);
  EXPECT_TRUE(BitsForValue(-8, false, isSigned, i, f, 53, true));
  EXPECT_EQ(i, 4);
  EXPECT_EQ(f, 0);
  EXPECT_TRUE(isSigned);
  EXPECT_TRUE(BitsForValue(-7.5, false, isSigned, i, f, 53, true));
  EXPECT_EQ(i, 4);
  EXPECT_EQ(f, 1);
  EXPECT_TRUE(BitsForValue(8, false, isSigned, i, f, 53, true));
  EXPECT_EQ(i, 4);
  EXPECT_TRUE(BitsForValue(1, true, isSigned, i, f, 53, true));
  EXPECT_EQ(i, 2);
  EXPECT_TRUE(BitsForValue(0, true, isSigned, i, f, 53, true));
  EXPECT_FALSE(isSigned);
  EXPECT_EQ(i, 1);
}

TEST_F(BitCounts, LimitsAndExactStop) {
  bool isSigned = false;
  int i = 0;
  int f = 0;
  EXPECT_FALSE(BitsForValue(300, false, isSigned, i, f, 8, false));
  EXPECT_EQ(i, 9);
  EXPECT_TRUE(BitsForValue(255, false, isSigned, i, f, 8, false));
  EXPECT_EQ(i, 8);
  EXPECT_FALSE(BitsForValue(255.5, false, isSigned, i, f, 8, false));
  EXPECT_TRUE(BitsForValue(300, false, isSigned, i, f, 8, true));  // exact stop first
  EXPECT_TRUE(BitsForValue(2.1, false, isSigned, i, f, 8, false));
  EXPECT_EQ(i, 2);
  EXPECT_EQ(f, 6);  // capped at what is left
  EXPECT_FALSE(BitsForValue(-kInf, false, isSigned, i, f, 8, true));
  EXPECT_TRUE(isSigned);
  EXPECT_EQ(i, 9);
}

TEST_F(BitCounts, FractionBitsAndCeilLog2) {
  EXPECT_EQ(FractionBitsNeeded(0.375, 53), 3);
  EXPECT_EQ(FractionBitsNeeded(-2.5, 53), 1);
  EXPECT_EQ(FractionBitsNeeded(3.0, 53), 0);
  EXPECT_EQ(FractionBitsNeeded(0.375, 1), 1);
  EXPECT_EQ(FractionBitsNeeded(0.375, 2), 2);  // capped
  EXPECT_EQ(FractionBitsNeeded(0.1, 10), 10);
  EXPECT_EQ(FractionBitsNeeded(std::nan(""), 40), 40);
  EXPECT_EQ(CeilLog2(0), 1);
  EXPECT_EQ(CeilLog2(1), 1);
  EXPECT_EQ(CeilLog2(2), 1);
  EXPECT_EQ(CeilLog2(3), 2);
  EXPECT_EQ(CeilLog2(-8), 3);
  EXPECT_EQ(CeilLog2(0.25), -2);
}

TEST_F(BitCounts, SequencesTakeTheLargestCounts) {
  bool isSigned = false;
  int i = 0;
  int f = 0;
  EXPECT_TRUE(BitsForValues(std::vector<double>{0.75, 5}, false, isSigned, i, f, 53, true));
  EXPECT_EQ(i, 3);
  EXPECT_EQ(f, 2);
  EXPECT_FALSE(isSigned);
  // A negative value anywhere makes every count signed.
  EXPECT_TRUE(BitsForValues(std::vector<double>{5, -1}, false, isSigned, i, f, 53, true));
  EXPECT_TRUE(isSigned);
  EXPECT_EQ(i, 4);
  EXPECT_FALSE(BitsForValues(std::vector<double>{100, 0.1}, false, isSigned, i, f, 16, false));
  EXPECT_EQ(i, 7);
  EXPECT_EQ(f, 9);  // cut to the budget
  EXPECT_TRUE(BitsForTwoSequences(std::vector<double>{1.5}, std::vector<double>{-4}, false,
                                  isSigned, i, f, 53, true));
  EXPECT_TRUE(isSigned);
  EXPECT_EQ(i, 3);
  EXPECT_EQ(f, 1);
}

TEST_F(BitCounts, ExtraSignBitSettingIsReadOnce) {
  bool isSigned = false;
  int i = 0;
  int f = 0;
  ForgetExtraSignBitSetting();
  host.SetSetting("DR::951871", true);
  // -127.5 needs 8 + 1 bits: over a budget of 8 without the setting.
  EXPECT_TRUE(BitsForValue(-127.5, false, isSigned, i, f, 8, false));
  EXPECT_EQ(i, 8);
  EXPECT_EQ(f, 1);
  host.SetSetting("DR::951871", false);
  EXPECT_TRUE(BitsForValue(-127.5, false, isSigned, i, f, 8, false));  // still on
  ForgetExtraSignBitSetting();
  EXPECT_FALSE(BitsForValue(-127.5, false, isSigned, i, f, 8, false));
  ForgetExtraSignBitSetting();
}

TEST_F(BitCounts, TotalAndFractionBits) {
  int total = 0;
  int fraction = 0;
  EXPECT_TRUE(TotalAndFractionBits(-7.5, total, fraction, 53, true));
  EXPECT_EQ(total, 5);
  EXPECT_EQ(fraction, 1);
}

TEST_F(RawCodes, SignedEightFour) {
  const CQuantizer q = Make(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);
  EXPECT_EQ(q.ValueOfRawCode(0x18), 1.5);
  EXPECT_EQ(q.ValueOfRawCode(0xF8), -0.5);
  EXPECT_EQ(q.ValueOfRawCode(0x80), -8.0);
  EXPECT_EQ(q.ValueOfRawCode(0x7F), 127.0 / 16);
  EXPECT_EQ(q.ValueOfRawCode(0), 0.0);
  try {
    q.ValueOfRawCode(0x100);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid value sent to num2bin");
  }
}

TEST_F(RawCodes, UnsignedAndWideWords) {
  EXPECT_EQ(Make(kTypeUFixed, kOverflowWrap, kRoundFloor, 8, 4).ValueOfRawCode(0xF8), 15.5);
  const CQuantizer w32 = Make(kTypeFixed, kOverflowWrap, kRoundFloor, 32, 0);
  EXPECT_EQ(w32.ValueOfRawCode(0xFFFFFFFFu), -1.0);
  const CQuantizer w40 = Make(kTypeFixed, kOverflowWrap, kRoundFloor, 40, 8);
  EXPECT_EQ(w40.ValueOfRawCode(0xFFFFFFFFu), 4294967295.0 / 256);
}

TEST_F(ValueTables, SignedThreeBitsInCodeOrder) {
  std::vector<double> out{99, 99, 99};
  Make(kTypeFixed, kOverflowWrap, kRoundFloor, 3, 0).EnumerateValues(out);
  EXPECT_EQ(out, (std::vector<double>{0, 1, 2, 3, -4, -3, -2, -1}));
}

TEST_F(ValueTables, UnsignedByRepeatedAddition) {
  std::vector<double> out;
  Make(kTypeUFixed, kOverflowWrap, kRoundFloor, 3, 1).EnumerateValues(out);
  EXPECT_EQ(out, (std::vector<double>{0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5}));
}

TEST_F(ValueTables, IllFormedQuantizersNeverWritePastTheTable) {
  CQuantizer q = Make(kTypeFixed, kOverflowWrap, kRoundFloor, 4, 0);
  q.SetFromHeader("fixed wrap floor [2 0]");  // range of 4 bits, table of 2 bits
  std::vector<double> out;
  q.EnumerateValues(out);
  EXPECT_EQ(out, (std::vector<double>{0, 1, 2, 3}));
  q.SetFractionalLength(2000);  // a zero step
  q.EnumerateValues(out);
  EXPECT_EQ(out.size(), 4u);
}

TEST_F(ValueTables, TooLargeATableIsRefused) {
  CQuantizer q = Make(kTypeFixed, kOverflowWrap, kRoundFloor, 40, 0);
  std::vector<double> out{1.0};
  try {
    q.EnumerateValues(out);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("word length 40"), std::string::npos) << e.what();
  }
  EXPECT_EQ(out, std::vector<double>{1.0});
  q.SetWordLength(-1);
  EXPECT_THROW(q.EnumerateValues(out), std::runtime_error);
  q.SetWordLength(CQuantizer::kMaxEnumeratedWordLength + 1);
  EXPECT_THROW(q.EnumerateValues(out), std::runtime_error);
}

TEST_F(ValueTables, ToBinaryHasASignDigit) {
  std::vector<bool> out;
  Make(kTypeFixed, kOverflowWrap, kRoundFloor, 6, 2).ToBinary(-0.25, out);
  EXPECT_EQ(out, (std::vector<bool>{1, 1, 1, 1, 1, 1}));
  Make(kTypeFixed, kOverflowWrap, kRoundFloor, 4, 0).ToBinary(-8, out);
  EXPECT_EQ(out, (std::vector<bool>{1, 0, 0, 0}));
  CQuantizer negativeBits = Make(kTypeUFixed, kOverflowWrap, kRoundFloor, 4, 0);
  negativeBits.SetFractionalLength(6);
  negativeBits.ToBinary(0.5, out);
  EXPECT_EQ(out.size(), 7u);  // no integer digits: sign plus six fraction digits
}

TEST_F(IntegerRounding, ThroughFiftyThreeBitQuantizers) {
  EXPECT_EQ(RoundToInteger(-2.5, false), -3.0);
  EXPECT_EQ(RoundToInteger(2.5, false), 3.0);
  EXPECT_EQ(RoundToInteger(-2.4, false), -2.0);
  EXPECT_EQ(RoundToInteger(-2.5, true), -2.0);
  EXPECT_EQ(RoundToInteger(2.5, true), 3.0);
  EXPECT_EQ(RoundToIntegerConvergent(2.5), 2.0);
  EXPECT_EQ(RoundToIntegerConvergent(3.5), 4.0);
  EXPECT_EQ(RoundToIntegerFix(-2.9), -2.0);
  EXPECT_EQ(RoundToIntegerFix(std::ldexp(1.0, 52)), -std::ldexp(1.0, 52));
  EXPECT_EQ(RoundToIntegerFix(std::ldexp(1.0, 52) - 1), std::ldexp(1.0, 52) - 1);
}

}  // namespace
