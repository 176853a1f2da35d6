#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "summary/IndexPage.h"
#include "summary/JUnitReport.h"
#include "summary/RunSummary.h"
#include "summary/SummaryFiles.h"
#include "summary/SummaryJson.h"
#include "support/TestSupport.h"

namespace {

CFileResult File(const std::string& name, EFileStatus status, std::uint64_t records,
                 std::uint64_t values, std::uint64_t disagreeing, CFileFigures figures = {}) {
  CFileResult file;
  file.timingFile = "sim/" + name + ".txt";
  file.report = "/p/Reports/" + name + "_rtl.htm";
  file.status = status;
  file.records = records;
  file.values = values;
  file.disagreeing = disagreeing;
  file.figures = figures;
  file.seconds = 0.25;
  return file;
}

// One file of each status, a disagreement with markup in its tokens.
CRunSummary Mixed() {
  CRunSummary summary;
  summary.project = "/work/proj<1>";
  summary.files.push_back(File("pass", EFileStatus::kPass, 3, 4, 0, {2, 7, 4, 4, false}));
  CFileResult fail = File("fail", EFileStatus::kFail, 4, 6, 2, {3, 9, 6, 5, false});
  fail.firstDisagreements = {{3, 3, 6, 2, "0x1<", "0x2&", EValueClass::kUnreadable, {}},
                             {4, 4, 5, 1, "a", "", EValueClass::kUnreadable, {}}};
  CFileDiagnosis diagnosis;
  diagnosis.classes[EValueClass::kUnreadable] = 1;
  diagnosis.classes[EValueClass::kLsb] = 1;
  diagnosis.classes.maxErrorLsb = 1;
  diagnosis.errorBits = {1, 0, 0, 0};
  diagnosis.unknownBits = {0, 0, 0, 0};
  diagnosis.channels = {{1, 1, 3, 1, {}}, {2, 2, 3, 1, {}}};
  diagnosis.channels[0].classes[EValueClass::kUnreadable] = 1;
  diagnosis.channels[1].classes[EValueClass::kLsb] = 1;
  diagnosis.channels[1].classes.maxErrorLsb = 1;
  fail.diagnosis = diagnosis;
  fail.warnings = {"timing file \"sim/fail.txt\" line 3: 3 value tokens, an odd number"};
  summary.files.push_back(fail);
  summary.files.push_back(File("empty", EFileStatus::kEmpty, 1, 0, 0));
  summary.files.back().diagnosis = CFileDiagnosis{};
  summary.files.front().diagnosis = CFileDiagnosis{};
  CFileResult error = File("error", EFileStatus::kError, 0, 0, 0);
  error.error = "cannot open timing file \"sim/error.txt\": No such file or directory";
  summary.files.push_back(error);
  return summary;
}

// Attribute values of the first element of a name in an XML document.
struct XmlCounts {
  std::map<std::string, std::string> suite;
  int testcases = 0;
  std::map<std::string, int> outcomes;  // failure type or element name
};

void Walk(xmlNode* node, XmlCounts& counts) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) {
      continue;
    }
    const std::string name = reinterpret_cast<const char*>(node->name);
    const auto attribute = [node](const char* key) {
      xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(key));
      std::string text = value ? reinterpret_cast<const char*>(value) : "";
      xmlFree(value);
      return text;
    };
    if (name == "testsuite") {
      for (const char* key : {"name", "tests", "failures", "errors", "skipped"}) {
        counts.suite[key] = attribute(key);
      }
    } else if (name == "testcase") {
      ++counts.testcases;
    } else if (name == "failure") {
      ++counts.outcomes["failure:" + attribute("type")];
    } else if (name == "error" || name == "skipped") {
      ++counts.outcomes[name];
    }
    Walk(node->children, counts);
  }
}

XmlCounts ParseJUnit(const std::string& xml) {
  xmlDoc* doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "junit.xml", nullptr,
                              XML_PARSE_NONET);
  if (doc == nullptr) {
    throw std::runtime_error("JUnit output is not well-formed XML");
  }
  XmlCounts counts;
  Walk(xmlDocGetRootElement(doc), counts);
  xmlFreeDoc(doc);
  return counts;
}

}  // namespace

