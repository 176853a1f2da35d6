#include "analysis/FileResult.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "verify/HtmlReportWriter.h"
#include "verify/LineReader.h"
#include "verify/OutputBuffer.h"
#include "verify/TimingReport.h"

namespace {

// One file through the report pass with the result observer; figures carries
// the run's figures as GenerateVerifyReport carries them.
CFileResult Gather(const std::string& text, CClockFigures& carried, std::size_t keep = 10) {
  std::string sink;
  COutputBuffer buffer([&sink](std::string_view bytes) { sink.append(bytes); });
  CHtmlReportWriter writer(buffer);
  CLineReader reader(TextSource(text), 16);
  CFileResult result;
  CFileResultObserver observer(result, keep);
  CTimingReportHooks hooks;
  hooks.observer = &observer;
  const CTimingFileSummary summary = WriteTimingRows(reader, writer, carried, "t.txt", hooks);
  carried.FillFromLatency();
  result.records = summary.records;
  result.SetStatusFromCounts();
  return result;
}

std::string RandomFile(std::mt19937& random) {
  std::uniform_int_distribution<int> records(0, 5);
  std::uniform_int_distribution<int> clocks(-3, 9);
  std::string text;
  const int count = records(random);
  for (int r = 0; r < count; ++r) {
    text += std::to_string(r * 10) + " x " + std::to_string(clocks(random)) + " 1 1\n";
  }
  return text;
}

}  // namespace

TEST(FileResultCounts, StatusFromPairsAndRecords) {
  CClockFigures carried;
  const CFileResult pass = Gather("0 s 0\n10 o 3 1 1 2 2\n", carried);
  EXPECT_EQ(pass.status, EFileStatus::kPass);
  EXPECT_EQ(pass.records, 2u);
  EXPECT_EQ(pass.values, 2u);
  EXPECT_EQ(pass.disagreeing, 0u);

  const CFileResult fail = Gather("0 s 0\n10 o 3 1 1 2 5\n20 o 4 7\n", carried);
  EXPECT_EQ(fail.status, EFileStatus::kFail);
  EXPECT_EQ(fail.values, 3u);
  EXPECT_EQ(fail.disagreeing, 2u);
  ASSERT_EQ(fail.firstDisagreements.size(), 2u);
  EXPECT_EQ(fail.firstDisagreements[0], (CDisagreement{2, 2, 3, 2, "2", "5", {}, {}}));
  EXPECT_EQ(fail.firstDisagreements[1], (CDisagreement{3, 3, 4, 1, "7", "", {}, {}}));

  EXPECT_EQ(Gather("", carried).status, EFileStatus::kEmpty);
  EXPECT_EQ(Gather("0 s 0 1 1\n", carried).status, EFileStatus::kEmpty);      // start record only
  EXPECT_EQ(Gather("0 s 0\n10 o 3\n", carried).status, EFileStatus::kEmpty);  // no value
}

TEST(FileResultCounts, KeepsOnlyTheFirstDisagreementsButCountsAll) {
  std::string text = "0 s 0\n";
  for (int r = 0; r < 30; ++r) {
    text += "1 o 1 a b\n";
  }
  CClockFigures carried;
  const CFileResult result = Gather(text, carried, 3);
  EXPECT_EQ(result.disagreeing, 30u);
  ASSERT_EQ(result.firstDisagreements.size(), 3u);
  EXPECT_EQ(result.firstDisagreements[2].line, 4u);
  EXPECT_TRUE(Gather(text, carried, 0).firstDisagreements.empty());
}

TEST(FileResultCounts, StatusNamesRoundTrip) {
  for (EFileStatus status :
       {EFileStatus::kPass, EFileStatus::kFail, EFileStatus::kEmpty, EFileStatus::kError}) {
    EFileStatus back = EFileStatus::kPass;
    ASSERT_TRUE(ParseFileStatus(FileStatusName(status), back));
    EXPECT_EQ(back, status);
  }
  EFileStatus unused;
  EXPECT_FALSE(ParseFileStatus("passed", unused));
}

// The fold of per-file figures gives exactly the figures carried from file
// to file by the report pass, negative and missing counts included.
TEST(FileResultFold, EqualsTheCarriedFiguresOverRandomRuns) {
  std::mt19937 random(20261208);
  for (int run = 0; run < 3000; ++run) {
    const int files = 1 + run % 4;
    CClockFigures carried;
    std::vector<CFileResult> results;
    for (int f = 0; f < files; ++f) {
      results.push_back(Gather(RandomFile(random), carried));
      CClockFigures alone;
      const CFileResult again = Gather(RandomFile(random), alone);
      EXPECT_EQ(again.OwnFigures().latency, alone.latency);
      EXPECT_EQ(again.OwnFigures().maxClocks, alone.maxClocks);
      EXPECT_EQ(again.OwnFigures().minClocks, alone.minClocks);
    }
    const CClockFigures folded = FoldRunFigures(results);
    ASSERT_EQ(folded.latency, carried.latency) << "run " << run;
    ASSERT_EQ(folded.maxClocks, carried.maxClocks) << "run " << run;
    ASSERT_EQ(folded.minClocks, carried.minClocks) << "run " << run;
  }
}

TEST(FileResultFold, ErrorFilesContributeNothing) {
  CClockFigures carried;
  std::vector<CFileResult> results{Gather("0 s 0\n1 o 5 1 1\n1 o 2 1 1\n", carried)};
  CFileResult broken = Gather("0 s 0\n1 o 99 1 1\n1 o 1 1 1\n", carried);
  broken.status = EFileStatus::kError;
  results.push_back(broken);
  const CClockFigures folded = FoldRunFigures(results);
  EXPECT_EQ(folded.latency, 5);
  EXPECT_EQ(folded.maxClocks, 2);
  EXPECT_EQ(folded.minClocks, 2);
}
