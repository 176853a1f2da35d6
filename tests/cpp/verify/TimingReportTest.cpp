#include "verify/TimingReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Outcome {
  CTimingFileSummary summary;
  std::string rows;  // everything the writer wrote
  std::vector<std::string> warnings;
};

Outcome ReadTiming(const std::string& text, CClockFigures& figures, std::size_t blockSize = 16) {
  Outcome outcome;
  CLineReader reader(TextSource(text), blockSize);
  COutputBuffer buffer([&](std::string_view bytes) { outcome.rows.append(bytes); }, 32);
  CHtmlReportWriter writer(buffer);
  CTimingReportHooks hooks;
  hooks.warn = [&](const std::string& message) { outcome.warnings.push_back(message); };
  outcome.summary = WriteTimingRows(reader, writer, figures, "t.txt", hooks);
  buffer.Flush();
  return outcome;
}

Outcome ReadTiming(const std::string& text) {
  CClockFigures figures;
  return ReadTiming(text, figures);
}

const std::string kOpen = "\t<td class=\"table_data_center\">";
const std::string kClose = "</td>\n";

std::string StartRow(const std::string& time, const std::string& clocks) {
  return "<tr>\n" + kOpen + time + kClose + kOpen + clocks + kClose + kOpen + "&nbsp;" + kClose +
         kOpen + "&nbsp;" + kClose + "</tr>\n";
}

}  // namespace

TEST(TimingFigures, LatencyIsTheFirstOutputAndExtremesTheRest) {
  CClockFigures figures;
  const Outcome outcome = ReadTiming("0 s 0\n10 o 7\n20 o 4\n30 o 6\n40 o 4\n", figures);
  EXPECT_EQ(figures.latency, 7);
  EXPECT_EQ(figures.maxClocks, 6);
  EXPECT_EQ(figures.minClocks, 4);
  EXPECT_EQ(outcome.summary.records, 5u);
  EXPECT_EQ(outcome.summary.outputRecords, 4u);
  EXPECT_TRUE(outcome.summary.hasLatency);
  EXPECT_EQ(outcome.summary.own.latency, 7);
  EXPECT_EQ(outcome.summary.own.minClocks, 4);
  EXPECT_EQ(outcome.summary.own.maxClocks, 6);
}

TEST(TimingFigures, OneRecordGivesTheStartRowOnlyAndChangesNothing) {
  CClockFigures figures{3, 9, 2};
  const Outcome outcome = ReadTiming("100 start 5 0x1 0x2\n", figures);
  EXPECT_EQ(outcome.rows, StartRow("100", "5"));
  EXPECT_EQ(figures.latency, 3);
  EXPECT_EQ(figures.maxClocks, 9);
  EXPECT_EQ(figures.minClocks, 2);
  EXPECT_FALSE(outcome.summary.hasLatency);
  EXPECT_EQ(outcome.summary.disagreeing, 0u) << "values of the start record are ignored";
}

TEST(TimingFigures, NegativeCountIsTakenAsMinimumUntilTheNextCount) {
  CClockFigures figures;
  ReadTiming("0 s 0\n1 o 5\n2 o -3\n", figures);
  EXPECT_EQ(figures.minClocks, -3);
  ReadTiming("0 s 0\n1 o 5\n2 o -3\n3 o 8\n", figures);
  EXPECT_EQ(figures.minClocks, 8);
  EXPECT_EQ(figures.maxClocks, 8);
}

TEST(TimingFigures, SecondFileKeepsTheExtremesOfTheFirst) {
  CClockFigures figures;
  ReadTiming("0 s 0\n1 o 10\n2 o 3\n", figures);
  figures.FillFromLatency();
  ReadTiming("0 s 0\n1 o 20\n2 o 5\n", figures);
  figures.FillFromLatency();
  EXPECT_EQ(figures.latency, 20);
  EXPECT_EQ(figures.minClocks, 3);
  EXPECT_EQ(figures.maxClocks, 5);
}

TEST(TimingFigures, ExtremesStillUnsetTakeTheLatency) {
  CClockFigures figures;
  ReadTiming("0 s 0\n1 o 10\n", figures);
  EXPECT_EQ(figures.maxClocks, -1);
  figures.FillFromLatency();
  EXPECT_EQ(figures.maxClocks, 10);
  EXPECT_EQ(figures.minClocks, 10);
}

TEST(TimingFigures, NonNumericCountReadsAsZero) {
  CClockFigures figures;
  ReadTiming("0 s 0\n1 o x\n2 o 4\n3 o abc\n", figures);
  EXPECT_EQ(figures.latency, 0);
  EXPECT_EQ(figures.minClocks, 0);
  EXPECT_EQ(figures.maxClocks, 4);
}

TEST(TimingRows, ThreeTokensGiveTwoEmptyValueCellsAndStillCount) {
  CClockFigures figures;
  const Outcome outcome = ReadTiming("0 s 0\n5 o 9\n", figures);
  EXPECT_EQ(outcome.rows, StartRow("0", "0") + "<tr>\n" + kOpen + "5" + kClose + kOpen + "9" +
                              kClose + kOpen + kClose + kOpen + kClose + "</tr>\n");
  EXPECT_EQ(figures.latency, 9);
}

