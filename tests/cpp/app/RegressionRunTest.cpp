// reportapp verify and summarize over a regression: summaries of every file
// status, figures against GenerateVerifyReport, --jobs, shards, names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/SummarizeCommandLine.h"
#include "app/VerifyCommandLine.h"
#include "app/VerifyOptions.h"
#include "app/VerifyRunner.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::vector<char*> Argv(std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  return argv;
}

Outcome Verify(std::vector<std::string> words) {
  std::vector<char*> argv = Argv(words);
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunVerifyCommandLine(TestInterp(), static_cast<int>(argv.size()), argv.data(),
                                          out, err, false);
  return {status, out.str(), err.str()};
}

Outcome Summarize(std::vector<std::string> words) {
  std::vector<char*> argv = Argv(words);
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunSummarizeCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

// The document without the fields that measure time.
json WithoutTimes(json document) {
  for (json& file : document["files"]) {
    file.erase("seconds");
  }
  return document;
}

json ReadJson(const std::string& path) {
  return json::parse(ReadFile(path));
}

class RegressionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir_.Path() / "Reports");
    Tcl("set ::DR::950255 0; set ::DR::952688_enable_53_bit_IO 0");
  }
  void TearDown() override { Tcl("SetProjectOption -directory [pwd]"); }
  std::string Dir() const { return dir_.Path().string(); }
  std::string Path(const std::string& name) const { return (dir_.Path() / name).string(); }
  std::string Vector(int n, const std::string& text) const {
    return dir_.Write("kv_timing_Korvel_TestVector_" + std::to_string(n) + ".txt", text);
  }
  // Files of every status and clock figures that depend on the file order.
  std::vector<std::string> Mixed() const {
    return {Vector(1, "0 s 0\n1 o 7 a a b b\n2 o 4 c c\n3 o 9 d d\n"),
            Vector(2, "0 s 0\n1 o 3 a x\n2 o 2 b b\n"), Vector(3, "0 s 0\n"),
            Path("kv_timing_Korvel_TestVector_4.txt"),  // missing
            Vector(5, "0 s 0\n1 o 11 q q\n2 o 6 r s\n3 o 1 t t\n")};
  }

  ScratchDir dir_;
};

}  // namespace

TEST_F(RegressionFixture, EveryStatusInJsonAndJUnitAndTheOtherFilesStillRun) {
  const Outcome run = Verify({"--project", Dir(), "--jobs", "1", "--json", Path("run.json"),
                              "--junit", Path("junit.xml"), "--first", "1"});
  EXPECT_EQ(run.status, 2);  // no file: an error
  std::vector<std::string> words{
      "--project",      Dir(),     "--jobs",          "1",       "--json",
      Path("run.json"), "--junit", Path("junit.xml"), "--first", "1"};
  const std::vector<std::string> files = Mixed();
  words.insert(words.end(), files.begin(), files.end());
  const Outcome mixed = Verify(words);
  EXPECT_EQ(mixed.status, 2);
  EXPECT_NE(mixed.err.find("reportapp verify: cannot open timing file \"" + files[3]),
            std::string::npos)
      << mixed.err;
  EXPECT_NE(mixed.out.find("total: 5 files, 12 records, 2 disagreeing values"), std::string::npos)
      << mixed.out;
  EXPECT_TRUE(fs::exists(dir_.Path() / "Reports" / "kv_timing_Korvel_TestVector_5_rtl.htm"));

  const json document = ReadJson(Path("run.json"));
  EXPECT_EQ(document["schema"], "reportapp-verify/2");
  EXPECT_EQ(document["level"], "rtl");
  const json& f = document["files"];
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0]["status"], "pass");
  EXPECT_EQ(f[1]["status"], "fail");
  EXPECT_EQ(f[2]["status"], "empty");
  EXPECT_EQ(f[3]["status"], "error");
  EXPECT_NE(f[3]["error"].get<std::string>().find("No such file or directory"), std::string::npos);
  EXPECT_EQ(f[1]["firstDisagreements"],
            json::parse(R"([{"line":2,"record":2,"clock":3,"pair":1,"fixedPoint":"a","rtl":"x",)"
                        R"("class":"unknown","errorLsb":null}])"));
  EXPECT_EQ(f[4]["firstDisagreements"].size(), 1u);  // --first 1
  EXPECT_EQ(document["totals"],
            json::parse(R"({"files":5,"records":12,"values":9,"disagreeing":2,"passed":1,)"
                        R"("failed":2,"empty":1,"errors":1,"unknown":1,"unreadable":1,)"
                        R"("textOnly":0,"lsb":0,"overflow":0,"sign":0,"scale":0,"numeric":0})"));
  EXPECT_EQ(f[1]["diagnosis"]["unknown"], 1);
  EXPECT_EQ(f[1]["channels"][0]["disagreeing"], 1);
  EXPECT_FALSE(f[3].contains("diagnosis")) << "a file that could not be read has none";
  EXPECT_EQ(document["withoutDiagnosis"], json::array());

  const std::string junit = ReadFile(Path("junit.xml"));
  EXPECT_NE(junit.find("tests=\"5\" failures=\"3\" errors=\"1\" skipped=\"0\""), std::string::npos)
      << junit;
  EXPECT_TRUE(fs::exists(dir_.Path() / "Reports" / "index.htm"));
}

