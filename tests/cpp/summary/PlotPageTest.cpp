#include "summary/PlotPage.h"
#include "verify/FileCompanions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/PlotCollector.h"
#include "summary/PlotStrip.h"
#include "summary/SvgWriter.h"
#include "support/TestSupport.h"

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
void Spoil(CPlotColumn& column, std::uint64_t n) {
  column.values += 8;
  column.disagreeing += 1 + n % 8;
  column.unreadable += n % 3;
  column.unknown += n % 2;
  for (std::size_t c = 0; c < kValueClasses; ++c) {
    column.classes[c] += static_cast<std::uint32_t>((n + c) % 3);
  }
  const double wild = static_cast<double>((n * 0x9E3779B97F4A7C15ull) >> 1);
  column.otherFixedPoint.Take(wild);
  column.otherRtl.Take(-wild * 1.000123);
  column.otherError.Take(wild - 12345.678);
}

std::unique_ptr<CPlotData> WorstCase(std::uint64_t records, std::size_t channels) {
  auto data = std::make_unique<CPlotData>();
  const std::uint64_t firstRecord = 1'000'000'000'000ull;
  data->channels.See(channels);
  for (std::uint64_t n = 0; n < records; ++n) {
    const std::size_t before = data->columns.Count();
    CPlotColumn& column = data->columns.BeginRecord(firstRecord + n);
    data->channels.Follow(before, data->columns.Count());
    Spoil(column, n);
    for (std::size_t c = 0; c < channels; ++c) {
      Spoil(data->channels.At(c, data->columns.Count() - 1), n + c);
    }
  }
  CPlotData& out = *data;
  out.hasDisagreement = true;
  out.firstDisagreementRecord = firstRecord + records / 3;
  out.firstDisagreementLine = firstRecord + records / 3 + 17;
  out.firstDisagreementPair = 1;
  return data;
}

// The timing-file pass in small: records 2.., fixed point value n, RTL value
// n (+3 inside [from, to)).
std::unique_ptr<CPlotData> Ramp(std::uint64_t records, std::uint64_t from, std::uint64_t to) {
  CPlotCollector collector;
  collector.Start(CPlotScale(16, 8, true));
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
  return std::make_unique<CPlotData>(collector.Data());
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
  CPlotPageInfo info{std::string(255, 'n'), "/" + std::string(4000, 'p'), "r.htm", "index.htm"};
  for (const auto& [channels, limit] :
       {std::pair{std::size_t{4}, kMaxPlotPageBytes}, {kPlotChannels, kMaxPlotPageBytesMany}}) {
    const auto data = WorstCase(10'000'000, channels);
    ASSERT_EQ(data->columns.Count(), 611u);
    const std::string page = PlotPageHtml(*data, info);
    EXPECT_LE(page.size(), limit) << channels << " channels";
    EXPECT_EQ(Count(page, "<g class=\"cols\">"), channels) << "one figure per channel";
    EXPECT_GT(HoverColumns(page), 50u);
    // The largest column count: 1,000 columns of one record.
    const std::string fullPage = PlotPageHtml(*WorstCase(1000, channels), info);
    EXPECT_LE(fullPage.size(), limit);
    std::printf(
        "plot page of %zu channels: %zu bytes for 10^7 records, %zu bytes for 1,000 "
        "columns\n",
        channels, page.size(), fullPage.size());
    EXPECT_LE(DisagreementStripSvg(MakePlotStrip(*data)).size(), 8000u);
  }
}

TEST(PlotPage, FigureIsWellFormedAndEveryTextEscaped) {
  if (!HaveXmllint()) {
    GTEST_SKIP() << "xmllint (Debian libxml2-utils) is missing: the well-formedness check did "
                    "not run";
  }
  const auto dataPtr = Ramp(5000, 2000, 2100);
  const CPlotData& data = *dataPtr;
  const std::string hostile = "<script>alert('&')</script>\x01\xff";
  const std::string page = PlotPageHtml(data, {hostile, hostile, hostile, hostile});
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find('\x01'), std::string::npos);
  EXPECT_EQ(page.find('\xff'), std::string::npos);
  EXPECT_EQ(Count(page, "&lt;script&gt;alert(&#39;&amp;&#39;)&lt;/script&gt;\\x01\\xFF"), 5u);
  EXPECT_EQ(XmlProblems(page), "");
  EXPECT_EQ(XmlProblems(DisagreementStripSvg(MakePlotStrip(data))), "");
}

