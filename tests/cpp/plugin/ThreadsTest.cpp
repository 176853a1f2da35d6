// Several threads, each with its own interpreter that loads the extension,
// running the information commands and reports at once. Built with
// ThreadSanitizer by scripts/test-tsan.sh.
#include <gtest/gtest.h>
#include <tcl.h>

#include <cstdlib>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "app/Extension.h"
#include "support/TestSupport.h"

namespace {

// What every worker evaluates: its own values set and read back `count`
// times, its own report every `every` rounds; the number of wrong answers and
// the first of them.
constexpr const char* kWorkScript = R"TCL(
proc work {n dir timing count every} {
    SetProjectOption -directory $dir -fixedpointlanguage MATLAB
    set wrong 0
    set first {}
    set expected [list [expr {10 + $n}] [expr {20 + $n}] 5]
    for {set i 0} {$i < $count} {incr i} {
        set value "$n.$i"
        SetRTLInfo -latency $value -adders $n
        set got [GetRTLInfo -latency -adders]
        if {$got ne [list $value $n]} {
            if {[incr wrong] == 1} { set first "get $got, not $value $n" }
        }
        if {$i % $every == 0} {
            set result [GenerateVerifyReport -timingfiles [list $timing]]
            if {$result ne $expected} {
                if {[incr wrong] == 1} { set first "report $result, not $expected" }
            }
        }
    }
    return [list $wrong $first]
}
)TCL";

int Rounds() {
  const char* text = std::getenv("REPORTAPP_THREAD_ROUNDS");
  const int rounds = text ? std::atoi(text) : 0;
  return rounds > 0 ? rounds : 200000;
}

// A project whose one timing file gives latency 10+n, maximum 20+n, minimum 5.
std::string MakeProject(const ScratchDir& scratch, int n) {
  const std::string dir = "p" + std::to_string(n);
  scratch.Write(dir + "/Reports/.keep", "");
  return scratch.Write(dir + "/timing/kv_timing_Korvel_TestVector_1.txt",
                       "0 start 0\n10 out " + std::to_string(10 + n) + " 0x1 0x1\n20 out " +
                           std::to_string(20 + n) + " 0x2 0x2\n30 out 5 0x3 0x3\n");
}

// A worker's own interpreter, made and deleted on the worker's thread.
class WorkerInterp {
 public:
  WorkerInterp() : interp_(Tcl_CreateInterp()) {
    Tcl_Init(interp_);  // the script library is optional here
    ok_ = Reportapp_Init(interp_) == TCL_OK;
    if (!ok_) {
      error_ = Tcl_GetStringResult(interp_);
    }
  }
  ~WorkerInterp() { Tcl_DeleteInterp(interp_); }
  WorkerInterp(const WorkerInterp&) = delete;
  WorkerInterp& operator=(const WorkerInterp&) = delete;

  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }
  std::string Eval(const std::string& script) {
    const int code = Tcl_Eval(interp_, script.c_str());
    return (code == TCL_OK ? "" : "error: ") + std::string(Tcl_GetStringResult(interp_));
  }

 private:
  Tcl_Interp* interp_;
  bool ok_ = false;
  std::string error_;
};

