// CFilePath as a path value: construction, native form, the text members
// that ask the interpreter, and the text-only members.
#include "util/FilePath.h"

#include <gtest/gtest.h>

#include <string>

#include "UtilTestSupport.h"

namespace {

using utiltest::OnlyMessage;

// A user name that no system has, so "~name" cannot be expanded.
const char* const kUnknownUserPath = "~no_such_user_reportapp_42";

TEST(FilePathConstruction, TextIsBroughtToNativeForm) {
  EXPECT_EQ(CFilePath("a//b/"), "a/b");
  EXPECT_EQ(CFilePath(std::string("/x//y")), "/x/y");
  EXPECT_EQ(CFilePath(), "");
  EXPECT_EQ(CFilePath(""), "");
}

TEST(FilePathConstruction, CopyKeepsTheTextAssignmentConverts) {
  const CFilePath raw = CFilePath::Verbatim("a//b");
  const CFilePath copy(raw);
  EXPECT_EQ(copy, "a//b");
  CFilePath assigned;
  assigned = raw;
  EXPECT_EQ(assigned, "a/b");
  assigned = std::string("c//d");
  EXPECT_EQ(assigned, "c/d");
  assigned = "e//f";
  EXPECT_EQ(assigned, "e/f");
  assigned = CFilePath::Verbatim("g//h");
  EXPECT_EQ(assigned, "g/h");
}

TEST(FilePathConstruction, ExtensionVariants) {
  // From a string with an extension string: always set, so "" removes it.
  EXPECT_EQ(CFilePath(std::string("/d/a.txt"), std::string("")), "/d/a");
  EXPECT_EQ(CFilePath(std::string("/d/a.txt"), std::string("htm")), "/d/a.htm");
  // From a character array: a null extension keeps the path's own.
  EXPECT_EQ(CFilePath("/d/a.txt", nullptr), "/d/a.txt");
  EXPECT_EQ(CFilePath("/d/a.txt"), "/d/a.txt");
  EXPECT_EQ(CFilePath("/d/a.txt", ".htm"), "/d/a.htm");
  EXPECT_EQ(CFilePath("/d/a", "htm"), "/d/a.htm");
}

TEST(FilePathConstruction, FailedConversionKeepsTheTextAndReports) {
  CapturedMessages messages;
  const CFilePath path(kUnknownUserPath);
  EXPECT_EQ(path, kUnknownUserPath);
  EXPECT_NE(OnlyMessage(messages).find("no_such_user_reportapp_42"), std::string::npos);
}

TEST(FilePathNative, NativePathReplacesAndReturns) {
  std::string text = "p//q";
  EXPECT_EQ(NativePath(text), "p/q");
  EXPECT_EQ(text, "p/q");
  std::string empty;
  EXPECT_EQ(NativePath(empty), "");
}

TEST(FilePathNative, NativePathFailureKeepsTheTextAndReturnsEmpty) {
  CapturedMessages messages;
  std::string text = kUnknownUserPath;
  EXPECT_EQ(NativePath(text), "");
  EXPECT_EQ(text, kUnknownUserPath);
  EXPECT_EQ(messages.Messages().size(), 1u);
}

TEST(FilePathComponents, DirNameOfABareNameIsEmptyButToParentGivesDot) {
  CFilePath bare("a.txt");
  EXPECT_EQ(bare.DirName(), "");
  bare.ToParent();
  EXPECT_EQ(bare, ".");
  EXPECT_EQ(CFilePath("/d/e/a.txt").DirName(), "/d/e");
  CFilePath nested("/d/e/a.txt");
  EXPECT_EQ(nested.ToParent(), "/d/e");
}

TEST(FilePathComponents, TailRootBaseNameExtension) {
  const CFilePath path("/d.x/a.b.txt");
  EXPECT_EQ(path.Tail(), "a.b.txt");
  EXPECT_EQ(path.Root(), "/d.x/a.b");
  EXPECT_EQ(path.BaseName(), "a.b");
  EXPECT_EQ(path.Extension(), ".txt");
  EXPECT_EQ(FileExtension("/d.x/noext"), "");
  EXPECT_EQ(CFilePath("/d.x/noext").BaseName(), "noext");
}

TEST(FilePathComponents, FailingEvaluationsReportAndGiveEmptyText) {
  const CFilePath path = CFilePath::Verbatim(kUnknownUserPath);
  CapturedMessages messages;
  EXPECT_EQ(path.Tail(), "");
  EXPECT_EQ(path.DirName(), "");
  EXPECT_EQ(path.BaseName(), "");
  CFilePath parent = path;
  EXPECT_EQ(parent.ToParent(), kUnknownUserPath);
  EXPECT_EQ(messages.Messages().size(), 4u);
  for (const auto& [type, text] : messages.Messages()) {
    EXPECT_EQ(type, kMsgError);
    EXPECT_NE(text.find("no_such_user_reportapp_42"), std::string::npos) << text;
  }
}

TEST(FilePathComponents, AbsoluteAndRelative) {
  EXPECT_TRUE(CFilePath("/a/b").IsAbsolute());
  EXPECT_FALSE(CFilePath("a/b").IsAbsolute());
  EXPECT_TRUE(CFilePath("a/b").IsRelative());
  EXPECT_FALSE(CFilePath().IsAbsolute());
}

TEST(FilePathJoin, AppendsBelowThePath) {
  CFilePath path("/d");
  EXPECT_EQ(path.Join("e"), "/d/e");
  EXPECT_EQ(path.Join("f/g.txt"), "/d/e/f/g.txt");
  EXPECT_EQ(CFilePath().Join("x"), "x");
}

TEST(FilePathJoin, OneLeadingSeparatorOfTheComponentIsDropped) {
  EXPECT_EQ(CFilePath("/d").Join("/e"), "/d/e");
  EXPECT_EQ(CFilePath("/d").Join("\\e"), "/d/e");
  // Only one is dropped: "/e" is absolute and the join restarts there.
  EXPECT_EQ(CFilePath("/d").Join("//e"), "/e");
}

TEST(FilePathJoin, JoinedAndJoinPathLeaveTheirInputAlone) {
  const CFilePath base("/d");
  EXPECT_EQ(base.Joined("e"), "/d/e");
  EXPECT_EQ(base, "/d");
  EXPECT_EQ(JoinPath("/d", "e.txt"), "/d/e.txt");
  EXPECT_EQ(JoinPath("/d", std::string("/e.txt")), "/d/e.txt");
}

TEST(FilePathJoin, WordsAreNeverSubstituted) {
  EXPECT_EQ(CFilePath("/d").Join("[set x 1]"), "/d/[set x 1]");
  EXPECT_EQ(CFilePath("/d").Join("$HOME"), "/d/$HOME");
  EXPECT_EQ(CFilePath("/d").Join("{a b}"), "/d/{a b}");
  EXPECT_EQ(CFilePath("/d").Join("a;b \"c\" \\e"), "/d/a;b \"c\" \\e");
  EXPECT_EQ(CFilePath("/d").Join("-force"), "/d/-force");
  EXPECT_EQ(CFilePath("/d/[x] y.txt").Tail(), "[x] y.txt");
}

TEST(FilePathExtension, SetExtensionWithOrWithoutDotAndEmpty) {
  EXPECT_EQ(CFilePath("/d/a.txt").SetExtension("htm"), "/d/a.htm");
  EXPECT_EQ(CFilePath("/d/a.txt").SetExtension(".htm"), "/d/a.htm");
  EXPECT_EQ(CFilePath("/d/a.txt").SetExtension(""), "/d/a");
  EXPECT_EQ(CFilePath("/d.x/a").SetExtension("htm"), "/d.x/a.htm");
}

TEST(FilePathExtension, ExtensionIsIgnoresCase) {
  const CFilePath path("/d/a.txt");
  EXPECT_TRUE(path.ExtensionIs("TXT"));
  EXPECT_TRUE(path.ExtensionIs(".TxT"));
  EXPECT_TRUE(path.ExtensionIs(std::string("txt")));
  EXPECT_FALSE(path.ExtensionIs("htm"));
  EXPECT_FALSE(path.ExtensionIs(""));
  EXPECT_FALSE(path.ExtensionIs("tx"));
  EXPECT_TRUE(path.ExtensionIs("tx", 2));
}

TEST(FilePathExtension, PathWithoutExtensionMatchesOnlyTheEmptyText) {
  const CFilePath path("/d.x/a");
  EXPECT_TRUE(path.ExtensionIs(""));
  EXPECT_FALSE(path.ExtensionIs("x"));
  EXPECT_FALSE(path.ExtensionIs("."));
}

TEST(FilePathExtension, NullExtensionIsReported) {
  CapturedMessages messages;
  EXPECT_FALSE(CFilePath("/d/a.txt").ExtensionIs(nullptr));
  EXPECT_EQ(OnlyMessage(messages), "ERROR: null string passed to file extension comparison");
}

TEST(FilePathComposite, SetBaseNameKeepsTheOldExtension) {
  EXPECT_EQ(CFilePath("/d/a.txt").SetBaseName("b"), "/d/b.txt");
  EXPECT_EQ(CFilePath("/d/a.txt").SetBaseName("b.htm"), "/d/b.txt");
  EXPECT_EQ(CFilePath("/d/a").SetBaseName("b.htm"), "/d/b");
  EXPECT_EQ(CFilePath("a.txt").SetBaseName("b"), "b.txt");
}

TEST(FilePathComposite, FileNameDirectoryAndParents) {
  EXPECT_EQ(CFilePath("/d/a.txt").SetFileName("b.htm"), "/d/b.htm");
  EXPECT_EQ(CFilePath("/d/a.txt").SetDirectory("/e//f"), "/e/f/a.txt");
  EXPECT_EQ(CFilePath("/d/a.txt").InsertDirectory("x"), "/d/x/a.txt");
  EXPECT_EQ(CFilePath("/c/d/a.txt").RemoveParentDirectory(), "/c/a.txt");
}

TEST(FilePathText, ForwardSlashes) {
  EXPECT_EQ(ForwardSlashes("a\\b\\c"), "a/b/c");
  CFilePath path = CFilePath::Verbatim("x\\y");
  EXPECT_EQ(path.ForwardSlashForm(), "x/y");
  EXPECT_EQ(path, "x\\y");
  path.UseForwardSlashes();
  EXPECT_EQ(path, "x/y");
}

TEST(FilePathText, ReplaceUnsafeCharsChangesExactlyTheTwentyTwoBytes) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  const std::string original = all;
  const std::string copy = ReplaceUnsafeChars(all);
  EXPECT_EQ(copy, all);
  const std::string unsafe = " !#$%&'()*+,-.<=>?@^`~";
  ASSERT_EQ(unsafe.size(), 22u);
  for (std::size_t i = 0; i < original.size(); ++i) {
    const bool isUnsafe = unsafe.find(original[i]) != std::string::npos;
    EXPECT_EQ(all[i], isUnsafe ? '_' : original[i]) << "byte " << i + 1;
  }
  CFilePath path = CFilePath::Verbatim("/d/a b;[c].txt");
  path.ReplaceUnsafeChars();
  EXPECT_EQ(path, "/d/a_b;[c]_txt");
}

}  // namespace