TEST(TimingRows, BlankAndWhiteSpaceLinesChangeNothing) {
  const std::string plain = "0 s 0\n1 o 5 a a\n2 o 6 b c\n";
  const Outcome reference = ReadTiming(plain);
  const Outcome blanks = ReadTiming("\n\n0 s 0\n\n \t \n1 o 5 a a\n\r\n\n2 o 6 b c\n\n");
  EXPECT_EQ(blanks.rows, reference.rows);
  EXPECT_EQ(blanks.summary.records, reference.summary.records);
  EXPECT_TRUE(blanks.warnings.empty());
}

TEST(TimingRows, CrLfFileGivesTheSameRowsAsLf) {
  const std::string lf = "0 s 0\n1 o 5 0x1 0x1 0x2 0x3\n2 o 6 b c";
  std::string crlf;
  for (const char c : lf) {
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  CClockFigures a;
  CClockFigures b;
  const Outcome fromLf = ReadTiming(lf, a);
  const Outcome fromCrLf = ReadTiming(crlf + "\r\n", b);
  EXPECT_EQ(fromCrLf.rows, fromLf.rows);
  EXPECT_EQ(a.latency, b.latency);
  EXPECT_EQ(a.minClocks, b.minClocks);
}

TEST(TimingRows, ShortRecordsAreSkippedWithTheirLineNumber) {
  CClockFigures figures;
  const Outcome outcome = ReadTiming("1 2\n0 s 0\nx\n1 o 5\n", figures);
  ASSERT_EQ(outcome.warnings.size(), 2u);
  EXPECT_EQ(outcome.warnings[0],
            "timing file \"t.txt\" line 1: skipped a record of 2 tokens (a record needs a time, a "
            "second field and a clock count)");
  EXPECT_NE(outcome.warnings[1].find("line 3: skipped a record of 1 token "), std::string::npos);
  EXPECT_EQ(outcome.summary.skipped, 2u);
  EXPECT_EQ(outcome.summary.records, 2u);
  EXPECT_EQ(figures.latency, 5) << "the skipped first line did not become the start record";
}

TEST(TimingRows, ManySkippedRecordsAreSummarised) {
  std::string text = "0 s 0\n";
  for (int i = 0; i < 25; ++i) {
    text += "x y\n";
  }
  const Outcome outcome = ReadTiming(text);
  ASSERT_EQ(outcome.warnings.size(), 11u);
  EXPECT_EQ(outcome.warnings.back(),
            "timing file \"t.txt\": 15 further records of fewer than three tokens skipped");
}

TEST(TimingRows, DisagreementsAreCountedAcrossRecords) {
  const Outcome outcome = ReadTiming("0 s 0 z y\n1 o 5 a a b c\n2 o 6 d e f\n");
  EXPECT_EQ(outcome.summary.disagreeing, 3u);
}

TEST(TimingRows, LongLineIsOneRecord) {
  std::string line = "1 o 5";
  for (int i = 0; line.size() < 100000; ++i) {
    line += " v" + std::to_string(i) + " v" + std::to_string(i);
  }
  const Outcome outcome = ReadTiming("0 s 0\n" + line + "\n");
  EXPECT_EQ(outcome.summary.records, 2u);
  EXPECT_EQ(outcome.summary.disagreeing, 0u);
  EXPECT_NE(outcome.rows.find("&nbsp;v8000"), std::string::npos);
}

namespace {

// Records what an observer is told, one line per call.
class CRecordingObserver : public CPairObserver {
 public:
  void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) override {
    calls.push_back("record line " + std::to_string(line) + " #" + std::to_string(record) +
                    " clocks " + std::to_string(clocks));
  }
  void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
            bool agrees) override {
    calls.push_back("pair " + std::to_string(pair) + " " + std::string(fixedPoint) + "/" +
                    std::string(rtl) + (agrees ? " agrees" : " differs"));
  }
  void EndRecord() override { calls.push_back("end"); }
  std::vector<std::string> calls;
};

}  // namespace

TEST(TimingObserver, SeesEveryOutputPairWithLineRecordAndClock) {
  CRecordingObserver observer;
  CClockFigures figures;
  CLineReader reader(TextSource("0 s 0 a a\n\n10 o 7 1 1 2 3\njunk\n20 o 4 5\n"), 8);
  COutputBuffer buffer([](std::string_view) {}, 32);
  CHtmlReportWriter writer(buffer);
  CTimingReportHooks hooks;
  hooks.observer = &observer;
  WriteTimingRows(reader, writer, figures, "t.txt", hooks);
  const std::vector<std::string> expected = {"record line 3 #2 clocks 7",
                                             "pair 1 1/1 agrees",
                                             "pair 2 2/3 differs",
                                             "end",
                                             "record line 5 #3 clocks 4",
                                             "pair 1 5/ differs",
                                             "end"};
  EXPECT_EQ(observer.calls, expected);
}