// figures equal GenerateVerifyReport's result over the same files in order.
TEST_F(RegressionFixture, FiguresEqualTheCommandsResult) {
  std::vector<std::string> files = Mixed();
  files.erase(files.begin() + 3);  // the command stops at a missing file
  for (int turn = 0; turn < 2; ++turn) {
    std::vector<std::string> words{"--project", Dir(), "--no-index", "--json", Path("f.json")};
    words.insert(words.end(), files.begin(), files.end());
    Verify(words);
    const json figures = ReadJson(Path("f.json"))["figures"];
    std::string list;
    for (const std::string& file : files) {
      list += " {" + file + "}";
    }
    const std::string result = Tcl("SetProjectOption -directory {" + Dir() +
                                   "}; GenerateVerifyReport -timingfiles [list" + list + "]");
    EXPECT_EQ(result, std::to_string(figures["latency"].get<int>()) + " " +
                          std::to_string(figures["maxClocks"].get<int>()) + " " +
                          std::to_string(figures["minClocks"].get<int>()));
    std::reverse(files.begin(), files.end());
  }
}

TEST_F(RegressionFixture, TwoJobsWriteWhatOneJobWrites) {
  std::vector<std::string> files;
  for (int n = 1; n <= 12; ++n) {
    std::string text = "0 s 0\n";
    for (int r = 0; r < 200 + 37 * n; ++r) {
      text += std::to_string(r) + " o " + std::to_string(3 + (r * n) % 5) + " 1 1 2 " +
              (r % (n + 3) == 0 ? "3" : "2") + "\n";
    }
    files.push_back(Vector(n, text));
  }
  files.push_back(Vector(20, "0 s 0\n"));
  files.push_back(Path("missing.txt"));
  std::vector<std::string> reports;
  std::vector<json> documents;
  for (const char* jobs : {"1", "2"}) {
    std::vector<std::string> words{"--project", Dir(), "--jobs", jobs, "--json", Path("j.json")};
    words.insert(words.end(), files.begin(), files.end());
    const Outcome run = Verify(words);
    EXPECT_EQ(run.status, 2);
    std::string all = run.out;
    for (int n = 1; n <= 12; ++n) {
      all +=
          ReadFile(Path("Reports/kv_timing_Korvel_TestVector_" + std::to_string(n) + "_rtl.htm"));
    }
    all += ReadFile(Path("Reports/index.htm"));
    reports.push_back(all);
    documents.push_back(WithoutTimes(ReadJson(Path("j.json"))));
  }
  EXPECT_EQ(reports[0], reports[1]);
  EXPECT_EQ(documents[0], documents[1]);
}

// --no-plots leaves out the plot pages, the index strips and the JSON plot
// objects, and nothing else: the reports and figures stay as they are.
TEST_F(RegressionFixture, NoPlotsLeavesOutThePlotsOnly) {
  const std::vector<std::string> files = Mixed();
  std::vector<std::string> reports;
  std::vector<json> documents;
  for (const bool plots : {true, false}) {
    std::vector<std::string> words{"--project", Dir(), "--jobs", "2", "--json", Path("p.json")};
    if (!plots) {
      words.emplace_back("--no-plots");
    }
    words.insert(words.end(), files.begin(), files.end());
    const Outcome run = Verify(words);
    EXPECT_EQ(run.status, 2);
    const fs::path page = Path("Reports/kv_timing_Korvel_TestVector_1_rtl_plot.htm");
    EXPECT_EQ(fs::exists(page), plots);
    EXPECT_EQ(ReadFile(Path("Reports/index.htm")).find("_plot.htm") != std::string::npos, plots);
    fs::remove(page);
    json document = WithoutTimes(ReadJson(Path("p.json")));
    for (json& file : document["files"]) {
      EXPECT_EQ(file.contains("plot"), plots && file["status"] != "error") << file.dump();
      file.erase("plot");
    }
    documents.push_back(document);
    reports.push_back(run.out + ReadFile(Path("Reports/kv_timing_Korvel_TestVector_2_rtl.htm")));
  }
  EXPECT_EQ(reports[0], reports[1]);
  EXPECT_EQ(documents[0], documents[1]);
}

