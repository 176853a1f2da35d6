// CFilePath and the free path functions on a real file system, each test in
// its own scratch directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "UtilTestSupport.h"
#include "util/FilePath.h"

namespace {

using utiltest::OnlyMessage;
namespace fs = std::filesystem;
using utiltest::WorkingDirGuard;
using utiltest::WriteFile;

std::vector<std::string> ToVector(const TPathList& list) {
  return {list.begin(), list.end()};
}

TEST(FileWriteText, WritesAndReplacesTheFile) {
  ScratchDir dir;
  const CFilePath file(dir / "out.txt");
  file.WriteText("first line\nsecond\n");
  EXPECT_EQ(ReadFile(file), "first line\nsecond\n");
  file.WriteText("x");
  EXPECT_EQ(ReadFile(file), "x");
}

TEST(FileWriteText, EmptyTextLeavesAnExistingFileUntouched) {
  ScratchDir dir;
  const std::string path = dir / "keep.txt";
  WriteFile(path, "keep me");
  CapturedMessages messages;
  CFilePath(path).WriteText("");
  EXPECT_EQ(ReadFile(path), "keep me");
  CFilePath(dir / "never.txt").WriteText("");
  EXPECT_FALSE(fs::exists(dir / "never.txt"));
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(FileWriteText, UnwritableFileIsReported) {
  ScratchDir dir;
  const CFilePath target(dir / "missing_dir/out.txt");
  CapturedMessages messages;
  target.WriteText("data");
  EXPECT_EQ(OnlyMessage(messages), "ERROR: Unable to write to file \"" + target + "\".\n");
}

TEST(FileQueries, MissingFile) {
  ScratchDir dir;
  const CFilePath missing(dir / "missing.txt");
  CapturedMessages messages;
  EXPECT_EQ(missing.Size(), -1);
  EXPECT_EQ(missing.MTime(), -1);
  EXPECT_FALSE(missing.Exists());
  EXPECT_FALSE(missing.IsFile());
  EXPECT_FALSE(missing.IsDirectory());
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(FileQueries, ExistingFileAndDirectory) {
  ScratchDir dir;
  const std::string path = dir / "five.bin";
  WriteFile(path, "12345");
  const CFilePath file(path);
  EXPECT_TRUE(file.Exists());
  EXPECT_TRUE(file.IsFile());
  EXPECT_FALSE(file.IsDirectory());
  EXPECT_EQ(file.Size(), 5);
  const std::int64_t now = std::time(nullptr);
  EXPECT_LE(std::abs(file.MTime() - now), 60);
  const CFilePath folder(dir.Path().string());
  EXPECT_TRUE(folder.IsDirectory());
  EXPECT_FALSE(folder.IsFile());
}

TEST(FileQueries, SizeBeyondThirtyTwoBits) {
  ScratchDir dir;
  const std::string path = dir / "sparse.bin";
  WriteFile(path, "");
  std::error_code error;
  fs::resize_file(path, (std::uintmax_t{1} << 32) + 7, error);  // sparse: takes no space
  if (error) {
    GTEST_SKIP() << "no sparse file here: " << error.message();
  }
  EXPECT_EQ(CFilePath(path).Size(), (std::int64_t{1} << 32) + 7);
}

TEST(FileChangeDir, EmptyPathReturnsTheCurrentDirectoryWithoutMoving) {
  WorkingDirGuard guard;
  const std::string before = fs::current_path().string();
  CapturedMessages messages;
  EXPECT_EQ(CFilePath().ChangeDir(), Tcl("pwd"));
  EXPECT_EQ(fs::current_path().string(), before);
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(FileChangeDir, PlainFileIsRefused) {
  ScratchDir dir;
  WorkingDirGuard guard;
  const std::string path = dir / "plain.txt";
  WriteFile(path, "x");
  const fs::path before = fs::current_path();
  CapturedMessages messages;
  EXPECT_EQ(CFilePath(path).ChangeDir(), "");
  EXPECT_EQ(OnlyMessage(messages), "Attempting to cd to a non-directory");
  EXPECT_EQ(fs::current_path(), before);
}

TEST(FileChangeDir, MovesAndReturnsThePreviousDirectory) {
  ScratchDir dir;
  WorkingDirGuard guard;
  const std::string inner = dir / "in [a] {b} $c";
  fs::create_directory(inner);
  const std::string before = Tcl("pwd");
  EXPECT_EQ(CFilePath(inner).ChangeDir(), before);
  EXPECT_EQ(fs::current_path(), fs::canonical(inner));
}

TEST(FileChangeDir, MakeAbsoluteJoinsRelativePathsToTheWorkingDirectory) {
  ScratchDir dir;
  WorkingDirGuard guard;
  fs::current_path(dir.Path());
  const std::string cwd = Tcl("pwd");
  EXPECT_EQ(CFilePath("./a/b.txt").MakeAbsolute(), cwd + "/a/b.txt");
  EXPECT_EQ(CFilePath("a/b.txt").MakeAbsolute(), cwd + "/a/b.txt");
  EXPECT_EQ(CFilePath("/x/y").MakeAbsolute(), "/x/y");
}

TEST(FileGlob, NoMatchLeavesTheListAsItWasAndSendsNothing) {
  ScratchDir dir;
  TPathList list = {"earlier"};
  CapturedMessages messages;
  GlobFiles(list, "*.nothing", dir.Path().string());
  GlobFiles(list, "*", (dir / "missing"));
  EXPECT_EQ(ToVector(list), std::vector<std::string>{"earlier"});
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(FileGlob, AppendsNativeMatchesFilteredByType) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", "a");
  WriteFile(dir / "b.log", "b");
  fs::create_directory(dir / "c.txt.d");
  TPathList list = {"earlier"};
  GlobFiles(list, "*.txt", dir.Path().string(), "f");
  EXPECT_EQ(ToVector(list), (std::vector<std::string>{"earlier", dir / "a.txt"}));
  TPathList dirs;
  CFilePath(dir.Path().string()).Glob(dirs, "*", "d");
  EXPECT_EQ(ToVector(dirs), std::vector<std::string>{dir / "c.txt.d"});
  TPathList any;
  GlobFiles(any, "*", dir.Path().string());
  EXPECT_EQ(any.size(), 3u);
}

TEST(FileGlob, GlobOnAFileAppendsNothing) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", "a");
  TPathList list;
  CFilePath(dir / "a.txt").Glob(list, "*");
  EXPECT_TRUE(list.empty());
}

// a.txt, s1/b.txt, s1/t/c.txt, s1/t/u/e.txt, s2/d.txt, s2/x.log
class FileFindTree : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"s1/t/u", "s2"}) {
      fs::create_directories(dir_.Path() / sub);
    }
    for (const char* file :
         {"a.txt", "s1/b.txt", "s1/t/c.txt", "s1/t/u/e.txt", "s2/d.txt", "s2/x.log"}) {
      WriteFile(dir_ / file, file);
    }
  }
  std::string At(const char* relative) const { return dir_ / relative; }
  std::string Root() const { return dir_.Path().string(); }

  ScratchDir dir_;
};

