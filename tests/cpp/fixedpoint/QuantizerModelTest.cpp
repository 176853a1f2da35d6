// The quantizer model: name tables, construction, queries, comparisons,
// setters with their range recomputation, words and validation.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "fixedpoint/FixedPointTestHost.h"
#include "fixedpoint/Quantizer.h"

namespace {

using QuantizerConstruction = QuantizerHostTest;
using QuantizerWords = QuantizerHostTest;
using QuantizerValidation = QuantizerHostTest;
using QuantizerRange = QuantizerHostTest;
using QuantizerSetters = QuantizerHostTest;
using QuantizerComparison = QuantizerHostTest;

TEST(QuantizerNames, TablesAndPadding) {
  EXPECT_EQ(TypeName(0), "fixed");
  EXPECT_EQ(TypeName(1), "ufixed");
  EXPECT_EQ(TypeName(3), "float");
  EXPECT_EQ(TypeName(5), "single");
  EXPECT_EQ(TypeName(7), "double");
  EXPECT_EQ(TypeName(8), "");
  EXPECT_EQ(TypeName(-1), "");
  EXPECT_EQ(TypeName(0, true), "fixed ");
  EXPECT_EQ(TypeName(9, true), "");
  EXPECT_EQ(OverflowName(1), "saturate");
  EXPECT_EQ(OverflowName(-1), "");
  EXPECT_EQ(RoundName(1), "round");
  EXPECT_EQ(RoundName(5, true), "convergent ");
  EXPECT_EQ(RoundName(6), "");
  EXPECT_EQ(VdTypeName(1), "vdUnsigned");
  EXPECT_EQ(VdTypeName(2), "");
  EXPECT_EQ(VdOverflowName(0, true), "vdWrap ");
  EXPECT_EQ(VdRoundName(0), "vdTruncate");
  EXPECT_EQ(VdRoundName(1), "");
  EXPECT_EQ(VdRoundName(2), "vdRound");
  EXPECT_EQ(VdRoundName(5), "");
}

TEST_F(QuantizerConstruction, DefaultTakesTheProjectModes) {
  const CQuantizer q;
  EXPECT_EQ(q.GetType(), kTypeUFixed);
  EXPECT_FALSE(q.IsSigned());
  EXPECT_EQ(q.GetWordLength(), 0);
  EXPECT_EQ(q.GetFractionalLength(), 0);
  EXPECT_EQ(q.GetOverflowMode(), kOverflowSaturate);  // the stand-in's default
  EXPECT_EQ(q.GetRoundMode(), kRoundFloor);
  EXPECT_EQ(q.GetMaxValue(), 0.0);
  EXPECT_EQ(q.GetHalfSpan(), 0.0);
  EXPECT_FALSE(q.IsFromData());
  EXPECT_FALSE(q.IsAllZero());
  EXPECT_FALSE(q.IsWide());
}

TEST_F(QuantizerConstruction, ExplicitValidatesAndComputesTheRange) {
  const CQuantizer q(kTypeFixed, kOverflowWrap, kRoundConvergent, 16, 15);
  EXPECT_EQ(q.GetHalfSpan(), 1.0);
  EXPECT_EQ(q.GetSpan(), 2.0);
  EXPECT_EQ(q.GetMaxValue(), 1.0 - std::ldexp(1.0, -15));
  EXPECT_EQ(q.GetMinValue(), -1.0);
  EXPECT_EQ(q.GetRoundMode(), kRoundConvergent);
  EXPECT_EQ(q.GetOverflowMode(), kOverflowWrap);
  EXPECT_EQ(host.Queries("-default_overflow_mode"), 0);  // no project default needed
}

TEST_F(QuantizerConstruction, FromWordsInAnyOrder) {
  const CQuantizer q("wrap", "convergent", "fixed", 12, 4);
  EXPECT_EQ(q.GetType(), kTypeFixed);
  EXPECT_EQ(q.GetOverflowMode(), kOverflowWrap);
  EXPECT_EQ(q.GetRoundMode(), kRoundConvergent);
  EXPECT_EQ(q.GetMaxValue(), 128.0 - 1.0 / 16);
}

TEST_F(QuantizerConstruction, FromWordsKeepsProjectDefaultsForUnnamedCategories) {
  const CQuantizer q("fixed", "ufixed", "fixed", 8, 2);  // no overflow or round word
  EXPECT_EQ(q.GetType(), kTypeFixed);
  EXPECT_EQ(q.GetOverflowMode(), kOverflowSaturate);
  EXPECT_EQ(q.GetRoundMode(), kRoundFloor);
}

TEST_F(QuantizerConstruction, FromWordsRejectsAnUnknownWord) {
  EXPECT_THROW(CQuantizer("fixed", "wrap", "Floor", 8, 2), std::runtime_error);
  EXPECT_EQ(log.Count("DIR-0037"), 1);
}

TEST_F(QuantizerConstruction, HeaderTextAsksTheHostNothing) {
  const CQuantizer q(std::string_view("fixed wrap floor [16 8]"));
  EXPECT_EQ(q.GetType(), kTypeFixed);
  EXPECT_EQ(q.GetWordLength(), 16);
  EXPECT_EQ(q.GetFractionalLength(), 8);
  EXPECT_EQ(q.GetMaxValue(), 0.0);  // nothing recomputed
  EXPECT_EQ(host.VersionQueries(), 0);
  EXPECT_EQ(host.Queries("-default_overflow_mode"), 0);
}

TEST_F(QuantizerConstruction, CopyKeepsEveryField) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);
  q.MarkFromData(true);
  const CQuantizer copy(q);
  EXPECT_EQ(copy, q);
  EXPECT_EQ(copy.GetMaxValue(), q.GetMaxValue());
  EXPECT_TRUE(copy.IsFromData());
  EXPECT_TRUE(copy.IsAllZero());
}