// Runs the work in `threads` threads at once; each thread's answer.
std::vector<std::string> RunWorkers(int threads, int rounds) {
  ScratchDir scratch;
  std::vector<std::string> timing;
  for (int n = 0; n < threads; ++n) {
    timing.push_back(MakeProject(scratch, n));
  }
  std::vector<std::string> answers(static_cast<std::size_t>(threads));
  std::latch start(threads);
  std::vector<std::thread> workers;
  for (int n = 0; n < threads; ++n) {
    workers.emplace_back([&, n] {
      start.arrive_and_wait();
      {
        WorkerInterp interp;
        std::string& answer = answers[static_cast<std::size_t>(n)];
        if (!interp.Ok()) {
          answer = "cannot load: " + interp.Error();
        } else {
          interp.Eval(kWorkScript);
          const std::string dir = (scratch.Path() / ("p" + std::to_string(n))).string();
          answer = interp.Eval("work " + std::to_string(n) + " {" + dir + "} {" +
                               timing[static_cast<std::size_t>(n)] + "} " + std::to_string(rounds) +
                               " 1000");
        }
      }
      Tcl_FinalizeThread();
    });
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  return answers;
}

TEST(Threads, TwoInterpretersKeepTheirOwnValuesAndReports) {
  const std::vector<std::string> answers = RunWorkers(2, Rounds());
  EXPECT_EQ(answers, std::vector<std::string>(2, "0 {}"));
}

TEST(Threads, FourInterpretersKeepTheirOwnValuesAndReports) {
  const std::vector<std::string> answers = RunWorkers(4, Rounds());
  EXPECT_EQ(answers, std::vector<std::string>(4, "0 {}"));
}

TEST(Threads, InterpretersLoadingAtOnceEachGetEveryCommand) {
  constexpr int kThreads = 4;
  std::vector<std::string> answers(kThreads);
  std::latch start(kThreads);
  std::vector<std::thread> workers;
  for (int n = 0; n < kThreads; ++n) {
    workers.emplace_back([&, n] {
      start.arrive_and_wait();
      {
        WorkerInterp interp;
        answers[static_cast<std::size_t>(n)] = interp.Eval(
            "list [info commands ::GenerateVerifyReport] "
            "[llength [info commands {::[GS]et*Info}]] [info commands ::Report]");
      }
      Tcl_FinalizeThread();
    });
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  EXPECT_EQ(answers, std::vector<std::string>(kThreads, "::GenerateVerifyReport 10 ::Report"));
}

TEST(Threads, AWorkerLeavesTheMainInterpretersValuesAlone) {
  Tcl("SetRTLInfo -latency main-value");
  const std::vector<std::string> answers = RunWorkers(1, 100);
  EXPECT_EQ(answers, std::vector<std::string>{"0 {}"});
  EXPECT_EQ(Tcl("GetRTLInfo -latency"), "main-value");
  Tcl("SetRTLInfo -latency 0");
}

// A regression of many files through ::ReportApp::verify with --jobs 2
// (worker threads with interpreters of their own) against --jobs 1: the same
// file results, and WRN-0004 raised in the calling interpreter just as often.
// Under ThreadSanitizer (scripts/test-tsan.sh) this is the --jobs pass.
TEST(Threads, VerifyJobsTwoRaisesWhatJobsOneDoes) {
  ScratchDir scratch;
  scratch.Write("Reports/.keep", "");
  std::string files;
  for (int n = 0; n < 24; ++n) {
    // Every third file has a start record only: no clocks between outputs.
    const std::string text = n % 3 == 0 ? "0 start 0 0x1 0x1\n"
                                        : "0 start 0\n10 out 4 0x1 0x1\n20 out " +
                                              std::to_string(3 + n % 5) + " 0x2 0x3\n";
    files += " {" +
             scratch.Write("t/kv_timing_Korvel_TestVector_" + std::to_string(n) + ".txt", text) +
             "}";
  }
  Tcl("rename ::Messaging::Message ::Messaging::threadsSaved");
  Tcl("proc ::Messaging::Message {args} {lappend ::threadsMessages [lindex $args 3]}");
  Tcl("set ::DR::950255 1");
  std::vector<std::string> outcomes;
  for (const char* jobs : {"1", "2"}) {
    Tcl("set ::threadsMessages {}");
    const std::string result =
        Tcl("set d [::ReportApp::verify --no-index --jobs " + std::string(jobs) + " --project {" +
            scratch.Path().string() + "}" + files +
            "]; lmap f [dict get $d files] {dict remove $f seconds}");
    outcomes.push_back(result + " | " + Tcl("set ::threadsMessages"));
  }
  Tcl("set ::DR::950255 0");
  Tcl("rename ::Messaging::Message {}; rename ::Messaging::threadsSaved ::Messaging::Message");
  EXPECT_EQ(outcomes[0], outcomes[1]);
  EXPECT_NE(outcomes[0].find("| WRN-0004"), std::string::npos) << outcomes[0];
}

}  // namespace
