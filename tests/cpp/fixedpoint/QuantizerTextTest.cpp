// The quantizer's text forms: Tcl lists and header lines read, and every
// written form byte for byte.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "fixedpoint/FixedPointTestHost.h"
#include "fixedpoint/ProjectDefaults.h"
#include "fixedpoint/Quantizer.h"
#include "host/TclDataObj.h"

namespace {

using QuantizerTclList = QuantizerHostTest;
using QuantizerHeader = QuantizerHostTest;
using QuantizerWriting = QuantizerHostTest;

CQuantizer Fixed16_8() {
  return CQuantizer(kTypeFixed, kOverflowWrap, kRoundFloor, 16, 8);
}

CQuantizer FromList(const std::string& list) {
  const CTclDataObj value(list);
  return CQuantizer(&value, "q.tcl", 4);
}

void ExpectQuantizer(const CQuantizer& q, int type, int overflow, int round, int wl, int fl) {
  EXPECT_EQ(q.GetType(), type);
  EXPECT_EQ(q.GetOverflowMode(), overflow);
  EXPECT_EQ(q.GetRoundMode(), round);
  EXPECT_EQ(q.GetWordLength(), wl);
  EXPECT_EQ(q.GetFractionalLength(), fl);
}

TEST_F(QuantizerTclList, NestedAndFlatListsGiveTheSameQuantizer) {
  ExpectQuantizer(FromList("fixed floor wrap {16 8}"), 0, 0, 0, 16, 8);
  ExpectQuantizer(FromList("fixed floor wrap 16 8"), 0, 0, 0, 16, 8);
  ExpectQuantizer(FromList("16 fixed 8 wrap floor"), 0, 0, 0, 16, 8);  // interleaved
  const CQuantizer q = FromList("ufixed convergent saturate {12 4}");
  ExpectQuantizer(q, 1, 1, 5, 12, 4);
  EXPECT_EQ(q.GetMaxValue(), 256.0 - 1.0 / 16);  // recomputed
}

TEST_F(QuantizerTclList, PartialListsChangeOnlyWhatTheyName) {
  CQuantizer q = Fixed16_8();
  const CTclDataObj lengthOnly("10");
  q.SetFromTclList(&lengthOnly, nullptr, -1);
  ExpectQuantizer(q, 0, 0, 0, 10, 8);
  const CTclDataObj overflowOnly("saturate");
  q.SetFromTclList(&overflowOnly, nullptr, -1);
  ExpectQuantizer(q, 0, 1, 0, 10, 8);
  const CTclDataObj threeIntegers("1 2 3");
  EXPECT_THROW(q.SetFromTclList(&threeIntegers, nullptr, -1), std::runtime_error);
  ExpectQuantizer(q, 0, 1, 0, 10, 8);
}

TEST_F(QuantizerTclList, AbsentValueChangesNothingEmptyListRecomputes) {
  CQuantizer q = Fixed16_8();
  q.SetFromHeader("ufixed wrap floor [8 4]");  // codes changed, range stale
  q.MarkFromData(true);
  q.SetFromTclList(nullptr, nullptr, -1);
  EXPECT_EQ(q.GetMaxValue(), 128.0 - 1.0 / 256);
  EXPECT_TRUE(q.IsFromData());
  const CTclDataObj empty("");
  q.SetFromTclList(&empty, nullptr, -1);
  EXPECT_EQ(q.GetMaxValue(), 16.0 - 1.0 / 16);
  EXPECT_FALSE(q.IsFromData());
  EXPECT_EQ(log.Messages().size(), 0u);
}

TEST_F(QuantizerTclList, ThreeIntegersFailBeforeAnyWord) {
  CQuantizer q = Fixed16_8();
  const CTclDataObj value("ufixed nearest saturate 10 2 3");
  EXPECT_THROW(q.SetFromTclList(&value, "opts.tcl", 9), std::runtime_error);
  ExpectQuantizer(q, 0, 0, 0, 16, 8);
  const auto messages = log.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].msgId, "DIR-0036");
  EXPECT_EQ(messages[0].fileInfo, (std::vector<std::string>{"opts.tcl", "9"}));
}

TEST_F(QuantizerTclList, NestedListTakesShortElementsAsWords) {
  CQuantizer q = Fixed16_8();
  const CTclDataObj value("fixed 16 {8 4}");
  EXPECT_THROW(q.SetFromTclList(&value, "opts.tcl", 2), std::runtime_error);
  EXPECT_EQ(q.GetWordLength(), 8);  // lengths are set before the words
  EXPECT_EQ(q.GetFractionalLength(), 4);
  const auto messages = log.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].msgId, "DIR-0037");
  EXPECT_EQ(messages[0].params, (std::vector<std::string>{"", "16"}));
}

TEST_F(QuantizerTclList, NonIntegerInALengthSubList) {
  CQuantizer q = Fixed16_8();
  const CTclDataObj value("{16 x}");
  EXPECT_THROW(q.SetFromTclList(&value, "opts.tcl", 5), std::runtime_error);
  const auto messages = log.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].msgId, "DIR-0035");
  EXPECT_EQ(messages[0].params, (std::vector<std::string>{"", "16 x"}));
  EXPECT_EQ(messages[0].fileInfo, (std::vector<std::string>{"opts.tcl", "5"}));
}

