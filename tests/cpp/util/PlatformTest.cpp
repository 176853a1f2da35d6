// The calls the path layer makes on the operating system itself.
#include "util/Platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "UtilTestSupport.h"

namespace {

namespace fs = std::filesystem;
using utiltest::WorkingDirGuard;
using utiltest::WriteFile;

TEST(PlatformCurrentDir, MatchesTheProcessDirectory) {
  EXPECT_EQ(GetCurrentDir(), fs::current_path().string());
}

TEST(PlatformCurrentDir, DirectoryOfAnyLength) {
  ScratchDir dir;
  WorkingDirGuard guard;
  fs::path deep = dir.Path();
  const std::string segment(60, 'd');
  for (int i = 0; i < 20; ++i) {
    deep /= segment;
  }
  fs::create_directories(deep);
  fs::current_path(deep);
  const CFilePath current = GetCurrentDir();
  EXPECT_GT(current.size(), 1200u);
  EXPECT_EQ(current, deep.string());
}

TEST(PlatformShellSafe, PathsComeBackUnchanged) {
  const std::string path = "/d/with space/[x] $y";
  EXPECT_EQ(ShellSafePath(path), path);
  CFilePath member(path);
  member.MakeShellSafe();
  EXPECT_EQ(member, path);
}

TEST(PlatformShellSafe, SettingIsReadOnceAndKept) {
  const bool first = AreShellSafePathsOff();
  Tcl(std::string("set ::Settings::never_show_customer_turn_off_shell_safe_paths ") +
      (first ? "0" : "1"));
  EXPECT_EQ(AreShellSafePathsOff(), first);
  Tcl("unset ::Settings::never_show_customer_turn_off_shell_safe_paths");
}

TEST(PlatformUNC, TwoSeparatorsAndAServerName) {
  EXPECT_TRUE(IsUNCPath("//server/share"));
  EXPECT_TRUE(IsUNCPath("\\\\server\\share"));
  EXPECT_TRUE(IsUNCPath("//s"));
  EXPECT_FALSE(IsUNCPath("//"));
  EXPECT_FALSE(IsUNCPath("///x"));
  EXPECT_FALSE(IsUNCPath("/\\server"));
  EXPECT_FALSE(IsUNCPath("/server/share"));
  EXPECT_FALSE(IsUNCPath("server"));
  EXPECT_FALSE(IsUNCPath(""));
  EXPECT_FALSE(CFilePath::Verbatim("/a/b").IsUNC());
  EXPECT_TRUE(CFilePath::Verbatim("\\\\srv\\x").IsUNC());
}

TEST(PlatformAccess, GrantsEverybodyFullAccess) {
  ScratchDir dir;
  const std::string file = dir / "f.txt";
  WriteFile(file, "x");
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  EXPECT_TRUE(GrantEveryoneFullAccess(file.c_str()));
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0777u);

  const std::string folder = dir / "sub dir";
  fs::create_directory(folder);
  ASSERT_EQ(chmod(folder.c_str(), 0700), 0);
  EXPECT_TRUE(GrantEveryoneFullAccess(folder.c_str()));
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0777u);
}

TEST(PlatformAccess, MissingPathFails) {
  ScratchDir dir;
  EXPECT_FALSE(GrantEveryoneFullAccess((dir / "missing").c_str()));
  EXPECT_FALSE(GrantEveryoneFullAccess(""));
  EXPECT_FALSE(GrantEveryoneFullAccess(nullptr));
}

}  // namespace

TEST(FileSystemNameForm, SurrogatePairsBecomeFourByteCharacters) {
  // U+1F600 as Tcl keeps it (two three-byte surrogates) and as UTF-8.
  EXPECT_EQ(FileSystemName("k\xed\xa0\xbd\xed\xb8\x80.txt"), "k\xf0\x9f\x98\x80.txt");
  EXPECT_EQ(FileSystemName("\xed\xaf\xbf\xed\xbf\xbf"), "\xf4\x8f\xbf\xbf");  // U+10FFFF
  // The four-byte form, plain text and lone surrogates stay as they are.
  for (const std::string text : {"k\xf0\x9f\x98\x80.txt", "/a/b c.txt", "\xed\xa0\xbd.txt",
                                 "\xed\xb8\x80\xed\xa0\xbd", ""}) {
    EXPECT_EQ(FileSystemName(text), text);
  }
}