TEST(SummaryJson, FieldsOfEachStatusAndTotals) {
  const std::string text = SummaryToJson(Mixed());
  for (const char* field :
       {"\"schema\": \"reportapp-verify/2\"", "\"tool\": {", "\"level\": \"rtl\"",
        "\"realValues\": false", "\"status\": \"empty\"", "\"firstDisagreements\": [",
        "\"error\": \"cannot open", "\"passed\": 1", "\"failed\": 1", "\"empty\": 1",
        "\"errors\": 1", "\"disagreeing\": 2", "\"values\": 10", "\"fixedPoint\": \"0x1<\""}) {
    EXPECT_NE(text.find(field), std::string::npos) << field << "\n" << text;
  }
  // Only error files carry "error".
  EXPECT_EQ(text.find("\"error\": "), text.rfind("\"error\": "));
}

TEST(SummaryJson, ReadsBackWhatItWrites) {
  const CRunSummary written = Mixed();
  const CRunSummary read = SummaryFromJson(SummaryToJson(written), "shard.json");
  ASSERT_EQ(read.files.size(), written.files.size());
  EXPECT_EQ(read.project, written.project);
  EXPECT_EQ(read.Totals(), written.Totals());
  for (std::size_t i = 0; i < read.files.size(); ++i) {
    EXPECT_EQ(read.files[i].status, written.files[i].status);
    EXPECT_EQ(read.files[i].firstDisagreements, written.files[i].firstDisagreements);
    EXPECT_EQ(read.files[i].error, written.files[i].error);
    EXPECT_EQ(read.files[i].diagnosis, written.files[i].diagnosis);
    EXPECT_EQ(read.files[i].warnings, written.files[i].warnings);
  }
  EXPECT_EQ(SummaryToJson(read), SummaryToJson(written));
}

// Shards of an older reportapp (schema 1, no diagnosis) merge with new ones;
// the merged summary names the files without a diagnosis.
TEST(SummaryJson, FirstSchemaShardsMergeAndAreNamed) {
  std::string old = SummaryToJson(Mixed());
  old.replace(old.find("reportapp-verify/2"), 18, "reportapp-verify/1");
  // What an older run wrote: no diagnosis, channels, classes or warnings.
  CRunSummary older = SummaryFromJson(old, "old.json");
  for (CFileResult& file : older.files) {
    file.diagnosis.reset();
    file.warnings.clear();
    for (CDisagreement& d : file.firstDisagreements) {
      d.valueClass.reset();
    }
  }
  const CRunSummary olderRead = SummaryFromJson(SummaryToJson(older), "old.json");
  EXPECT_FALSE(olderRead.files[1].diagnosis);
  EXPECT_FALSE(olderRead.files[1].firstDisagreements[0].valueClass);
  const CRunSummary merged = MergeSummaries({{"old.json", olderRead}, {"new.json", Mixed()}}, "");
  const std::string text = SummaryToJson(merged);
  EXPECT_NE(text.find("\"withoutDiagnosis\": [\n    \"sim/pass.txt\",\n    \"sim/fail.txt\",\n    "
                      "\"sim/empty.txt\"\n  ]"),
            std::string::npos)
      << text;
  EXPECT_EQ(merged.Totals().classes[EValueClass::kLsb], 1u) << "only diagnosed files count";
  const std::string index = SummaryToIndexPage(merged, false);
  EXPECT_NE(index.find("id=\"undiagnosed\""), std::string::npos);
  EXPECT_NE(index.find("not diagnosed"), std::string::npos);
}

TEST(SummaryJson, NegativeCountsFoldTheSameAfterAMerge) {
  CRunSummary summary;
  summary.files.push_back(File("a", EFileStatus::kPass, 4, 3, 0, {3, 5, -4, 9, true}));
  summary.files.push_back(File("b", EFileStatus::kPass, 3, 2, 0, {2, 2, -1, -1, true}));
  summary.files.push_back(File("c", EFileStatus::kPass, 4, 3, 0, {3, 8, 3, 1, false}));
  const CRunSummary read = SummaryFromJson(SummaryToJson(summary), "s.json");
  EXPECT_EQ(read.files[0].figures, summary.files[0].figures);
  EXPECT_EQ(read.files[1].figures, summary.files[1].figures);
  EXPECT_EQ(read.Figures().latency, summary.Figures().latency);
  EXPECT_EQ(read.Figures().maxClocks, summary.Figures().maxClocks);
  EXPECT_EQ(read.Figures().minClocks, summary.Figures().minClocks);
}