TEST_F(QuantizerTclList, MalformedListIsAnError) {
  CQuantizer q = Fixed16_8();
  const CTclDataObj value("fixed {wrap");
  EXPECT_THROW(q.SetFromTclList(&value, "opts.tcl", 1), std::runtime_error);
  EXPECT_EQ(log.Count("DIR-0037"), 1);
  ExpectQuantizer(q, 0, 0, 0, 16, 8);
}

TEST_F(QuantizerTclList, ConstructorStartsFromTheProjectDefaults) {
  const CQuantizer q = FromList("fixed {8 2}");
  ExpectQuantizer(q, 0, kOverflowSaturate, kRoundFloor, 8, 2);
}

TEST_F(QuantizerTclList, ToTclListRoundTrips) {
  const CQuantizer q(kTypeUFixed, kOverflowSaturate, kRoundConvergent, 12, 4);
  CTclDataObj target;
  target.MakeList();
  target.AppendElement("first");
  EXPECT_TRUE(q.ToTclList(target));
  EXPECT_EQ(target.GetNumElements(), 2);
  EXPECT_EQ(target.GetElement(1).GetStringValue(), "ufixed convergent saturate {12 4}");
  const CTclDataObj form = target.GetElement(1);
  const CQuantizer back(&form, nullptr, -1);
  EXPECT_EQ(back, q);
  EXPECT_EQ(q.ToTclText(), "{ufixed convergent saturate {12 4}}");
  const CTclDataObj text(q.ToTclText());
  EXPECT_EQ(text.GetNumElements(), 1);
  EXPECT_EQ(text.GetElement(0).GetStringValue(), "ufixed convergent saturate {12 4}");
}

TEST_F(QuantizerHeader, FiveTokens) {
  CQuantizer q;
  q.SetFromHeader("ufixed saturate convergent (12 4)");
  ExpectQuantizer(q, 1, 1, 5, 12, 4);
  q.SetFromHeader("fixed wrap floor [16 8]");
  ExpectQuantizer(q, 0, 0, 0, 16, 8);
  q.SetFromHeader("floor fixed wrap [-3 +2] trailing words ignored");
  EXPECT_EQ(q.GetWordLength(), -3);
  EXPECT_EQ(q.GetFractionalLength(), 2);
  EXPECT_EQ(q.GetMaxValue(), 0.0);  // never recomputed
}

TEST_F(QuantizerHeader, LengthTokensReadTheirLeadingDigits) {
  CQuantizer q;
  q.SetFromHeader("fixed wrap floor [16x 8]");
  EXPECT_EQ(q.GetWordLength(), 16);
  q.SetFromHeader("fixed wrap floor [ 8]");  // two blanks: an empty fourth token
  EXPECT_EQ(q.GetWordLength(), 0);
  EXPECT_EQ(q.GetFractionalLength(), 8);
}

TEST_F(QuantizerHeader, WordErrorLeavesLengthsUnchanged) {
  CQuantizer q = Fixed16_8();
  EXPECT_THROW(q.SetFromHeader("fixed wrap Floor [12 4]"), std::runtime_error);
  EXPECT_EQ(q.GetWordLength(), 16);
  EXPECT_EQ(q.GetFractionalLength(), 8);
  const auto messages = log.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].msgId, "DIR-0037");
  EXPECT_EQ(messages[0].fileInfo, std::vector<std::string>{""});
}

TEST_F(QuantizerHeader, FewerThanFiveFieldsIsAClearErrorThatChangesNothing) {
  CQuantizer q = Fixed16_8();
  for (const char* text : {"", "ufixed", "ufixed wrap floor [12"}) {
    try {
      q.SetFromHeader(text);
      FAIL() << "no error for \"" << text << "\"";
    } catch (const std::runtime_error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("\"" + std::string(text) + "\""), std::string::npos) << message;
      EXPECT_NE(message.find("five"), std::string::npos) << message;
    }
    ExpectQuantizer(q, 0, 0, 0, 16, 8);
  }
  EXPECT_EQ(log.Messages().size(), 0u);
}

TEST_F(QuantizerWriting, QuantizerText) {
  EXPECT_EQ(Fixed16_8().ToQuantizerText(), "quantizer( 'fixed', 'floor', 'wrap', [ 16 8 ] )");
}

TEST_F(QuantizerWriting, DeclarationForms) {
  std::ostringstream plain;
  Fixed16_8().WriteDeclaration(plain, false, false);
  EXPECT_EQ(plain.str(), "quantizer( 'fixed', 'wrap', 'floor', [16, 8] )");
  std::ostringstream korvel;
  Fixed16_8().WriteDeclaration(korvel, false, true);
  EXPECT_EQ(korvel.str(), "korvel_quantizer( \"fixed\", \"wrap\", \"floor\", 16, 8 )");
  std::ostringstream args;
  Fixed16_8().WriteDeclaration(args, true, false);
  EXPECT_EQ(args.str(), "1, 16, 8, 'roundmode', 'floor', 'overflowmode', 'wrap'");
  std::ostringstream korvelArgs;
  CQuantizer(kTypeUFixed, kOverflowSaturate, kRoundCeil, 8, 2)
      .WriteDeclaration(korvelArgs, true, true);
  EXPECT_EQ(korvelArgs.str(), "0, 8, 2, \"roundmode\", \"ceil\", \"overflowmode\", \"saturate\"");
}

