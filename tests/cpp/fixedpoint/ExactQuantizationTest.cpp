// Quantization decided exactly: the places where rounding in doubles used to
// give a value no format holds (a sum that rounds onto a tie, a scaling that
// overflows, a wrap that leaves the range), each through Quantize and through
// QuantizeInPlace.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "fixedpoint/FixedPointTestHost.h"
#include "fixedpoint/Quantizer.h"

namespace {

using ExactRounding = QuantizerHostTest;
using ExactWrapping = QuantizerHostTest;
using ExactRange = QuantizerHostTest;

const int kAllRoundModes[] = {kRoundFloor, kRoundRound, kRoundNearest,
                              kRoundCeil,  kRoundFix,   kRoundConvergent};

std::uint64_t BitsOf(double x) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

// Quantize and QuantizeInPlace agree on x and give expected (zeros by sign).
void ExpectQuantizes(const CQuantizer& q, double x, double expected) {
  const double single = q.Quantize(x);
  std::vector<double> many{x, x, x};
  q.QuantizeInPlace(many);
  EXPECT_EQ(BitsOf(single), BitsOf(expected))
      << q.ToTclText() << " x = " << x << ": Quantize " << single << ", expected " << expected;
  for (double v : many) {
    EXPECT_EQ(BitsOf(v), BitsOf(expected)) << q.ToTclText() << " x = " << x << ": in place " << v;
  }
}

TEST_F(ExactRounding, JustBelowATieRoundsDown) {
  const double belowHalf = std::nextafter(0.5, 0.0);  // 0.49999999999999994
  for (int mode : {kRoundNearest, kRoundRound}) {
    const CQuantizer q(kTypeFixed, kOverflowSaturate, mode, 2, 0);
    ExpectQuantizes(q, belowHalf, 0.0);
    ExpectQuantizes(q, 0.5, 1.0);
    ExpectQuantizes(q, -belowHalf, 0.0);
    ExpectQuantizes(q, -0.5, 0.0);
    ExpectQuantizes(q, std::nextafter(-0.5, -1.0), -1.0);
  }
  // The same one ulp below a tie at F = 4, and for convergent.
  const double tie = 3.5 / 16;
  const CQuantizer nearest(kTypeFixed, kOverflowWrap, kRoundNearest, 8, 4);
  ExpectQuantizes(nearest, std::nextafter(tie, 0.0), 3.0 / 16);
  ExpectQuantizes(nearest, tie, 4.0 / 16);
  const CQuantizer convergent(kTypeFixed, kOverflowWrap, kRoundConvergent, 8, 4);
  ExpectQuantizes(convergent, std::nextafter(tie, 1.0), 4.0 / 16);
  ExpectQuantizes(convergent, std::nextafter(2.5 / 16, 1.0), 3.0 / 16);
  ExpectQuantizes(convergent, 2.5 / 16, 2.0 / 16);
}

TEST_F(ExactRounding, NoFalseTiesInWideFormatsAndQuantizingIsIdempotent) {
  const double odd = 7798398798830919.0;  // above 2^52: already on the grid
  const CQuantizer q(kTypeUFixed, kOverflowSaturate, kRoundNearest, 53, 0);
  ExpectQuantizes(q, odd, odd);
  for (int mode : kAllRoundModes) {
    for (int wl : {53, 54, 60, 64}) {
      const CQuantizer w(kTypeUFixed, kOverflowSaturate, mode, wl, 0);
      std::mt19937_64 random(static_cast<unsigned>(wl * 10 + mode));
      std::uniform_real_distribution<double> spread(0.0, std::ldexp(1.0, 53));
      for (int i = 0; i < 200; ++i) {
        const double x = spread(random);
        const double once = w.Quantize(x);
        EXPECT_EQ(w.Quantize(once), once) << w.ToTclText() << " x = " << x;
      }
    }
  }
}

TEST_F(ExactRounding, ZeroResultsKeepTheirSigns) {
  // floor, ceil, fix and convergent keep the sign of the input; round and
  // nearest give +0.
  const double tiny = -0.25;
  for (int mode : {kRoundCeil, kRoundFix, kRoundConvergent}) {
    ExpectQuantizes(CQuantizer(kTypeFixed, kOverflowWrap, mode, 8, 0), tiny, -0.0);
  }
  for (int mode : {kRoundRound, kRoundNearest}) {
    ExpectQuantizes(CQuantizer(kTypeFixed, kOverflowWrap, mode, 8, 0), tiny, 0.0);
    ExpectQuantizes(CQuantizer(kTypeFixed, kOverflowWrap, mode, 8, 0), -0.0, 0.0);
  }
  ExpectQuantizes(CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 0), -0.0, -0.0);
}

