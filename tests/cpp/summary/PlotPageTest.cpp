#include "summary/PlotPage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "summary/PlotStrip.h"
#include "summary/SvgWriter.h"
#include "support/TestSupport.h"
#include "verify/PlotCollector.h"

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

// The hover columns of a page: the rects inside the "cols" group.
std::size_t HoverColumns(const std::string& page) {
  const std::size_t open = page.find("<g class=\"cols\">");
  const std::size_t close = page.find("</g>", open);
  if (open == std::string::npos || close == std::string::npos) {
    return 0;
  }
  return Count(page.substr(open, close - open), "<rect ");
}

// The hardest data for the page size: the widest numbers in every hover
// text, every column with disagreements, unreadable tokens and a ragged error.
CPlotData WorstCase(std::uint64_t records) {
  CPlotData data;
  const std::uint64_t firstRecord = 1'000'000'000'000ull;
  for (std::uint64_t n = 0; n < records; ++n) {
    CPlotColumn& column = data.columns.BeginRecord(firstRecord + n);
    column.values += 8;
    column.disagreeing += 1 + n % 8;
    column.unreadable += n % 3;
    const double wild = static_cast<double>((n * 0x9E3779B97F4A7C15ull) >> 1);
    column.fixedPoint.Take(wild);
    column.rtl.Take(-wild * 1.000123);
    column.error.Take(wild - 12345.678);
  }
  data.hasDisagreement = true;
  data.firstDisagreementRecord = firstRecord + records / 3;
  data.firstDisagreementLine = firstRecord + records / 3 + 17;
  data.firstDisagreementPair = 8;
  return data;
}

// The timing-file pass in small: records 2.., fixed point value n, RTL value
// n (+3 inside [from, to)).
CPlotData Ramp(std::uint64_t records, std::uint64_t from, std::uint64_t to) {
  CPlotData data;
  data.scale = CPlotScale(16, 8, true);
  CPlotCollector collector(data);
  char fixed[16];
  char rtl[16];
  for (std::uint64_t n = 0; n < records; ++n) {
    collector.BeginRecord(n + 2, n + 2, 4);
    std::snprintf(fixed, sizeof fixed, "0x%04x", static_cast<unsigned>(n & 0xffff));
    std::snprintf(rtl, sizeof rtl, "0x%04x",
                  static_cast<unsigned>((n + (n >= from && n < to ? 3 : 0)) & 0xffff));
    collector.Pair(1, fixed, rtl, std::string(fixed) == rtl);
    collector.EndRecord();
  }
  return data;
}

// Runs xmllint over the page's svg element; empty when it is well-formed XML.
std::string XmlProblems(const std::string& page) {
  const std::size_t open = page.find("<svg");
  const std::size_t close = page.rfind("</svg>");
  if (open == std::string::npos || close == std::string::npos) {
    return "no svg element";
  }
  ScratchDir dir;
  const std::string path = dir.Write("figure.svg", page.substr(open, close + 6 - open));
  const std::string command = "xmllint --noout '" + path + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    output += buffer;
  }
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  return status == 0 ? "" : "xmllint: " + output;
}

bool HaveXmllint() {
  return std::system("command -v xmllint >/dev/null 2>&1") == 0;
}

}  // namespace

TEST(PlotPage, TenMillionRecordsStayWithinTheSizeLimit) {
  const CPlotData data = WorstCase(10'000'000);
  ASSERT_EQ(data.columns.Count(), 611u);
  CPlotPageInfo info{std::string(255, 'n'), "/" + std::string(4000, 'p'), "r.htm", "index.htm"};
  const std::string page = PlotPageHtml(data, info);
  EXPECT_LE(page.size(), kMaxPlotPageBytes);
  EXPECT_EQ(HoverColumns(page), 611u);
  // The largest column count: 1,000 exactly, 1,000 columns of one record.
  const CPlotData full = WorstCase(1000);
  const std::string fullPage = PlotPageHtml(full, info);
  EXPECT_EQ(HoverColumns(fullPage), 1000u);
  EXPECT_LE(fullPage.size(), kMaxPlotPageBytes);
  if (std::getenv("PLOT_PAGE_DUMP"))
    std::ofstream(std::getenv("PLOT_PAGE_DUMP")) << fullPage;
  std::printf("plot page: %zu bytes for 10^7 records, %zu bytes for 1,000 columns\n", page.size(),
              fullPage.size());
  EXPECT_LE(DisagreementStripSvg(data).size(), 8000u);
}