TEST_F(QuantizerWriting, IntegersAreDecimalWhateverTheStreamSays) {
  std::ostringstream out;
  out << std::hex << std::showpos;
  Fixed16_8().WriteDeclaration(out, false, false);
  EXPECT_EQ(out.str(), "quantizer( 'fixed', 'wrap', 'floor', [16, 8] )");
}

TEST_F(QuantizerWriting, RoundModeOneUnderBothMatlabVersions) {
  const CQuantizer q(kTypeFixed, kOverflowWrap, kRoundRound, 16, 8);
  std::ostringstream matlab7;
  q.WriteDeclaration(matlab7, true, false);
  EXPECT_EQ(matlab7.str(), "1, 16, 8, 'roundmode', 'nearest', 'overflowmode', 'wrap'");
  EXPECT_EQ(q.ModeIdentifier(), "kv_wrap_nearest");

  host.SetVersion("14");
  ForgetMatlabVersion();
  QueryMatlabVersion();
  ASSERT_TRUE(IsMatlab14());
  std::ostringstream matlab14;
  q.WriteDeclaration(matlab14, true, false);
  EXPECT_EQ(matlab14.str(), "1, 16, 8, 'roundmode', 'round', 'overflowmode', 'wrap'");
  EXPECT_EQ(q.ModeIdentifier(), "kv_wrap_round");
  std::ostringstream declaration;
  q.WriteDeclaration(declaration, false, false);
  EXPECT_EQ(declaration.str(), "quantizer( 'fixed', 'wrap', 'round', [16, 8] )");
  ForgetMatlabVersion();
}

TEST_F(QuantizerWriting, DeclarationNeverSubstitutes) {
  const CQuantizer q(kTypeFixed, kOverflowWrap, kRoundRound, 16, 8);
  std::ostringstream out;
  q.WriteDeclaration(out, false, true);
  EXPECT_EQ(out.str(), "korvel_quantizer( \"fixed\", \"wrap\", \"round\", 16, 8 )");
}

TEST_F(QuantizerWriting, Xml) {
  std::ostringstream level0;
  Fixed16_8().WriteXml(level0, 0);
  EXPECT_EQ(level0.str(),
            "<QuantizerInfo>\n"
            "    <Type>fixed</Type>\n"
            "    <Overflow>wrap</Overflow>\n"
            "    <Rounding>floor</Rounding>\n"
            "    <WordLength>16</WordLength>\n"
            "    <FractionalLength>8</FractionalLength>\n"
            "</QuantizerInfo>\n");
  std::ostringstream level2;
  CQuantizer(kTypeUFixed, kOverflowSaturate, kRoundConvergent, 9, 1).WriteXml(level2, 2);
  EXPECT_EQ(level2.str(),
            "        <QuantizerInfo>\n"
            "            <Type>ufixed</Type>\n"
            "            <Overflow>saturate</Overflow>\n"
            "            <Rounding>convergent</Rounding>\n"
            "            <WordLength>9</WordLength>\n"
            "            <FractionalLength>1</FractionalLength>\n"
            "        </QuantizerInfo>\n");
}

TEST_F(QuantizerWriting, SystemCArguments) {
  const struct {
    int round;
    int overflow;
    const char* text;
  } cases[] = {
      {kRoundFloor, kOverflowWrap, "16, 8, SC_TRN, SC_WRAP "},
      {kRoundRound, kOverflowSaturate, "16, 8, SC_RND, SC_SAT "},
      {kRoundNearest, kOverflowWrap, "16, 8, SC_RND, SC_WRAP "},
      {kRoundCeil, kOverflowWrap, "16, 8, SC_WRAP "},
      {kRoundFix, kOverflowSaturate, "16, 8, SC_SAT "},
      {kRoundConvergent, -1, "16, 8, "},
  };
  for (const auto& c : cases) {
    const CQuantizer q(kTypeFixed, c.overflow, c.round, 16, 8);
    std::ostringstream out;
    EXPECT_EQ(&q.WriteSystemCArgs(out), &out);
    EXPECT_EQ(out.str(), c.text);
  }
}

TEST_F(QuantizerWriting, Identifiers) {
  const CQuantizer q = Fixed16_8();
  EXPECT_EQ(q.FullIdentifier(), "kv_fixed_wrap_floor_16_8");
  EXPECT_EQ(q.TypeIdentifier(), "kv_fixed_16_8");
  EXPECT_EQ(q.ModeIdentifier(), "kv_wrap_floor");
  const CQuantizer u(kTypeUFixed, kOverflowSaturate, kRoundConvergent, 12, 0);
  EXPECT_EQ(u.FullIdentifier(), "kv_ufixed_saturate_convergent_12_0");
}

}  // namespace
