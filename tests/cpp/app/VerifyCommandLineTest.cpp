#include "app/VerifyCommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct CliOutcome {
  int status;
  std::string out;
  std::string err;
};

CliOutcome RunCli(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunVerifyCommandLine(TestInterp(), static_cast<int>(argv.size()), argv.data(),
                                          out, err, false);
  return {status, out.str(), err.str()};
}

class CommandLineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir_.Path() / "Reports");
    Tcl("set ::DR::950255 0; set ::DR::952688_enable_53_bit_IO 0");
  }
  void TearDown() override { Tcl("SetProjectOption -directory [pwd]"); }
  std::string Dir() const { return dir_.Path().string(); }

  ScratchDir dir_;
};

}  // namespace

TEST(VerifyCommandLineUsage, HelpAndBadWords) {
  const CliOutcome help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, VerifyUsageText());
  EXPECT_NE(help.out.find("Exit status: 0 every file passes"), std::string::npos);

  const CliOutcome unknown = RunCli({"--bogus", "t.txt"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "reportapp verify: unknown option \"--bogus\"\n");

  EXPECT_EQ(RunCli({}).status, 2);
  EXPECT_EQ(RunCli({"--project"}).err, "reportapp verify: --project needs a directory\n");
}

TEST_F(CommandLineFixture, AgreeingFilesExitZeroWithOneLineEach) {
  const std::string a =
      dir_.Write("kv_timing_Korvel_TestVector_1.txt", "0 s 0\n1 o 7 a a\n2 o 4\n");
  const std::string b = dir_.Write("kv_timing_Korvel_TestVector_2.txt", "0 s 0\n");
  const CliOutcome run = RunCli({"--project", Dir(), "--allow-empty", a, b});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            a + ": 3 records, 0 disagreeing values, latency 7, clocks min 4 max 4, report " +
                Dir() + "/Reports/kv_timing_Korvel_TestVector_1_rtl.htm\n" + b +
                ": 1 records, 0 disagreeing values, no output records, report " + Dir() +
                "/Reports/kv_timing_Korvel_TestVector_2_rtl.htm\n" +
                "total: 2 files, 4 records, 0 disagreeing values, latency 7, clocks min "
                "4 max 4; 1 passed, 0 failed, 1 empty, 0 errors\n" +
                "index: " + Dir() + "/Reports/index.htm\n");
}

TEST_F(CommandLineFixture, DisagreementExitsOneAndCountsValues) {
  const std::string t =
      dir_.Write("kv_timing_Korvel_TestVector_1.txt", "0 s 0\n1 o 7 a b c c d\n2 o 5 x y\n");
  const CliOutcome run = RunCli({"--project=" + Dir(), "--impl", t});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find(": 3 records, 3 disagreeing values (1 unknown X/Z, 1 not a number, 1 off "
                         "by one LSB), latency 7, clocks min 5 max 5"),
            std::string::npos)
      << run.out;
  EXPECT_TRUE(fs::exists(dir_.Path() / "Reports" / "kv_timing_Korvel_TestVector_1_impl.htm"));
}

TEST_F(CommandLineFixture, ErrorsExitTwoAndNameTheFile) {
  const std::string missing = Dir() + "/kv_timing_Korvel_TestVector_9.txt";
  const CliOutcome run = RunCli({"--project", Dir(), missing});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "reportapp verify: cannot open timing file \"" + missing +
                         "\": No such file or directory\n");
}

TEST_F(CommandLineFixture, RealValuesThroughTheVectorFile) {
  dir_.Write("FixedPointM/Korvel_TestVector_1.txt", "%fixed wrap floor [16 4]\n");
  const std::string t = dir_.Write("kv_timing_Korvel_TestVector_1.txt", "0 s 0\n1 o 3 0x0018 18\n");
  const CliOutcome run = RunCli({"--project", Dir(), "--real-values", t});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string report =
      ReadFile((dir_.Path() / "Reports" / "kv_timing_Korvel_TestVector_1_rtl.htm").string());
  EXPECT_NE(report.find("<font color=\"red\">1.500000000000000e+000</font>"), std::string::npos);
}

TEST_F(CommandLineFixture, SkippedRecordsAreWarnedOnTheErrorStream) {
  const std::string t = dir_.Write("kv_timing_Korvel_TestVector_1.txt", "0 s 0\nx\n1 o 2 a a\n");
  const CliOutcome run = RunCli({"--project", Dir(), t});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "warning: timing file \"" + t +
                         "\" line 2: skipped a record of 1 token (a record needs a time, a second "
                         "field and a clock count)\n");
}
