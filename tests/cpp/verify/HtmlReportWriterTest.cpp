#include "verify/HtmlReportWriter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// A writer on a small buffer (so block boundaries are crossed) that collects
// everything in a string.
class WriterFixture : public ::testing::Test {
 protected:
  std::string Take() {
    buffer_.Flush();
    return std::exchange(written_, std::string());
  }

  std::string written_;
  COutputBuffer buffer_{[this](std::string_view bytes) { written_.append(bytes); }, 64};
  CHtmlReportWriter writer_{buffer_};
};

const std::string kOpen = "\t<td class=\"table_data_center\">";
const std::string kClose = "</td>\n";
const std::string kRed = "<font color=\"red\">";

std::string OutputRow(const std::string& time, const std::string& clocks, const std::string& fixed,
                      const std::string& rtl) {
  return "<tr>\n" + kOpen + time + kClose + kOpen + clocks + kClose + kOpen + fixed + kClose +
         kOpen + rtl + kClose + "</tr>\n";
}

std::vector<std::string_view> Views(const std::vector<std::string>& texts) {
  return {texts.begin(), texts.end()};
}

}  // namespace

TEST(ReportHead, KeepsTheIrregularPiecesOfTheStyleSheet) {
  const std::string head(ReportHeadText());
  EXPECT_EQ(head.rfind("<html xmlns:fo=\"http://www.w3.org/1999/XSL/Format\">\n", 0), 0u);
  // The data rules' border lines carry a space and three tabs, the header's four tabs.
  EXPECT_NE(head.find("\tborder-color: \t\t\t#ffffff;\n\tborder-width: \t\t\t1px;\n"),
            std::string::npos);
  EXPECT_NE(head.find("\tborder-color:\t\t\t\t#ffffff;\n\tborder-width:\t\t\t\t1px;\n"),
            std::string::npos);
  // The last rule closes with one line feed; the head ends without one.
  EXPECT_NE(head.find("\tpadding-right:\t\t\t1em;\n}\n</style>\n"), std::string::npos);
  EXPECT_EQ(head.substr(head.size() - 6), "\n</tr>");
}

TEST(ReportHead, StreamFormWritesTheSameBytes) {
  std::ostringstream out;
  WriteReportHead(out);
  EXPECT_EQ(out.str(), ReportHeadText());
}

TEST_F(WriterFixture, EmptyReportIsHeadAndTail) {
  writer_.WriteHead();
  writer_.WriteTail();
  EXPECT_EQ(Take(), std::string(ReportHeadText()) + "</table>\n</center>\n<br>\n</body></html>\n");
}

TEST_F(WriterFixture, StartRowHasTwoBlankValueCells) {
  writer_.WriteStartRow("100", "0");
  EXPECT_EQ(Take(), OutputRow("100", "0", "&nbsp;", "&nbsp;"));
}

TEST_F(WriterFixture, RowWithoutPairsHasEmptyValueCells) {
  EXPECT_EQ(writer_.WriteOutputRow("5", "3", {}), 0u);
  EXPECT_EQ(Take(), OutputRow("5", "3", "", ""));
}

TEST_F(WriterFixture, DisagreeingPairIsRedOnBothSides) {
  const std::vector<std::string> values{"P", "P", "Q", "R"};
  for (const bool escape : {false, true}) {
    EXPECT_EQ(writer_.WriteOutputRow("t", "c", Views(values), escape), 1u);
    EXPECT_EQ(Take(), OutputRow("t", "c", "&nbsp;P&nbsp;" + kRed + "Q</font>",
                                "&nbsp;P&nbsp;" + kRed + "R</font>"))
        << "escape " << escape;
  }
}

TEST_F(WriterFixture, ComparisonIsOnTheTextNotTheNumber) {
  const std::vector<std::string> values{"0x00ff", "0x0ff"};
  EXPECT_EQ(writer_.WriteOutputRow("t", "c", Views(values), false), 1u);
}

TEST_F(WriterFixture, UnpairedLastValueDisagreesWithAnEmptyRtlText) {
  const std::vector<std::string> values{"A", "A", "B"};
  for (const bool escape : {false, true}) {
    EXPECT_EQ(writer_.WriteOutputRow("t", "c", Views(values), escape), 1u);
    EXPECT_EQ(Take(), OutputRow("t", "c", "&nbsp;A&nbsp;" + kRed + "B</font>",
                                "&nbsp;A&nbsp;" + kRed + "</font>"));
  }
}

