// The word sequence every reporter hands to Messaging::Message, recorded by a
// test version of that procedure.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "diagnostics/MessageReport.h"
#include "host/TclDataObj.h"
#include "support/TestSupport.h"

namespace {

class MessageWords : public ::testing::Test {
 protected:
  void SetUp() override {
    Tcl("rename ::Messaging::Message ::Messaging::savedMessage");
    Tcl("proc ::Messaging::Message {args} {set ::recorded $args; return \"text of $args\"}");
    Tcl("set ::recorded {}");
  }
  void TearDown() override {
    Tcl("rename ::Messaging::Message {}");
    Tcl("rename ::Messaging::savedMessage ::Messaging::Message");
  }
  static std::string Recorded() { return Tcl("set ::recorded"); }
};

// Sent to the stream, a numbered message reaches the same place as a plain
// one: here the C++ sink, as one line of severity, place, text and id.
TEST(NumberedMessageSink, EverySeverityReachesTheSinkAsOneLine) {
  CapturedMessages messages;
  ReportWarning("DIR-0037", "vec.txt", 3, std::string("Fixd"), true);
  ReportInfo("DIR-0005", nullptr, -1, "opt", true);
  ReportDebug("ABC-0001", nullptr, -1, true);
  ReportErrorAndContinue("ABC-0002", "", -1, true);
  EXPECT_THROW(ReportError("ABC-0003", nullptr, -1, true), std::runtime_error);
  ReportWarning("WRN-0004", "", -1, "", false);  // not sent to the stream
  const std::vector<std::pair<TMsgType, std::string>> expected = {
      {kMsgWarning, "Warning: vec.txt:3: Unrecognised quantizer word \"Fixd\". (DIR-0037)"},
      {kMsgInfo,
       "Info: The option \"opt\" is not supported in this context and is ignored. (DIR-0005)"},
      {kMsgInfo, "Debug: Message ABC-0001: 0 (ABC-0001)"},
      {kMsgError, "Error: Message ABC-0002: 0 (ABC-0002)"},
      {kMsgError, "Error: Message ABC-0003: 0 (ABC-0003)"},
  };
  EXPECT_EQ(messages.Messages(), expected);
}

TEST_F(MessageWords, WarningWithEmptyFileAndOneEmptyParameter) {
  const std::string text = ReportWarning("WRN-0004", "", -1, "", true);
  // fileinfo is a list with one empty element; params a list of two.
  EXPECT_EQ(Recorded(), "-severity warning -msgid WRN-0004 -fileinfo {{}} -params {{} {}}");
  EXPECT_EQ(Tcl("llength [lindex $::recorded 5]"), "1");
  EXPECT_EQ(Tcl("llength [lindex $::recorded 7]"), "2");
  EXPECT_EQ(text, "text of " + Recorded());
}

TEST_F(MessageWords, DontSendToStreamComesRightAfterTheProcedureName) {
  ReportInfo("DIR-0005", nullptr, -1, "opt", false);
  EXPECT_EQ(Recorded(), "-dontsendtostream -severity info -msgid DIR-0005 -params {{} opt}");
}

TEST_F(MessageWords, LineZeroIsFileInformationAndOnlyMinusOneIsLeftOut) {
  ReportDebug("COMMAND-0001", "", 0, std::string("cmd text"), true);
  EXPECT_EQ(Recorded(),
            "-severity debug -msgid COMMAND-0001 -fileinfo {{} 0} -params {{} {cmd text}}");
  ReportErrorAndContinue("X-0001", "a b.txt", 12, true);
  EXPECT_EQ(Recorded(),
            "-severity error_and_continue -msgid X-0001 -fileinfo {{a b.txt} 12} -params {{} 0}");
}

TEST_F(MessageWords, NullFileLeavesOutFileInformationEvenWithALine) {
  ReportWarning("QTZ-0040", nullptr, 7, true);
  EXPECT_EQ(Recorded(), "-severity warning -msgid QTZ-0040 -params {{} 0}");
}

TEST_F(MessageWords, EmptyOrNullParameterListsLeaveOutParams) {
  CTclDataObj empty;
  empty.MakeList();
  ReportInfo("A-0001", nullptr, -1, &empty, true);
  EXPECT_EQ(Recorded(), "-severity info -msgid A-0001");
  ReportInfo("A-0002", nullptr, -1, static_cast<const CTclDataObj*>(nullptr), true);
  EXPECT_EQ(Recorded(), "-severity info -msgid A-0002");
}

TEST_F(MessageWords, ListParametersArePassedInOrderAfterAnEmptyElement) {
  CTclDataObj params;
  params.MakeList();
  params.AppendElement("first one");
  params.AppendElement("[second]");
  ReportWarning("A-0003", "f", -1, &params, true);
  EXPECT_EQ(Recorded(),
            "-severity warning -msgid A-0003 -fileinfo f -params {{} {first one} {[second]}}");
}

TEST_F(MessageWords, NullIdEmitsNothing) {
  EXPECT_EQ(ReportWarning(nullptr, "", -1, true), "");
  EXPECT_EQ(Recorded(), "");
  EXPECT_THROW(ReportError(nullptr, "", -1, true), std::runtime_error);
  EXPECT_EQ(Recorded(), "");
}

TEST_F(MessageWords, ErrorEmitsFirstThenThrowsTheText) {
  bool after = false;
  try {
    ReportError("DIR-0037", "vec.txt", 1, "Fixed", true);
    after = true;
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "text of -severity error -msgid DIR-0037 -fileinfo {vec.txt 1} -params {{} Fixed}");
  }
  EXPECT_FALSE(after);
  EXPECT_EQ(Recorded(), "-severity error -msgid DIR-0037 -fileinfo {vec.txt 1} -params {{} Fixed}");
}

TEST(MessageCatalogue, TheDefaultProcedureSubstitutesParametersAndNamesUnknownIds) {
  EXPECT_EQ(ReportWarning("DIR-0037", "", -1, "Fixed", false),
            "Unrecognised quantizer word \"Fixed\".");
  EXPECT_EQ(ReportInfo("ZZZ-0001", nullptr, -1, "p", false), "Message ZZZ-0001: p");
  EXPECT_EQ(ReportInfo("COMMAND-0001", nullptr, -1, std::string("x y"), false),
            "The command \"x y\" failed.");
}

}  // namespace
