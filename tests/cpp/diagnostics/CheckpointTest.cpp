// Memory checkpoints: the once-read setting, the line's shape, and failures.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

#include "diagnostics/MemoryCheckpoint.h"
#include "support/TestSupport.h"

namespace {

// Counts the evaluations of Report by wrapping it in a Tcl procedure.
class Checkpoints : public ::testing::Test {
 protected:
  void SetUp() override {
    Tcl("set ::reportCalls 0; rename ::Report ::realReport");
    Tcl("proc ::Report {args} {incr ::reportCalls; ::realReport {*}$args}");
  }
  void TearDown() override {
    Tcl("rename ::Report {}; rename ::realReport ::Report");
    Tcl("unset -nocomplain ::Settings::Debug_MemoryMsgs");
  }
  static int ReportCalls() { return std::stoi(Tcl("set ::reportCalls")); }
};

TEST_F(Checkpoints, WithTheSettingOffNothingIsSentOrEvaluatedEvenWhenTurnedOnLater) {
  CapturedMessages captured;
  CMemoryCheckpoints series;
  series.Checkpoint("first");
  Tcl("set ::Settings::Debug_MemoryMsgs 1");
  series.Checkpoint("second");
  EXPECT_TRUE(captured.Messages().empty());
  EXPECT_EQ(ReportCalls(), 0);
}

TEST_F(Checkpoints, WithItOnTheLinesAreNumberedFromZero) {
  Tcl("set ::Settings::Debug_MemoryMsgs 1");
  CapturedMessages captured;
  CMemoryCheckpoints series;
  series.Checkpoint("load");
  std::this_thread::sleep_for(std::chrono::milliseconds(12));
  series.Checkpoint("parse");
  ASSERT_EQ(captured.Messages().size(), 2u);
  const std::regex shape(
      "(\\w+) Checkpoint (\\d+): Memory total=(\\d+) delta=(-?\\d+) KB  Runtime-delta=(\\d+) ms\n");
  std::smatch first, second;
  ASSERT_TRUE(std::regex_match(captured.Messages()[0].second, first, shape))
      << captured.Messages()[0].second;
  ASSERT_TRUE(std::regex_match(captured.Messages()[1].second, second, shape))
      << captured.Messages()[1].second;
  EXPECT_EQ(first[1], "load");
  EXPECT_EQ(first[2], "0");
  EXPECT_EQ(second[2], "1");
  EXPECT_EQ(first[3], first[4]);  // the first delta is the whole total
  EXPECT_EQ(std::stol(second[4]), std::stol(second[3]) - std::stol(first[3]));
  EXPECT_GE(std::stol(second[5]), 11);
  EXPECT_EQ(captured.Messages()[0].first, kMsgInfo);
  EXPECT_EQ(ReportCalls(), 2);
}

TEST_F(Checkpoints, AFailingReportSendsNothingAndTheNextLineCoversItsTime) {
  Tcl("set ::Settings::Debug_MemoryMsgs 1");
  CapturedMessages captured;
  CMemoryCheckpoints series;
  series.Checkpoint("a");
  Tcl("proc ::Report {args} {incr ::reportCalls; error {no memory figure}}");
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  series.Checkpoint("b");
  EXPECT_EQ(captured.Messages().size(), 1u);
  Tcl("proc ::Report {args} {incr ::reportCalls; ::realReport {*}$args}");
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  series.Checkpoint("c");
  ASSERT_EQ(captured.Messages().size(), 2u);
  const std::string& line = captured.Messages()[1].second;
  EXPECT_EQ(line.substr(0, 14), "c Checkpoint 1");
  // Stopped at the failed call: the time up to it, not up to this checkpoint.
  const long ms = std::stol(line.substr(line.find("Runtime-delta=") + 14));
  EXPECT_GE(ms, 29);
  EXPECT_LT(ms, 150);
}

TEST_F(Checkpoints, ANonIntegerAnswerIsSwallowed) {
  Tcl("set ::Settings::Debug_MemoryMsgs 1");
  CapturedMessages captured;
  CMemoryCheckpoints series;
  Tcl("proc ::Report {args} {return 1.5e3x}");
  EXPECT_NO_THROW(series.Checkpoint("odd"));
  EXPECT_TRUE(captured.Messages().empty());
}

}  // namespace
