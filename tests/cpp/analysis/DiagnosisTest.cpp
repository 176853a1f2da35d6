// The diagnosis of whole files: per file and per channel, the bits, the
// kept disagreements and the warnings about files probably misread.
#include "analysis/Diagnosis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/FileResult.h"
#include "support/TestSupport.h"
#include "verify/TimingReport.h"

namespace {

struct CDiagnosed {
  CFileDiagnosis diagnosis;
  std::vector<std::string> warnings;  // of the diagnosis, then of the report pass
};

CDiagnosed Diagnose(const std::string& text, const CPlotScale& format) {
  std::string sink;
  COutputBuffer buffer([&sink](std::string_view bytes) { sink.append(bytes); });
  CHtmlReportWriter writer(buffer);
  CLineReader reader(TextSource(text), 64);
  CDiagnosisObserver observer(format);
  CDiagnosed out;
  CTimingReportHooks hooks;
  hooks.observer = &observer;
  std::vector<std::string> passWarnings;
  hooks.warn = [&](const std::string& message) { passWarnings.push_back(message); };
  CClockFigures figures;
  WriteTimingRows(reader, writer, figures, "t.txt", hooks);
  out.diagnosis = observer.Result();
  out.warnings = observer.Warnings("t.txt");
  out.warnings.insert(out.warnings.end(), passWarnings.begin(), passWarnings.end());
  return out;
}

bool Mentions(const std::vector<std::string>& warnings, const std::string& text) {
  for (const std::string& warning : warnings) {
    if (warning.find(text) != std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

TEST(FileDiagnosis, ClassesPerFileAndPerChannel) {
  // Channel 1 off by one LSB twice, channel 2 written in upper case once and
  // unknown once; a record with a third channel.
  const std::string text =
      "0 s 0\n"
      "10 o 4 0010 0011 00ab 00AB\n"
      "20 o 4 0010 000f 00ab xxxx\n"
      "30 o 4 0001 0001 0002 0002 0003 0300\n";
  const CDiagnosed d = Diagnose(text, CPlotScale(16, 4, true));
  const CClassCounts& c = d.diagnosis.classes;
  EXPECT_EQ(c[EValueClass::kLsb], 2u);
  EXPECT_EQ(c[EValueClass::kTextOnly], 1u);
  EXPECT_EQ(c[EValueClass::kUnknown], 1u);
  EXPECT_EQ(c[EValueClass::kScale], 1u);
  EXPECT_EQ(c.Total(), 5u);
  ASSERT_TRUE(c.maxErrorLsb);
  EXPECT_EQ(*c.maxErrorLsb, 0x300 - 3);
  ASSERT_EQ(d.diagnosis.channels.size(), 3u);
  const CChannelDiagnosis& one = d.diagnosis.channels[0];
  EXPECT_EQ(one.pair, 1u);
  EXPECT_EQ(one.values, 3u);
  EXPECT_EQ(one.disagreeing, 2u);
  EXPECT_EQ(one.classes[EValueClass::kLsb], 2u);
  EXPECT_EQ(*one.classes.maxErrorLsb, 1);
  const CChannelDiagnosis& two = d.diagnosis.channels[1];
  EXPECT_EQ(two.values, 3u);
  EXPECT_EQ(two.classes[EValueClass::kTextOnly], 1u);
  EXPECT_EQ(two.classes[EValueClass::kUnknown], 1u);
  EXPECT_FALSE(two.classes.maxErrorLsb) << "neither class has an error in LSBs";
  EXPECT_EQ(d.diagnosis.channels[2].values, 1u);
  // Bits: 0010/0011 differ in bit 0, 0010/000f in bits 0..4, 0003/0300 in 0, 1, 8, 9.
  ASSERT_EQ(d.diagnosis.errorBits.size(), 16u);
  EXPECT_EQ(d.diagnosis.errorBits[0], 3u);
  EXPECT_EQ(d.diagnosis.errorBits[4], 1u);
  EXPECT_EQ(d.diagnosis.errorBits[9], 1u);
  EXPECT_EQ(d.diagnosis.errorBits[15], 0u);
  EXPECT_EQ(d.diagnosis.unknownBits[0], 1u);
  EXPECT_EQ(d.diagnosis.unknownBits[15], 1u);
  EXPECT_EQ(c.Dominant(), EValueClass::kLsb);
  EXPECT_EQ(LeadingClassesText(c, 2), "2 off by one LSB, 1 unknown X/Z, ...");
}

TEST(FileDiagnosis, ChannelsPastTheLastAreSummedIntoIt) {
  std::string record = "1 o 2";
  for (int n = 0; n < 300; ++n) {
    record += n == 299 ? " 1 2" : " 1 1";
  }
  const CDiagnosed d = Diagnose("0 s 0\n" + record + "\n" + record + "\n", CPlotScale());
  ASSERT_EQ(d.diagnosis.channels.size(), kMaxChannels);
  const CChannelDiagnosis& last = d.diagnosis.channels.back();
  EXPECT_EQ(last.pair, kMaxChannels);
  EXPECT_EQ(last.lastPair, 300u);
  EXPECT_EQ(last.values, 2u * (300 - 255));
  EXPECT_EQ(last.disagreeing, 2u);
  EXPECT_EQ(d.diagnosis.channels[254].values, 2u);
  EXPECT_EQ(d.diagnosis.channels[254].disagreeing, 0u);
}

TEST(FileDiagnosis, KeptDisagreementsGetTheirClassAndError) {
  std::vector<CDisagreement> kept(3);
  kept[0].fixedPoint = "7fff";
  kept[0].rtl = "8000";
  kept[1].fixedPoint = "0001";
  kept[1].rtl = "x001";
  kept[2].fixedPoint = "0010";
  kept[2].rtl = "0012";
  ClassifyDisagreements(kept, CPlotScale(16, 0, true));
  EXPECT_EQ(kept[0].valueClass, EValueClass::kOverflow);
  EXPECT_EQ(kept[0].errorLsb, -65535);
  EXPECT_EQ(kept[1].valueClass, EValueClass::kUnknown);
  EXPECT_FALSE(kept[1].errorLsb);
  EXPECT_EQ(kept[2].valueClass, EValueClass::kNumeric);
  EXPECT_EQ(kept[2].errorLsb, 2);
}

TEST(MisreadWarnings, UnknownValuesOnlyInTheFirstRecords) {
  const std::string reset =
      "0 s 0\n1 o 4 0001 xxxx\n2 o 1 0002 xxxx\n3 o 1 0003 0003\n4 o 1 0004 0004\n";
  const CDiagnosed d = Diagnose(reset, CPlotScale(16, 0, true));
  EXPECT_TRUE(Mentions(d.warnings,
                       "unknown (X/Z) values only in the first 2 of 4 output "
                       "records (up to line 3)"))
      << d.warnings.size();
  // Unknowns throughout, or an unknown after a clean record: no such warning.
  EXPECT_FALSE(Mentions(Diagnose("0 s 0\n1 o 4 1 x\n2 o 1 2 x\n", CPlotScale()).warnings,
                        "only in the first"));
  EXPECT_FALSE(Mentions(
      Diagnose("0 s 0\n1 o 4 1 x\n2 o 1 2 2\n3 o 1 3 x\n4 o 1 4 4\n", CPlotScale()).warnings,
      "only in the first"));
}

TEST(MisreadWarnings, TimeWithAUnitShiftsTheColumns) {
  // $timeformat(-9,3," ns") writes "80.000 ns": the clock count reads "tb".
  const CDiagnosed d = Diagnose(
      "0.000 ns start 0\n80.000 ns tb 4 0001 0001\n90.000 ns tb 1 0002 0002\n", CPlotScale());
  EXPECT_TRUE(Mentions(d.warnings, "t.txt\" line 1: the clock count (third token) \"start\""));
  std::size_t named = 0;
  for (const std::string& warning : d.warnings) {
    named += warning.find("third token") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(named, 1u) << "once per file";
}

TEST(MisreadWarnings, OddValueTokensAndAFirstCountOfZero) {
  const CDiagnosed odd = Diagnose("0 s 0\n1 o 4 1 1 2\n2 o 4 1 1 2\n", CPlotScale());
  EXPECT_TRUE(Mentions(odd.warnings, "line 2: 3 value tokens, an odd number"));
  const CDiagnosed zero = Diagnose("0 s 0\n1 o 0 1 1\n2 o 4 1 1\n3 o 4 1 1\n", CPlotScale());
  EXPECT_TRUE(Mentions(zero.warnings, "line 2: the first output record has 0 clocks"));
  const CDiagnosed clean = Diagnose("0 s 0\n1 o 3 1 1\n2 o 4 1 1\n3 o 0 1 1\n", CPlotScale());
  EXPECT_TRUE(clean.warnings.empty());
}