TEST(PlotPage, ShowsWhatTheDataHolds) {
  const auto data = Ramp(4000, 2000, 2100);
  const std::string page =
      PlotPageHtml(*data, {"kv_timing_Korvel_TestVector_7", "t.txt",
                           "kv_timing_Korvel_TestVector_7_rtl.htm", "index.htm"});
  // 4,000 records in 500 columns of a channel, drawn as 167 of 24 records.
  EXPECT_EQ(HoverColumns(page), 167u);
  EXPECT_NE(page.find("value pair 1"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"kv_timing_Korvel_TestVector_7_rtl.htm\">"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"index.htm\">"), std::string::npos);
  EXPECT_NE(page.find("100 of 4,000 values disagree</span>: <span class=\"c\""), std::string::npos);
  EXPECT_NE(page.find(">100 other numeric difference</span>"), std::string::npos);
  EXPECT_NE(page.find("First disagreement: record 2,002, line 2,002, value pair 1."),
            std::string::npos);
  EXPECT_NE(page.find("value (16-bit signed, 8 fraction bits)"), std::string::npos);
  EXPECT_NE(page.find("error (LSB)"), std::string::npos);
  EXPECT_NE(page.find("record number"), std::string::npos);
  // Column of records 2,002..2,005: four values, all disagreeing by 3 LSB.
  EXPECT_NE(page.find("<title>records 1,994–2,017\n24 values, 16 disagree, 16 other numeric "
                      "difference\nfixed point 7.78125 to 7.87109\nRTL 7.78125 to 7.88281\n"
                      "error 0 to 3 LSB</title>"),
            std::string::npos)
      << page.substr(0, 3000);
  EXPECT_NE(page.find("<title>records 2–25\n24 values, 0 disagree\nfixed point 0 to 0.0898438\n"
                      "RTL 0 to 0.0898438</title>"),
            std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos) << "no script is needed";
  for (const char* external : {"src=", "url(", "@import", "http://www.w3.org/1999/xhtml"}) {
    EXPECT_EQ(page.find(external), std::string::npos) << external;
  }
}

// Records of `pairs` value pairs, fixed point and RTL the record's index;
// pair p (from 1) disagrees by 1 LSB in the first disagreements(p) records.
std::unique_ptr<CPlotData> Channels(
    std::uint64_t records, std::size_t pairs,
    const std::function<std::uint64_t(std::size_t)>& disagreements) {
  CPlotCollector collector;
  collector.Start(CPlotScale(16, 0, true));
  std::vector<std::string> texts(2 * pairs);
  std::vector<std::string_view> values(2 * pairs);
  std::vector<unsigned char> agrees(pairs);
  char text[16];
  for (std::uint64_t n = 0; n < records; ++n) {
    CRecordPairs record;
    record.line = record.record = n + 2;
    record.clocks = 4;
    for (std::size_t p = 0; p < pairs; ++p) {
      const bool differs = n < disagreements(p + 1);
      std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(n & 0x7fff));
      texts[2 * p] = text;
      std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>((n + differs) & 0x7fff));
      texts[2 * p + 1] = text;
      values[2 * p] = texts[2 * p];
      values[2 * p + 1] = texts[2 * p + 1];
      agrees[p] = differs ? 0 : 1;
      record.disagreeing += differs ? 1 : 0;
    }
    record.values = values;
    record.agrees = agrees;
    collector.Record(record);
  }
  return std::make_unique<CPlotData>(collector.Data());
}

// The figures' titles, "value pair N", in page order.
std::vector<std::string> FigureTitles(const std::string& page) {
  std::vector<std::string> titles;
  const std::string mark = "font-weight=\"bold\">";
  for (std::size_t at = page.find(mark); at != std::string::npos; at = page.find(mark, at + 1)) {
    const std::size_t start = at + mark.size();
    titles.push_back(page.substr(start, page.find('<', start) - start));
  }
  return titles;
}

