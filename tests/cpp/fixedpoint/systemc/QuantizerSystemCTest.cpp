// CQuantizer against SystemC's fixed-point types (sc_fix/sc_ufix with
// run-time parameters), value by value: word lengths 1..64, fractional
// lengths 0, WL/2, WL-1 and WL, every mode pair SystemC has, random and edge
// values. Where SystemC's exact result is a double the two must agree; where
// it is not (formats of more than 53 value bits), the quantizer must give the
// largest double below it, and the cases are counted and shown.
//
// Modes: floor = SC_TRN, fix = SC_TRN_ZERO, convergent = SC_RND_CONV, round
// and nearest = SC_RND, wrap = SC_WRAP, saturate = SC_SAT; ceil has no
// SystemC mode and is -SC_TRN(-x), taken in a format two integer bits wider
// and then cast (wrap and saturation are unchanged by the detour).
#define SC_INCLUDE_FX
#include <gtest/gtest.h>
#include <tcl.h>

#include <systemc.h>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "app/Extension.h"
#include "fixedpoint/Quantizer.h"

namespace {

using Int128 = __int128;

struct ModePair {
  int round;
  int overflow;
};

sc_dt::sc_q_mode SystemCRound(int round) {
  switch (round) {
    case kRoundFloor:
    case kRoundCeil:  // through -floor(-x)
      return sc_dt::SC_TRN;
    case kRoundFix:
      return sc_dt::SC_TRN_ZERO;
    case kRoundConvergent:
      return sc_dt::SC_RND_CONV;
    default:  // round, nearest
      return sc_dt::SC_RND;
  }
}

// SystemC's result as its exact code (the value times 2^fl, an integer),
// read bit by bit: index 0 is the least significant bit.
Int128 CodeOf(const sc_dt::sc_fxnum& value, int wl, bool isSigned) {
  Int128 code = 0;
  for (int i = wl - 1; i >= 0; --i) {
    code = code * 2 + (value[i] ? 1 : 0);
  }
  if (isSigned && value[wl - 1]) {
    code -= Int128{1} << wl;
  }
  return code;
}

// SystemC's quantization of x to the format, as an exact code.
Int128 SystemCCode(double x, bool isSigned, int wl, int fl, ModePair mode) {
  const int iwl = wl - fl;
  const sc_dt::sc_o_mode overflow = mode.overflow == kOverflowWrap ? sc_dt::SC_WRAP : sc_dt::SC_SAT;
  const sc_dt::sc_fxtype_params target(wl, iwl, sc_dt::SC_TRN, overflow);
  if (mode.round == kRoundCeil) {
    const sc_dt::sc_fxtype_params wider(wl + 2, iwl + 2, sc_dt::SC_TRN, overflow);
    const sc_dt::sc_fix floored(-x, wider);
    const sc_dt::sc_fxval ceiled = -floored;
    if (isSigned) {
      return CodeOf(sc_dt::sc_fix(ceiled, target), wl, true);
    }
    return CodeOf(sc_dt::sc_ufix(ceiled, target), wl, false);
  }
  const sc_dt::sc_fxtype_params params(wl, iwl, SystemCRound(mode.round), overflow);
  if (isSigned) {
    return CodeOf(sc_dt::sc_fix(x, params), wl, true);
  }
  return CodeOf(sc_dt::sc_ufix(x, params), wl, false);
}

// True when the code is a double: 53 significant bits or fewer.
bool FitsDouble(Int128 code) {
  if (code == 0) {
    return true;
  }
  unsigned __int128 magnitude = code < 0 ? -static_cast<unsigned __int128>(code) : code;
  while ((magnitude & 1) == 0) {
    magnitude >>= 1;
  }
  return magnitude < (static_cast<unsigned __int128>(1) << 53);
}

// The code of a double on the grid of 2^-fl (exact: the double is integral
// after the scaling and below 2^65).
Int128 CodeOfDouble(double v, int fl) {
  return static_cast<Int128>(std::ldexp(v, fl));
}

std::string CodeText(Int128 code) {
  const bool negative = code < 0;
  unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(code) : code;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  return (negative ? "-" : "") + digits;
}

// Edge values of a format: zeros, ties and one ulp either side, the limits
// and one LSB beyond, spans, huge and tiny values.
std::vector<double> EdgeValues(const CQuantizer& q) {
  const int fl = q.GetFractionalLength();
  const double lsb = std::ldexp(1.0, -fl);
  std::vector<double> v = {0.0,
                           -0.0,
                           DBL_MAX,
                           -DBL_MAX,
                           1e300,
                           -1e300,
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::denorm_min(),
                           1e-300,
                           -1e-300,
                           std::ldexp(1.0, 53) + 2,
                           -std::ldexp(1.0, 53) - 2,
                           std::ldexp(1.0, 64),
                           -std::ldexp(1.0, 64),
                           std::ldexp(1.0, 70) * 3,
                           -9.8017020670674456e+20,
                           q.GetMaxValue(),
                           q.GetMinValue(),
                           q.GetHalfSpan(),
                           -q.GetHalfSpan(),
                           q.GetSpan(),
                           -q.GetSpan()};
  for (double limit : {q.GetMaxValue(), q.GetMinValue()}) {
    v.push_back(limit + lsb);
    v.push_back(limit - lsb);
    v.push_back(limit + 0.5 * lsb);
    v.push_back(limit - 0.5 * lsb);
  }
  for (int k : {-3, -2, -1, 0, 1, 2, 5}) {
    const double tie = (k + 0.5) * lsb;
    for (double t : {tie, -tie, tie + q.GetHalfSpan(), tie - q.GetHalfSpan()}) {
      v.push_back(t);
      v.push_back(std::nextafter(t, -DBL_MAX));
      v.push_back(std::nextafter(t, DBL_MAX));
    }
  }
  v.push_back(0.25 * lsb);
  v.push_back(-0.25 * lsb);
  return v;
}

// Random values around the format: uniform over four spans, and mantissas
// at exponents from well below the LSB to well above the range.
std::vector<double> RandomValues(const CQuantizer& q, std::size_t n, std::mt19937_64& random) {
  const int fl = q.GetFractionalLength();
  const int p = q.GetWordLength() - fl;
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-fl - 4, p + 12);
  std::vector<double> v(n);
  for (std::size_t i = 0; i < n; ++i) {
    v[i] =
        i % 2 == 0 ? 2.0 * q.GetSpan() * unit(random) : std::ldexp(unit(random), exponent(random));
  }
  return v;
}

