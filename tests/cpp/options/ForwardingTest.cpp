// Forwarding option changes to the design flow, against the default
// DesignFlowMgr procedures.
#include <gtest/gtest.h>

#include <stdexcept>

#include "options/Options.h"
#include "options/ProjectForwarding.h"
#include "support/TestSupport.h"

namespace {

class Forwarding : public ::testing::Test {
 protected:
  void SetUp() override {
    Tcl("set ::DesignFlowMgr::options {}; set ::DesignFlowMgr::stages {}");
    Tcl("rename ::Messaging::Message ::Messaging::savedMessage");
    Tcl("set ::messages {}");
    Tcl("proc ::Messaging::Message {args} {lappend ::messages $args; return \"text: $args\"}");
  }
  void TearDown() override {
    Tcl("rename ::Messaging::Message {}; rename ::Messaging::savedMessage ::Messaging::Message");
    Tcl("if {[info commands ::DesignFlowMgr::savedSet] ne {}} {"
        " rename ::DesignFlowMgr::SetProjectOptionOrDirective {};"
        " rename ::DesignFlowMgr::savedSet ::DesignFlowMgr::SetProjectOptionOrDirective }");
  }
  static std::string Told() { return Tcl("set ::DesignFlowMgr::options"); }
  static void BreakTheFlow() {
    Tcl("rename ::DesignFlowMgr::SetProjectOptionOrDirective ::DesignFlowMgr::savedSet");
    Tcl("proc ::DesignFlowMgr::SetProjectOptionOrDirective {args} {error {flow is down}}");
  }
};

TEST_F(Forwarding, AProjectStoreForwardsTheNameWithoutItsDash) {
  COptions store("SetProjectOption");
  EXPECT_TRUE(store.MirrorsToProject());
  store.AddOption("-latency", "0", true, false, false, false, "");
  store.SetOptionValue("-latency", "12", false);
  EXPECT_EQ(Told(), "latency 1");
  store.SetOptionValue("-latency", "13", true);  // quiet
  EXPECT_EQ(Told(), "latency 1");
  COptions directives("myflow_SetDirective_x");
  EXPECT_TRUE(directives.MirrorsToProject());
}

TEST_F(Forwarding, AReportStoreForwardsNothingOnSetButDoesOnAddWithValue) {
  COptions store("Report");
  store.AddOption("-latency", "0", true, false, false, false, "");
  store.SetOptionValue("-latency", "12", false);
  EXPECT_EQ(Told(), "");
  store.AddOptionWithValue("-w", "1", "wordlength", true, false, false, false, "", false);
  EXPECT_EQ(Told(), "wordlength 1");
  store.AddOptionWithValue("-x", "1", "excluded", true, false, false, true, "", false);
  store.AddOptionWithValue("-q", "1", "quiet", true, false, false, false, "", true);
  EXPECT_EQ(Told(), "wordlength 1");
}

TEST_F(Forwarding, RemovingFromAProjectStoreForwardsTheProjectName) {
  COptions store("SetProjectOption");
  store.AddOption("-a", "0", true, false, false, false, "");
  EXPECT_EQ(store.RemoveOption("-a", "-a_project", false), 1);
  EXPECT_EQ(Told(), "a_project 1");
  EXPECT_EQ(store.RemoveOption("-a", "-a_project", false), 3);
  EXPECT_EQ(Told(), "a_project 1");
}

TEST_F(Forwarding, AnEmptyNameEvaluatesNothing) {
  BreakTheFlow();  // would raise if anything were evaluated
  EXPECT_NO_THROW(ForwardOptionToProject("", false));
  EXPECT_NO_THROW(ForwardOptionToProject(nullptr, false));
  EXPECT_EQ(Tcl("set ::messages"), "");
}

TEST_F(Forwarding, AFailingFlowRaisesCommand0001AndKeepsTheNewValue) {
  COptions store("SetProjectOption");
  store.AddOption("-latency", "0", true, false, false, false, "");
  BreakTheFlow();
  try {
    store.SetOptionValue("-latency", "99", false);
    FAIL() << "expected COMMAND-0001";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).substr(0, 6), "text: ");
  }
  EXPECT_EQ(Tcl("set ::messages"),
            "{-severity error -msgid COMMAND-0001 -fileinfo {{} 0} -params {{} "
            "{::DesignFlowMgr::SetProjectOptionOrDirective -name latency}}}");
  EXPECT_EQ(store.GetOptionValue("-latency"), "99");
  EXPECT_NO_THROW(ForwardOptionToProject("-latency", true));  // quiet: no message
}

TEST_F(Forwarding, RegisteringAnOptionWithAStage) {
  EXPECT_TRUE(RegisterOptionInFlowStage("latency", "rtl gen", false));
  EXPECT_EQ(Tcl("set ::DesignFlowMgr::stages"), "latency {{rtl gen}}");
  Tcl("rename ::DesignFlowMgr::RegisterOptionInFlow ::savedRegister");
  Tcl("proc ::DesignFlowMgr::RegisterOptionInFlow {args} {error down}");
  EXPECT_FALSE(RegisterOptionInFlowStage("a", "b", true));
  EXPECT_EQ(Tcl("set ::messages"), "");
  EXPECT_THROW(RegisterOptionInFlowStage("a", "b", false), std::runtime_error);
  EXPECT_EQ(Tcl("lindex $::messages 0 end"),
            "{} {::DesignFlowMgr::RegisterOptionInFlow -option a -stage b}");
  Tcl("rename ::DesignFlowMgr::RegisterOptionInFlow {}; rename ::savedRegister "
      "::DesignFlowMgr::RegisterOptionInFlow");
}

TEST_F(Forwarding, WarnOptionOnceWarnsOnceUntilCleared) {
  COptions store("Report");
  store.AddOption("-a", "0", true, false, false, false, "");
  store.AddOption("-b", "0", true, false, false, false, "");
  EXPECT_EQ(store.WarnOptionOnce("-a"), 1);
  store.WarnOptionOnce("-a");
  store.WarnOptionOnce("-missing");
  EXPECT_EQ(Tcl("set ::messages"),
            "{-severity warning -msgid DIR-0005 -fileinfo {{}} -params {{} -a}}");
  EXPECT_TRUE(store.GetOption("-a")->IsWarned());
  store.ClearOptionWarning("-a");
  store.WarnOptionOnce("-a");
  store.WarnOptionOnce("-b");
  EXPECT_EQ(Tcl("llength $::messages"), "3");
  store.ClearAllWarnings();
  store.WarnOptionOnce("-a");
  store.WarnOptionOnce("-b");
  EXPECT_EQ(Tcl("llength $::messages"), "5");
}

}  // namespace