TEST_F(WriterFixture, LineBreakBeforeEverySixthPair) {
  for (const int pairs : {5, 6, 12}) {
    std::vector<std::string> values;
    std::string expected;
    for (int n = 1; n <= pairs; ++n) {
      values.push_back(std::to_string(n));
      values.push_back(std::to_string(n));
      if (n == 6 || n == 11) {
        expected += "<br>";
      }
      expected += "&nbsp;" + std::to_string(n);
    }
    for (const bool escape : {false, true}) {
      EXPECT_EQ(writer_.WriteOutputRow("t", "c", Views(values), escape), 0u);
      EXPECT_EQ(Take(), OutputRow("t", "c", expected, expected)) << pairs << " pairs";
    }
  }
}

TEST_F(WriterFixture, TokenTextsAreEscapedButComparedRaw) {
  const std::vector<std::string> values{"a<b", "a<b", "\"&\"", "&quot;&amp;&quot;"};
  EXPECT_EQ(writer_.WriteOutputRow("1&2", "<3>", Views(values), true), 1u);
  EXPECT_EQ(
      Take(),
      OutputRow("1&amp;2", "&lt;3&gt;", "&nbsp;a&lt;b&nbsp;" + kRed + "&quot;&amp;&quot;</font>",
                "&nbsp;a&lt;b&nbsp;" + kRed + "&amp;quot;&amp;amp;&amp;quot;</font>"));
  writer_.WriteStartRow("<", ">", true);
  EXPECT_EQ(Take(), OutputRow("&lt;", "&gt;", "&nbsp;", "&nbsp;"));
}

TEST_F(WriterFixture, ValueTextReplacesTheTokenInTheCells) {
  std::vector<std::string> seen;
  CHtmlReportWriter writer(buffer_, [&seen](std::string_view token) {
    seen.emplace_back(token);
    return std::string_view(token.size() == 2 ? "two" : "other");
  });
  const std::vector<std::string> values{"aa", "bbb", "cc", "cc"};
  EXPECT_EQ(writer.WriteOutputRow("t", "c", Views(values), false), 1u);
  EXPECT_EQ(Take(), OutputRow("t", "c", "&nbsp;" + kRed + "two</font>&nbsp;two",
                              "&nbsp;" + kRed + "other</font>&nbsp;two"));
  // An agreeing pair is converted once for both cells.
  EXPECT_EQ(seen, (std::vector<std::string>{"aa", "bbb", "cc"}));

  // With escaping, and an unpaired last value that has no RTL text to convert.
  seen.clear();
  const std::vector<std::string> unpaired{"cc", "cc", "x"};
  EXPECT_EQ(writer.WriteOutputRow("<t>", "c", Views(unpaired), true), 1u);
  EXPECT_EQ(Take(), OutputRow("&lt;t&gt;", "c", "&nbsp;two&nbsp;" + kRed + "other</font>",
                              "&nbsp;two&nbsp;" + kRed + "</font>"));
  EXPECT_EQ(seen, (std::vector<std::string>{"cc", "x"}));
}

TEST(OutputBufferBlocks, LongTextPassesThroughAndOrderIsKept) {
  std::string written;
  std::vector<std::size_t> calls;
  COutputBuffer buffer(
      [&](std::string_view bytes) {
        written.append(bytes);
        calls.push_back(bytes.size());
      },
      8);
  buffer.Append("abc");
  buffer.Append(std::string(20, 'x'));
  buffer.Append('!');
  buffer.AppendHtmlEscaped("<>");
  EXPECT_EQ(buffer.BytesWritten(), 3u + 20 + 1 + 8);
  buffer.Flush();
  EXPECT_EQ(written, "abc" + std::string(20, 'x') + "!&lt;&gt;");
  for (std::size_t n : calls) {
    EXPECT_TRUE(n <= 8 || n == 20) << n;
  }
}

TEST(OutputBufferBlocks, ReserveGrowsTheBlockForALongRow) {
  std::string written;
  COutputBuffer buffer([&](std::string_view bytes) { written.append(bytes); }, 4);
  buffer.Append("ab");
  char* p = buffer.Reserve(10);
  for (int i = 0; i < 10; ++i) {
    *p++ = static_cast<char>('0' + i);
  }
  buffer.Commit(p);
  buffer.Flush();
  EXPECT_EQ(written, "ab0123456789");
}