TEST_F(QuantizerWords, EachWordSetsItsField) {
  CQuantizer q(kTypeUFixed, kOverflowWrap, kRoundFloor, 8, 0);
  const double maxBefore = q.GetMaxValue();
  EXPECT_EQ(q.SetFromName("fixed", "", -1), kWordType);
  EXPECT_EQ(q.GetType(), kTypeFixed);
  EXPECT_EQ(q.GetMaxValue(), maxBefore);  // no recomputation
  EXPECT_EQ(q.SetFromName("ufixed", "", -1), kWordType);
  EXPECT_EQ(q.GetType(), kTypeUFixed);
  EXPECT_EQ(q.SetFromName("saturate", "", -1), kWordOverflow);
  EXPECT_EQ(q.GetOverflowMode(), kOverflowSaturate);
  EXPECT_EQ(q.SetFromName("wrap", "", -1), kWordOverflow);
  EXPECT_EQ(q.GetOverflowMode(), kOverflowWrap);
  const struct {
    const char* word;
    int code;
  } rounding[] = {{"floor", 0}, {"ceil", 3}, {"fix", 4}, {"nearest", 2}, {"convergent", 5}};
  for (const auto& r : rounding) {
    EXPECT_EQ(q.SetFromName(r.word, "", -1), kWordRounding) << r.word;
    EXPECT_EQ(q.GetRoundMode(), r.code) << r.word;
  }
  EXPECT_EQ(log.Messages().size(), 0u);
}

TEST_F(QuantizerWords, RoundIsNearestAndWarnsOncePerProcess) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 0);
  EXPECT_EQ(q.SetFromName("round", "", -1), kWordRounding);
  EXPECT_EQ(q.GetRoundMode(), kRoundNearest);
  q.SetRoundMode(kRoundFloor);
  EXPECT_EQ(q.SetFromName("round", "", -1), kWordRounding);
  EXPECT_EQ(q.GetRoundMode(), kRoundNearest);
  const auto messages = log.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].msgId, "QTZ-0040");
  EXPECT_EQ(messages[0].severity, "warning");
  ASSERT_TRUE(messages[0].hasFileInfo);
  EXPECT_EQ(messages[0].fileInfo, std::vector<std::string>{""});  // empty name, no line
}

TEST_F(QuantizerWords, UnknownWordIsAnErrorNamingWordFileAndLine) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 0);
  try {
    q.SetFromName("Fixed", "design.m", 12);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Fixed"), std::string::npos) << e.what();
  }
  const auto messages = log.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].msgId, "DIR-0037");
  EXPECT_EQ(messages[0].severity, "error");
  EXPECT_EQ(messages[0].fileInfo, (std::vector<std::string>{"design.m", "12"}));
  EXPECT_EQ(messages[0].params, (std::vector<std::string>{"", "Fixed"}));
  EXPECT_EQ(q.GetType(), kTypeFixed);  // unchanged
}

TEST_F(QuantizerWords, FloatingTypeWordsAreNotAccepted) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 0);
  EXPECT_THROW(q.SetFromName("double", "", -1), std::runtime_error);
  EXPECT_THROW(q.SetFromName("single", "", -1), std::runtime_error);
  EXPECT_THROW(q.SetFromName("float", "", -1), std::runtime_error);
}

