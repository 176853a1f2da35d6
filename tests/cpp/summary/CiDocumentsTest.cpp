// The documents CI systems read: JUnit in its three flavours (the default
// checked against the Jenkins xUnit plugin's schema), capped failure texts,
// unique test names, and the Markdown summary.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <memory>
#include <string>

#include "summary/JUnitReport.h"
#include "summary/MarkdownSummary.h"
#include "summary/MarkupEscape.h"
#include "summary/RunSummary.h"
#include "summary/VectorNames.h"

namespace {

CFileResult Vector(const std::string& timingFile, EFileStatus status) {
  CFileResult file;
  file.timingFile = timingFile;
  file.report = "/p/Reports/" + TimingBaseName(timingFile) + "_rtl.htm";
  file.status = status;
  file.records = 5;
  file.values = 8;
  file.seconds = 0.5;
  if (status == EFileStatus::kFail) {
    file.disagreeing = 2;
    file.firstDisagreements = {{7, 6, 3, 2, "0x1|<b>", "0x2", {}, {}},
                               {9, 8, 4, 1, "5", "", {}, {}}};
  } else if (status == EFileStatus::kError) {
    file.error = "cannot open timing file \"" + timingFile + "\"";
    file.records = file.values = 0;
  } else if (status == EFileStatus::kEmpty) {
    file.values = 0;
  }
  return file;
}

// Two vectors named x in different folders, one of each status, absolute
// and relative paths.
CRunSummary Regression() {
  CRunSummary summary;
  summary.project = "/work/proj";
  summary.files = {Vector("/work/proj/sim/a/x.txt", EFileStatus::kPass),
                   Vector("/work/proj/sim/b/x.txt", EFileStatus::kFail),
                   Vector("sim/./y.txt", EFileStatus::kEmpty),
                   Vector("/elsewhere/z.txt", EFileStatus::kError)};
  return summary;
}

struct XmlDocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using TXmlDoc = std::unique_ptr<xmlDoc, XmlDocFree>;

TXmlDoc ParseXml(const std::string& xml) {
  return TXmlDoc(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "junit.xml", nullptr,
                               XML_PARSE_NONET));
}

// The schema's complaints about the document, "" when it is valid.
std::string SchemaErrors(const std::string& xml) {
  struct Context {
    std::string errors;
  } context;
  xmlSchemaParserCtxt* parser = xmlSchemaNewParserCtxt(REPORTAPP_JUNIT_SCHEMA);
  xmlSchema* schema = xmlSchemaParse(parser);
  xmlSchemaFreeParserCtxt(parser);
  if (schema == nullptr) {
    return "the schema " REPORTAPP_JUNIT_SCHEMA " did not load";
  }
  xmlSchemaValidCtxt* valid = xmlSchemaNewValidCtxt(schema);
  xmlSchemaSetValidStructuredErrors(
      valid,
      [](void* data, xmlError* error) {
        static_cast<Context*>(data)->errors += error->message ? error->message : "?";
      },
      &context);
  const TXmlDoc doc = ParseXml(xml);
  if (!doc) {
    context.errors = "not well-formed XML";
  } else if (xmlSchemaValidateDoc(valid, doc.get()) != 0 && context.errors.empty()) {
    context.errors = "invalid";
  }
  xmlSchemaFreeValidCtxt(valid);
  xmlSchemaFree(schema);
  return context.errors;
}

// The value of every occurrence of attribute name="..." in order.
std::vector<std::string> Attributes(const std::string& xml, const std::string& name) {
  std::vector<std::string> values;
  const std::string start = " " + name + "=\"";
  for (std::size_t at = xml.find(start); at != std::string::npos; at = xml.find(start, at)) {
    at += start.size();
    const std::size_t end = xml.find('"', at);
    values.push_back(xml.substr(at, end - at));
  }
  return values;
}

bool IsValidUtf8(const std::string& text) {
  return EscapeMarkup(text).find("\\x") == std::string::npos;
}

}  // namespace

TEST(JUnitFlavors, DefaultIsSchemaValidAndNamesAreUnique) {
  for (bool allowEmpty : {false, true}) {
    const std::string xml = SummaryToJUnit(Regression(), allowEmpty);
    EXPECT_EQ(SchemaErrors(xml), "") << xml;
    EXPECT_TRUE(Attributes(xml, "file").empty());
    EXPECT_TRUE(Attributes(xml, "line").empty());
    EXPECT_EQ(Attributes(xml, "name"),
              (std::vector<std::string>{"reportapp verify", "/work/proj/sim/a/x.txt",
                                        "/work/proj/sim/b/x.txt", "y", "z"}));
  }
  // The same path given twice still gives two names.
  CRunSummary twice;
  twice.files = {Vector("v.txt", EFileStatus::kPass), Vector("v.txt", EFileStatus::kPass),
                 Vector("w.txt", EFileStatus::kPass)};
  EXPECT_EQ(UniqueVectorNames(twice.files), (std::vector<std::string>{"v.txt", "v.txt (2)", "w"}));
}

