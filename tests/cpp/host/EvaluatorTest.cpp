// Words appended to an evaluator reach the command unchanged, and evaluation
// leaves the interpreter's own state alone.
#include <gtest/gtest.h>

#include "host/HostInterp.h"
#include "host/TclDataObj.h"
#include "support/TestSupport.h"

namespace {

// A command that hands back its words as a list.
class EvaluatorWords : public ::testing::Test {
 protected:
  void SetUp() override { Tcl("proc ::echoWords {args} {return $args}"); }
  void TearDown() override { Tcl("rename ::echoWords {}"); }
};

TEST_F(EvaluatorWords, EveryAwkwardWordArrivesAsOneUnchangedWord) {
  const std::vector<std::string> words = {"a path/with spaces.txt",
                                          "{unbalanced",
                                          "}",
                                          "[exit 3]",
                                          "$HOME",
                                          "back\\slash",
                                          "\"quoted\"",
                                          "semi;colon",
                                          "{*}{a b}",
                                          "#comment",
                                          "-leading-dash",
                                          "",
                                          "tab\there",
                                          "new\nline"};
  CTclEvalObj command("echoWords");
  for (const std::string& w : words) {
    command.AppendElement(w);
  }
  ASSERT_TRUE(command.Evaluate(false)) << command.GetResultMessage();
  const CTclResultObj& result = command.GetResult();
  ASSERT_EQ(result.GetNumElements(), static_cast<int>(words.size()));
  for (int i = 0; i < result.GetNumElements(); ++i) {
    EXPECT_EQ(result.GetElement(i).GetStringValue(), words[static_cast<std::size_t>(i)]);
  }
}

TEST_F(EvaluatorWords, AWordStartingWithExpandOrHashIsNotExpandedOrAComment) {
  CTclEvalObj command("echoWords first");
  command.AppendElement("{*}{x y z}");
  command.AppendElement("# not a comment");
  ASSERT_TRUE(command.Evaluate(false));
  EXPECT_EQ(command.GetResult().GetNumElements(), 3);
  EXPECT_EQ(command.GetResult().GetElement(1).GetStringValue(), "{*}{x y z}");
}

TEST_F(EvaluatorWords, ThePrefixMayAlreadyHoldWords) {
  CTclEvalObj command("echoWords -force --");
  command.AppendElement("-x");
  ASSERT_TRUE(command.Evaluate(false));
  EXPECT_EQ(command.GetResult().GetStringValue(), "-force -- -x");
}

TEST_F(EvaluatorWords, APrefixThatIsNoListStillTakesWordsUnsubstituted) {
  CTclEvalObj command("echoWords \"unterminated");
  command.AppendElement("[exit 4]");
  EXPECT_FALSE(command.Evaluate(false));  // the prefix itself is broken
  Tcl("set ::probe alive");
  EXPECT_EQ(Tcl("set ::probe"), "alive");
}

TEST_F(EvaluatorWords, TheCommandTextQuotesEachWord) {
  CTclEvalObj command("DesignFlowMgr::SetProjectOptionOrDirective -name");
  command.AppendElement("latency");
  EXPECT_EQ(command.GetStringValue(), "DesignFlowMgr::SetProjectOptionOrDirective -name latency");
  CTclEvalObj spaced("MemoryInfo::MemoryInfo ");
  spaced.AppendElement("a b");
  spaced.AppendElement("#x");
  EXPECT_EQ(spaced.GetStringValue(), "MemoryInfo::MemoryInfo {a b} {#x}");
}

TEST_F(EvaluatorWords, PlusEqualsAppendsTheOtherResultAsOneWord) {
  CTclEvalObj inner("list a b");
  ASSERT_TRUE(inner.Evaluate(false));
  CTclEvalObj outer("echoWords");
  outer += inner;
  ASSERT_TRUE(outer.Evaluate(false));
  EXPECT_EQ(outer.GetResult().GetNumElements(), 1);
  EXPECT_EQ(outer.GetResult().GetElement(0).GetStringValue(), "a b");
}

TEST_F(EvaluatorWords, AssigningAScriptDropsTheWords) {
  CTclEvalObj command("echoWords");
  command.AppendElement("gone");
  command = "echoWords kept";
  ASSERT_TRUE(command.Evaluate(false));
  EXPECT_EQ(command.GetResult().GetStringValue(), "kept");
}

TEST(EvaluatorScript, WithoutWordsThePrefixIsAScript) {
  CTclEvalObj command("expr {[string length abcd] * 256} / 1024");
  ASSERT_TRUE(command.Evaluate(false));
  EXPECT_EQ(command.GetResult().GetIntValue(), 1);
}

TEST(EvaluatorScript, FailureKeepsTheErrorTextAndLeavesTheInterpreterResult) {
  Tcl_SetObjResult(TestInterp(), Tcl_NewStringObj("caller's result", -1));
  CTclEvalObj command("error {it broke}");
  EXPECT_FALSE(command.Evaluate(false));
  EXPECT_EQ(command.GetResultMessage(), "it broke");
  EXPECT_EQ(command.GetResult().GetStringValue(), "it broke");
  EXPECT_STREQ(Tcl_GetStringResult(TestInterp()), "caller's result");
}

TEST(EvaluatorScript, GlobalFlagEvaluatesAtGlobalLevel) {
  Tcl("proc ::inProc {} { set local 1; return [::evalFromC] }");
  Tcl_CreateObjCommand(
      TestInterp(), "::evalFromC",
      [](ClientData, Tcl_Interp* interp, int, Tcl_Obj* const*) {
        CTclEvalObj local("info level");
        local.Evaluate(false);
        CTclEvalObj global("info level");
        global.Evaluate(true);
        Tcl_SetObjResult(interp, Tcl_NewStringObj((local.GetResult().GetStringValue() + " " +
                                                   global.GetResult().GetStringValue())
                                                      .c_str(),
                                                  -1));
        return TCL_OK;
      },
      nullptr, nullptr);
  EXPECT_EQ(Tcl("::inProc"), "1 0");
  Tcl("rename ::inProc {}; rename ::evalFromC {}");
}

TEST(EvaluatorScript, WithoutABoundInterpreterEvaluationFails) {
  CScopedHostInterp none(nullptr);
  CTclEvalObj command("set x 1");
  EXPECT_FALSE(command.Evaluate(false));
  EXPECT_FALSE(command.GetResultMessage().empty());
}

}  // namespace
