#include "summary/SvgWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

namespace {

bool IsRoundStep(double step) {
  const double magnitude = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double multiple = step / magnitude;
  return std::fabs(multiple - 1) < 1e-9 || std::fabs(multiple - 2) < 1e-9 ||
         std::fabs(multiple - 5) < 1e-9;
}

}  // namespace

TEST(SvgTicks, RoundNumbersInsideTheRange) {
  EXPECT_EQ(RoundTicks(0, 10, 5).values, (std::vector<double>{0, 5, 10}));
  const CTicks ticks = RoundTicks(0, 10, 6);
  EXPECT_EQ(ticks.step, 2);
  EXPECT_EQ(ticks.values, (std::vector<double>{0, 2, 4, 6, 8, 10}));
  const CTicks signedWord = RoundTicks(-128, 127.99609375, 8);
  EXPECT_EQ(signedWord.step, 50);
  EXPECT_EQ(signedWord.values, (std::vector<double>{-100, -50, 0, 50, 100}));
  const CTicks small = RoundTicks(0.0011, 0.0093, 5);
  EXPECT_DOUBLE_EQ(small.step, 0.002);
  ASSERT_EQ(small.values.size(), 4u);
  EXPECT_DOUBLE_EQ(small.values[0], 0.002);
  const CTicks around = RoundTicks(-0.3, 0.3, 7);
  ASSERT_EQ(around.values.size(), 7u);
  EXPECT_EQ(around.values[3], 0.0) << "zero exactly, never 1e-17";
  EXPECT_FALSE(std::signbit(around.values[3])) << "never -0";
  EXPECT_EQ(RoundTicks(7, 7, 5).values, (std::vector<double>{7}));
}

TEST(SvgTicks, AnyRangeGetsFewRoundTicksInside) {
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> exponent(-6, 12);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int n = 0; n < 2000; ++n) {
    const double scale = std::pow(10.0, exponent(random));
    double lo = unit(random) * scale;
    double hi = lo + std::fabs(unit(random)) * scale + scale * 1e-3;
    const int maxTicks = 2 + n % 10;
    const CTicks ticks = RoundTicks(lo, hi, maxTicks);
    ASSERT_TRUE(IsRoundStep(ticks.step)) << ticks.step;
    ASSERT_LE(ticks.values.size(), static_cast<std::size_t>(maxTicks)) << lo << " " << hi;
    ASSERT_GE(ticks.values.size(), static_cast<std::size_t>(maxTicks) / 5) << lo << " " << hi;
    for (const double value : ticks.values) {
      ASSERT_GE(value, lo - ticks.step * 1e-9);
      ASSERT_LE(value, hi + ticks.step * 1e-9);
      const double multiple = value / ticks.step;
      ASSERT_NEAR(multiple, std::round(multiple), 1e-6);
    }
  }
}

TEST(SvgTicks, WholeTicksForRecordNumbers) {
  EXPECT_EQ(WholeTicks(2, 5, 10).values, (std::vector<double>{2, 3, 4, 5}));
  EXPECT_EQ(WholeTicks(2, 5, 10).step, 1);
  const CTicks many = WholeTicks(2, 10'000'001, 10);
  EXPECT_EQ(many.step, 1'000'000);
  EXPECT_EQ(many.values.front(), 1'000'000);
  EXPECT_EQ(many.values.back(), 10'000'000);
}

TEST(SvgTicks, LabelsShowTheDigitsTheStepNeeds) {
  EXPECT_EQ(FormatTick(0.5, 0.5), "0.5");
  EXPECT_EQ(FormatTick(-0.25, 0.05), "-0.25");
  EXPECT_EQ(FormatTick(-100, 50), "-100");
  EXPECT_EQ(FormatTick(1'000'000, 500'000), "1,000,000");
  EXPECT_EQ(FormatTick(0, 0.001), "0");
  EXPECT_EQ(FormatTick(1.5e10, 5e9), "1.5e+10");
  EXPECT_EQ(FormatTick(1.8e19, 2e18), "1.8e+19");
  EXPECT_EQ(FormatNumber(-1.0 / 256), "-0.00390625");
  EXPECT_EQ(FormatNumber(-32768), "-32,768");
  EXPECT_EQ(FormatNumber(18446744073709551615.0), "1.84467e+19");
  EXPECT_EQ(FormatCount(1234567), "1,234,567");
  EXPECT_EQ(FormatCount(999), "999");
  EXPECT_EQ(FormatCoordinate(12.34), "12.3");
  EXPECT_EQ(FormatCoordinate(3.96), "4");
  EXPECT_EQ(FormatCoordinate(-0.44), "-0.4");
  EXPECT_EQ(FormatCoordinate(-7.25), "-7.3");
}

TEST(SvgWriting, EveryTextAndAttributeIsEscaped) {
  const std::string hostile = "<b a=\"1\">&'x'\x01";
  CSvgWriter svg(100, 50, CSvgWriter::Attribute("class", hostile));
  svg.Title(hostile);
  svg.Text(1, 2, hostile, CSvgWriter::Attribute("fill", hostile));
  svg.RectWithTitle(0, 0, 10, 10, hostile);
  svg.Path("M0 0" + hostile);
  const CLinearScale scale(0, 1, 40, 0);
  svg.LeftAxis(10, scale, RoundTicks(0, 1, 3), 90, hostile);
  svg.BottomAxis(45, CLinearScale(0, 1, 10, 90), RoundTicks(0, 1, 3), hostile);
  const std::string text = svg.Finish();
  EXPECT_EQ(text.find("<b"), std::string::npos);
  EXPECT_EQ(text.find("'x'"), std::string::npos);
  EXPECT_EQ(text.find('\x01'), std::string::npos);
  EXPECT_EQ(text.find("a=\"1\""), std::string::npos);
  const std::string escaped = "&lt;b a=&quot;1&quot;&gt;&amp;&#39;x&#39;\\x01";
  std::size_t count = 0;
  for (std::size_t at = text.find(escaped); at != std::string::npos;
       at = text.find(escaped, at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 8u);
  EXPECT_EQ(text.rfind("</svg>"), text.size() - 6);
}

TEST(SvgWriting, ScalesAndEnvelopes) {
  const CLinearScale y(-1, 1, 100, 0);
  EXPECT_EQ(y(-1), 100);
  EXPECT_EQ(y(1), 0);
  EXPECT_EQ(y(0), 50);
  EXPECT_EQ(CLinearScale(3, 3, 0, 10)(3), 0) << "an empty domain maps to the range start";
  const std::vector<CEnvelopePoint> points = {
      {0, 1, 10, 20, true}, {1, 2, 5, 25, true}, {2, 3, 0, 0, false}, {3, 4, 7, 7, true}};
  EXPECT_EQ(EnvelopePath(points), "M0 10H1V5H2V25H1V20H0ZM3 7H4V7H3Z");
  EXPECT_EQ(EnvelopePath({}), "");
}

TEST(SvgPalette, DarkerShadesForLargerShares) {
  EXPECT_EQ(DisagreementLevel(0, 100), -1);
  EXPECT_EQ(DisagreementLevel(1, 1000), 0);
  EXPECT_EQ(DisagreementLevel(3, 100), 1);
  EXPECT_EQ(DisagreementLevel(20, 100), 2);
  EXPECT_EQ(DisagreementLevel(50, 100), 3);
  EXPECT_EQ(DisagreementLevel(99, 100), 4);
  EXPECT_EQ(DisagreementLevel(1, 0), 4);
  EXPECT_EQ(std::string(svg_palette::kDisagreement[4]), "#ff0000") << "the reports' red";
}
