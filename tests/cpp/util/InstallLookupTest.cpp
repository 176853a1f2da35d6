// Installation directory, search-path lookup and paths relative to the
// product directory.
#include "util/InstallLookup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "UtilTestSupport.h"

namespace {

namespace fs = std::filesystem;
using utiltest::WriteFile;

TEST(InstallDir, IsTheParentOfTheExecutablesDirectory) {
  const fs::path expected = fs::canonical("/proc/self/exe").parent_path().parent_path();
  const std::string install = GetInstallDir();
  ASSERT_FALSE(install.empty());
  EXPECT_EQ(fs::canonical(install), expected);
}

// A directory below the installation directory that holds a.txt, and an
// absolute scratch directory that holds a.txt and b.txt.
class SearchPath : public ::testing::Test {
 protected:
  void SetUp() override {
    install_ = GetInstallDir();
    relative_ = "util_search_" + std::to_string(getpid());
    below_ = fs::path(install_) / relative_;
    std::error_code error;
    fs::create_directory(below_, error);
    if (error) {
      GTEST_SKIP() << "installation directory not writable: " << error.message();
    }
    WriteFile((below_ / "a.txt").string(), "below");
    WriteFile(absolute_ / "a.txt", "absolute");
    WriteFile(absolute_ / "b.txt", "absolute");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(below_, ignored);
  }
  std::string Below(const char* name) const { return CFilePath((below_ / name).string()); }
  std::string Absolute() const { return absolute_.Path().string(); }

  std::string install_;
  std::string relative_;
  fs::path below_;
  ScratchDir absolute_;
};

TEST_F(SearchPath, RelativeEntryIsTakenBelowTheInstallation) {
  EXPECT_EQ(FindInSearchPath("a.txt", {relative_, Absolute()}), Below("a.txt"));
}

TEST_F(SearchPath, AbsoluteEntryIsTriedWhenTheFirstHasNoFile) {
  EXPECT_EQ(FindInSearchPath("b.txt", {relative_, Absolute()}), absolute_ / "b.txt");
}

TEST_F(SearchPath, ListOrderIsSearchOrder) {
  EXPECT_EQ(FindInSearchPath("a.txt", {Absolute(), relative_}), absolute_ / "a.txt");
}

TEST_F(SearchPath, NothingFound) {
  CapturedMessages messages;
  EXPECT_EQ(FindInSearchPath("c.txt", {relative_, Absolute()}), "");
  EXPECT_EQ(FindInSearchPath("a.txt", {}), "");
  EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(SearchPath, MemberReplacesTheNameByTheFullPath) {
  CFilePath found("b.txt");
  EXPECT_TRUE(found.FindInSearchPath({relative_, Absolute()}));
  EXPECT_EQ(found, absolute_ / "b.txt");
  CFilePath missing("c.txt");
  EXPECT_FALSE(missing.FindInSearchPath({relative_, Absolute()}));
  EXPECT_EQ(missing, "");
  CFilePath none("a.txt");
  EXPECT_FALSE(none.FindInSearchPath({}));
  EXPECT_EQ(none, "");
}

// The product directory as the host reports it; tests that need an absolute
// one skip otherwise.
std::string ProductDir() {
  return Tcl("AppInfo ProductDir");
}

TEST(InstallRelative, EmptyAndRelativePaths) {
  CapturedMessages messages;
  CFilePath empty;
  EXPECT_TRUE(MakeInstallRelative(empty, true));
  EXPECT_EQ(empty, "");
  CFilePath relative("lib/x.tcl");
  EXPECT_FALSE(MakeInstallRelative(relative, true));
  EXPECT_EQ(relative, "lib/x.tcl");
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(InstallRelative, InsideTheProductDirectory) {
  const CFilePath product(ProductDir());
  if (!product.IsAbsolute()) {
    GTEST_SKIP() << "the product directory is not absolute: " << product;
  }
  CFilePath inside(product + "/lib/x.tcl");
  EXPECT_TRUE(MakeInstallRelative(inside, true));
  EXPECT_EQ(inside, "lib/x.tcl");
}

TEST(InstallRelative, ElsewhereOnTheSameVolume) {
  const CFilePath product(ProductDir());
  if (!product.IsAbsolute()) {
    GTEST_SKIP() << "the product directory is not absolute: " << product;
  }
  std::string ups;
  for (const auto& part : fs::path(static_cast<const std::string&>(product)).relative_path()) {
    static_cast<void>(part);
    ups += "../";
  }
  CapturedMessages messages;
  CFilePath outside("/elsewhere [1]/f.txt");
  EXPECT_TRUE(MakeInstallRelative(outside, true));
  EXPECT_EQ(outside, ups + "elsewhere [1]/f.txt");
  EXPECT_TRUE(messages.Messages().empty());
}

// The product directory is kept once found, so the cases that need it unknown
// or odd run in a fresh process of their own.
class InstallRelativeFreshProcess : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

bool Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "failed: %s\n", what);
  }
  return condition;
}

void LookupIsRetriedUntilFoundThenKept() {
  bool ok = true;
  CapturedMessages messages;
  Tcl("proc AppInfo {args} { error {no product directory} }");
  CFilePath path("/opt/prod/lib/a.tcl");
  ok &= Check(!MakeInstallRelative(path, true), "unknown product directory fails");
  ok &= Check(path == "/opt/prod/lib/a.tcl", "path unchanged");
  ok &= Check(messages.Messages().empty(), "nothing sent");
  Tcl("proc AppInfo {args} { return /opt/prod }");
  ok &= Check(MakeInstallRelative(path, true), "found on a later call");
  ok &= Check(path == "lib/a.tcl", "relative to the product directory");
  Tcl("proc AppInfo {args} { return /somewhere/else }");
  CFilePath again("/opt/prod/b.tcl");
  ok &= Check(MakeInstallRelative(again, true) && again == "b.tcl", "kept once found");
  std::fflush(stderr);
  std::_Exit(ok ? 0 : 1);
}

TEST_F(InstallRelativeFreshProcess, LookupIsRetriedUntilFoundThenKept) {
  EXPECT_EXIT(LookupIsRetriedUntilFoundThenKept(), ::testing::ExitedWithCode(0), "");
}

// A product directory that cannot be brought to native form ("~user" of an
// unknown user) shares no first element with any path below "/": the
// relative form stays absolute, which is the no-relative-form case.
void PathWithoutRelativeFormIsReported() {
  bool ok = true;
  Tcl("proc AppInfo {args} { return ~no_such_user_reportapp_42/prod }");
  const std::string expected =
      "Error: file was not found anywhere in the installation directoy \"/data/x y.txt\"\n";
  {
    CapturedMessages messages;
    CFilePath path("/data/x y.txt");
    ok &= Check(!MakeInstallRelative(path, true), "fails");
    ok &= Check(path == "/data/x y.txt", "keeps the absolute text");
    ok &= Check(!messages.Messages().empty() && messages.Messages().back().second == expected,
                "reported");
    ok &= Check(messages.Messages().back().first == kMsgError, "as an error");
  }
  {
    CapturedMessages messages;
    CFilePath path("/data/x y.txt");
    ok &= Check(!MakeInstallRelative(path, false), "fails without report");
    for (const auto& message : messages.Messages()) {
      ok &= Check(message.second != expected, "not reported without report");
    }
  }
  std::fflush(stderr);
  std::_Exit(ok ? 0 : 1);
}

TEST_F(InstallRelativeFreshProcess, PathWithoutRelativeFormIsReported) {
  EXPECT_EXIT(PathWithoutRelativeFormIsReported(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