TEST(PlotPage, FigureIsWellFormedAndEveryTextEscaped) {
  if (!HaveXmllint()) {
    GTEST_SKIP() << "xmllint (Debian libxml2-utils) is missing: the well-formedness check did "
                    "not run";
  }
  const CPlotData data = Ramp(5000, 2000, 2100);
  const std::string hostile = "<script>alert('&')</script>\x01\xff";
  const std::string page = PlotPageHtml(data, {hostile, hostile, hostile, hostile});
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find('\x01'), std::string::npos);
  EXPECT_EQ(page.find('\xff'), std::string::npos);
  EXPECT_EQ(Count(page, "&lt;script&gt;alert(&#39;&amp;&#39;)&lt;/script&gt;\\x01\\xFF"), 5u);
  EXPECT_EQ(XmlProblems(page), "");
  const std::string strip = DisagreementStripSvg(data);
  EXPECT_EQ(XmlProblems(strip), "");
}

TEST(PlotPage, ShowsWhatTheDataHolds) {
  const CPlotData data = Ramp(4000, 2000, 2100);
  const std::string page =
      PlotPageHtml(data, {"kv_timing_Korvel_TestVector_7", "t.txt",
                          "kv_timing_Korvel_TestVector_7_rtl.htm", "index.htm"});
  EXPECT_EQ(HoverColumns(page), 1000u);
  EXPECT_NE(page.find("<a href=\"kv_timing_Korvel_TestVector_7_rtl.htm\">"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"index.htm\">"), std::string::npos);
  EXPECT_NE(page.find("100 of 4,000 values disagree"), std::string::npos);
  EXPECT_NE(page.find("First disagreement: record 2,002, line 2,002, value pair 1."),
            std::string::npos);
  EXPECT_NE(page.find("value (16-bit signed, 8 fraction bits)"), std::string::npos);
  EXPECT_NE(page.find("error (LSB)"), std::string::npos);
  EXPECT_NE(page.find("record number"), std::string::npos);
  // Column of records 2,002..2,005: four values, all disagreeing by 3 LSB.
  EXPECT_NE(page.find("<title>records 2,002–2,005\n4 values, 4 disagree\nfixed point 7.8125 to "
                      "7.82422\nRTL 7.82422 to 7.83594\nerror 3 LSB</title>"),
            std::string::npos);
  EXPECT_NE(page.find("<title>records 2–5\n4 values, 0 disagree\nfixed point 0 to 0.0117188\n"
                      "RTL 0 to 0.0117188</title>"),
            std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos) << "no script is needed";
  for (const char* external : {"src=", "url(", "@import", "http://www.w3.org/1999/xhtml"}) {
    EXPECT_EQ(page.find(external), std::string::npos) << external;
  }
}

TEST(PlotPage, EmptyFileGivesAPageWithoutFigure) {
  const CPlotData data;
  const std::string page = PlotPageHtml(data, {"v", "t.txt", "", ""});
  EXPECT_NE(page.find("No output record"), std::string::npos);
  EXPECT_EQ(page.find("<svg"), std::string::npos);
  EXPECT_EQ(page.find("<a "), std::string::npos);
  EXPECT_NE(DisagreementStripSvg(data).find("no output records"), std::string::npos);
}

TEST(PlotPage, NamedAfterTheReport) {
  EXPECT_EQ(PlotPagePathFor("/p/Reports/kv_timing_Korvel_TestVector_1_rtl.htm"),
            "/p/Reports/kv_timing_Korvel_TestVector_1_rtl_plot.htm");
  EXPECT_EQ(PlotPagePathFor("/p/Reports/run.1_impl.htm"), "/p/Reports/run.1_impl_plot.htm");
}

TEST(PlotStrip, MarksTheFirstDisagreementAndShadesByShare) {
  const CPlotData clean = Ramp(600, 600, 600);
  const std::string cleanStrip = DisagreementStripSvg(clean);
  EXPECT_EQ(cleanStrip.find("first disagreement"), std::string::npos);
  EXPECT_NE(cleanStrip.find("0 of 600 values disagree"), std::string::npos);
  EXPECT_NE(cleanStrip.find("width=\"300\" height=\"18\""), std::string::npos);
  EXPECT_EQ(Count(cleanStrip, "<path"), 0u);

  // Records 302..451 disagree: the middle quarter of the strip, every value.
  const CPlotData burst = Ramp(600, 300, 450);
  const std::string strip = DisagreementStripSvg(burst);
  EXPECT_NE(strip.find("<title>first disagreement: record 302, line 302</title>"),
            std::string::npos);
  EXPECT_NE(strip.find("M150 0h75v18h-75z"), std::string::npos) << strip;
  EXPECT_NE(strip.find(std::string("fill=\"") + std::string(svg_palette::kDisagreement[4])),
            std::string::npos);
}
