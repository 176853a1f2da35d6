// Host procedures and Tcl commands are called by their fully qualified names:
// code run from a command called inside a namespace that defines look-alikes
// of them reaches the real ones.
#include <gtest/gtest.h>
#include <tcl.h>

#include <functional>
#include <string>

#include "diagnostics/Clock.h"
#include "diagnostics/MemoryCheckpoint.h"
#include "diagnostics/MessageReport.h"
#include "fixedpoint/ProjectDefaults.h"
#include "fixedpoint/Quantizer.h"
#include "host/HostInterp.h"
#include "options/ProjectForwarding.h"
#include "support/TestSupport.h"
#include "util/FilePath.h"

namespace {

// Look-alikes of every host procedure and Tcl command the plug-in calls.
constexpr const char* kLookalikes = R"TCL(
namespace eval ::mytool {
    namespace eval MemoryInfo { proc MemoryInfo args { return 1 } }
    namespace eval Messaging { proc Message args { lappend ::captured Message; return hijacked } }
    namespace eval DesignFlowMgr {
        proc SetProjectOptionOrDirective args { lappend ::captured SetProjectOptionOrDirective }
        proc RegisterOptionInFlow args { lappend ::captured RegisterOptionInFlow }
    }
    proc GetProjectOption args { lappend ::captured GetProjectOption; return upward }
    proc GetMatlabMajorVersionNumber args { lappend ::captured Version; return 14 }
    proc Report args { lappend ::captured Report; return 1 }
    proc file args { lappend ::captured file; return hijacked }
    proc clock args { lappend ::captured clock; return 0 }
    proc expr args { lappend ::captured expr; return -1 }
    proc pwd args { lappend ::captured pwd; return /hijacked }
}
)TCL";

// Runs a C++ action as the Tcl command ::qualifiedTest::run, called from
// inside ::mytool, so that the action's evaluations start in that namespace.
class CalledFromNamespace : public ::testing::Test {
 protected:
  void SetUp() override {
    Tcl(kLookalikes);
    Tcl("set ::captured {}; namespace eval ::qualifiedTest {}");
    Tcl_CreateObjCommand(TestInterp(), "::qualifiedTest::run", Run, &action_, nullptr);
  }
  void TearDown() override {
    Tcl("namespace delete ::mytool ::qualifiedTest");
    Tcl("set ::Settings::Debug_MemoryMsgs 0");
  }

  std::string RunInside(std::function<std::string()> action) {
    action_ = std::move(action);
    return Tcl("namespace eval ::mytool ::qualifiedTest::run");
  }

 private:
  static int Run(ClientData data, Tcl_Interp* interp, int, Tcl_Obj* const[]) {
    try {
      const std::string result = (*static_cast<std::function<std::string()>*>(data))();
      Tcl_SetObjResult(interp, Tcl_NewStringObj(result.c_str(), -1));
      return TCL_OK;
    } catch (const std::exception& e) {
      Tcl_SetObjResult(interp, Tcl_NewStringObj(e.what(), -1));
      return TCL_ERROR;
    }
  }

  std::function<std::string()> action_;
};

TEST_F(CalledFromNamespace, ProjectForwardingReachesTheHostsDesignFlow) {
  Tcl("set ::DesignFlowMgr::options {}; set ::DesignFlowMgr::stages {}");
  RunInside([] {
    ForwardOptionToProject("-latency", false);
    return std::to_string(RegisterOptionInFlowStage("-latency", "rtl", false));
  });
  EXPECT_EQ(Tcl("set ::captured"), "");
  EXPECT_EQ(Tcl("set ::DesignFlowMgr::options"), "latency 1");
  EXPECT_EQ(Tcl("set ::DesignFlowMgr::stages"), "-latency rtl");
}

TEST_F(CalledFromNamespace, NumberedMessagesReachTheHostsMessaging) {
  const std::string text =
      RunInside([] { return ReportWarning("DIR-0037", nullptr, -1, std::string("Fixd"), false); });
  EXPECT_EQ(text, "Unrecognised quantizer word \"Fixd\".");
  EXPECT_EQ(Tcl("set ::captured"), "");
}

TEST_F(CalledFromNamespace, ClockAndMemoryCheckpointsUseTheRealCommands) {
  Tcl("set ::Settings::Debug_MemoryMsgs 1");
  CapturedMessages messages;
  const std::string clock = RunInside([] {
    MemoryCheckpoint("first");
    MemoryCheckpoint("second");
    return std::to_string(CurrentClockMs());
  });
  EXPECT_NE(clock, "0");
  EXPECT_EQ(Tcl("set ::captured"), "");
  ASSERT_FALSE(messages.Messages().empty());
  // A real working-set figure in KB, not the look-alike's -1.
  const std::string& line = messages.Messages().back().second;
  EXPECT_NE(line.find("Memory total="), std::string::npos) << line;
  EXPECT_EQ(line.find("Memory total=-"), std::string::npos) << line;
}

TEST_F(CalledFromNamespace, FilePathsUseTheRealFileCommand) {
  const std::string joined = RunInside([] {
    CFilePath path("/a/b");
    return static_cast<std::string>(path.Join("c.txt"));
  });
  EXPECT_EQ(joined, "/a/b/c.txt");
  EXPECT_EQ(Tcl("set ::captured"), "");
}

TEST_F(CalledFromNamespace, ProjectDefaultsAskTheRealProject) {
  Tcl("SetProjectOption -default_overflow_mode wrap -default_round_mode ceil");
  const std::string modes = RunInside([] {
    ForgetMatlabVersion();
    RefreshProjectDefaults(true);
    return std::to_string(GetDefaultOverflowMode()) + " " + std::to_string(GetDefaultRoundMode()) +
           " " + std::to_string(IsMatlab14());
  });
  Tcl("SetProjectOption -default_overflow_mode saturate -default_round_mode floor");
  RefreshProjectDefaults(true);
  ForgetMatlabVersion();
  EXPECT_EQ(modes, std::to_string(kOverflowWrap) + " " + std::to_string(kRoundCeil) + " 0");
  EXPECT_EQ(Tcl("set ::captured"), "");
}

}  // namespace