TEST_F(RegressionFixture, SummarizeOfTwoShardsEqualsOneRun) {
  const std::vector<std::string> files = Mixed();
  std::vector<std::string> one{"--project",      Dir(),     "--json",
                               Path("one.json"), "--junit", Path("one.xml")};
  one.insert(one.end(), files.begin(), files.end());
  Verify(one);
  const std::string oneIndex = ReadFile(Path("Reports/index.htm"));
  std::vector<std::string> a{"--project",    Dir(),    "--no-index", "--json",
                             Path("a.json"), files[0], files[1]};
  std::vector<std::string> b{"--project",    Dir(),    "--no-index", "--json",
                             Path("b.json"), files[2], files[3],     files[4]};
  EXPECT_EQ(Verify(a).status, 1);
  EXPECT_EQ(Verify(b).status, 2);
  fs::remove(Path("Reports/index.htm"));
  const Outcome merged = Summarize({"--json", Path("merged.json"), Path("a.json"), Path("b.json")});
  EXPECT_EQ(merged.status, 2);
  EXPECT_NE(merged.out.find("total: 2 shards, 5 files, 12 records"), std::string::npos)
      << merged.out;
  EXPECT_EQ(WithoutTimes(ReadJson(Path("merged.json"))), WithoutTimes(ReadJson(Path("one.json"))));
  EXPECT_TRUE(fs::exists(Path("Reports/index.htm")));

  // Another level is refused, naming the shard.
  std::vector<std::string> impl{"--project",       Dir(),   "--impl", "--no-index", "--json",
                                Path("impl.json"), files[0]};
  Verify(impl);
  const Outcome mixed = Summarize({"--no-index", Path("a.json"), Path("impl.json")});
  EXPECT_EQ(mixed.status, 2);
  EXPECT_EQ(mixed.err, "reportapp summarize: results \"" + Path("impl.json") +
                           "\": level \"impl\" differs from \"rtl\" of \"" + Path("a.json") +
                           "\"\n");
  EXPECT_EQ(Summarize({Path("nothing.json")}).status, 2);
}

TEST_F(RegressionFixture, EmptyFileExitsOneUnlessAllowed) {
  const std::string empty = Vector(1, "0 s 0\n1 o 4\n");
  EXPECT_EQ(Verify({"--project", Dir(), empty}).status, 1);
  const Outcome allowed = Verify({"--project", Dir(), "--allow-empty", "--junit", Path("j.xml"),
                                  "--json", Path("e.json"), empty});
  EXPECT_EQ(allowed.status, 0);
  EXPECT_NE(ReadFile(Path("j.xml")).find("<skipped"), std::string::npos);
  EXPECT_EQ(Summarize({"--no-index", Path("e.json")}).status, 1);
  EXPECT_EQ(Summarize({"--no-index", "--allow-empty", Path("e.json")}).status, 0);
}

TEST_F(RegressionFixture, QuietPrintsTheTotalAndErrorsOnly) {
  const std::vector<std::string> files = Mixed();
  std::vector<std::string> words{"--project", Dir(), "--quiet"};
  words.insert(words.end(), files.begin(), files.end());
  const Outcome run = Verify(words);
  EXPECT_EQ(run.out.rfind("total: 5 files", 0), 0u) << run.out;
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);
  EXPECT_EQ(run.err.rfind("reportapp verify: cannot open timing file", 0), 0u) << run.err;

  const Outcome toStdout = Verify({"--project", Dir(), "--json", "-", "--no-index", files[0]});
  EXPECT_EQ(json::parse(toStdout.out)["totals"]["passed"], 1);
  EXPECT_NE(toStdout.err.find("total: 1 files"), std::string::npos);
}

