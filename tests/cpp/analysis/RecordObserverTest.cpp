// A record held whole reaches the observers in one call, a record too long
// to hold pair by pair: the per-file results and the plot data must come out
// the same either way, whatever the tokens.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "analysis/Diagnosis.h"
#include "analysis/FileResult.h"
#include "analysis/PlotCollector.h"
#include "support/TestSupport.h"
#include "verify/TimingReport.h"

namespace {

struct CObserved {
  CFileResult result;
  CPlotCollector plots;
  std::optional<CDiagnosisObserver> diagnosis;
};

// The file through the report pass with both observers behind one fan-out;
// lines longer than heldLine are streamed.
void Observe(const std::string& text, std::size_t heldLine, const CPlotScale& scale,
             CObserved& observed) {
  std::string sink;
  COutputBuffer buffer([&sink](std::string_view bytes) { sink.append(bytes); });
  CHtmlReportWriter writer(buffer);
  CLineReader reader(TextSource(text), 64);
  CFileResultObserver gather(observed.result, 5);
  observed.plots.Start(scale);
  observed.diagnosis.emplace(scale);
  CPairObserverFanOut fanOut({&gather, &observed.plots, &*observed.diagnosis});
  CTimingReportHooks hooks;
  hooks.observer = &fanOut;
  hooks.heldLine = heldLine;
  hooks.readAt = [&text](std::uint64_t offset, char* data, std::size_t size) {
    const std::string piece = text.substr(offset, size);
    piece.copy(data, piece.size());
    return piece.size();
  };
  CClockFigures figures;
  WriteTimingRows(reader, writer, figures, "t.txt", hooks);
}

std::string Describe(const CPlotRange& range) {
  std::ostringstream text;
  text << range.min << ".." << range.max;
  return text.str();
}

// Everything a plot shows, as text to compare.
std::string Describe(const CPlotData& data) {
  std::ostringstream text;
  text << "first " << data.hasDisagreement << " " << data.firstDisagreementRecord << " "
       << data.firstDisagreementLine << " " << data.firstDisagreementPair << "\n";
  for (const CPlotColumn& column : data.columns) {
    text << column.firstRecord << "-" << column.lastRecord << " r" << column.records << " v"
         << column.values << " d" << column.disagreeing << " u" << column.unreadable << " f"
         << Describe(column.FixedPoint()) << " t" << Describe(column.Rtl()) << " e"
         << Describe(column.Error()) << "\n";
  }
  // Each channel's columns too: held records count their values per run of
  // records, streamed ones per pair.
  for (std::size_t c = 0; c < data.channels.Channels(); ++c) {
    text << "channel " << c + 1 << "\n";
    for (const CPlotColumn& column : data.channels.Of(c, data.columns)) {
      text << column.firstRecord << "-" << column.lastRecord << " v" << column.values << " d"
           << column.disagreeing << " u" << column.unknown << " f" << Describe(column.FixedPoint())
           << " t" << Describe(column.Rtl()) << " e" << Describe(column.Error()) << "\n";
    }
  }
  return text.str();
}

// Not hexadecimal, too long, or of a common shape ("0x" and four or eight
// digits) with a byte that is not a digit, or at the edges of a word.
const std::vector<std::string> kOddTokens = {"xxxx",
                                             "0x",
                                             "1.5",
                                             "-1",
                                             "0xg1",
                                             "ZZ",
                                             "0x1 ",
                                             "00000000000000000000",
                                             "0x10000000000000000",
                                             "0x12g4",
                                             "0x 123",
                                             "0x-123",
                                             "0X/:@`",
                                             "0x\x80\xff\xe6"
                                             "a",
                                             std::string("0x1\0"
                                                         "23",
                                                         6),
                                             "0xFFFF",
                                             "0x8000",
                                             "0x7fff",
                                             "0x0000",
                                             "0x12G4",
                                             "0x1234567g",
                                             "0x1234 678",
                                             "0x\x80"
                                             "1234567",
                                             std::string("0x123\0"
                                                         "5678",
                                                         10),
                                             "0xFFFFFFFF",
                                             "0x80000000",
                                             "0x7fffffff",
                                             "0x00000000",
                                             "0X00008000",
                                             "0x0000ffff"};

std::string OddToken(std::mt19937& random) {
  return kOddTokens[std::uniform_int_distribution<std::size_t>(0, kOddTokens.size() - 1)(random)];
}

std::string HexDigits(std::mt19937& random, int count) {
  std::uniform_int_distribution<int> digit(0, 21);
  std::string digits;
  for (int n = 0; n < count; ++n) {
    digits += "0123456789abcdefABCDEF"[digit(random)];
  }
  return digits;
}

// A token in the record's style: 0 any shape, 1 to 4 mostly "0x" and four,
// eight, seven or five digits (the common shapes, and ones a digit off).
std::string RandomToken(std::mt19937& random, int style) {
  std::uniform_int_distribution<int> kind(0, 19);
  const int k = kind(random);
  if (k == 0) {
    return OddToken(random);
  }
  if (style > 0) {
    static const int kDigits[] = {0, 4, 8, 7, 5};
    return (k == 1 ? "0X" : "0x") + HexDigits(random, kDigits[style]);
  }
  const std::string prefix = k % 3 == 0 ? "" : (k % 5 == 0 ? "0X" : "0x");
  return prefix + HexDigits(random, k < 14 ? 4 : std::uniform_int_distribution<int>(1, 18)(random));
}

// Records of 0 to 150 value pairs (more than the 64 the collector takes at a
// time), mostly agreeing, some not, some with an unpaired last value.
std::string RandomTimingText(std::mt19937& random) {
  std::uniform_int_distribution<int> records(0, 12);
  std::uniform_int_distribution<int> pairs(0, 150);
  std::uniform_int_distribution<int> chance(0, 99);
  std::string text = "0 start 0\n";
  const int count = records(random);
  for (int r = 0; r < count; ++r) {
    text += std::to_string(10 * r) + " out " + std::to_string(chance(random) % 9);
    const int n = chance(random) < 20 ? pairs(random) : 8;
    const int style = chance(random) % 5;
    for (int p = 0; p < n; ++p) {
      const std::string fixed = RandomToken(random, style);
      text += " " + fixed + " " + (chance(random) < 90 ? fixed : RandomToken(random, style));
    }
    if (chance(random) < 10) {
      text += " " + RandomToken(random, style);
    }
    text += "\n";
  }
  return text;
}

}  // namespace

