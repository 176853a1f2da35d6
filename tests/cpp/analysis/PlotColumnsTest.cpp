#include "analysis/PlotColumns.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "analysis/PlotCollector.h"
#include "analysis/PlotScale.h"
#include "fixedpoint/Quantizer.h"
#include "support/TestSupport.h"
#include "verify/TimingReport.h"

namespace {

// A value per record position that jumps about, so that the extremes of a
// column are somewhere inside it.
double ValueAt(std::uint64_t position) {
  return static_cast<double>((position * 2654435761u) % 100003) - 50000.0;
}

// Output records 2 .. records + 1 (record 1 is the start record), one value
// each; the error of a record is its value halved.
CPlotColumns Bin(std::uint64_t records) {
  CPlotColumns columns;
  for (std::uint64_t n = 0; n < records; ++n) {
    CPlotColumn& column = columns.BeginRecord(n + 2);
    column.otherFixedPoint.Take(ValueAt(n));
    column.otherError.Take(ValueAt(n) / 2);
  }
  return columns;
}

void ExpectEveryRecordOnce(const CPlotColumns& columns, std::uint64_t records) {
  ASSERT_GE(columns.Count(), 1u);
  ASSERT_LE(columns.Count(), kMaxPlotColumns);
  std::uint64_t next = 2;
  std::uint64_t total = 0;
  for (const CPlotColumn& column : columns) {
    ASSERT_EQ(column.firstRecord, next);
    ASSERT_EQ(column.records, column.lastRecord - column.firstRecord + 1);
    if (&column != &columns[columns.Count() - 1]) {
      ASSERT_EQ(column.records, columns.RecordsPerColumn());
    } else {
      ASSERT_LE(column.records, columns.RecordsPerColumn());
    }
    next = column.lastRecord + 1;
    total += column.records;
  }
  EXPECT_EQ(total, records);
  EXPECT_EQ(next, records + 2);
  EXPECT_EQ(columns.Records(), records);
}

void ExpectTrueExtremes(const CPlotColumns& columns) {
  for (const CPlotColumn& column : columns) {
    CPlotRange expected;
    for (std::uint64_t record = column.firstRecord; record <= column.lastRecord; ++record) {
      expected.Take(ValueAt(record - 2));
    }
    ASSERT_EQ(column.FixedPoint().min, expected.min) << "column from record " << column.firstRecord;
    ASSERT_EQ(column.FixedPoint().max, expected.max) << "column from record " << column.firstRecord;
    ASSERT_EQ(column.Error().min, expected.min / 2);
    ASSERT_EQ(column.Error().max, expected.max / 2);
    ASSERT_TRUE(column.Rtl().Empty());
    ASSERT_TRUE(column.agreed.Empty());
  }
}

// The report pass over a timing text with the collector looking on.
const CPlotData& RunReport(const std::string& text, CPlotCollector& collector,
                           CPlotScale scale = {}) {
  collector.Start(std::move(scale));
  CLineReader reader(TextSource(text));
  COutputBuffer buffer([](std::string_view) {});
  CHtmlReportWriter writer(buffer);
  CClockFigures figures;
  CTimingReportHooks hooks;
  hooks.observer = &collector;
  WriteTimingRows(reader, writer, figures, "t.txt", hooks);
  return collector.Data();
}

}  // namespace

TEST(PlotBinning, EveryRecordInExactlyOneOfAtMostAThousandColumns) {
  for (const std::uint64_t records : {1ull, 999ull, 1000ull, 1001ull, 2000ull, 2001ull}) {
    SCOPED_TRACE(records);
    const CPlotColumns columns = Bin(records);
    ExpectEveryRecordOnce(columns, records);
    ExpectTrueExtremes(columns);
  }
  EXPECT_EQ(Bin(1).Count(), 1u);
  EXPECT_EQ(Bin(999).Count(), 999u);
  EXPECT_EQ(Bin(1000).Count(), 1000u);
  EXPECT_EQ(Bin(1000).RecordsPerColumn(), 1u);
  const CPlotColumns merged = Bin(1001);
  EXPECT_EQ(merged.Count(), 501u);
  EXPECT_EQ(merged.RecordsPerColumn(), 2u);
  EXPECT_EQ(merged[500].records, 1u);
}

