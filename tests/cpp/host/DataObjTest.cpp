// Tcl values: sharing, lists and conversions.
#include <gtest/gtest.h>

#include <stdexcept>

#include "host/TclDataObj.h"
#include "support/TestSupport.h"

namespace {

TEST(DataObjValues, IntegerReadsThrowOnText) {
  EXPECT_EQ(CTclDataObj("42").GetIntValue(), 42);
  EXPECT_EQ(CTclDataObj("-7").GetLongValue(), -7);
  EXPECT_THROW(CTclDataObj("4x").GetIntValue(), std::runtime_error);
  EXPECT_THROW(CTclDataObj("").GetLongValue(), std::runtime_error);
  EXPECT_THROW(CTclDataObj("99999999999").GetIntValue(), std::runtime_error);
}

TEST(DataObjValues, BooleanReadsAcceptTclFormsAndOtherwiseAreFalse) {
  EXPECT_TRUE(CTclDataObj("yes").GetBoolValue());
  EXPECT_TRUE(CTclDataObj(1).GetBoolValue());
  EXPECT_FALSE(CTclDataObj("off").GetBoolValue());
  EXPECT_FALSE(CTclDataObj("maybe").GetBoolValue());
}

TEST(DataObjLists, AppendAddsExactlyOneElementOfEveryKind) {
  CTclDataObj list;
  list.MakeList();
  list.AppendElement("two words");
  list.AppendElement(5);
  CTclDataObj inner;
  inner.MakeList();
  inner.AppendElement("x");
  inner.AppendElement("y");
  list.AppendElement(inner);
  ASSERT_EQ(list.GetNumElements(), 3);
  EXPECT_EQ(list.GetElement(0).GetStringValue(), "two words");
  EXPECT_EQ(list.GetElement(1).GetIntValue(), 5);
  EXPECT_EQ(list.GetElement(2).GetNumElements(), 2);
  EXPECT_EQ(list.GetStringValue(), "{two words} 5 {x y}");
}

TEST(DataObjLists, OutOfRangeElementsAndNonListsAreNeutral) {
  CTclDataObj list("a b");
  EXPECT_EQ(list.GetElement(5).GetStringValue(), "");
  EXPECT_EQ(list.GetElement(-1).GetStringValue(), "");
  EXPECT_EQ(CTclDataObj("{unbalanced").GetNumElements(), 0);
}

TEST(DataObjLists, AppendingToTextThatIsNoListKeepsTheTextAsAnElement) {
  CTclDataObj value("{unbalanced");
  value.AppendElement("next");
  ASSERT_EQ(value.GetNumElements(), 2);
  EXPECT_EQ(value.GetElement(0).GetStringValue(), "{unbalanced");
}

TEST(DataObjSharing, ACopyNeverChangesWhenTheOriginalIsWritten) {
  CTclDataObj original;
  original.MakeList();
  original.AppendElement("a");
  CTclDataObj copy = original;
  original.AppendElement("b");
  EXPECT_EQ(copy.GetStringValue(), "a");
  EXPECT_EQ(original.GetStringValue(), "a b");
  CTclDataObj moved = std::move(original);
  EXPECT_EQ(moved.GetNumElements(), 2);
}

}  // namespace
