// Stopwatches and clocks.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "diagnostics/Clock.h"
#include "diagnostics/OperationTimer.h"
#include "diagnostics/PerfTimer.h"
#include "support/TestSupport.h"

namespace {

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TEST(PerfTimer, ATimerBuiltStoppedReportsZero) {
  CPerfTimer timer(false);
  SleepMs(2);
  EXPECT_EQ(timer.ElapsedMs(), 0.0);
  EXPECT_FALSE(timer.IsRunning());
  EXPECT_TRUE(CPerfTimer::IsSupported());
  EXPECT_DOUBLE_EQ(CPerfTimer::ResolutionUs(), 0.001);
  EXPECT_LE(CPerfTimer::Adjustment(), 0);
}

TEST(PerfTimer, ResumingExcludesTheTimeWhileStopped) {
  CPerfTimer timer(false);
  timer.Start(false);
  SleepMs(20);
  timer.Stop();
  const double first = timer.ElapsedMs();
  SleepMs(150);  // not counted
  timer.Start(false);
  SleepMs(20);
  timer.Stop();
  const double total = timer.ElapsedMs();
  EXPECT_GE(first, 19.0);
  EXPECT_GE(total, first + 19.0);
  EXPECT_LT(total, 150.0);  // the stopped time alone was 150 ms
}

TEST(PerfTimer, StartWithResetCountsFromZero) {
  CPerfTimer timer(true);
  SleepMs(30);
  timer.Stop();
  timer.Start(true);
  timer.Stop();
  EXPECT_LT(timer.ElapsedMs(), 5.0);
}

TEST(PerfTimer, ElapsedOnARunningTimerKeepsItRunningAndRises) {
  CPerfTimer timer(true);
  SleepMs(2);
  const double a = timer.ElapsedMs();
  SleepMs(2);
  const double b = timer.ElapsedMs();
  EXPECT_TRUE(timer.IsRunning());
  EXPECT_GT(a, 0.0);
  EXPECT_GT(b, a);
}

TEST(PerfTimer, StoppingAStoppedTimerChangesNothing) {
  CPerfTimer timer(true);
  SleepMs(5);
  timer.Stop();
  const double once = timer.ElapsedMs();
  timer.Stop();
  EXPECT_EQ(timer.ElapsedMs(), once);
}

TEST(OperationTimer, TheDefaultTemplateHasTwoSpacesBeforeTo) {
  CapturedMessages captured;
  COperationTimer timer;
  timer.ReportElapsed(42);
  ASSERT_EQ(captured.Messages().size(), 1u);
  EXPECT_EQ(captured.Messages()[0].first, kMsgInfo);
  EXPECT_EQ(captured.Messages()[0].second, "The operation took 42 ms  to run.\n");
}

TEST(OperationTimer, ATextTemplateEndsWithTheTime) {
  CapturedMessages captured;
  COperationTimer timer("Reading vectors took");
  EXPECT_EQ(timer.GetTemplate(), "Reading vectors took $");
  timer.ReportElapsed(12);
  EXPECT_EQ(captured.Messages().at(0).second, "Reading vectors took 12 ms \n");
  COperationTimer fromString(std::string("x"));
  fromString.ReportElapsed(-3L);
  EXPECT_EQ(captured.Messages().at(1).second, "x -3 ms \n");
}

TEST(OperationTimer, TheLastDollarTakesTheTime) {
  CapturedMessages captured;
  COperationTimer timer("cost in $:");  // the template is "cost in $: $"
  timer.ReportElapsed(7);
  EXPECT_EQ(captured.Messages().at(0).second, "cost in $: 7 ms \n");
}

TEST(OperationTimer, ATemplateWithoutDollarThrows) {
  COperationTimer broken;
  broken.SetTemplate("no marker");
  try {
    broken.ReportElapsed(1);
    FAIL() << "expected an exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Error getting time string");
  }
}

TEST(OperationTimer, ReportingTheTimeSinceConstruction) {
  CapturedMessages captured;
  COperationTimer timer("took");
  SleepMs(15);
  timer.ReportElapsed();
  const std::string& text = captured.Messages().at(0).second;
  ASSERT_EQ(text.substr(0, 5), "took ");
  EXPECT_GE(std::stol(text.substr(5)), 14);
}

TEST(Clocks, TheInterpreterClockMovesAndSurvivesAWrap) {
  const std::int32_t a = CurrentClockMs();
  SleepMs(10);
  EXPECT_GE(ElapsedClockMs(a, CurrentClockMs()), 9);
  EXPECT_EQ(ElapsedClockMs(INT32_MAX - 1, INT32_MIN + 3), 5);
}

TEST(Clocks, AFailingClockThrows) {
  Tcl("rename ::clock ::savedClock; proc ::clock {args} {error broken}");
  EXPECT_THROW(CurrentClockMs(), std::runtime_error);
  Tcl("rename ::clock {}; rename ::savedClock ::clock");
  EXPECT_NO_THROW(CurrentClockMs());
}

TEST(Clocks, WallClockIsCalendarMilliseconds) {
  const double now = WallClockMs();
  const double expected =
      static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count());
  EXPECT_NEAR(now, expected, 1000.0);
  EXPECT_EQ(now, static_cast<double>(static_cast<long long>(now)));  // whole milliseconds
}

}  // namespace