TEST_F(QuantizerValidation, SignedNeedsAnIntegerBit) {
  try {
    CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 8);
    FAIL() << "no error";
  } catch (const std::runtime_error&) {
  }
  const auto messages = log.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].msgId, "DIR-0038");
  EXPECT_FALSE(messages[0].hasFileInfo);  // no file name given
  EXPECT_EQ(messages[0].params, (std::vector<std::string>{"", "fixed floor wrap {8 8}"}));

  const CQuantizer unsignedQ(kTypeUFixed, kOverflowWrap, kRoundFloor, 8, 8);
  EXPECT_EQ(unsignedQ.GetMaxValue(), 1.0 - 1.0 / 256);
  EXPECT_EQ(unsignedQ.GetMinValue(), 0.0);
}

TEST_F(QuantizerValidation, RejectsEachMalformedShape) {
  EXPECT_THROW(CQuantizer(kTypeUFixed, kOverflowWrap, kRoundFloor, 0, 0), std::runtime_error);
  EXPECT_THROW(CQuantizer(kTypeUFixed, kOverflowWrap, kRoundFloor, 8, -1), std::runtime_error);
  EXPECT_THROW(CQuantizer(kTypeUFixed, kOverflowWrap, kRoundFloor, 4, 5), std::runtime_error);
  EXPECT_NO_THROW(CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 1, 0));
  EXPECT_EQ(log.Count("DIR-0038"), 3);
}

TEST_F(QuantizerValidation, KeepsTheStoredFieldsAndPassesFileAndLine) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);
  const double maxBefore = q.GetMaxValue();
  q.SetFromName("ufixed", "", -1);
  q.SetWide(true);
  EXPECT_NO_THROW(q.Validate("f.txt", 3));
  EXPECT_FALSE(q.IsWide());  // the range was recomputed
  EXPECT_EQ(q.GetMaxValue(), 16.0 - 1.0 / 16);
  EXPECT_NE(q.GetMaxValue(), maxBefore);
  CQuantizer bad(kTypeUFixed, kOverflowWrap, kRoundFloor, 4, 2);
  bad.SetFractionalLength(6);
  EXPECT_THROW(bad.Validate("f.txt", 3), std::runtime_error);
  EXPECT_EQ(bad.GetFractionalLength(), 6);
  const auto messages = log.Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().fileInfo, (std::vector<std::string>{"f.txt", "3"}));
}

TEST_F(QuantizerRange, IntegerPartStaysZeroForNegativeIntegerBits) {
  CQuantizer q(kTypeUFixed, kOverflowWrap, kRoundFloor, 8, 0);
  q.SetWordLength(4);
  q.SetFractionalLength(6);
  EXPECT_EQ(q.IntegerBits(), -2);
  EXPECT_EQ(q.GetHalfSpan(), 0.25);
  EXPECT_EQ(q.GetMaxValue(), 1.0 - std::ldexp(1.0, -6));
  EXPECT_FALSE(q.IsDegenerate());
}

TEST_F(QuantizerRange, WideFromFiftyThreeBits) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 52, 0);
  EXPECT_FALSE(q.IsWide());
  q.AddWordLength(1);
  EXPECT_TRUE(q.IsWide());
  EXPECT_EQ(q.GetMaxValue(), std::ldexp(1.0, 52) - 1);
  EXPECT_EQ(q.GetMinValue(), -std::ldexp(1.0, 52));
  EXPECT_EQ(q.NumCodes(), std::ldexp(1.0, 53));
  EXPECT_EQ(q.RangeWidth(), std::ldexp(1.0, 53) - 1);
}

TEST_F(QuantizerRange, ExtremeLengthsStayDefined) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 0);
  q.SetWordLength(2000000000);
  q.SetFractionalLength(-2000000000);
  EXPECT_TRUE(std::isinf(q.GetHalfSpan()));
  q.SetWordLength(-2000000000);
  q.SetFractionalLength(2000000000);
  EXPECT_EQ(q.GetHalfSpan(), 0.0);
  EXPECT_EQ(q.GetMaxValue(), 1.0);
}

TEST_F(QuantizerRange, Degenerate) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 2, 0);
  EXPECT_FALSE(q.IsDegenerate());
  q.SetWordLength(1);
  EXPECT_TRUE(q.IsDegenerate());
  q.SetSigned(false);
  EXPECT_FALSE(q.IsDegenerate());
  q.SetWordLength(0);
  EXPECT_TRUE(q.IsDegenerate());
  q.SetWordLength(4);
  q.SetFractionalLength(-1);
  EXPECT_TRUE(q.IsDegenerate());
}