TEST(JUnitFlavors, GitLabNamesTheFileGitHubAlsoTheLine) {
  CJUnitForm gitlab{EJUnitFlavor::kGitLab, "/work/proj"};
  const std::string lab = SummaryToJUnit(Regression(), false, gitlab);
  EXPECT_EQ(Attributes(lab, "file"),
            (std::vector<std::string>{"sim/a/x.txt", "sim/b/x.txt", "sim/y.txt",
                                      "../../elsewhere/z.txt"}));
  EXPECT_TRUE(Attributes(lab, "line").empty());
  EXPECT_NE(SchemaErrors(lab), "");  // "file" is not in the Jenkins schema

  CJUnitForm github{EJUnitFlavor::kGitHub, "/work/proj"};
  const std::string hub = SummaryToJUnit(Regression(), false, github);
  EXPECT_EQ(Attributes(hub, "file").size(), 4u);
  EXPECT_EQ(Attributes(hub, "line"), std::vector<std::string>{"7"});  // the failing vector only
  EXPECT_NE(hub.find("name=\"/work/proj/sim/b/x.txt\" time=\"0.500\" file=\"sim/b/x.txt\" "
                     "line=\"7\""),
            std::string::npos)
      << hub;
  EXPECT_TRUE(ParseXml(hub));

  EJUnitFlavor flavor = EJUnitFlavor::kJenkins;
  EXPECT_TRUE(ParseJUnitFlavor("github", flavor));
  EXPECT_EQ(flavor, EJUnitFlavor::kGitHub);
  EXPECT_FALSE(ParseJUnitFlavor("GitLab", flavor));
  EXPECT_FALSE(ParseJUnitFlavor("", flavor));
}

TEST(JUnitCaps, LongFailureTextsAreCutOnACharacterWithANote) {
  CRunSummary summary = Regression();
  CFileResult& fail = summary.files[1];
  // 2,000 disagreements of two-byte characters and markup: far past 64 KB.
  fail.disagreeing = 2000;
  fail.firstDisagreements.clear();
  for (int i = 0; i < 2000; ++i) {
    fail.firstDisagreements.push_back({static_cast<std::uint64_t>(i + 2),
                                       1,
                                       1,
                                       1,
                                       std::string(20, 'a') + "\xC3\xA9<&>",
                                       "b",
                                       {},
                                       {}});
  }
  // A message with one token of 10 KB of three-byte characters.
  fail.firstDisagreements.front().fixedPoint.clear();
  for (int i = 0; i < 3500; ++i) {
    fail.firstDisagreements.front().fixedPoint += "\xE2\x82\xAC";
  }
  summary.files[3].error = std::string(100000, '"');

  const std::string xml = SummaryToJUnit(summary, false);
  EXPECT_EQ(SchemaErrors(xml), "");
  const TXmlDoc doc = ParseXml(xml);
  ASSERT_TRUE(doc);
  int outcomes = 0;
  for (xmlNode* suite = xmlDocGetRootElement(doc.get())->children; suite; suite = suite->next) {
    for (xmlNode* testcase = suite->children; testcase; testcase = testcase->next) {
      for (xmlNode* outcome = testcase->children; outcome; outcome = outcome->next) {
        if (outcome->type != XML_ELEMENT_NODE) {
          continue;
        }
        ++outcomes;
        xmlChar* body = xmlNodeGetContent(outcome);
        xmlChar* message = xmlGetProp(outcome, reinterpret_cast<const xmlChar*>("message"));
        const std::string bodyText = reinterpret_cast<const char*>(body);
        const std::string messageText = message ? reinterpret_cast<const char*>(message) : "";
        xmlFree(body);
        xmlFree(message);
        if (reinterpret_cast<const char*>(outcome->name) == std::string("skipped") ||
            messageText.rfind("no value", 0) == 0) {
          continue;
        }
        // The limits hold for the written (escaped) bytes; the read text is
        // shorter or equal.
        EXPECT_LE(bodyText.size(), kJUnitBodyLimit);
        EXPECT_LE(messageText.size(), kJUnitMessageLimit);
        EXPECT_NE(bodyText.find("[cut at 64 KB of "), std::string::npos);
        EXPECT_NE(messageText.find("[cut at 4 KB of "), std::string::npos);
        EXPECT_TRUE(IsValidUtf8(bodyText));
        EXPECT_TRUE(IsValidUtf8(messageText));
      }
    }
  }
  EXPECT_EQ(outcomes, 3);
  EXPECT_NE(xml.find("every disagreement is in the report /p/Reports/x_rtl.htm"),
            std::string::npos);
}