// The cases whose exact result is no double, by type and overflow mode.
struct Tally {
  long cases = 0;
  long notDouble[2][2] = {};  // [signed][saturate]
  long NotDouble() const {
    return notDouble[0][0] + notDouble[0][1] + notDouble[1][0] + notDouble[1][1];
  }
};

void CompareFormat(const CQuantizer& q, ModePair mode, const std::vector<double>& values,
                   Tally& tally) {
  const bool isSigned = q.IsSigned();
  const int wl = q.GetWordLength();
  const int fl = q.GetFractionalLength();
  std::vector<double> inPlace = values;
  q.QuantizeInPlace(inPlace);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double x = values[i];
    const double ours = q.Quantize(x);
    ASSERT_EQ(std::memcmp(&ours, &inPlace[i], sizeof ours), 0)
        << q.ToTclText() << " x = " << x << ": Quantize " << ours << ", in place " << inPlace[i];
    const Int128 theirs = SystemCCode(x, isSigned, wl, fl, mode);
    ++tally.cases;
    if (FitsDouble(theirs)) {
      const double expected = std::ldexp(static_cast<double>(theirs), -fl);
      ASSERT_EQ(ours, expected) << q.ToTclText() << " x = " << x << " (" << std::hexfloat << x
                                << std::defaultfloat << "): ours " << ours << ", SystemC "
                                << expected;
      continue;
    }
    // No double holds SystemC's value: ours is the largest double below it.
    long& count = tally.notDouble[isSigned ? 1 : 0][mode.overflow == kOverflowSaturate ? 1 : 0];
    ++count;
    const Int128 below = CodeOfDouble(ours, fl);
    const Int128 above = CodeOfDouble(std::nextafter(ours, DBL_MAX), fl);
    ASSERT_TRUE(below < theirs && theirs < above)
        << q.ToTclText() << " x = " << x << ": ours " << ours << ", SystemC code "
        << CodeText(theirs) << " / 2^" << fl;
    if (count <= 3) {
      std::printf(
          "  no double: %-34s x = %-24.17g SystemC %s / 2^%d (its to_double %.17g), "
          "ours %.17g\n",
          q.ToTclText().c_str(), x, CodeText(theirs).c_str(), fl,
          std::ldexp(static_cast<double>(theirs), -fl), ours);
    }
  }
}