TEST(PlotBinning, TenMillionRecordsKeepTheirExtremes) {
  const std::uint64_t records = 10'000'000;
  const CPlotColumns columns = Bin(records);
  ExpectEveryRecordOnce(columns, records);
  ExpectTrueExtremes(columns);
  // 10^7 records in columns of a power of two: 16,384 each, 611 columns.
  EXPECT_EQ(columns.RecordsPerColumn(), 16384u);
  EXPECT_EQ(columns.Count(), 611u);
}

TEST(PlotBinning, MergedColumnsAddTheirCounts) {
  CPlotColumns columns;
  for (std::uint64_t n = 0; n < 4000; ++n) {
    CPlotColumn& column = columns.BeginRecord(n + 2);
    column.values += 3;
    column.disagreeing += n % 7 == 0 ? 1 : 0;
    column.unreadable += n == 1234 ? 1 : 0;
  }
  std::uint64_t values = 0;
  std::uint64_t disagreeing = 0;
  std::uint64_t unreadable = 0;
  for (const CPlotColumn& column : columns) {
    values += column.values;
    disagreeing += column.disagreeing;
    unreadable += column.unreadable;
  }
  EXPECT_EQ(values, 12000u);
  EXPECT_EQ(disagreeing, 572u);  // 0, 7, ..., 3997
  EXPECT_EQ(unreadable, 1u);
  EXPECT_EQ(columns.Count(), 1000u);
  EXPECT_EQ(columns.RecordsPerColumn(), 4u);
}

TEST(PlotValueReading, HexPatterns) {
  std::uint64_t pattern = 0;
  EXPECT_TRUE(ReadHexPattern("0xa5cd", pattern));
  EXPECT_EQ(pattern, 0xa5cdu);
  EXPECT_TRUE(ReadHexPattern("0XA5CD", pattern));
  EXPECT_EQ(pattern, 0xa5cdu);
  EXPECT_TRUE(ReadHexPattern("ff", pattern));
  EXPECT_EQ(pattern, 0xffu);
  EXPECT_TRUE(ReadHexPattern("0x0000ffffffffffffffff", pattern)) << "leading zeros are free";
  EXPECT_EQ(pattern, ~std::uint64_t{0});
  for (const char* bad :
       {"", "0x", "xxxx", "0xzz", "0x1g", "-1", "0x 1", "1.5", "0x10000000000000000"}) {
    EXPECT_FALSE(ReadHexPattern(bad, pattern)) << bad;
  }
}

namespace {

// The plain reading: the prefix, leading zeros down to 16 digits, then one
// digit at a time.
bool PlainHexPattern(std::string_view token, std::uint64_t& pattern) {
  if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    token.remove_prefix(2);
  }
  while (token.size() > 16 && token.front() == '0') {
    token.remove_prefix(1);
  }
  if (token.empty() || token.size() > 16) {
    return false;
  }
  std::uint64_t value = 0;
  for (const char c : token) {
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) {
      return false;
    }
    value = value * 16 + static_cast<std::uint64_t>(digit);
  }
  pattern = value;
  return true;
}

void ExpectReadAsPlain(const std::string& token) {
  std::uint64_t fast = 1;
  std::uint64_t plain = 2;
  const bool fastRead = ReadHexPattern(token, fast);
  ASSERT_EQ(fastRead, PlainHexPattern(token, plain)) << token;
  if (fastRead) {
    ASSERT_EQ(fast, plain) << token;
  }
}

}  // namespace

// The digits are read several at a time: every byte value at every place of
// every length, and random tokens, read as the plain digit-by-digit reading.
TEST(PlotValueReading, WordAtATimeReadingEqualsThePlainReading) {
  std::mt19937 random(7);
  const std::string digits = "0123456789abcdefABCDEF";
  std::uniform_int_distribution<std::size_t> anyDigit(0, digits.size() - 1);
  for (std::size_t length = 1; length <= 18; ++length) {
    for (std::size_t place = 0; place < length; ++place) {
      for (int byte = 0; byte < 256; ++byte) {
        std::string token(length, '0');
        for (char& c : token) {
          c = digits[anyDigit(random)];
        }
        token[place] = static_cast<char>(byte);
        ExpectReadAsPlain(token);
        ExpectReadAsPlain("0x" + token);
      }
    }
  }
  std::uniform_int_distribution<int> anyByte(0, 255);
  std::uniform_int_distribution<std::size_t> anyLength(0, 24);
  for (int n = 0; n < 200000; ++n) {
    std::string token = n % 2 == 0 ? "0x" : "";
    const std::size_t length = anyLength(random);
    for (std::size_t k = 0; k < length; ++k) {
      token += n % 7 == 0 ? static_cast<char>(anyByte(random)) : digits[anyDigit(random)];
    }
    ExpectReadAsPlain(token);
  }
  for (std::size_t zeros = 14; zeros < 40; ++zeros) {
    ExpectReadAsPlain(std::string(zeros, '0'));
    ExpectReadAsPlain("0X" + std::string(zeros, '0') + "F");
    ExpectReadAsPlain(std::string(zeros, '0') + "10000000000000000");
  }
}

