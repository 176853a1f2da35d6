#include "util/StringUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

const std::string kHighBytes = "\xC4\xE9\x80\xFF";

TEST(StringEndings, StripSuffixNeedsAStrictlyLongerText) {
  EXPECT_EQ(StripSuffix("abc", "abc"), "abc");
  EXPECT_EQ(StripSuffix("abc", "bc"), "a");
  EXPECT_EQ(StripSuffix("abc", "BC"), "abc");
  EXPECT_EQ(StripSuffix("abc", ""), "abc");
  EXPECT_EQ(StripSuffix("", "x"), "");
}

TEST(StringEndings, CompareEndingOrdersTheLastBytes) {
  EXPECT_EQ(CompareEnding("file.txt", ".txt"), 0);
  EXPECT_EQ(CompareEnding("a", ".txt"), -1);
  EXPECT_EQ(CompareEnding("file.tat", ".txt"), -1);
  EXPECT_EQ(CompareEnding("file.tx", ".txt"), 1);  // "e.tx" against ".txt"
  EXPECT_EQ(CompareEnding("file.tzt", ".txt"), 1);
  EXPECT_EQ(CompareEnding("file\xFF", "\x01"), 1);  // unsigned bytes
  EXPECT_EQ(CompareEnding("abc", ""), 0);
  EXPECT_EQ(CompareEnding(std::string("a.txt\0zz", 8), ".txt"), 0);  // stops at the zero byte
}

TEST(StringReplace, ReplaceSubstringFirstOrAll) {
  std::string text = "aXbXc";
  ReplaceSubstring(text, "X", "--", false);
  EXPECT_EQ(text, "a--bXc");
  text = "aXbXc";
  ReplaceSubstring(text, "X", "--", true);
  EXPECT_EQ(text, "a--b--c");
  text = "aXbXc";
  ReplaceSubstring(text, "X", "X", true);  // must end although "X" stays
  EXPECT_EQ(text, "aXbXc");
  text = "aXXb";
  ReplaceSubstring(text, "X", "XX", true);
  EXPECT_EQ(text, "aXXXXb");
}

TEST(StringReplace, ReplaceSubstringWithEmptyTextErases) {
  std::string text = "aXXXb";
  ReplaceSubstring(text, "X", "", true);
  EXPECT_EQ(text, "ab");
  text = "abab";
  ReplaceSubstring(text, "ab", "", false);
  EXPECT_EQ(text, "ab");
  text = "aaaa";
  ReplaceSubstring(text, "aa", "", true);
  EXPECT_EQ(text, "");
  text = "abc";
  ReplaceSubstring(text, "", "x", true);
  EXPECT_EQ(text, "abc");
}

TEST(StringReplace, ReplaceAnyOfNeverRevisitsInsertedBytes) {
  std::string text = "a/b";
  ReplaceAnyOf(text, "/", "//");
  EXPECT_EQ(text, "a//b");
  text = "a/b\\c";
  ReplaceAnyOf(text, "/\\", "");
  EXPECT_EQ(text, "abc");
  text = "x//y";
  ReplaceAnyOf(text, "/", "");
  EXPECT_EQ(text, "xy");
}

TEST(StringReplace, ReplaceCharChangesEveryOccurrence) {
  std::string text = "a\\b\\c";
  ReplaceChar(text, '\\', '/');
  EXPECT_EQ(text, "a/b/c");
}

TEST(StringCompare, ExactComparisonIsUnsignedAndNormalised) {
  EXPECT_EQ(CompareText("abc", "abd", false), -1);
  EXPECT_EQ(CompareText("abd", "abc", false), 1);
  EXPECT_EQ(CompareText("abc", "abc", false), 0);
  EXPECT_EQ(CompareText("\xFF", "a", false), 1);
  EXPECT_EQ(CompareText("abcd", "abcx", false, 3), 0);
  EXPECT_LT(CompareText("abcd", "abcx", false, 4), 0);
  EXPECT_EQ(CompareText(std::string("ab"), "ab", false), 0);
  EXPECT_EQ(CompareText("ab", std::string("ab"), false), 0);
  EXPECT_EQ(CompareText(nullptr, "", false), 0);
}

TEST(StringCompare, IgnoreCaseIsAnEqualityTestWithPrefixIndication) {
  EXPECT_EQ(CompareText("abc", "ABD", true), 1);
  EXPECT_EQ(CompareText("ABD", "abc", true), 1);
  EXPECT_EQ(CompareText("ab", "ABC", true), -1);
  EXPECT_EQ(CompareText("ABC", "ab", true), 1);
  EXPECT_EQ(CompareText("MiXeD", "mixed", true), 0);
  EXPECT_EQ(CompareText(std::string("abcd"), std::string("ABCX"), true, 3), 0);
  EXPECT_EQ(CompareText("abcd", "abcd", true, 2), 0);
  EXPECT_EQ(CompareText("abc", "xyz", true, 0), 0);
  EXPECT_EQ(CompareText("abc", "xyz", false, 0), 0);
}