TEST(RecordObservers, WholeRecordsAndStreamedPairsGiveTheSameResultsAndPlots) {
  std::mt19937 random(20261209);
  const std::vector<CPlotScale> scales = {CPlotScale(16, 8, true),
                                          CPlotScale(12, 0, false),
                                          CPlotScale(64, 3, true),
                                          CPlotScale(1, 0, true),
                                          CPlotScale(),
                                          CPlotScale(16, 0, false),
                                          CPlotScale(17, 2, true),
                                          CPlotScale(8, 0, true),
                                          CPlotScale(15, 0, true),
                                          CPlotScale(32, 0, true),
                                          CPlotScale(32, 8, false),
                                          CPlotScale(24, 4, true),
                                          CPlotScale(40, 0, true),
                                          CPlotScale(31, 0, false)};
  for (int round = 0; round < 1400; ++round) {
    const std::string text = RandomTimingText(random);
    const CPlotScale& scale = scales[static_cast<std::size_t>(round) % scales.size()];
    CObserved held;
    CObserved streamed;
    Observe(text, CLineReader::kDefaultHeldLine, scale, held);
    Observe(text, 1, scale, streamed);  // every record streamed
    ASSERT_EQ(Describe(held.plots.Data()), Describe(streamed.plots.Data())) << text;
    ASSERT_EQ(held.result.values, streamed.result.values) << text;
    ASSERT_EQ(held.result.disagreeing, streamed.result.disagreeing) << text;
    ASSERT_EQ(held.result.firstDisagreements, streamed.result.firstDisagreements) << text;
    ASSERT_EQ(held.result.figures, streamed.result.figures) << text;
    ASSERT_EQ(held.diagnosis->Result(), streamed.diagnosis->Result()) << text;
    ASSERT_EQ(held.diagnosis->Warnings("t.txt"), streamed.diagnosis->Warnings("t.txt")) << text;
  }
}

TEST(RecordObservers, AgreeingValuesInEveryChunkOfALongRecordCount) {
  // 200 agreeing pairs of values 0..199, then one that disagrees: the
  // column holds the extremes of all of them and the one disagreement.
  std::string text = "0 s 0\n1 o 3";
  for (int n = 0; n < 200; ++n) {
    const std::string value = "0x" + std::to_string(1000 + n);
    text += " " + value + " " + value;
  }
  text += " 0x1 0x2\n";
  CObserved held;
  Observe(text, CLineReader::kDefaultHeldLine, CPlotScale(), held);
  const CPlotData& data = held.plots.Data();
  ASSERT_EQ(data.columns.Count(), 1u);
  const CPlotColumn& column = data.columns[0];
  EXPECT_EQ(column.values, 201u);
  EXPECT_EQ(column.disagreeing, 1u);
  EXPECT_EQ(column.agreed.min, 0x1000);
  EXPECT_EQ(column.agreed.max, 0x1199);
  EXPECT_EQ(column.Error().max, 1);
  EXPECT_EQ(data.firstDisagreementPair, 201u);
  EXPECT_EQ(held.result.values, 201u);
  ASSERT_EQ(held.result.firstDisagreements.size(), 1u);
  EXPECT_EQ(held.result.firstDisagreements[0].pair, 201u);
}
