#include "verify/TimingRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(std::string_view line, bool* escape = nullptr) {
  std::vector<std::string_view> tokens;
  const bool needsEscape = SplitRecord(line, tokens);
  if (escape != nullptr) {
    *escape = needsEscape;
  }
  return {tokens.begin(), tokens.end()};
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(RecordTokens, SplitAtRunsOfWhiteSpace) {
  EXPECT_EQ(Split("10 out 3 0x1 0x1"), (Strings{"10", "out", "3", "0x1", "0x1"}));
  EXPECT_EQ(Split(" \t10\v\fa \r 3\t"), (Strings{"10", "a", "3"}));
  EXPECT_EQ(Split(" \t \r"), Strings{});
  EXPECT_EQ(Split(""), Strings{});
}

TEST(RecordTokens, OtherBytesBelongToTokens) {
  // A zero byte or a high byte is part of a token, not a separator.
  EXPECT_EQ(Split(std::string("a\0b c\xff", 6)), (Strings{std::string("a\0b", 3), "c\xff"}));
}

TEST(RecordTokens, ReportsBytesThatHtmlEscapes) {
  bool escape = true;
  Split("1 2 3 0x1 0x1", &escape);
  EXPECT_FALSE(escape);
  for (const char* line : {"1 2 3 a&b x", "1 <2 3", "1 2 3> ", "\"1 2 3"}) {
    escape = false;
    Split(line, &escape);
    EXPECT_TRUE(escape) << line;
  }
}

TEST(ClockCount, ReadsLikeAtoi) {
  EXPECT_EQ(ParseClockCount("42"), 42);
  EXPECT_EQ(ParseClockCount("-7"), -7);
  EXPECT_EQ(ParseClockCount("+7"), 7);
  EXPECT_EQ(ParseClockCount("12abc"), 12);
  EXPECT_EQ(ParseClockCount("abc"), 0);
  EXPECT_EQ(ParseClockCount("-"), 0);
  EXPECT_EQ(ParseClockCount("0x10"), 0);
  EXPECT_EQ(ParseClockCount(""), 0);
  EXPECT_EQ(ParseClockCount("007"), 7);
}

TEST(ClockCount, SaturatesOutsideThe32BitRange) {
  EXPECT_EQ(ParseClockCount("2147483647"), 2147483647);
  EXPECT_EQ(ParseClockCount("2147483648"), 2147483647);
  EXPECT_EQ(ParseClockCount("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseClockCount("-2147483649"), -2147483647 - 1);
  EXPECT_EQ(ParseClockCount("99999999999999999999999999"), 2147483647);
}

TEST(RecordTokens, AgreesWithASimpleSplitOnLinesOfEveryLength) {
  // Lines cross the 16-byte steps of the splitter at every offset.
  const std::string alphabet = std::string(" \t\r\v\fab&<\"\n", 12) + std::string(1, '\0');
  unsigned seed = 12345;
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    const std::size_t length = static_cast<std::size_t>(round % 70);
    for (std::size_t i = 0; i < length; ++i) {
      seed = seed * 1103515245u + 12345u;
      line += alphabet[(seed >> 16) % alphabet.size()];
    }
    Strings expected;
    bool expectEscape = false;
    std::string current;
    for (const char c : line) {
      if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
        if (!current.empty()) {
          expected.push_back(current);
        }
        current.clear();
      } else {
        current += c;
        expectEscape = expectEscape || c == '&' || c == '<' || c == '>' || c == '"';
      }
    }
    if (!current.empty()) {
      expected.push_back(current);
    }
    bool escape = false;
    ASSERT_EQ(Split(line, &escape), expected) << "round " << round;
    ASSERT_EQ(escape, expectEscape) << "round " << round;
  }
}