TEST(StringCompare, IgnoreCaseLeavesHighBytesAlone) {
  // 0xC4 and 0xE4 are a case pair in Latin-1; here they are plain bytes.
  EXPECT_EQ(CompareText("\xC4", "\xE4", true), 1);
  EXPECT_EQ(CompareText("\xC4", "\xC4", true), 0);
}

TEST(StringCompare, CompareTextExSkipsSpacesWhileBothHaveBytes) {
  EXPECT_EQ(CompareTextEx("a b", "ab", true, false), 0);
  EXPECT_EQ(CompareTextEx("ab ", "ab", true, false), 1);
  EXPECT_EQ(CompareTextEx("ab", "ab ", true, false), -1);
  EXPECT_EQ(CompareTextEx("A B", "ab", true, true), 0);
  EXPECT_EQ(CompareTextEx("A B", "ab", true, false), 1);
  EXPECT_EQ(CompareTextEx("a b", "ab", false, false), -1);  // plain byte order: ' ' < 'b'
  EXPECT_EQ(CompareTextEx("AB", "ab", false, true), 0);
}

TEST(StringCompare, CompareTextExCountsASkippedSpaceTowardTheLimit) {
  // "a", the skipped space, "b": three positions; the 'x' is never reached.
  EXPECT_EQ(CompareTextEx("a bx", "aby", true, false, 3), 0);
  EXPECT_EQ(CompareTextEx("a bx", "aby", true, false, 4), 1);
}

TEST(StringCase, ConversionsTouchAsciiLettersOnly) {
  EXPECT_EQ(ToLowerCopy("AbC-1" + kHighBytes), "abc-1" + kHighBytes);
  EXPECT_EQ(ToUpperCopy("aBc-1" + kHighBytes), "ABC-1" + kHighBytes);
  std::string text = "MiXeD[@`{]";
  MakeLower(text);
  EXPECT_EQ(text, "mixed[@`{]");
  MakeUpper(text);
  EXPECT_EQ(text, "MIXED[@`{]");
}

TEST(StringCase, CaseTestsLookAtLettersOnly) {
  EXPECT_TRUE(IsUpperCase("ABC 12"));
  EXPECT_FALSE(IsUpperCase("ABc"));
  EXPECT_TRUE(IsUpperCase(""));
  EXPECT_TRUE(IsUpperCase(kHighBytes));
  EXPECT_TRUE(IsLowerCase("abc 12"));
  EXPECT_FALSE(IsLowerCase("abC"));
  EXPECT_TRUE(IsLowerCase(kHighBytes));
}

TEST(StringNumbers, IsIntegerWithAndWithoutRomanDigits) {
  EXPECT_TRUE(IsInteger("12I", true));
  EXPECT_FALSE(IsInteger("12I", false));
  EXPECT_TRUE(IsInteger("-12", false));
  EXPECT_TRUE(IsInteger("-", false));
  EXPECT_FALSE(IsInteger("1-2", false));
  EXPECT_FALSE(IsInteger("", true));
  EXPECT_FALSE(IsInteger("iv", true));
  EXPECT_FALSE(IsInteger("+1", false));
  EXPECT_FALSE(IsInteger("\xB2", false));  // superscript two in Latin-1 is no digit
  EXPECT_TRUE(IsRomanDigit('X'));
  EXPECT_FALSE(IsRomanDigit('L'));
  EXPECT_FALSE(IsDigitOrRoman('V', false));
  EXPECT_TRUE(IsDigitOrRoman('V', true));
}

TEST(StringNumbers, IsRealNumberIsAShapeTest) {
  EXPECT_TRUE(IsRealNumber("1.2.3"));
  EXPECT_TRUE(IsRealNumber("."));
  EXPECT_TRUE(IsRealNumber("-0.5"));
  EXPECT_FALSE(IsRealNumber("1e5"));
  EXPECT_FALSE(IsRealNumber("1-2"));
  EXPECT_FALSE(IsRealNumber(""));
}

TEST(StringNumbers, ParseIntegerDecimal) {
  int value = 99;
  EXPECT_TRUE(ParseInteger("-12", value, false));
  EXPECT_EQ(value, -12);
  EXPECT_TRUE(ParseInteger("-", value, false));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(ParseInteger("2147483647", value, false));
  EXPECT_EQ(value, 2147483647);
  EXPECT_TRUE(ParseInteger("-2147483648", value, true));
  EXPECT_EQ(value, std::numeric_limits<int>::min());
}

