// Memory checkpoints: the once-read setting, the line's shape, and failures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "diagnostics/MemoryCheckpoint.h"
#include "support/TestSupport.h"

namespace {

struct CheckpointLine {
  std::string label;
  long counter = -1, total = -1, delta = 0, ms = -1;
};

// Reads the numbers of a checkpoint line and checks that the line is exactly
// what they make: label, " Checkpoint ", counter, ": Memory total=", ...
CheckpointLine Parse(const std::string& line) {
  CheckpointLine parsed;
  char label[64] = {};
  if (std::sscanf(line.c_str(),
                  "%63s Checkpoint %ld: Memory total=%ld delta=%ld KB Runtime-delta=%ld", label,
                  &parsed.counter, &parsed.total, &parsed.delta, &parsed.ms) != 5) {
    ADD_FAILURE() << "not a checkpoint line: " << line;
    return parsed;
  }
  parsed.label = label;
  std::ostringstream rebuilt;
  rebuilt << label << " Checkpoint " << parsed.counter << ": Memory total=" << parsed.total
          << " delta=" << parsed.delta << " KB  Runtime-delta=" << parsed.ms << " ms\n";
  EXPECT_EQ(line, rebuilt.str());
  return parsed;
}

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
  const CheckpointLine first = Parse(captured.Messages()[0].second);
  const CheckpointLine second = Parse(captured.Messages()[1].second);
  EXPECT_EQ(first.label, "load");
  EXPECT_EQ(first.counter, 0);
  EXPECT_EQ(second.counter, 1);
  EXPECT_GT(first.total, 0);
  EXPECT_EQ(first.delta, first.total);  // the first delta is the whole total
  EXPECT_EQ(second.delta, second.total - first.total);
  EXPECT_GE(second.ms, 11);
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
