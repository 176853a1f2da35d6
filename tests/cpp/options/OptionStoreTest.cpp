// The option store: records, declaration as switches, report lists and
// settings scripts.
#include <gtest/gtest.h>

#include <list>

#include "host/AppMgr.h"
#include "options/Options.h"
#include "support/TestSupport.h"

namespace {

THandler Nothing() {
  return [](CCmdArguments*, CTclResultObj*) { return kAppOk; };
}

TEST(OptionRecords, NewOptionsStartAtTheirDefault) {
  COptions store("Report");
  EXPECT_TRUE(store.AddOption("-a", "5", true, false, false, false, "about a"));
  EXPECT_TRUE(store.AddOption("-b", nullptr, true, false, false, false, ""));
  EXPECT_FALSE(store.AddOption("-a", "6", true, false, false, false, ""));
  EXPECT_EQ(store.GetOptionValue("-a"), "5");
  EXPECT_TRUE(store.IsOptionSet("-a"));
  EXPECT_FALSE(store.IsOptionSet("-b"));
  EXPECT_EQ(store.GetOptionDescription("-a"), "about a");
  EXPECT_EQ(store.GetOption("-a")->GetSetTime(), 0.0);
}

TEST(OptionRecords, NamesMatchExactly) {
  COptions store("Report");
  store.AddOption("-latency", "0", true, false, false, false, "");
  EXPECT_TRUE(store.HasOption("-latency"));
  EXPECT_FALSE(store.HasOption("latency"));
  EXPECT_EQ(store.GetOptionValue("latency"), "");
  EXPECT_EQ(store.GetOption("latency"), nullptr);
}

TEST(OptionRecords, SetStampsTimesAndResetReturnsToTheDefault) {
  COptions store("Report");
  store.AddOption("-a", "5", true, false, false, false, "");
  store.AddOption("-b", nullptr, true, false, false, false, "");
  EXPECT_EQ(store.GetLastChangeTime(), 0.0);
  store.SetOptionValue("-b", "x", false);
  EXPECT_TRUE(store.IsOptionSet("-b"));
  EXPECT_GT(store.GetLastChangeTime(), 1.6e12);  // milliseconds since 1970
  EXPECT_EQ(store.GetOption("-b")->GetSetTime(), store.GetLastChangeTime());
  store.SetOptionValue("-missing", "y", false);  // nothing happens
  EXPECT_FALSE(store.HasOption("-missing"));
  EXPECT_EQ(store.ResetOption("-b"), 1);
  EXPECT_FALSE(store.IsOptionSet("-b"));
  EXPECT_EQ(store.GetOptionValue("-b"), "");
  store.SetOptionValue("-a", "9", false);
  EXPECT_EQ(store.ResetAllOptions(), 1);
  EXPECT_EQ(store.GetOptionValue("-a"), "5");
  EXPECT_EQ(store.ResetOption("-missing"), 1);
}

TEST(OptionRecords, SetDefaultKeepsTheDefaultOnNullAndAlwaysCopiesIt) {
  COptions store("Report");
  store.AddOption("-a", nullptr, true, false, false, false, "");
  store.SetOptionValue("-a", "v", true);
  COptionRecord* record = store.GetOption("-a");
  record->SetDefault(nullptr);
  EXPECT_EQ(record->GetValue(), "");
  record->SetDefault("d");
  EXPECT_EQ(record->GetValue(), "d");
  record->ResetToDefault();
  EXPECT_TRUE(record->IsSet());
}

TEST(OptionRecords, RemoveAndClear) {
  COptions store("Report");
  store.AddOption("-a", "1", true, false, false, false, "");
  EXPECT_EQ(store.RemoveOption("-nothing", "nothing", false), 3);
  EXPECT_EQ(store.RemoveOption("-a", "a", false), 1);
  EXPECT_FALSE(store.HasOption("-a"));
  store.AddOption("-b", "1", true, false, false, false, "");
  store.HideOption("-c");
  EXPECT_TRUE(store.Clear());
  EXPECT_FALSE(store.HasOption("-b"));
  EXPECT_TRUE(store.IsOptionHidden("c"));
}

TEST(OptionRecords, AddWithValueMakesTheValueTheDefault) {
  COptions store("Report");
  store.AddOptionWithValue("-w", "7", "", true, false, false, false, "", true);
  EXPECT_EQ(store.GetOptionValue("-w"), "7");
  store.SetOptionValue("-w", "8", true);
  store.ResetOption("-w");
  EXPECT_EQ(store.GetOptionValue("-w"), "7");
  EXPECT_GT(store.GetLastChangeTime(), 0.0);
}

TEST(OptionHiding, OneLeadingDashIsIgnored) {
  COptions store("Report");
  store.HideOption("");
  store.HideOption("-x");
  store.HideOption("y");
  EXPECT_TRUE(store.IsOptionHidden("x"));
  EXPECT_TRUE(store.IsOptionHidden("-y"));
  EXPECT_FALSE(store.IsOptionHidden("--x"));
  EXPECT_FALSE(store.IsOptionHidden(""));
  std::list<std::string> names;
  store.GetHiddenOptionNames(names);
  EXPECT_EQ(names, (std::list<std::string>{"x", "y"}));
}

TEST(OptionDeclaration, AKeyBecomesAStringSetSwitchAndABooleanGetSwitch) {
  COptions store("Report");
  CAppCommand set("S", "", Nothing());
  CAppCommand get("G", "", Nothing());
  store.AddInfoOption(&set, &get, "latency", "0", true, false, false, false, nullptr,
                      "Gets the latency.", "Sets the latency.");
  ASSERT_EQ(set.GetParameters().size(), 1u);
  const CCmdParameter* s = set.GetParameters()[0];
  EXPECT_EQ(s->GetSwitchName(), "-latency");
  EXPECT_EQ(s->GetValueName(), "latency");
  EXPECT_FALSE(s->IsBoolean());
  EXPECT_EQ(s->GetDescription(), "Sets the latency.");
  const CCmdParameter* g = get.GetParameters()[0];
  EXPECT_TRUE(g->IsBoolean());
  EXPECT_EQ(g->GetDescription(), "Gets the latency.");
  EXPECT_FALSE(g->IsHidden());
  EXPECT_EQ(store.GetOptionValue("-latency"), "0");
}

TEST(OptionDeclaration, DeclaringTwiceKeepsOneRecordAndOneSwitch) {
  COptions store("Report");
  CAppCommand set("S", "", Nothing());
  CAppCommand get("G", "", Nothing());
  store.AddInfoOption(&set, &get, "k", "0", true, false, false, false, "d", nullptr, nullptr);
  store.SetOptionValue("-k", "5", true);
  store.AddInfoOption(&set, &get, "k", "1", true, false, false, false, "d", nullptr, nullptr);
  EXPECT_EQ(set.GetParameters().size(), 1u);
  EXPECT_EQ(get.GetParameters().size(), 1u);
  EXPECT_EQ(store.GetOptionValue("-k"), "5");
  EXPECT_EQ(set.GetParameters()[0]->GetDescription(), "Set d");
  EXPECT_EQ(get.GetParameters()[0]->GetDescription(), "Get d");
}

TEST(OptionDeclaration, ADeclaredKeyStillGetsSwitchesOnANewCommandPair) {
  COptions store("Report");
  CAppCommand set1("S", "", Nothing()), get1("G", "", Nothing());
  CAppCommand set2("S", "", Nothing()), get2("G", "", Nothing());
  store.AddInfoOption(&set1, &get1, "k", "0", true, false, false, false, "d", nullptr, nullptr);
  store.AddInfoOption(&set2, &get2, "k", "0", true, false, false, false, "d", nullptr, nullptr);
  EXPECT_EQ(set2.GetParameters().size(), 1u);
  EXPECT_EQ(get2.GetParameters().size(), 1u);
}

TEST(OptionDeclaration, ASharedGetCommandGetsTheSwitchOnce) {
  COptions store("Report");
  CAppCommand set1("S", "", Nothing()), set2("S2", "", Nothing()), get("G", "", Nothing());
  store.AddInfoOption(&set1, &get, "k", "0", true, false, false, false, "d", nullptr, nullptr);
  store.AddInfoOption(&set2, &get, "k", "0", true, false, false, false, "d", nullptr, nullptr);
  EXPECT_EQ(set2.GetParameters().size(), 1u);
  ASSERT_EQ(get.GetParameters().size(), 1u);
  EXPECT_EQ(get.GetParameters()[0]->GetSwitchName(), "-k");
  EXPECT_EQ(get.Usage().find("-k", get.Usage().find("-k") + 1), std::string::npos);
}

TEST(OptionDeclaration, AHiddenKeyDeclaredTwiceKeepsOneSwitchEach) {
  COptions store("Report");
  CAppCommand set("S", "", Nothing()), get("G", "", Nothing());
  store.HideOption("secret");
  store.AddInfoOption(&set, &get, "secret", "0", true, false, false, false, nullptr, nullptr,
                      nullptr);
  store.AddInfoOption(&set, &get, "secret", "0", true, false, false, false, nullptr, nullptr,
                      nullptr);
  EXPECT_EQ(set.GetParameters().size(), 1u);
  EXPECT_EQ(get.GetParameters().size(), 1u);
}

TEST(OptionDeclaration, HiddenBeforehandGivesHiddenSwitchesAndNoRecord) {
  COptions store("Report");
  CAppCommand set("S", "", Nothing());
  CAppCommand get("G", "", Nothing());
  store.HideOption("secret");
  store.AddInfoOption(&set, &get, "secret", "0", true, false, false, true, nullptr, nullptr,
                      nullptr);
  EXPECT_FALSE(store.HasOption("-secret"));
  ASSERT_EQ(set.GetParameters().size(), 1u);
  EXPECT_TRUE(set.GetParameters()[0]->IsHidden());
  EXPECT_TRUE(set.GetParameters()[0]->IsBoolean());
  EXPECT_TRUE(get.GetParameters()[0]->IsHidden());
  EXPECT_EQ(get.GetParameters()[0]->GetDescription(), "");
}

TEST(OptionDeclaration, UnreportableGivesHiddenSwitchesButARecord) {
  COptions store("Report");
  CAppCommand set("S", "", Nothing());
  CAppCommand get("G", "", Nothing());
  store.AddInfoOption(&set, &get, "quiet", "0", false, false, false, false, nullptr, nullptr,
                      nullptr);
  EXPECT_TRUE(store.HasOption("-quiet"));
  EXPECT_TRUE(set.GetParameters()[0]->IsHidden());
  EXPECT_TRUE(get.GetParameters()[0]->IsHidden());
}

TEST(OptionRendering, ReportListHasReportablePairsInByteOrder) {
  COptions store("Report");
  store.AddOption("-b", "2 two", true, false, false, false, "");
  store.AddOption("-a", "1", true, false, false, false, "");
  store.AddOption("-B", "0", true, false, false, false, "");
  store.AddOption("-hidden", "h", false, false, false, false, "");
  CTclDataObj out;
  out.MakeList();
  store.AppendReportList(out);
  EXPECT_EQ(out.GetStringValue(), "{-B 0} {-a 1} {-b {2 two}}");
}

TEST(OptionRendering, SettingsScriptSkipsUnreportableExcludedAndEmptyLines) {
  COptions store("SetProjectOption");
  store.AddOption("-latency", "12", true, false, false, false, "");
  store.AddOption("-empty", "", true, false, false, false, "");
  store.AddOption("-emptyWritten", "", true, true, false, false, "");
  store.AddOption("-excluded", "x", true, false, false, true, "");
  store.AddOption("-unreportable", "u", false, false, false, false, "");
  store.AddOption("-first", "v w", true, false, true, false, "");
  std::string script = "# existing\n";
  store.AppendSettingsScript(script);
  EXPECT_EQ(script,
            "# existing\n"
            "SetProjectOption -emptyWritten\n"
            "SetProjectOption {v w} -first\n"
            "SetProjectOption -latency 12\n");
}

TEST(OptionRendering, TheSettingsScriptSetsTheOptionsAgain) {
  COptions store("SetProjectOption");
  store.AddOption("-directory", "/tmp/a dir/[x]", true, false, false, false, "");
  std::string script;
  store.AppendSettingsScript(script);
  const std::string before = Tcl("GetProjectOption -directory");
  Tcl(script);
  EXPECT_EQ(Tcl("GetProjectOption -directory"), "/tmp/a dir/[x]");
  Tcl("SetProjectOption -directory {" + before + "}");
}

}  // namespace