TEST(PlotPage, PastSixteenChannelsTheMostDisagreeingAreDrawnInPairOrder) {
  // 20 pairs: pair p disagrees in (p * 7) % 11 records; pairs 5 and 16 tie
  // at the cut (2 each), and 16 is left out with 8, 19 (1) and 11 (0).
  const auto many = Channels(300, 20, [](std::size_t p) { return (p * 7) % 11; });
  const std::string page = PlotPageHtml(*many, {"v", "t.txt", "", ""});
  std::vector<std::string> expected;
  std::vector<std::pair<std::uint64_t, std::size_t>> ranked;
  for (std::size_t p = 1; p <= 20; ++p) {
    ranked.push_back({(p * 7) % 11, p});
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<std::size_t> drawn;
  for (std::size_t k = 0; k < 16; ++k) {
    drawn.push_back(ranked[k].second);
  }
  std::sort(drawn.begin(), drawn.end());
  ASSERT_EQ(drawn,
            (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 7, 9, 10, 12, 13, 14, 15, 17, 18, 20}));
  std::string list;
  for (const std::size_t p : drawn) {
    expected.push_back("value pair " + std::to_string(p));
    list += (list.empty() ? "" : ", ") + std::to_string(p);
  }
  EXPECT_EQ(FigureTitles(page), expected);
  EXPECT_NE(page.find("20 value pairs per record; 16 drawn, 4 left out: the 16 with the most "
                      "disagreements (the lower pair first on a tie) are drawn, in pair order: " +
                      list + "."),
            std::string::npos)
      << page.substr(0, 3000);
  // Every pair of a tie at the cut: 18 pairs of one count, the first 16 drawn.
  const auto tied = Channels(50, 18, [](std::size_t) { return 3; });
  const std::vector<std::string> tiedTitles = FigureTitles(PlotPageHtml(*tied, {"v", "t", "", ""}));
  ASSERT_EQ(tiedTitles.size(), 16u);
  EXPECT_EQ(tiedTitles.front(), "value pair 1");
  EXPECT_EQ(tiedTitles.back(), "value pair 16");
  // Sixteen or fewer: all drawn, no note.
  const std::string sixteen = PlotPageHtml(
      *Channels(50, 16, [](std::size_t p) { return p == 16 ? 5 : 0; }), {"v", "t", "", ""});
  EXPECT_EQ(FigureTitles(sixteen).size(), 16u);
  EXPECT_EQ(sixteen.find("left out"), std::string::npos);
}

