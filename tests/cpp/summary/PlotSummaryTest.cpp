// The plots in the run's summary: the JSON field that carries a file's plot
// page and strip, and the index row that draws the strip and links the page.
#include <gtest/gtest.h>

#include <string>

#include "summary/IndexPage.h"
#include "summary/SummaryJson.h"

namespace {

CFileResult Plotted(const std::string& name, EFileStatus status) {
  CFileResult file;
  file.timingFile = "/sim/" + name + ".txt";
  file.report = "/p/Reports/" + name + "_rtl.htm";
  file.status = status;
  file.records = 101;
  file.values = 100;
  file.disagreeing = status == EFileStatus::kFail ? 10 : 0;
  file.figures = {100, 7, 5, 4, false};
  if (status == EFileStatus::kError) {
    file.error = "cannot open";
    return file;
  }
  file.plotPage = "/p/Reports/" + name + "_rtl_plot.htm";
  file.plotStrip.shades = std::string(300, '-');
  file.plotStrip.firstRecord = 2;
  file.plotStrip.lastRecord = 101;
  if (status == EFileStatus::kFail) {
    file.plotStrip.shades.replace(120, 30, std::string(30, '3'));
    file.plotStrip.firstDisagreement = 120;
  }
  return file;
}

CRunSummary PlottedRun() {
  CRunSummary summary;
  summary.project = "/p";
  summary.files = {Plotted("a#1", EFileStatus::kFail), Plotted("b", EFileStatus::kPass),
                   Plotted("c", EFileStatus::kError)};
  return summary;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace

TEST(PlotSummary, JsonCarriesThePlotPageAndStripThroughAMerge) {
  const CRunSummary written = PlottedRun();
  const std::string text = SummaryToJson(written);
  EXPECT_EQ(Count(text, "\"plot\""), 2u) << "no plot for a file that failed to run";
  const CRunSummary read = SummaryFromJson(text, "shard.json");
  ASSERT_EQ(read.files.size(), 3u);
  for (std::size_t n = 0; n < 3; ++n) {
    EXPECT_EQ(read.files[n].plotPage, written.files[n].plotPage);
    EXPECT_EQ(read.files[n].plotStrip, written.files[n].plotStrip);
  }
  EXPECT_EQ(SummaryToIndexPage(read, false), SummaryToIndexPage(written, false));
}

TEST(PlotSummary, ShardWithABadStripIsRefusedNamingIt) {
  std::string text = SummaryToJson(PlottedRun());
  const std::size_t at = text.find("\"strip\": \"") + 10;
  text[at + 5] = '<';
  try {
    SummaryFromJson(text, "shard-2.json");
    FAIL() << "a strip with a '<' was read";
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("shard-2.json"), std::string::npos) << message;
    EXPECT_NE(message.find("files[0] plot"), std::string::npos) << message;
  }
}

TEST(PlotSummary, IndexRowsDrawTheStripLinkedToThePlotPage) {
  const std::string page = SummaryToIndexPage(PlottedRun(), false);
  EXPECT_EQ(Count(page, "<svg "), 2u);
  EXPECT_EQ(Count(page, "class=\"strip\""), 2u);
  EXPECT_NE(page.find("<a href=\"./a%231_rtl_plot.htm\" title="), std::string::npos);
  EXPECT_NE(page.find("<a href=\"./b_rtl_plot.htm\" title="), std::string::npos);
  EXPECT_NE(page.find("M120 0h30v18h-30z"), std::string::npos);
  EXPECT_NE(page.find("<th>Where</th>"), std::string::npos);
  EXPECT_EQ(page.find("c_rtl_plot.htm"), std::string::npos);
}
