#include "summary/MarkupEscape.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace std::string_literals;

TEST(MarkupEscape, MarkupCharactersBecomeReferences) {
  EXPECT_EQ(EscapeMarkup("a<b>&\"c\"'d'"), "a&lt;b&gt;&amp;&quot;c&quot;&#39;d&#39;");
  EXPECT_EQ(EscapeMarkup("0x1F 12 plain"), "0x1F 12 plain");
  EXPECT_EQ(EscapeMarkup(""), "");
}

TEST(MarkupEscape, ControlBytesAreShownNotDroppedOrCut) {
  EXPECT_EQ(EscapeMarkup("a\0b"s), "a\\x00b");
  EXPECT_EQ(EscapeMarkup("\x01\x1f\x7f"), "\\x01\\x1F\\x7F");
  EXPECT_EQ(EscapeMarkup("tab\tline\nret\r"), "tab\tline\nret\r");
}

TEST(MarkupEscape, ValidUtf8PassesAndInvalidBytesAreShown) {
  EXPECT_EQ(EscapeMarkup("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"),
            "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(EscapeMarkup("\xFF"), "\\xFF");
  EXPECT_EQ(EscapeMarkup("\xC3"), "\\xC3");                    // cut short at the end
  EXPECT_EQ(EscapeMarkup("\xC0\xAF"), "\\xC0\\xAF");           // overlong
  EXPECT_EQ(EscapeMarkup("\xED\xA0\x80"), "\\xED\\xA0\\x80");  // a surrogate
  EXPECT_EQ(EscapeMarkup("\xE2\x82<"), "\\xE2\\x82&lt;");      // continuation missing
}

// Plain bytes are copied in runs: any mix of plain, markup and control
// bytes comes out as escaping each byte on its own gives (bytes from 0x80
// on are whole sequences, see above).
TEST(MarkupEscape, RunsOfPlainBytesAsByteByByte) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> anyByte(0, 127);
  std::uniform_int_distribution<int> length(0, 40);
  for (int n = 0; n < 20000; ++n) {
    std::string text;
    std::string expected;
    for (int k = length(random); k > 0; --k) {
      const int byte = anyByte(random);
      text += static_cast<char>(byte);
      expected += EscapeMarkup(std::string(1, static_cast<char>(byte)));
    }
    ASSERT_EQ(EscapeMarkup(text), expected) << n;
  }
}