TEST(MarkupCut, NeverInsideACharacterOrAReference) {
  const std::string escaped = EscapeMarkup("ab\xE2\x82\xAC&c");  // ab€&amp;c
  EXPECT_EQ(MarkupCutPoint(escaped, 100), escaped.size());
  EXPECT_EQ(MarkupCutPoint(escaped, 2), 2u);
  EXPECT_EQ(MarkupCutPoint(escaped, 3), 2u);
  EXPECT_EQ(MarkupCutPoint(escaped, 4), 2u);
  EXPECT_EQ(MarkupCutPoint(escaped, 5), 5u);
  EXPECT_EQ(MarkupCutPoint(escaped, 7), 5u);
  EXPECT_EQ(MarkupCutPoint(escaped, 10), 10u);
}

TEST(MarkdownSummary, VerdictTotalsFailingRowsAndDocuments) {
  CMarkdownLinks links{"/work/proj/Reports/index.htm", "results.json", ""};
  const std::string md = SummaryToMarkdown(Regression(), false, links);
  EXPECT_EQ(md.rfind("## reportapp verify: error\n", 0), 0u) << md;
  EXPECT_NE(md.find("| **error** | 4 | 1 | 1 | 1 | 1 | 16 | 2 |"), std::string::npos) << md;
  EXPECT_NE(md.find("### Vectors that do not pass (3)"), std::string::npos);
  // Rows in file order; the pass is not listed; markup and pipes escaped.
  const std::size_t fail = md.find(
      "| fail | \\/work\\/proj\\/sim\\/b\\/x\\.txt | 2 of 8 | line 7, "
      "clock 3, pair 2: fixed point 0x1\\|&lt;b&gt;, RTL 0x2 |  |");
  const std::size_t empty = md.find("| empty | y | 0 of 0 |  | no value compared (5 records) |");
  const std::size_t error = md.find("| error | z |");
  EXPECT_NE(fail, std::string::npos) << md;
  EXPECT_LT(fail, empty);
  EXPECT_LT(empty, error);
  EXPECT_EQ(md.find("sim\\/a"), std::string::npos);
  EXPECT_NE(md.find("- Index page: \\/work\\/proj\\/Reports\\/index\\.htm\n"), std::string::npos);
  EXPECT_NE(md.find("- JSON results: results\\.json\n"), std::string::npos);
  EXPECT_EQ(md.find("JUnit XML"), std::string::npos);

  CRunSummary passing = Regression();
  passing.files.resize(1);
  EXPECT_NE(SummaryToMarkdown(passing, false, {}).find("All 1 vectors pass."), std::string::npos);
  passing.files.push_back(Vector("e.txt", EFileStatus::kEmpty));
  EXPECT_EQ(SummaryToMarkdown(passing, true, {}).rfind("## reportapp verify: pass", 0), 0u);
}

TEST(MarkdownSummary, RowsAndCellsAreBounded) {
  CRunSummary many;
  for (std::size_t i = 0; i < kMarkdownRowLimit + 5; ++i) {
    many.files.push_back(Vector("v" + std::to_string(i) + ".txt", EFileStatus::kFail));
  }
  many.files[0].firstDisagreements[0].fixedPoint = std::string(1000, '7') + "\n\x01";
  const std::string md = SummaryToMarkdown(many, false, {});
  EXPECT_NE(md.find("and 5 more vectors that do not pass"), std::string::npos);
  EXPECT_NE(md.find("| fail | v99 |"), std::string::npos);
  EXPECT_EQ(md.find("| fail | v100 |"), std::string::npos);
  EXPECT_NE(md.find(std::string(kMarkdownCellLimit, '7') + "\u2026"), std::string::npos);
  EXPECT_EQ(md.find(std::string(kMarkdownCellLimit + 1, '7')), std::string::npos);
  EXPECT_EQ(MarkdownText("a\nb\x01 *c* [d](e) `f` &#x41;"),
            "a b\\\\x01 \\*c\\* \\[d\\]\\(e\\) \\`f\\` &amp;\\#x41;");
}