TEST_F(FileFindTree, RecursiveSearchIsDepthFirst) {
  TPathList list;
  FindAllFiles(Root(), list, "*.txt", true);
  const std::vector<std::string> s1First = {At("a.txt"), At("s1/b.txt"), At("s1/t/c.txt"),
                                            At("s1/t/u/e.txt"), At("s2/d.txt")};
  const std::vector<std::string> s2First = {At("a.txt"), At("s2/d.txt"), At("s1/b.txt"),
                                            At("s1/t/c.txt"), At("s1/t/u/e.txt")};
  const std::vector<std::string> found = ToVector(list);
  EXPECT_TRUE(found == s1First || found == s2First) << ::testing::PrintToString(found);
}

TEST_F(FileFindTree, DirectoriesAndNonRecursiveSearch) {
  TPathList dirs;
  CFilePath(Root()).FindAllDirectories(dirs, "*", true);
  const std::set<std::string> expected = {At("s1"), At("s1/t"), At("s1/t/u"), At("s2")};
  EXPECT_EQ(std::set<std::string>(dirs.begin(), dirs.end()), expected);
  EXPECT_EQ(dirs.size(), expected.size());
  // s1/t comes right after s1, s1/t/u right after s1/t.
  auto s1 = std::find(dirs.begin(), dirs.end(), At("s1"));
  ASSERT_NE(s1, dirs.end());
  EXPECT_EQ(*std::next(s1), At("s1/t"));
  EXPECT_EQ(*std::next(s1, 2), At("s1/t/u"));

  TPathList flat;
  FindFiles(Root(), flat, "*", false, "f");
  EXPECT_EQ(ToVector(flat), std::vector<std::string>{At("a.txt")});
}

