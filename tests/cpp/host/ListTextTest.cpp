// Texts Tcl 8.6.13's list reading would overrun its buffer on are found
// before Tcl reads them, and never reach it.
#include "host/TclListText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host/TclDataObj.h"
#include "support/TestSupport.h"

namespace {

// The bytes of the element Tcl makes of each list element, together; -1
// when the text is not a list.
long CollapsedBytes(const std::string& text) {
  Tcl_Obj* obj = Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
  Tcl_IncrRefCount(obj);
  int count = 0;
  Tcl_Obj** elements = nullptr;
  long bytes = -1;
  if (Tcl_ListObjGetElements(nullptr, obj, &count, &elements) == TCL_OK) {
    bytes = 0;
    for (int i = 0; i < count; ++i) {
      int length = 0;
      Tcl_GetStringFromObj(elements[i], &length);
      bytes += length;
    }
  }
  Tcl_DecrRefCount(obj);
  return bytes;
}

// The text the fuzzer found: 15 bytes that Tcl reads as an element of 17.
const std::string kReproducer = "\xa4\xa4\x97\\\xf3\x97\x97\\\xa9\\\x97\\\xf3\x97\x97";

}  // namespace

TEST(ListTextBackslash, BeforeBytesThatAreNotUtf8IsFound) {
  EXPECT_EQ(BackslashBeforeNonUtf8(kReproducer), 3u);
  EXPECT_EQ(BackslashBeforeNonUtf8("a \\\xf3\x97\x97 b"), 2u);    // three of four bytes
  EXPECT_EQ(BackslashBeforeNonUtf8("a\\\xa9"), 1u);               // a lone continuation byte
  EXPECT_EQ(BackslashBeforeNonUtf8("\\\xc3"), 0u);                // cut short by the end
  EXPECT_EQ(BackslashBeforeNonUtf8("\"q \\\xf3\x97\x97\""), 3u);  // in quotes
  // In braces the backslashes stay, unless a backslash-newline makes Tcl
  // collapse the whole element.
  EXPECT_EQ(BackslashBeforeNonUtf8("{b \\\xf3\x97\x97}"), std::nullopt);
  EXPECT_EQ(BackslashBeforeNonUtf8("{\\\xf3\x97\x97\\\n}"), 1u);
  EXPECT_EQ(BackslashBeforeNonUtf8("{x} y\\\xf3"), 5u);
}

TEST(ListTextBackslash, WholeCharactersAndEscapedBackslashesPass) {
  EXPECT_EQ(BackslashBeforeNonUtf8("plain list {of words}"), std::nullopt);
  EXPECT_EQ(BackslashBeforeNonUtf8("caf\\\xc3\xa9 \\\xf0\x9f\x98\x80"), std::nullopt);
  EXPECT_EQ(BackslashBeforeNonUtf8("\\\\\xf3\x97\x97"), std::nullopt);  // "\\" then raw bytes
  EXPECT_EQ(BackslashBeforeNonUtf8("\xf3\x97\x97 \\n \\x41 \\u00e9"), std::nullopt);
  EXPECT_EQ(BackslashBeforeNonUtf8("ends in \\"), std::nullopt);
  EXPECT_EQ(BackslashBeforeNonUtf8(""), std::nullopt);
}

// Over many short texts of the bytes that matter: wherever Tcl's elements
// come out longer than the text, the text was found first. Texts found are
// never handed to Tcl.
TEST(ListTextBackslash, EveryTextTclWouldExpandIsFound) {
  const std::string alphabet = "\\{}\" \na\xf3\x97\xc3\xa9\xf0\x9f";
  std::mt19937 random(20261210);
  int found = 0;
  for (int n = 0; n < 200000; ++n) {
    std::string text;
    const int length = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) {
      text += alphabet[random() % alphabet.size()];
    }
    if (BackslashBeforeNonUtf8(text)) {
      ++found;
      continue;
    }
    EXPECT_LE(CollapsedBytes(text), static_cast<long>(text.size())) << text;
  }
  EXPECT_GT(found, 10000);  // the search did meet such texts
}

TEST(ListTextDataObj, SuchATextIsNoListAndIsNeverParsed) {
  const CTclDataObj text(kReproducer);
  EXPECT_FALSE(text.ReadsSafelyAsList());
  EXPECT_EQ(text.GetNumElements(), 0);
  EXPECT_EQ(text.GetElement(0).GetStringValue(), "");
  EXPECT_EQ(text.GetObj()->typePtr, nullptr);  // Tcl's list reading never saw it
  // Appending makes a list with the text as its first element.
  CTclDataObj grown(kReproducer);
  grown.AppendElement("next");
  EXPECT_EQ(grown.GetNumElements(), 2);
  EXPECT_EQ(grown.GetElement(0).GetStringValue(), kReproducer);
  // The same bytes as an element of a list object are read as they are.
  Tcl_Obj* element = Tcl_NewStringObj(kReproducer.data(), static_cast<int>(kReproducer.size()));
  const CTclDataObj list(Tcl_NewListObj(1, &element));
  EXPECT_TRUE(list.ReadsSafelyAsList());
  EXPECT_EQ(list.GetElement(0).GetStringValue(), kReproducer);
}