TEST(PlotPage, ShortFilesShowOneRecordPerColumn) {
  // Up to 500 records a channel's column holds one record: the true trace.
  for (const std::uint64_t records : {1u, 100u, 200u, 500u}) {
    const auto data = Channels(records, 2, [](std::size_t p) { return p == 2 ? 3 : 0; });
    for (std::size_t c = 0; c < 2; ++c) {
      const std::vector<CPlotColumn> columns = data->channels.Of(c, data->columns);
      ASSERT_EQ(columns.size(), records) << records << " records";
      for (std::size_t n = 0; n < columns.size(); ++n) {
        ASSERT_EQ(columns[n].records, 1u);
        ASSERT_EQ(columns[n].firstRecord, n + 2);
        ASSERT_EQ(columns[n].values, 1u);
        ASSERT_EQ(columns[n].FixedPoint().min, static_cast<double>(n));
        ASSERT_EQ(columns[n].FixedPoint().max, static_cast<double>(n));
      }
    }
    const std::string page = PlotPageHtml(*data, {"v", "t", "", ""});
    if (records <= 200) {
      // Drawn as they are: no band.
      EXPECT_EQ(page.find("min to max per column"), std::string::npos) << records;
      EXPECT_EQ(HoverColumns(page), records) << "the first figure's columns";
      EXPECT_NE(page.find("each column of the plots holds 1 record or"), std::string::npos);
    } else {
      // The figures merge columns to keep the page small, and the page says
      // how many records a drawn column holds.
      EXPECT_NE(page.find("min to max per column"), std::string::npos) << records;
      EXPECT_NE(page.find("each column of the plots holds 3 records or"), std::string::npos)
          << records;
    }
  }
  // Past 500 records, two file columns per channel column; every record in
  // exactly one column, its values counted once.
  for (const std::uint64_t records : {501u, 1000u, 1001u, 70'000u}) {
    const auto data = Channels(records, 3, [](std::size_t) { return 0; });
    const std::vector<CPlotColumn> columns = data->channels.Of(1, data->columns);
    ASSERT_LE(columns.size(), kChannelColumns);
    std::uint64_t next = 2;
    std::uint64_t values = 0;
    for (const CPlotColumn& column : columns) {
      ASSERT_EQ(column.firstRecord, next) << records;
      ASSERT_EQ(column.FixedPoint().min, static_cast<double>((column.firstRecord - 2) & 0x7fff));
      next = column.lastRecord + 1;
      values += column.values;
    }
    EXPECT_EQ(next, records + 2);
    EXPECT_EQ(values, records);
    EXPECT_EQ(data->channels.FileColumnsPerColumn(), 2u);
  }
}

TEST(PlotPage, EmptyFileGivesAPageWithoutFigure) {
  const auto dataPtr = std::make_unique<CPlotData>();
  const CPlotData& data = *dataPtr;
  const std::string page = PlotPageHtml(data, {"v", "t.txt", "", ""});
  EXPECT_NE(page.find("No output record"), std::string::npos);
  EXPECT_EQ(page.find("<svg"), std::string::npos);
  EXPECT_EQ(page.find("<a "), std::string::npos);
  EXPECT_EQ(MakePlotStrip(data), CPlotStrip{});
  EXPECT_NE(DisagreementStripSvg(CPlotStrip{}).find("no output records"), std::string::npos);
}

TEST(PlotPage, NamedAfterTheReport) {
  EXPECT_EQ(PlotPagePathFor("/p/Reports/kv_timing_Korvel_TestVector_1_rtl.htm"),
            "/p/Reports/kv_timing_Korvel_TestVector_1_rtl_plot.htm");
  EXPECT_EQ(PlotPagePathFor("/p/Reports/run.1_impl.htm"), "/p/Reports/run.1_impl_plot.htm");
}

TEST(PlotStrip, MarksTheFirstDisagreementAndShadesByShare) {
  const CPlotStrip clean = MakePlotStrip(*Ramp(600, 600, 600));
  EXPECT_EQ(clean.shades, std::string(300, '-'));
  EXPECT_EQ(clean.firstDisagreement, -1);
  EXPECT_EQ(clean.firstRecord, 2u);
  EXPECT_EQ(clean.lastRecord, 601u);
  const std::string cleanSvg = DisagreementStripSvg(clean);
  EXPECT_EQ(cleanSvg.find("first disagreement"), std::string::npos);
  EXPECT_NE(cleanSvg.find("<title>records 2–601</title>"), std::string::npos);
  EXPECT_NE(cleanSvg.find("width=\"300\" height=\"18\""), std::string::npos);
  EXPECT_EQ(Count(cleanSvg, "<path"), 0u);

  // Records 302..451 disagree: the middle quarter of the strip, every value.
  const CPlotStrip burst = MakePlotStrip(*Ramp(600, 300, 450));
  EXPECT_EQ(burst.shades, std::string(150, '-') + std::string(75, '4') + std::string(75, '-'));
  EXPECT_EQ(burst.firstDisagreement, 150);
  const std::string svg = DisagreementStripSvg(burst);
  EXPECT_NE(svg.find("M150 0h75v18h-75z"), std::string::npos) << svg;
  EXPECT_NE(svg.find(std::string("fill=\"") + std::string(svg_palette::kDisagreement[4])),
            std::string::npos);
  EXPECT_NE(svg.find("<rect x=\"149\" y=\"0\" width=\"2\" height=\"18\" fill=\"#000000\"/>"),
            std::string::npos);
  // One disagreeing value in 8 at record 2 of a 1,000 record file: a light shade.
  auto sparsePtr = std::make_unique<CPlotData>();
  CPlotData& sparse = *sparsePtr;
  for (std::uint64_t n = 0; n < 1000; ++n) {
    CPlotColumn& column = sparse.columns.BeginRecord(n + 2);
    column.values = 100;
    column.disagreeing = n == 0 ? 1 : 0;
  }
  sparse.hasDisagreement = true;
  sparse.firstDisagreementRecord = 2;
  EXPECT_EQ(MakePlotStrip(sparse).shades, "0" + std::string(299, '-'));
}

TEST(PlotStrip, StripsReadBackAreCheckedBeforeDrawing) {
  CPlotStrip strip = MakePlotStrip(*Ramp(600, 300, 450));
  EXPECT_TRUE(IsValidPlotStrip(strip));
  EXPECT_TRUE(IsValidPlotStrip(CPlotStrip{}));
  for (const auto& spoil : std::vector<void (*)(CPlotStrip&)>{
           [](CPlotStrip& s) { s.shades.pop_back(); },
           [](CPlotStrip& s) { s.shades[3] = '<'; },
           [](CPlotStrip& s) { s.shades[3] = '5'; },
           [](CPlotStrip& s) { s.firstDisagreement = 300; },
           [](CPlotStrip& s) { s.firstDisagreement = -2; },
           [](CPlotStrip& s) { s.firstRecord = s.lastRecord + 1; },
       }) {
    CPlotStrip spoilt = strip;
    spoil(spoilt);
    EXPECT_FALSE(IsValidPlotStrip(spoilt));
    EXPECT_EQ(DisagreementStripSvg(spoilt).find("<path"), std::string::npos)
        << "a strip that is not valid is drawn blank";
  }
}