TEST_F(ExactRounding, ExtremeFractionalLengthsStayExact) {
  const double tiny = std::numeric_limits<double>::denorm_min();
  // Steps of 8: a scaled value that underflows to zero still rounds by its sign.
  CQuantizer coarse(kTypeFixed, kOverflowSaturate, kRoundCeil, 16, 0);
  coarse.SetFractionalLength(-3);
  ExpectQuantizes(coarse, tiny, 8.0);
  ExpectQuantizes(coarse, -tiny, -0.0);
  coarse.SetRoundMode(kRoundFloor);
  ExpectQuantizes(coarse, -tiny, -8.0);
  ExpectQuantizes(coarse, tiny, 0.0);
  // A grid of 2^-1073, finer than the normal doubles: 2^F is no double, the
  // subnormals still round onto it.
  const CQuantizer fine(kTypeUFixed, kOverflowSaturate, kRoundCeil, 1080, 1073);
  ExpectQuantizes(fine, 3 * tiny, 4 * tiny);
  ExpectQuantizes(fine, 1.5, 1.5);
  const CQuantizer fineFloor(kTypeUFixed, kOverflowSaturate, kRoundFloor, 1080, 1073);
  ExpectQuantizes(fineFloor, 3 * tiny, 2 * tiny);
}

TEST_F(ExactWrapping, FiniteInputNeverGivesNaN) {
  for (int mode : kAllRoundModes) {
    const CQuantizer q(kTypeFixed, kOverflowWrap, mode, 2, 1);
    ExpectQuantizes(q, DBL_MAX, 0.0);
    ExpectQuantizes(q, -DBL_MAX, 0.0);
    ExpectQuantizes(q, std::ldexp(1.0, 1023) + std::ldexp(1.0, 971), 0.0);
    const CQuantizer saturate(kTypeFixed, kOverflowSaturate, mode, 2, 1);
    ExpectQuantizes(saturate, DBL_MAX, 0.5);
    ExpectQuantizes(saturate, -DBL_MAX, -1.0);
  }
  // Wide fraction, huge values: the scaled value overflows, the value itself
  // is on the grid.
  const CQuantizer wide(kTypeUFixed, kOverflowWrap, kRoundNearest, 64, 40);
  ExpectQuantizes(wide, std::ldexp(1.0, 1000) + std::ldexp(1.0, 960), 0.0);
  ExpectQuantizes(wide, std::ldexp(3.0, 990) + 0.0, 0.0);
}

TEST_F(ExactWrapping, HugeNegativeValuesWrapIntoTheRange) {
  const CQuantizer q(kTypeUFixed, kOverflowWrap, kRoundFloor, 16, 0);
  ExpectQuantizes(q, -9.8017020670674456e+20, 0.0);
  ExpectQuantizes(q, -(std::ldexp(1.0, 60) + 3072.0), 65536.0 - 3072);
  const CQuantizer s(kTypeFixed, kOverflowWrap, kRoundFloor, 16, 0);
  ExpectQuantizes(s, -(std::ldexp(1.0, 60) + std::ldexp(1.0, 15)), -32768.0);
  ExpectQuantizes(s, std::ldexp(1.0, 60) + std::ldexp(1.0, 15), -32768.0);
}