TEST(SummaryJson, BadShardsAreRefusedNamingTheShardAndField) {
  const auto error = [](const std::string& text) {
    try {
      SummaryFromJson(text, "shard-3.json");
    } catch (const std::runtime_error& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(error("{").rfind("results \"shard-3.json\": not a JSON document", 0), 0u);
  EXPECT_EQ(error(R"({"schema":"reportapp-verify/3"})"),
            "results \"shard-3.json\": schema \"reportapp-verify/3\" is neither "
            "\"reportapp-verify/2\" nor \"reportapp-verify/1\"");
  std::string text = SummaryToJson(Mixed());
  text.replace(text.find("\"records\": 3"), 12, "\"records\": \"3\"");
  EXPECT_EQ(error(text),
            "results \"shard-3.json\": files[0] field \"records\" has the wrong type (string)");
  std::string level = SummaryToJson(Mixed());
  level.replace(level.find("\"rtl\""), 5, "\"gate\"");
  EXPECT_EQ(error(level),
            "results \"shard-3.json\": level \"gate\" is neither \"rtl\" nor \"impl\"");
}

TEST(SummaryJson, MergeKeepsShardOrderAndRefusesMixedShards) {
  CRunSummary a = Mixed();
  CRunSummary b;
  b.project = "/elsewhere";
  b.files.push_back(File("later", EFileStatus::kPass, 2, 2, 0, {1, 4, -1, -1, false}));
  const CRunSummary merged = MergeSummaries({{"a.json", a}, {"b.json", b}}, "");
  EXPECT_EQ(merged.project, a.project);
  ASSERT_EQ(merged.files.size(), 5u);
  EXPECT_EQ(merged.files[4].timingFile, "sim/later.txt");
  EXPECT_EQ(merged.Figures().latency, 4);
  EXPECT_EQ(MergeSummaries({{"a.json", a}}, "/given").project, "/given");

  b.gateLevel = true;
  EXPECT_THROW(
      {
        try {
          MergeSummaries({{"a.json", a}, {"b.json", b}}, "");
        } catch (const std::runtime_error& e) {
          EXPECT_EQ(std::string(e.what()),
                    "results \"b.json\": level \"impl\" differs from \"rtl\" of \"a.json\"");
          throw;
        }
      },
      std::runtime_error);
  b.gateLevel = false;
  b.realValues = true;
  EXPECT_THROW(MergeSummaries({{"a.json", a}, {"b.json", b}}, ""), std::runtime_error);
}

TEST(SummaryExit, ErrorsThenFailuresThenEmptyUnlessAllowed) {
  CRunSummary summary = Mixed();
  EXPECT_EQ(summary.ExitStatus(false), kExitError);
  summary.files.pop_back();
  EXPECT_EQ(summary.ExitStatus(true), kExitFail);
  summary.files.erase(summary.files.begin() + 1);
  EXPECT_EQ(summary.ExitStatus(false), kExitFail);  // the empty file
  EXPECT_EQ(summary.ExitStatus(true), kExitPass);
}

TEST(SummaryJUnit, ParsedCountsMatchTheStatuses) {
  const XmlCounts strict = ParseJUnit(SummaryToJUnit(Mixed(), false));
  EXPECT_EQ(strict.suite.at("name"), "reportapp verify");
  EXPECT_EQ(strict.suite.at("tests"), "4");
  EXPECT_EQ(strict.suite.at("failures"), "2");
  EXPECT_EQ(strict.suite.at("errors"), "1");
  EXPECT_EQ(strict.suite.at("skipped"), "0");
  EXPECT_EQ(strict.testcases, 4);
  EXPECT_EQ(strict.outcomes.at("failure:mismatch"), 1);
  EXPECT_EQ(strict.outcomes.at("failure:empty"), 1);
  EXPECT_EQ(strict.outcomes.at("error"), 1);

  const XmlCounts allowing = ParseJUnit(SummaryToJUnit(Mixed(), true));
  EXPECT_EQ(allowing.suite.at("failures"), "1");
  EXPECT_EQ(allowing.suite.at("skipped"), "1");
  EXPECT_EQ(allowing.outcomes.at("skipped"), 1);
  EXPECT_EQ(allowing.outcomes.count("failure:empty"), 0u);
}

TEST(SummaryJUnit, CaseNamesAndTheMismatchMessage) {
  const std::string xml = SummaryToJUnit(Mixed(), false);
  EXPECT_NE(xml.find("<testcase classname=\"proj&lt;1&gt;.rtl\" name=\"fail\""), std::string::npos)
      << xml;
  // Without a diagnosis (results of an older run) the message gives the counts alone.
  CRunSummary older = Mixed();
  older.files[1].diagnosis.reset();
  const std::string plain = SummaryToJUnit(older, false);
  EXPECT_NE(plain.find("message=\"2 of 6 values disagree; first at line 3 (clock 6): fixed point "
                       "0x1&lt;, RTL 0x2&amp;\""),
            std::string::npos)
      << plain;
}

TEST(SummaryIndex, RowsOrderedFailuresFirstAndTextEscaped) {
  const std::string page = SummaryToIndexPage(Mixed(), false);
  const std::size_t fail = page.find(">fail</a>");
  const std::size_t empty = page.find(">empty</a>");
  const std::size_t error = page.find("\">error</td>");
  const std::size_t pass = page.find(">pass</a>");
  ASSERT_NE(pass, std::string::npos);
  EXPECT_LT(fail, empty);
  EXPECT_LT(empty, error);
  EXPECT_LT(error, pass);
  EXPECT_EQ(page.find("<1>"), std::string::npos);
  EXPECT_NE(page.find("/work/proj&lt;1&gt;"), std::string::npos);
  EXPECT_NE(page.find("<code>0x1&lt;</code>"), std::string::npos);
  EXPECT_NE(page.find("verdict fail"), std::string::npos);
  // Self-contained: nothing loaded from elsewhere.
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("<link"), std::string::npos);
  EXPECT_EQ(page.find("http"), std::string::npos);
}

TEST(SummaryIndex, LinksAreRelativeAndPercentEncoded) {
  EXPECT_EQ(RelativeUrl("kv_timing_1_rtl.htm"), "./kv_timing_1_rtl.htm");
  EXPECT_EQ(RelativeUrl("a b#c?%.htm"), "./a%20b%23c%3F%25.htm");
  EXPECT_EQ(RelativeUrl("x:y"), "./x%3Ay");
}

TEST(SummaryFilesOnDisk, WritesEachRequestedDocumentAtomically) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.Path() / "Reports");
  CRunSummary summary = Mixed();
  summary.project = dir.Path().string();
  CSummaryOutputs outputs;
  outputs.jsonPath = (dir.Path() / "run.json").string();
  outputs.junitPath = (dir.Path() / "junit.xml").string();
  EXPECT_EQ(WriteSummaryOutputs(summary, outputs), "");
  EXPECT_EQ(ReadFile(outputs.jsonPath), SummaryToJson(summary));
  EXPECT_EQ(ReadFile(outputs.junitPath), SummaryToJUnit(summary, false));
  EXPECT_EQ(ReadFile(IndexPathFor(summary.project)), SummaryToIndexPage(summary, false));
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path() / "Reports")) {
    EXPECT_EQ(entry.path().filename(), "index.htm");  // no temporary file left
  }
  outputs.jsonPath = "-";
  outputs.index = false;
  EXPECT_EQ(WriteSummaryOutputs(summary, outputs), SummaryToJson(summary));
  outputs.jsonPath = (dir.Path() / "missing" / "run.json").string();
  EXPECT_THROW(WriteSummaryOutputs(summary, outputs), std::runtime_error);
}