TEST_F(FileFindTree, NonDirectoryFindsNothing) {
  TPathList list;
  CFilePath(At("a.txt")).FindFiles(list, "*", false);
  CFilePath(At("a.txt")).FindFiles(list, "*", true);
  CFilePath(At("missing")).FindAllFiles(list, "*", true);
  EXPECT_TRUE(list.empty());
}

TEST(FileRelativePath, RelativeInputsAndBases) {
  CapturedMessages messages;
  EXPECT_EQ(CFilePath("a/b.txt").GetRelativePath("/x"), "a/b.txt");
  EXPECT_TRUE(messages.Messages().empty());
  EXPECT_EQ(CFilePath("/a/b.txt").GetRelativePath("x/y"), "");
  EXPECT_EQ(OnlyMessage(messages), "GetRelativePath parameter not absolute");
}

TEST(FileRelativePath, SiblingDirectoriesStepUp) {
  EXPECT_EQ(GetRelativePath("/a/b/c.txt", "/a/d"), "../b/c.txt");
  EXPECT_EQ(GetRelativePath("/a/b/c.txt", "/a/d/e/"), "../../b/c.txt");
  EXPECT_EQ(GetRelativePath("/a/b/c.txt", "/a"), "b/c.txt");
  EXPECT_EQ(GetRelativePath("/a/b/c.txt", "/"), "a/b/c.txt");
  EXPECT_EQ(GetRelativePath("/a", "/a/b/c"), "../..");
  EXPECT_EQ(GetRelativePath("/x y/[z]/$w", "/x y/{v}"), "../[z]/$w");
}

TEST(FileRelativePath, ComparisonIsCaseSensitive) {
  EXPECT_EQ(GetRelativePath("/A/b.txt", "/a"), "../A/b.txt");
}

TEST(FileRelativePath, PathEqualToItsBaseIsDot) {
  EXPECT_EQ(GetRelativePath("/a/b", "/a/b"), ".");
  EXPECT_EQ(GetRelativePath("/a/b/", "/a//b"), ".");
}

TEST(FileRelativePath, EmptyBaseMeansTheProjectDirectory) {
  const std::string saved = Tcl("GetProjectOption -directory");
  Tcl("SetProjectOption -directory /proj/area");
  EXPECT_EQ(GetRelativePath("/proj/area/src/f.c", ""), "src/f.c");
  EXPECT_EQ(GetRelativePath("/proj/other.c", ""), "../other.c");
  Tcl("SetProjectOption -directory {" + saved + "}");
}

TEST(FileRemove, MissingPathsCountAsRemoved) {
  ScratchDir dir;
  WriteFile(dir / "stay.txt", "x");
  CapturedMessages messages;
  EXPECT_TRUE(RemovePaths({dir / "gone1", dir / "gone2/deeper"}));
  EXPECT_TRUE(RemovePaths({}));
  EXPECT_TRUE(fs::exists(dir / "stay.txt"));
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(FileRemove, RemovesFilesAndWholeDirectories) {
  ScratchDir dir;
  WriteFile(dir / "one.txt", "x");
  fs::create_directories(dir / "tree/sub");
  WriteFile(dir / "tree/sub/two.txt", "x");
  EXPECT_TRUE(RemovePaths({dir / "one.txt", dir / "missing", dir / "tree"}));
  EXPECT_FALSE(fs::exists(dir / "one.txt"));
  EXPECT_FALSE(fs::exists(dir / "tree"));
}

TEST(FileRemove, NonEmptyDirectoryNeedsForce) {
  ScratchDir dir;
  fs::create_directories(dir / "full");
  WriteFile(dir / "full/f.txt", "x");
  const CFilePath full(dir / "full");
  EXPECT_FALSE(full.Delete(false));
  EXPECT_TRUE(fs::exists(dir / "full/f.txt"));
  EXPECT_TRUE(full.Delete(true));
  EXPECT_FALSE(fs::exists(dir / "full"));
  EXPECT_TRUE(RemovePath(dir / "not-there", false));  // deleting nothing succeeds
}

TEST(FileCopyRename, CopyIntoADirectoryUnderTheOwnName) {
  ScratchDir dir;
  WriteFile(dir / "src.txt", "new");
  fs::create_directory(dir / "dst");
  WriteFile(dir / "dst/src.txt", "old");
  EXPECT_TRUE(CFilePath(dir / "src.txt").CopyTo(CFilePath(dir / "dst")));
  EXPECT_EQ(ReadFile(dir / "dst/src.txt"), "new");
  EXPECT_FALSE(CFilePath(dir / "absent.txt").CopyTo(CFilePath(dir / "dst")));
}

TEST(FileCopyRename, RenameOverwritesTheTarget) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", "a");
  WriteFile(dir / "b.txt", "b");
  EXPECT_TRUE(CFilePath(dir / "a.txt").RenameTo(dir / "b.txt"));
  EXPECT_FALSE(fs::exists(dir / "a.txt"));
  EXPECT_EQ(ReadFile(dir / "b.txt"), "a");
  EXPECT_FALSE(CFilePath(dir / "a.txt").RenameTo(dir / "c.txt"));
}