TEST(StringNumbers, ParseIntegerRejectsOutOfRangeWithoutTouchingTheOutput) {
  int value = 7;
  EXPECT_FALSE(ParseInteger("2147483648", value, false));
  EXPECT_FALSE(ParseInteger("-2147483649", value, true));
  EXPECT_FALSE(ParseInteger("99999999999999999999999", value, false));
  EXPECT_EQ(value, 7);
}

TEST(StringNumbers, ParseIntegerRomanNumeralsOneToTen) {
  const char* numerals[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"};
  for (int i = 0; i < 10; ++i) {
    int value = 0;
    EXPECT_TRUE(ParseInteger(numerals[i], value, true)) << numerals[i];
    EXPECT_EQ(value, i + 1) << numerals[i];
  }
  int value = 42;
  EXPECT_FALSE(ParseInteger("VIII", value, false));
  for (const char* bad : {"XII", "iv", "IIII", "VX", "XI", ""}) {
    EXPECT_FALSE(ParseInteger(bad, value, true)) << bad;
    EXPECT_FALSE(ParseInteger(bad, value, false)) << bad;
  }
  EXPECT_EQ(value, 42);
}

TEST(StringLists, JoinStrings) {
  EXPECT_EQ(JoinStrings({}, ", "), "");
  EXPECT_EQ(JoinStrings({"only"}, ", "), "only");
  EXPECT_EQ(JoinStrings({"a", "", "c"}, "/"), "a//c");
  EXPECT_EQ(JoinStrings({"a", "b"}, nullptr), "ab");
}

TEST(StringLists, SplitStringKeepsEmptyElements) {
  EXPECT_EQ(SplitString("a  b", " "), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitString("", " "), (std::vector<std::string>{""}));
  EXPECT_EQ(SplitString(",a,", ","), (std::vector<std::string>{"", "a", ""}));
  EXPECT_EQ(SplitString("a,b;c", ",;"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitString("a b", ""), (std::vector<std::string>{"a b"}));
}

TEST(StringLists, SplitThenJoinRestoresTheText) {
  const std::string text = " x  y z ";
  EXPECT_EQ(JoinStrings(SplitString(text, " "), " "), text);
}

TEST(StringBytes, DoublesToBytesTruncatesAndKeepsTheLowByte) {
  std::string out = "old contents";
  DoublesToBytes({65.9, -1.0, 256.0 + 66.0, -0.9, 0.0}, out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], 'A');
  EXPECT_EQ(static_cast<unsigned char>(out[1]), 0xFFu);
  EXPECT_EQ(out[2], 'B');
  EXPECT_EQ(out[3], '\0');
  EXPECT_EQ(out[4], '\0');
}

TEST(StringBytes, DoublesToBytesStoresZeroForValuesWithoutAnInteger) {
  const double inf = std::numeric_limits<double>::infinity();
  std::string out;
  DoublesToBytes({std::nan(""), inf, -inf, 1e300, -1e300, 9223372036854775808.0, 65.0}, out);
  EXPECT_EQ(out, std::string(6, '\0') + "A");
  // The lowest 64-bit integer still converts.
  DoublesToBytes({-9223372036854775808.0}, out);
  EXPECT_EQ(out, std::string(1, '\0'));
}

TEST(StringBytes, BytesToDoublesReadsSignedBytes) {
  std::vector<double> out = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(BytesToDoubles("\xFF"
                           "A\x80",
                           out),
            3);
  EXPECT_EQ(out, (std::vector<double>{-1.0, 65.0, -128.0}));
  EXPECT_EQ(BytesToDoubles("", out), 0);
  EXPECT_TRUE(out.empty());
}

TEST(StringBytes, BytesSurviveARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  std::vector<double> values;
  BytesToDoubles(all, values);
  std::string back;
  DoublesToBytes(values, back);
  EXPECT_EQ(back, all);
}

}  // namespace

TEST(EscapeControlBytes, EveryControlByteIsShownAndNothingIsCut) {
  EXPECT_EQ(EscapeControlBytes(std::string("a\0b\x1f\x7f\n\t c", 9)),
            "a\\x00b\\x1f\\x7f\\x0a\\x09 c");
  EXPECT_EQ(EscapeControlBytes("plain \\ text \xc3\xa9"), "plain \\ text \xc3\xa9");
  EXPECT_EQ(QuotedForMessage(std::string("x\0y", 3)), "\"x\\x00y\"");
}
