// The waveform of a timing file, read back with the tests' own dump reader:
// declarations and widths with and without a quantizer, unknown digits, the
// signed error, the agree bit, only changes written, times out of order,
// records streamed pair by pair, many channels, and the file put in place
// whole or not at all.
#include "analysis/VcdWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/FileResult.h"
#include "support/TestSupport.h"
#include "support/VcdReader.h"
#include "verify/TimingReport.h"

namespace {

struct CWaveform {
  std::string text;
  std::vector<std::string> warnings;
  CVcdReader Read() const { return CVcdReader(text); }
};

// The timing file through the report pass with the writer behind a fan-out,
// lines longer than heldLine streamed; the waveform as written.
CWaveform Waveform(const std::string& timing, const CPlotScale& format,
                   std::size_t heldLine = CLineReader::kDefaultHeldLine) {
  const ScratchDir dir;
  const std::string path = (dir.Path() / "kv_timing_Korvel_TestVector_1_rtl.vcd").string();
  std::string report;
  COutputBuffer buffer([&report](std::string_view bytes) { report.append(bytes); });
  CHtmlReportWriter writer(buffer);
  CLineReader reader(TextSource(timing), 16);
  CVcdWriter waveform("timing/kv_timing_Korvel_TestVector_1.txt", path, format);
  CFileResult result;
  CFileResultObserver gather(result, 5);
  CPairObserverFanOut fanOut({&gather, &waveform});
  CTimingReportHooks hooks;
  hooks.observer = &fanOut;
  hooks.heldLine = heldLine;
  hooks.readAt = [&timing](std::uint64_t offset, char* data, std::size_t size) {
    return timing.copy(data, size, offset);
  };
  CClockFigures figures;
  WriteTimingRows(reader, writer, figures, "kv_timing_Korvel_TestVector_1.txt", hooks);
  waveform.Finish();
  return {ReadFile(path), waveform.Warnings()};
}

const CPlotScale kSigned16(16, 8, true);

TEST(VcdWriter, DeclaresEachChannelAndDumpsAtTheRecordTimes) {
  const CWaveform w = Waveform(
      "0 start 0\n"
      "70 out 7 0x0001 0x0001 0x8000 0x7fff\n"
      "130 out 6 0x0001 0xffff 0x8000 0x7fff\n",
      kSigned16);
  const CVcdReader vcd = w.Read();
  EXPECT_EQ(vcd.Timescale(), "1ns");
  EXPECT_NE(w.text.find("$timescale 1ns $end"), std::string::npos);
  ASSERT_EQ(vcd.Signals().size(), 8u);
  const std::string ch1 = "kv_timing_Korvel_TestVector_1.ch1.";
  const std::string ch2 = "kv_timing_Korvel_TestVector_1.ch2.";
  EXPECT_EQ(vcd.Signal(ch1 + "model").width, 16);
  EXPECT_EQ(vcd.Signal(ch1 + "rtl").width, 16);
  EXPECT_EQ(vcd.Signal(ch1 + "error").width, 64);
  EXPECT_EQ(vcd.Signal(ch1 + "error").type, "integer");
  EXPECT_EQ(vcd.Signal(ch1 + "agree").width, 1);
  EXPECT_EQ(vcd.Times(), (std::set<std::uint64_t>{70, 130}));

  EXPECT_EQ(vcd.ValueAt(ch1 + "model", 70), "0000000000000001");
  EXPECT_EQ(vcd.ValueAt(ch1 + "agree", 70), "1");
  EXPECT_EQ(VcdSigned(vcd.ValueAt(ch1 + "error", 70)), 0);
  // 0xffff is -1 in a signed 16-bit word: 2 LSBs below the model's 1.
  EXPECT_EQ(VcdSigned(vcd.ValueAt(ch1 + "rtl", 130)), -1);
  EXPECT_EQ(VcdSigned(vcd.ValueAt(ch1 + "error", 130)), -2);
  EXPECT_EQ(vcd.ValueAt(ch1 + "agree", 130), "0");
  // -32768 against 32767: the error needs more bits than the word.
  EXPECT_EQ(VcdSigned(vcd.ValueAt(ch2 + "error", 70)), 65535);
  EXPECT_EQ(vcd.ValueAt(ch2 + "agree", 70), "0");
}

TEST(VcdWriter, WithoutAHeaderWiresAreAsWideAsTheWidestToken) {
  const CWaveform w = Waveform(
      "0 start 0\n"
      "10 out 1 0x12 12\n"
      "20 out 1 0x123456 0x123457\n"
      "30 out 1 ffffffffffffffff 0\n",
      CPlotScale());
  const CVcdReader vcd = w.Read();
  const std::string ch1 = "kv_timing_Korvel_TestVector_1.ch1.";
  EXPECT_EQ(vcd.Signal(ch1 + "model").width, 64);
  EXPECT_EQ(VcdUnsigned(vcd.ValueAt(ch1 + "model", 10)), 0x12u);
  EXPECT_EQ(VcdUnsigned(vcd.ValueAt(ch1 + "rtl", 20)), 0x123457u);
  EXPECT_EQ(VcdSigned(vcd.ValueAt(ch1 + "error", 20)), 1);
  // A 64-bit raw code's error is saturated at the error's limit.
  EXPECT_EQ(VcdUnsigned(vcd.ValueAt(ch1 + "model", 30)), ~std::uint64_t{0});
  EXPECT_EQ(VcdSigned(vcd.ValueAt(ch1 + "error", 30)), INT64_MIN);
}

TEST(VcdWriter, WritesTheWidestTokenOfLaterRecordsIntoTheDeclaration) {
  const CWaveform w =
      Waveform("0 s 0\n10 o 1 1 1\n20 o 1 0x0123456789 0x0123456789\n30 o 1 x5 z\n", CPlotScale());
  const CVcdReader vcd = w.Read();
  const std::string rtl = "kv_timing_Korvel_TestVector_1.ch1.rtl";
  EXPECT_EQ(vcd.Signal(rtl).width, 40);
  EXPECT_EQ(VcdUnsigned(vcd.ValueAt(rtl, 10)), 1u);
  EXPECT_EQ(VcdUnsigned(vcd.ValueAt(rtl, 20)), 0x0123456789u);
  // Narrower tokens after a wide one: their unknown digits stay their own.
  EXPECT_EQ(vcd.ValueAt(rtl, 30), std::string(36, '0') + "zzzz");
  EXPECT_EQ(vcd.ValueAt("kv_timing_Korvel_TestVector_1.ch1.model", 30),
            std::string(32, '0') + "xxxx0101");
}

TEST(VcdWriter, UnknownDigitsAreXBitsAndFloatingDigitsZBits) {
  const CWaveform w = Waveform(
      "0 start 0\n"
      "10 out 1 0x0015 0x1x 0x0015 0xz5 0x0015 U-W? 0x0015 0x00g5\n",
      kSigned16);
  const CVcdReader vcd = w.Read();
  const auto at = [&vcd](int channel, const char* signal) {
    return vcd.ValueAt("kv_timing_Korvel_TestVector_1.ch" + std::to_string(channel) + "." + signal,
                       10);
  };
  EXPECT_EQ(at(1, "rtl"), "000000000001xxxx");
  EXPECT_EQ(at(2, "rtl"), "00000000zzzz0101");
  EXPECT_EQ(at(3, "rtl"), std::string(16, 'x'));
  // Not a number at all: every bit unknown.
  EXPECT_EQ(at(4, "rtl"), std::string(16, 'x'));
  for (int channel = 1; channel <= 4; ++channel) {
    EXPECT_EQ(at(channel, "error"), std::string(64, 'x')) << channel;
    EXPECT_EQ(at(channel, "agree"), "0") << channel;
  }
}

TEST(VcdWriter, WritesOnlyTheValuesThatChange) {
  const CWaveform w = Waveform(
      "0 start 0\n"
      "10 out 1 0x0001 0x0001 0x0002 0x0002\n"
      "20 out 1 0x0001 0x0001 0x0002 0x0003\n"
      "30 out 1 0x0001 0x0001 0x0002 0x0003\n",
      kSigned16);
  const CVcdReader vcd = w.Read();
  const std::string ch1 = "kv_timing_Korvel_TestVector_1.ch1.";
  const std::string ch2 = "kv_timing_Korvel_TestVector_1.ch2.";
  EXPECT_EQ(vcd.ChangeCount(ch1 + "model"), 1u);
  EXPECT_EQ(vcd.ChangeCount(ch1 + "agree"), 1u);
  EXPECT_EQ(vcd.ChangeCount(ch2 + "model"), 1u);
  EXPECT_EQ(vcd.ChangeCount(ch2 + "rtl"), 2u);
  EXPECT_EQ(vcd.ChangeCount(ch2 + "error"), 2u);
  EXPECT_EQ(vcd.ChangeCount(ch2 + "agree"), 2u);
  // A record that changes nothing adds no time.
  EXPECT_EQ(vcd.Times(), (std::set<std::uint64_t>{10, 20}));
  EXPECT_EQ(w.text.find("#30"), std::string::npos);
}

TEST(VcdWriter, ALongFileComesBackWholeThroughItsTemporaryFile) {
  std::string timing = "0 start 0\n";
  constexpr int kRecords = 6000;  // value changes well past what is kept in memory
  for (int record = 1; record <= kRecords; ++record) {
    timing += std::to_string(record * 10) + " out 2 " + std::to_string(record % 4096) + " " +
              std::to_string(record % 4093) + " 0x" + std::to_string(record % 7) + " 0x0\n";
  }
  const CVcdReader vcd = Waveform(timing, kSigned16).Read();
  EXPECT_EQ(vcd.Times().size(), static_cast<std::size_t>(kRecords));
  for (const int record : {1, 4095, 4096, kRecords}) {
    const std::string ch1 = "kv_timing_Korvel_TestVector_1.ch1.";
    const auto time = static_cast<std::uint64_t>(record) * 10;
    EXPECT_EQ(VcdSigned(vcd.ValueAt(ch1 + "error", time)),
              std::stoll(std::to_string(record % 4093), nullptr, 16) -
                  std::stoll(std::to_string(record % 4096), nullptr, 16))
        << record;
  }
}

TEST(VcdWriter, TimesNotWholeOrNotLaterTakeTheTimeBeforePlusOneWithOneWarning) {
  const CWaveform w = Waveform(
      "0 start 0\n"
      "100 out 1 1 1\n"
      "80.5 out 1 2 2\n"
      "90 out 1 3 3\n"
      "200 out 1 4 4\n"
      "200 out 1 5 5\n",
      CPlotScale());
  const CVcdReader vcd = w.Read();
  EXPECT_EQ(vcd.Times(), (std::set<std::uint64_t>{100, 101, 102, 200, 201}));
  EXPECT_EQ(VcdUnsigned(vcd.ValueAt("kv_timing_Korvel_TestVector_1.ch1.model", 102)), 3u);
  ASSERT_EQ(w.warnings.size(), 1u);
  EXPECT_NE(w.warnings[0].find("line 3"), std::string::npos) << w.warnings[0];
  EXPECT_NE(w.warnings[0].find("\"80.5\""), std::string::npos) << w.warnings[0];
  EXPECT_NE(w.warnings[0].find("plus 1"), std::string::npos) << w.warnings[0];
}

TEST(VcdWriter, AStreamedRecordGivesTheSameWaveformAsAHeldOne) {
  std::string timing = "0 start 0\n";
  for (int record = 1; record <= 3; ++record) {
    timing += std::to_string(record * 40) + " out 4";
    for (int pair = 0; pair < 12; ++pair) {
      timing += " 0x" + std::to_string(1000 + pair) + " 0x" +
                std::to_string(1000 + pair + (pair == record ? 1 : 0)) + (pair == 5 ? "x" : "");
    }
    timing += '\n';
  }
  const CWaveform held = Waveform(timing, kSigned16);
  const CWaveform streamed = Waveform(timing, kSigned16, 48);
  EXPECT_EQ(streamed.text, held.text);
  const CVcdReader vcd = streamed.Read();
  EXPECT_EQ(vcd.Signals().size(), 48u);
  EXPECT_EQ(VcdSigned(vcd.ValueAt("kv_timing_Korvel_TestVector_1.ch3.error", 80)), 1);
  EXPECT_EQ(vcd.Times(), (std::set<std::uint64_t>{40, 80, 120}));
}

TEST(VcdWriter, KeepsTheFirstChannelsOfAVeryWideRecordWithAWarning) {
  std::string timing = "0 start 0\n10 out 1";
  for (std::size_t pair = 0; pair < CVcdWriter::kMostChannels + 6; ++pair) {
    timing += " 1 2";
  }
  const CWaveform w = Waveform(timing + "\n", CPlotScale());
  EXPECT_EQ(w.Read().Signals().size(), 4 * CVcdWriter::kMostChannels);
  ASSERT_EQ(w.warnings.size(), 1u);
  EXPECT_NE(w.warnings[0].find("first 1024 channels"), std::string::npos) << w.warnings[0];
}

TEST(VcdWriter, PutsTheFileInPlaceWholeOrNotAtAll) {
  const ScratchDir dir;
  const std::string earlier = dir.Write("old.vcd", "earlier");
  {
    CVcdWriter unfinished("t.txt", earlier, CPlotScale());
    unfinished.RecordTime("10");
    unfinished.BeginRecord(2, 2, 1);
    unfinished.Pair(1, "1", "1", true);
  }
  EXPECT_EQ(ReadFile(earlier), "earlier");
  const std::string missing = (dir.Path() / "no such folder" / "a.vcd").string();
  CVcdWriter writer("t.txt", missing, CPlotScale());
  try {
    writer.Finish();
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("no such folder"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(VcdWriter, IdentifiersAreShortPrintableAndDistinct) {
  std::set<std::string> seen;
  for (std::size_t n = 0; n < 94 * 94 + 5; ++n) {
    const std::string id = VcdIdentifier(n);
    EXPECT_LE(id.size(), n < 94 ? 1u : 3u);
    EXPECT_EQ(id.find_first_not_of("!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                   "[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"),
              std::string::npos);
    EXPECT_TRUE(seen.insert(id).second) << n;
  }
}

}  // namespace