TEST(SummaryDiagnosis, JUnitLeadsWithTheDominantClassAndIndexShowsTheClasses) {
  const std::string junit = SummaryToJUnit(Mixed(), false);
  EXPECT_NE(junit.find("message=\"1 unreadable (not a number) values of 2 disagreeing (6 "
                       "compared); first at line 3 (clock 6): fixed point 0x1&lt;, RTL 0x2&amp;\""),
            std::string::npos)
      << junit;
  EXPECT_NE(junit.find("unreadable   1  not a number\nlsb          1  off by one LSB\n"),
            std::string::npos)
      << junit;
  const std::string index = SummaryToIndexPage(Mixed(), false);
  EXPECT_NE(index.find("<th>Diagnosis</th>"), std::string::npos);
  EXPECT_NE(index.find("<span class=\"c-unreadable\">1 not a number</span><span "
                       "class=\"c-lsb\">1 off by one LSB</span>"),
            std::string::npos)
      << index;
  EXPECT_NE(index.find("warning: timing file"), std::string::npos);
  // Vector names break only after their underscores.
  CRunSummary named = Mixed();
  named.files[0].timingFile = "sim/kv_timing_Korvel_TestVector_12.txt";
  EXPECT_NE(SummaryToIndexPage(named, false)
                .find(">kv_<wbr>timing_<wbr>Korvel_<wbr>TestVector_<wbr>12</a>"),
            std::string::npos);
  // A hyphen or a space would let the browser break there: such a piece is
  // kept on one line.
  named.files[0].timingFile = "sim/kv_timing_fir-2 taps_x.txt";
  EXPECT_NE(SummaryToIndexPage(named, false)
                .find(">kv_<wbr>timing_<wbr><span>fir-2 taps_</span><wbr>x</a>"),
            std::string::npos);
}