TEST(PlotValueReading, SignedWordsThroughTheHeader) {
  ScratchDir dir;
  const CPlotScale scale =
      CPlotScale::FromVectorFile(dir.Write("v.txt", "%fixed wrap floor [16 8]\n0x1 0x2\n"));
  ASSERT_TRUE(scale.HasQuantizer()) << scale.Note();
  EXPECT_EQ(scale.AxisLabel(), "16-bit signed, 8 fraction bits");
  double code = 0;
  ASSERT_TRUE(scale.Read("0xffff", code));
  EXPECT_EQ(code, -1);
  EXPECT_EQ(scale.Value(code), -1.0 / 256);
  ASSERT_TRUE(scale.Read("0x8000", code));
  EXPECT_EQ(scale.Value(code), -128.0);
  ASSERT_TRUE(scale.Read("0x7fff", code));
  EXPECT_EQ(scale.Value(code), 32767.0 / 256);
  ASSERT_TRUE(scale.Read("0xffffa5cd", code)) << "a sign-extended wider pattern";
  EXPECT_EQ(code, static_cast<double>(static_cast<std::int16_t>(0xa5cd)));
  ASSERT_TRUE(scale.Read("0x0100", code));
  EXPECT_EQ(scale.Value(code), 1.0);

  const CPlotScale wide(64, 0, true);
  ASSERT_TRUE(wide.Read("0x8000000000000000", code));
  EXPECT_EQ(code, -9223372036854775808.0);
  ASSERT_TRUE(wide.Read("0xffffffffffffffff", code));
  EXPECT_EQ(code, -1);
  const CPlotScale one(1, 0, true);
  EXPECT_EQ(one.AxisLabel(), "1-bit signed, 0 fraction bits");
  ASSERT_TRUE(one.Read("0x1", code));
  EXPECT_EQ(code, -1);
}

TEST(PlotValueReading, UnsignedWordsAndRawCodes) {
  ScratchDir dir;
  const CPlotScale scale =
      CPlotScale::FromVectorFile(dir.Write("v.txt", "%ufixed saturate nearest [12 1]\n"));
  ASSERT_TRUE(scale.HasQuantizer()) << scale.Note();
  EXPECT_FALSE(scale.IsSigned());
  EXPECT_EQ(scale.AxisLabel(), "12-bit unsigned, 1 fraction bit");
  double code = 0;
  ASSERT_TRUE(scale.Read("0xfff", code));
  EXPECT_EQ(code, 4095);
  EXPECT_EQ(scale.Value(code), 2047.5);
  ASSERT_TRUE(scale.Read("0x1001", code)) << "bits above the word are dropped";
  EXPECT_EQ(code, 1);

  const CPlotScale raw;
  EXPECT_FALSE(raw.HasQuantizer());
  EXPECT_EQ(raw.AxisLabel(), "raw codes, unsigned");
  ASSERT_TRUE(raw.Read("0xffffffffffffffff", code));
  EXPECT_EQ(code, 18446744073709551615.0);
  EXPECT_EQ(raw.Value(code), code);
}

TEST(PlotValueReading, HeadersThatGiveNoQuantizerGiveRawCodesWithTheReason) {
  ScratchDir dir;
  const auto noteOf = [](const std::string& path) {
    const CPlotScale scale = CPlotScale::FromVectorFile(path);
    EXPECT_FALSE(scale.HasQuantizer());
    return scale.Note();
  };
  EXPECT_NE(noteOf((dir.Path() / "missing.txt").string()).find("missing.txt"), std::string::npos);
  EXPECT_NE(noteOf(dir.Write("e.txt", "")).find("no quantizer header"), std::string::npos);
  EXPECT_NE(noteOf(dir.Write("f.txt", "%fixed wrap [16 8]\n")).find("fewer than five"),
            std::string::npos);
  EXPECT_NE(noteOf(dir.Write("w.txt", "%fixed wrap flor [16 8]\n")).find("\"flor\""),
            std::string::npos);
  EXPECT_NE(noteOf(dir.Write("l.txt", "%fixed wrap floor [80 8]\n")).find("80"), std::string::npos);
}