// Names are taken literally; two names with one report are refused before
// anything is written.
TEST_F(RegressionFixture, TildeNamesAreLiteralAndCollisionsAreRefused) {
  const fs::path before = fs::current_path();
  fs::current_path(dir_.Path());
  dir_.Write("~a.txt", "0 s 0\n1 o 2 a a\n");
  dir_.Write("~b.txt", "0 s 0\n1 o 2 b b\n");
  const Outcome tilde = Verify({"--project", Dir(), "~a.txt", "~b.txt"});
  EXPECT_EQ(tilde.status, 0) << tilde.err;
  EXPECT_TRUE(fs::exists(dir_.Path() / "Reports" / "~a_rtl.htm"));
  EXPECT_TRUE(fs::exists(dir_.Path() / "Reports" / "~b_rtl.htm"));
  EXPECT_FALSE(fs::exists(dir_.Path() / "Reports" / "_rtl.htm"));
  fs::current_path(before);

  fs::remove_all(dir_.Path() / "Reports");
  fs::create_directory(dir_.Path() / "Reports");
  const std::string first = dir_.Write("one/kv_timing_x.txt", "0 s 0\n1 o 2 a a\n");
  const std::string second = dir_.Write("two/kv_timing_x.txt", "0 s 0\n1 o 2 a a\n");
  const Outcome clash = Verify({"--project", Dir(), first, second});
  EXPECT_EQ(clash.status, 2);
  EXPECT_EQ(clash.err, "reportapp verify: timing files \"" + first + "\" and \"" + second +
                           "\" both map to the report \"" + Dir() +
                           "/Reports/kv_timing_x_rtl.htm\"; nothing was written\n");
  EXPECT_TRUE(fs::is_empty(dir_.Path() / "Reports"));
}

TEST(RegressionWords, VersionAndBadValues) {
  EXPECT_EQ(Verify({"--version"}).out, std::string("reportapp verify ") + REPORTAPP_VERSION + "\n");
  EXPECT_EQ(Verify({"--jobs", "0", "x"}).err,
            "reportapp verify: --jobs \"0\" is not a count of 1 or more\n");
  EXPECT_EQ(Verify({"--first=-1", "x"}).err,
            "reportapp verify: --first \"-1\" is not a count of 0 or more\n");
  EXPECT_EQ(Verify({"--json"}).err,
            "reportapp verify: --json needs a file name (- for standard output)\n");
  EXPECT_EQ(Verify({"--quiet=yes", "x"}).err, "reportapp verify: --quiet takes no value\n");
  EXPECT_EQ(Summarize({"--jobs", "2"}).err, "reportapp summarize: unknown option \"--jobs\"\n");
  EXPECT_EQ(Summarize({"--help"}).out, SummarizeUsageText());
}

TEST(RegressionOptions, AHugeJobCountMeansManyWorkersNeverNone) {
  const CVerifyOptions options = ParseVerifyOptions({"--jobs", "4294967296", "t.txt"});
  EXPECT_EQ(options.jobs, std::numeric_limits<unsigned>::max());
  EXPECT_THROW(ParseVerifyOptions({"--jobs", "0", "t.txt"}), std::runtime_error);
}

TEST(RegressionRun, ATimingFileThatChangesWhileReadIsAnError) {
  ScratchDir dir;
  fs::create_directory(dir.Path() / "Reports");
  std::string text = "0 s 0\n";
  for (int i = 0; i < 70000; ++i) {
    text += "1 o 1 a a\n";
  }
  const std::string path = dir.Write("grows.txt", text);
  bool appended = false;
  CVerifyHooks hooks;
  hooks.warn = [](const std::string&) {};
  hooks.progress = [&](const std::string&, std::uint64_t, std::uint64_t) {
    if (!appended) {
      std::ofstream(path, std::ios::app) << "2 o 1 b c\n";
      appended = true;
    }
  };
  CVerifySettings settings;
  settings.projectDirectory = dir.Path().string();
  CVerifyReportRun run(settings, hooks);
  const CFileResult result = RunOneFile(run, path, "grows.txt", nullptr);
  ASSERT_TRUE(appended);
  EXPECT_EQ(result.status, EFileStatus::kError);
  EXPECT_NE(result.error.find("\"grows.txt\" changed while it was read"), std::string::npos)
      << result.error;
}
