// The command dispatcher: switch parsing, status mapping and the exception
// boundary, on an application of the test's own.
#include <gtest/gtest.h>

#include <stdexcept>

#include "host/AppMgr.h"
#include "support/TestSupport.h"

namespace {

class ProbeCallBack : public CKorvelAppCallBack {
 public:
  // Echoes the switches as {switch value} pairs, in call order.
  TAppStatus Echo(CCmdArguments* args, CTclResultObj* result) {
    result->MakeList();
    for (int i = 0; i < args->GetNumArgs(); ++i) {
      CTclDataObj pair;
      pair.MakeList();
      pair.AppendElement(args->GetArg(i)->GetParameter()->GetSwitchName());
      pair.AppendElement(*args->GetArg(i));
      result->AppendElement(pair);
    }
    return kAppOk;
  }
  TAppStatus Throw(CCmdArguments*, CTclResultObj*) { throw std::runtime_error("handler blew up"); }
  TAppStatus ThrowOther(CCmdArguments*, CTclResultObj*) { throw 42; }
  TAppStatus FailWithText(CCmdArguments*, CTclResultObj* result) {
    result->AppendElement("it did not work");
    return kAppError;
  }
  TAppStatus FailSilently(CCmdArguments*, CTclResultObj*) { return kAppFailed; }
  TAppStatus FindLast(CCmdArguments* args, CTclResultObj* result) {
    CCmdArgument* found = args->Find("-word");
    result->SetStringValue(found ? found->GetStringValue() : "absent");
    return kAppOk;
  }
};

class Dispatch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static ProbeCallBack callBack;
    CKorvelApp* app = CAppMgr::NewApp(&callBack, "Probe", "probe", false, "", true);
    CAppCommand* echo = app->AddCommand("probeEcho", "Echoes its switches", &ProbeCallBack::Echo);
    echo->AddParameter(echo->NewStringParameter("-word", "word", "A word.", false, false, "dflt"));
    echo->AddParameter(echo->NewBooleanParameter("-flag", "A flag.", false, false, false));
    CCmdParameter* secret = echo->NewStringParameter("-secret", "s", "Hidden.", false, false, "");
    secret->SetIsHidden(true);
    echo->AddParameter(secret);
    echo->NewBooleanParameter("-unpublished", "Never added.", false, false, false);
    app->AddCommand("probeThrow", "", &ProbeCallBack::Throw);
    app->AddCommand("probeThrowOther", "", &ProbeCallBack::ThrowOther);
    app->AddCommand("probeFailText", "", &ProbeCallBack::FailWithText);
    app->AddCommand("probeFailSilent", "", &ProbeCallBack::FailSilently);
    CAppCommand* find = app->AddCommand("probeFind", "", &ProbeCallBack::FindLast);
    find->AddParameter(find->NewStringParameter("-word", "word", "", false, false, ""));
    ASSERT_TRUE(CAppMgr::RegisterCommands(app));
  }
};

TEST_F(Dispatch, StringSwitchTakesTheNextWordEvenWithADash) {
  EXPECT_EQ(Tcl("probeEcho -word -flag -flag"), "{-word -flag} {-flag 1}");
}

TEST_F(Dispatch, HiddenSwitchesWorkButStayOutOfHelpAndErrors) {
  EXPECT_EQ(Tcl("probeEcho -secret x"), "{-secret x}");
  const std::string help = Tcl("probeEcho -help");
  EXPECT_NE(help.find("-word <word>"), std::string::npos);
  EXPECT_NE(help.find("(default \"dflt\")"), std::string::npos);
  EXPECT_EQ(help.find("-secret"), std::string::npos);
  EXPECT_EQ(TclError("probeEcho -nope"), "bad option \"-nope\": must be -word, -flag, or -help");
}

TEST_F(Dispatch, UnpublishedParametersAreNotSwitches) {
  EXPECT_EQ(TclError("probeEcho -unpublished").substr(0, 25), "bad option \"-unpublished\"");
}

TEST_F(Dispatch, PositionalWordsAndMissingValuesAreErrors) {
  EXPECT_EQ(TclError("probeEcho loose"), "bad option \"loose\": must be -word, -flag, or -help");
  EXPECT_EQ(TclError("probeEcho -word"), "missing value for \"-word\"");
  EXPECT_EQ(Tcl("set ::errorCode"), "REPORTAPP MISSINGVALUE -word");
}

TEST_F(Dispatch, FindGivesTheLastUseOfASwitch) {
  EXPECT_EQ(Tcl("probeFind -word a -word b"), "b");
  EXPECT_EQ(Tcl("probeFind"), "absent");
}

TEST_F(Dispatch, AThrowingHandlerGivesATclErrorAndTheInterpreterGoesOn) {
  EXPECT_EQ(TclError("probeThrow"), "handler blew up");
  EXPECT_EQ(Tcl("set ::errorCode"), "REPORTAPP EXCEPTION probeThrow");
  EXPECT_EQ(TclError("probeThrowOther"), "probeThrowOther failed with an unknown exception");
  EXPECT_EQ(Tcl("catch probeThrow msg; set msg"), "handler blew up");
  EXPECT_EQ(Tcl("expr {1 + 1}"), "2");
  EXPECT_EQ(Tcl("probeEcho -flag"), "{-flag 1}");
}

TEST_F(Dispatch, StatusTwoIsAnErrorWithTheResultTextAndThreeWithoutOne) {
  EXPECT_EQ(TclError("probeFailText"), "it did not work");
  EXPECT_EQ(Tcl("set ::errorCode"), "REPORTAPP ERROR probeFailText");
  EXPECT_EQ(TclError("probeFailSilent"), "probeFailSilent failed");
}

TEST(AppMgrMessages, TheSinkReceivesEveryTypeUnchanged) {
  CapturedMessages captured;
  CAppMgr::SendMsg(kMsgInfo, "an info line\n");
  CAppMgr::SendMsg(kMsgError, "an error");
  ASSERT_EQ(captured.Messages().size(), 2u);
  EXPECT_EQ(captured.Messages()[0], std::make_pair(kMsgInfo, std::string("an info line\n")));
  EXPECT_EQ(captured.Messages()[1], std::make_pair(kMsgError, std::string("an error")));
}

TEST(AppMgrMessages, AScriptHookReceivesTheSeverityAndText) {
  Tcl("set ::seen {}; set ::ReportApp::messageCommand {lappend ::seen}");
  CAppMgr::SendMsg(kMsgWarning, "careful {now}");
  Tcl("set ::ReportApp::messageCommand {}");
  EXPECT_EQ(Tcl("set ::seen"), "warning {careful {now}}");
}

}  // namespace