TEST(QuantizerAgainstSystemC, EveryWordLengthAndModePair) {
  const ModePair modes[] = {
      {kRoundFloor, kOverflowWrap},      {kRoundFloor, kOverflowSaturate},
      {kRoundCeil, kOverflowWrap},       {kRoundCeil, kOverflowSaturate},
      {kRoundFix, kOverflowWrap},        {kRoundFix, kOverflowSaturate},
      {kRoundConvergent, kOverflowWrap}, {kRoundConvergent, kOverflowSaturate},
      {kRoundNearest, kOverflowWrap},    {kRoundNearest, kOverflowSaturate},
      {kRoundRound, kOverflowWrap},      {kRoundRound, kOverflowSaturate},
  };
  std::mt19937_64 random(20261210);
  Tally tally;
  long formats = 0;
  for (int type : {kTypeFixed, kTypeUFixed}) {
    for (int wl = 1; wl <= 64; ++wl) {
      std::vector<int> fractions = {0, wl / 2, wl - 1, wl};
      std::sort(fractions.begin(), fractions.end());
      fractions.erase(std::unique(fractions.begin(), fractions.end()), fractions.end());
      for (int fl : fractions) {
        if (type == kTypeFixed && fl == wl) {
          continue;  // no sign bit left
        }
        ++formats;
        for (const ModePair& mode : modes) {
          const CQuantizer q(type, mode.overflow, mode.round, wl, fl);
          std::vector<double> values = EdgeValues(q);
          const std::vector<double> more = RandomValues(q, 150, random);
          values.insert(values.end(), more.begin(), more.end());
          CompareFormat(q, mode, values, tally);
          if (HasFatalFailure()) {
            return;
          }
        }
      }
    }
  }
  std::printf(
      "%ld formats, %ld cases: %ld identical to SystemC; %ld whose exact result is no "
      "double, where ours is the largest double below it: fixed wrap %ld, fixed saturate "
      "%ld, ufixed wrap %ld, ufixed saturate %ld\n",
      formats, tally.cases, tally.cases - tally.NotDouble(), tally.NotDouble(),
      tally.notDouble[1][0], tally.notDouble[1][1], tally.notDouble[0][0], tally.notDouble[0][1]);
  EXPECT_GT(tally.cases, 100000);
}

// The three faults the exact quantizer fixed, as SystemC sees them.
TEST(QuantizerAgainstSystemC, TheNamedExamples) {
  const double belowHalf = std::nextafter(0.5, 0.0);
  EXPECT_EQ(SystemCCode(belowHalf, true, 2, 0, {kRoundNearest, kOverflowSaturate}), 0);
  EXPECT_EQ(CQuantizer(kTypeFixed, kOverflowSaturate, kRoundNearest, 2, 0).Quantize(belowHalf),
            0.0);
  EXPECT_EQ(SystemCCode(DBL_MAX, true, 2, 1, {kRoundFloor, kOverflowWrap}), 0);
  EXPECT_EQ(CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 2, 1).Quantize(DBL_MAX), 0.0);
  const double huge = -9.8017020670674456e+20;
  EXPECT_EQ(SystemCCode(huge, false, 16, 0, {kRoundFloor, kOverflowWrap}), 0);
  EXPECT_EQ(CQuantizer(kTypeUFixed, kOverflowWrap, kRoundFloor, 16, 0).Quantize(huge), 0.0);
  const double twoTo62 = std::ldexp(1.0, 62);
  const Int128 wrapped = SystemCCode(twoTo62, true, 63, 0, {kRoundFloor, kOverflowWrap});
  EXPECT_EQ(static_cast<double>(wrapped), -twoTo62);
  EXPECT_EQ(CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 63, 0).Quantize(twoTo62), -twoTo62);
}

}  // namespace

// SystemC's library brings main() and calls this. The quantizer asks its
// host for the project's defaults: the extension is loaded into an
// interpreter first, as the shell does.
int sc_main(int argc, char* argv[]) {
  Tcl_FindExecutable(argv[0]);
  Tcl_Interp* const interp = Tcl_CreateInterp();
  if (Reportapp_Init(interp) != TCL_OK) {
    std::fprintf(stderr, "cannot load the extension: %s\n", Tcl_GetStringResult(interp));
    return 2;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