TEST_F(ExactWrapping, SixtyThreeBitMaximumIsNotRoundedUp) {
  const CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 63, 0);
  EXPECT_LT(q.GetMaxValue(), std::ldexp(1.0, 62));
  EXPECT_EQ(q.GetMaxValue(), std::ldexp(1.0, 62) - 512);  // the largest double below 2^62
  ExpectQuantizes(q, std::ldexp(1.0, 62), -std::ldexp(1.0, 62));
  ExpectQuantizes(q, std::ldexp(1.0, 62) - 512, std::ldexp(1.0, 62) - 512);
  const CQuantizer saturate(kTypeFixed, kOverflowSaturate, kRoundFloor, 63, 0);
  ExpectQuantizes(saturate, std::ldexp(1.0, 62), std::ldexp(1.0, 62) - 512);
}

TEST_F(ExactWrapping, ResultsThatNoDoubleHoldsStayInside) {
  // -2^-64 wraps to 1 - 2^-64 in ufixed 64/64, which is not a double: the
  // result is the largest double below it, never 1.
  const CQuantizer q(kTypeUFixed, kOverflowWrap, kRoundFloor, 64, 64);
  const double below = std::nextafter(1.0, 0.0);
  EXPECT_EQ(q.GetMaxValue(), below);
  ExpectQuantizes(q, -std::ldexp(1.0, -64), below);
  ExpectQuantizes(q, -std::ldexp(1.0, -53), below);
  ExpectQuantizes(q, -std::ldexp(1.0, -52), 1.0 - std::ldexp(1.0, -52));
  ExpectQuantizes(q, -1.0, 0.0);
}

TEST_F(ExactRange, EveryResultIsInsideItsFormat) {
  std::mt19937_64 random(2026);
  std::uniform_int_distribution<int> exponent(-80, 120);
  std::uniform_real_distribution<double> mantissa(-2.0, 2.0);
  std::vector<double> values(4001);
  for (double& v : values) {
    v = std::ldexp(mantissa(random), exponent(random));
  }
  for (int type : {kTypeFixed, kTypeUFixed}) {
    for (int wl : {8, 31, 52, 53, 54, 63, 64}) {
      for (int fl : {0, wl / 2, wl - 1, wl}) {
        if (type == kTypeFixed && fl == wl) {
          continue;
        }
        for (int mode : kAllRoundModes) {
          const CQuantizer q(type, kOverflowWrap, mode, wl, fl);
          std::vector<double> out = values;
          q.QuantizeInPlace(out);
          for (std::size_t i = 0; i < out.size(); ++i) {
            ASSERT_TRUE(out[i] >= q.GetMinValue() && out[i] <= q.GetMaxValue())
                << q.ToTclText() << " x = " << values[i] << " gives " << out[i];
            ASSERT_EQ(BitsOf(out[i]), BitsOf(q.Quantize(values[i])))
                << q.ToTclText() << " x = " << values[i];
          }
        }
      }
    }
  }
}

TEST_F(ExactRange, WideLimitsAreTheLargestDoublesInside) {
  EXPECT_EQ(CQuantizer(kTypeUFixed, kOverflowWrap, kRoundFloor, 64, 0).GetMaxValue(),
            std::ldexp(1.0, 64) - 2048);
  EXPECT_EQ(CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 64, 32).GetMaxValue(),
            std::ldexp(1.0, 31) - std::ldexp(1.0, -22));
  EXPECT_EQ(CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 64, 32).GetMinValue(),
            -std::ldexp(1.0, 31));
  // Up to 53 value bits the limit is exact, as before.
  EXPECT_EQ(CQuantizer(kTypeUFixed, kOverflowWrap, kRoundFloor, 53, 3).GetMaxValue(),
            std::ldexp(1.0, 50) - 0.125);
  EXPECT_EQ(CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 16, 15).GetMaxValue(),
            1.0 - std::ldexp(1.0, -15));
}

}  // namespace