TEST(FileCopyRename, MakeDirCreatesParentsAndFailsSilently) {
  ScratchDir dir;
  WriteFile(dir / "file", "x");
  CapturedMessages messages;
  EXPECT_TRUE(CFilePath(dir / "p/q/r").MakeDir());
  EXPECT_TRUE(fs::is_directory(dir / "p/q/r"));
  EXPECT_FALSE(CFilePath(dir / "file/sub").MakeDir());
  EXPECT_TRUE(messages.Messages().empty());
}

// Names that a careless command builder would split, substitute or take as
// an option.
const std::vector<std::string> kAwkwardNames = {
    "with space.txt",           "[x].txt", "$HOME.txt", "{a b}.txt", "-lead.txt",
    "semi;colon \"q\" \\b.txt", "-force"};

TEST(FileAwkwardNames, CreateCopyRenameGlobAndDelete) {
  ScratchDir dir;
  const CFilePath from(dir / "-from [dir] $x");
  const CFilePath to(dir / "{to} dir;");
  ASSERT_TRUE(from.MakeDir());
  ASSERT_TRUE(to.MakeDir());
  EXPECT_TRUE(fs::is_directory(dir / "-from [dir] $x"));
  EXPECT_TRUE(fs::is_directory(dir / "{to} dir;"));

  for (const std::string& name : kAwkwardNames) {
    CFilePath file(from);
    file.Join(name);
    ASSERT_EQ(file, (dir.Path() / "-from [dir] $x" / name).string());
    file.WriteText(name);
    EXPECT_TRUE(file.Exists()) << name;
    EXPECT_EQ(file.Size(), static_cast<std::int64_t>(name.size())) << name;
    EXPECT_EQ(file.Tail(), name);
    EXPECT_TRUE(file.CopyTo(to)) << name;
    EXPECT_EQ(ReadFile(to + "/" + name), name);
  }

  TPathList copied;
  GlobFiles(copied, "*", to);
  std::set<std::string> expected;
  for (const std::string& name : kAwkwardNames) {
    expected.insert(to + "/" + name);
  }
  EXPECT_EQ(std::set<std::string>(copied.begin(), copied.end()), expected);
  EXPECT_EQ(copied.size(), kAwkwardNames.size());

  for (const std::string& name : kAwkwardNames) {
    const CFilePath copy(to + "/" + name);
    EXPECT_TRUE(copy.RenameTo(to + "/renamed " + name)) << name;
    EXPECT_FALSE(fs::exists(to + "/" + name)) << name;
    EXPECT_EQ(ReadFile(to + "/renamed " + name), name);
  }

  TPathList leading;
  GlobFiles(leading, "-*", from);  // a pattern that starts with '-'
  EXPECT_EQ(std::set<std::string>(leading.begin(), leading.end()),
            (std::set<std::string>{from + "/-lead.txt", from + "/-force"}));

  for (const std::string& name : kAwkwardNames) {
    EXPECT_TRUE(CFilePath(from + "/" + name).Delete(false)) << name;
    EXPECT_FALSE(fs::exists(from + "/" + name)) << name;
  }
  EXPECT_TRUE(RemovePaths({to}));
  EXPECT_FALSE(fs::exists(dir / "{to} dir;"));
  EXPECT_TRUE(fs::is_empty(from.c_str()));
}

TEST(FileHome, HomeDirectoryIsNative) {
  const char* home = std::getenv("HOME");
  if (home == nullptr) {
    GTEST_SKIP() << "HOME is not set";
  }
  EXPECT_EQ(GetHomeDir(), CFilePath(std::string(home)));
}

}  // namespace