TEST(PlotValueReading, RoundWordIsReadWithoutAMessage) {
  ScratchDir dir;
  const std::string path = dir.Write("v.txt", "%fixed saturate round [24 12]\n");
  ForgetRoundWordWarning();
  CapturedMessages messages;
  const CPlotScale scale = CPlotScale::FromVectorFile(path);
  EXPECT_EQ(scale.AxisLabel(), "24-bit signed, 12 fraction bits");
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(PlotCollection, ErrorInLsbsAndUnreadableTokens) {
  CPlotCollector collector;
  const CPlotData& data = RunReport(
      "0 start 0\n"
      "10 out 1 0x0001 0xffff 0x0100 0x0100\n"  // error -2 LSB; agreeing 1.0
      "20 out 1 0x7fff 0x8000 xxxx xxxx\n"      // error -65535 LSB; unreadable pair
      "30 out 1 0x0010 0x0013 0x0020\n",        // error 3 LSB; unpaired last value
      collector, CPlotScale(16, 8, true));
  const CPlotColumns& columns = data.columns;
  ASSERT_EQ(columns.Count(), 3u);
  EXPECT_EQ(columns[0].firstRecord, 2u);
  EXPECT_EQ(columns[0].Error().min, -2);
  EXPECT_EQ(columns[0].Error().max, 0);
  EXPECT_EQ(columns[0].FixedPoint().min, 1);
  EXPECT_EQ(columns[0].FixedPoint().max, 256);
  EXPECT_EQ(columns[0].Rtl().min, -1);
  EXPECT_EQ(columns[0].disagreeing, 1u);
  EXPECT_EQ(columns[1].Error().min, -65535);
  EXPECT_EQ(columns[1].Error().max, -65535);
  EXPECT_EQ(columns[1].disagreeing, 2u) << "tokens that are not hexadecimal disagree";
  EXPECT_EQ(columns[1].unreadable, 1u);
  EXPECT_EQ(columns[1].FixedPoint().min, 32767) << "the unreadable pair stays out of the trace";
  EXPECT_EQ(columns[1].Rtl().max, -32768);
  EXPECT_EQ(columns[2].Error().min, 3);
  EXPECT_EQ(columns[2].Error().max, 3);
  EXPECT_EQ(columns[2].FixedPoint().max, 32);
  EXPECT_EQ(columns[2].Rtl().max, 19);
  EXPECT_EQ(columns[2].disagreeing, 2u);
  EXPECT_EQ(columns[2].values, 2u);
  ASSERT_TRUE(data.hasDisagreement);
  EXPECT_EQ(data.firstDisagreementRecord, 2u);
  EXPECT_EQ(data.firstDisagreementLine, 2u);
  EXPECT_EQ(data.firstDisagreementPair, 1u);
}

TEST(PlotCollection, RecordNumbersFollowTheFileAcrossSkippedLines) {
  CPlotCollector collector;
  RunReport("0 start 0\n\n1 out\n10 out 1 0x1 0x1\n20 out 1 0x2 0x3\n", collector,
            CPlotScale(8, 0, false));
  RunReport("0 start 0\n10 out 1 0x0 0x0\n", collector);
  EXPECT_EQ(collector.Data().columns.Count(), 1u) << "Start forgets the file before";
  EXPECT_FALSE(collector.Data().hasDisagreement);
  const CPlotData& data =
      RunReport("0 start 0\n\n1 out\n10 out 1 0x1 0x1\n20 out 1 0x2 0x3\n", collector);
  ASSERT_EQ(data.columns.Count(), 2u);
  EXPECT_EQ(data.columns[0].firstRecord, 2u);
  EXPECT_EQ(data.columns[1].firstRecord, 3u);
  EXPECT_EQ(data.firstDisagreementRecord, 3u);
  EXPECT_EQ(data.firstDisagreementLine, 5u);
  EXPECT_EQ(data.columns[1].Error().max, 1);
}