TEST_F(QuantizerSetters, LengthSettersClearFromDataModeSettersDoNot) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);
  const auto marked = [&q]() {
    q.MarkFromData(true);
    return q;
  };
  marked();
  q.SetOverflowMode(kOverflowSaturate);
  EXPECT_TRUE(q.IsFromData());
  q.SetRoundMode(kRoundCeil);
  EXPECT_TRUE(q.IsFromData());
  q.SetSigned(false);
  EXPECT_TRUE(q.IsFromData());
  q.SetType(kTypeFixed);
  EXPECT_FALSE(q.IsFromData());
  marked();
  q.SetWordLength(10);
  EXPECT_FALSE(q.IsFromData());
  marked();
  q.SetIntegerLength(3);
  EXPECT_FALSE(q.IsFromData());
  EXPECT_EQ(q.GetWordLength(), 7);
  marked();
  q.SetFractionalLength(2);
  EXPECT_FALSE(q.IsFromData());
  marked();
  q.SubtractFractionalLength(1);
  EXPECT_EQ(q.GetFractionalLength(), 1);
  EXPECT_FALSE(q.IsFromData());
  q.AddFractionalLength(3);
  EXPECT_EQ(q.GetFractionalLength(), 4);
  q.SubtractWordLength(2);
  EXPECT_EQ(q.GetWordLength(), 5);
  EXPECT_EQ(q.GetMaxValue(), 1.0 - 1.0 / 16);  // fixed 5/4, recomputed
  q.MarkFromData(false);
  EXPECT_FALSE(q.IsAllZero());
}

TEST_F(QuantizerSetters, SetSignedMovesWithinEachPair) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 0);
  const int toSigned[][2] = {{1, 0}, {3, 2}, {5, 4}, {7, 6}, {0, 0}, {8, 8}, {-1, -1}};
  for (const auto& pair : toSigned) {
    q.SetType(pair[0]);
    q.SetSigned(true);
    EXPECT_EQ(q.GetType(), pair[1]) << pair[0];
  }
  const int toUnsigned[][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {7, 7}, {9, 9}};
  for (const auto& pair : toUnsigned) {
    q.SetType(pair[0]);
    q.SetSigned(false);
    EXPECT_EQ(q.GetType(), pair[1]) << pair[0];
  }
  q.SetType(kTypeUDouble);
  q.SetSigned(true);
  EXPECT_TRUE(q.IsSigned());
  EXPECT_EQ(q.GetMinValue(), -128.0);  // recomputed as signed
}

TEST_F(QuantizerSetters, TextGetters) {
  CQuantizer q(kTypeUFixed, kOverflowSaturate, kRoundRound, 8, 0);
  EXPECT_EQ(q.TypeText(), "ufixed");
  EXPECT_EQ(q.TypeText(true), "vdUnsigned");
  EXPECT_EQ(q.OverflowText(true), "vdSaturate");
  EXPECT_EQ(q.RoundText(), "round");
  EXPECT_EQ(q.RoundText(true), "nearest");  // MATLAB 7
  EXPECT_EQ(q.RoundText(true, true), "vdRound");
  EXPECT_EQ(q.RoundText(false, true), "");
  q.SetRoundMode(kRoundFloor);
  EXPECT_EQ(q.RoundText(true, true), "vdTruncate");
}

TEST_F(QuantizerComparison, ComparesCodesAndLengthsOnly) {
  CQuantizer a(kTypeFixed, kOverflowWrap, kRoundFloor, 16, 8);
  const CQuantizer b(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);
  EXPECT_NE(a, b);
  EXPECT_TRUE(a == a);
  // The same codes with a stale range still compare equal.
  CQuantizer stale(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);
  stale.ApplyWordsAndLengths({}, {16, 8}, nullptr, -1);
  stale.SetWide(true);
  CQuantizer staleMax(kTypeFixed, kOverflowWrap, kRoundFloor, 8, 4);
  staleMax.SetFromHeader("fixed wrap floor [16 8]");  // range of 8/4 kept
  EXPECT_NE(staleMax.GetMaxValue(), a.GetMaxValue());
  EXPECT_EQ(staleMax, a);
  EXPECT_EQ(stale, a);
  CQuantizer other = a;
  other.SetOverflowMode(kOverflowSaturate);
  EXPECT_NE(other, a);
  EXPECT_TRUE(other.SameLengths(a));
  other.SetFractionalLength(7);
  EXPECT_FALSE(other.SameLengths(a));
  other = a;
  other.SetRoundMode(kRoundCeil);
  EXPECT_NE(other, a);
  other = a;
  other.SetType(kTypeUFixed);
  EXPECT_NE(other, a);
}

}  // namespace
