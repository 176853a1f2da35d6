#include "verify/ReportFile.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

int FilesIn(const fs::path& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) {
    ++n;
  }
  return n;
}

}  // namespace

TEST(ReportFileCommit, RenamesIntoPlaceOnlyWhenComplete) {
  ScratchDir dir;
  const std::string path = (dir.Path() / "r.htm").string();
  {
    CReportFile report(path, CReportFile::ETemporary::kNamed);
    report.Write("<html>");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::exists(report.TemporaryPath()));
    EXPECT_EQ(fs::path(report.TemporaryPath()).parent_path(), dir.Path());
    report.Write("</html>");
    report.Commit();
  }
  EXPECT_EQ(ReadFile(path), "<html></html>");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
}

TEST(ReportFileCommit, AbandonedReportKeepsTheEarlierOne) {
  ScratchDir dir;
  const std::string path = dir.Write("r.htm", "earlier report");
  try {
    CReportFile report(path);
    report.Write("half a report");
    throw std::runtime_error("reading failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(ReadFile(path), "earlier report");
  EXPECT_EQ(FilesIn(dir.Path()), 1) << "the temporary file was removed";
}

TEST(ReportFileCommit, ReplacesAnEarlierReport) {
  ScratchDir dir;
  const std::string path = dir.Write("r.htm", "old");
  CReportFile report(path);
  report.Write("new");
  report.Commit();
  EXPECT_EQ(ReadFile(path), "new");
}

// Replacing an earlier report: whichever kind of temporary file, nothing
// but the new report is left, a reader holding the earlier one open still
// reads it whole, and another name linked to the earlier report keeps it, as
// with a rename.
TEST(ReportFileCommit, ReplacingLeavesOnlyTheNewReportAndTheEarlierOneWhole) {
  for (const auto temporary :
       {CReportFile::ETemporary::kUnnamed, CReportFile::ETemporary::kNamed}) {
    ScratchDir dir;
    const std::string path = dir.Write("r.htm", "earlier report");
    const fs::path linked = dir.Path() / "kept.htm";
    fs::create_hard_link(path, linked);
    std::ifstream reader(path);
    CReportFile report(path, temporary);
    report.Write("new report");
    report.Commit();
    EXPECT_EQ(ReadFile(path), "new report");
    EXPECT_EQ(ReadFile(linked.string()), "earlier report");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "earlier report");
    EXPECT_EQ(FilesIn(dir.Path()), 2) << "no temporary file is left";
    EXPECT_EQ(fs::hard_link_count(path), 1u);
  }
}

TEST(ReportFileCommit, ReportsInARowEachReplaceTheirEarlierOne) {
  ScratchDir dir;
  for (int round = 0; round < 3; ++round) {
    for (const std::string name : {"a.htm", "b.htm", "c.htm"}) {
      CReportFile report((dir.Path() / name).string());
      report.Write(name + " " + std::to_string(round));
      report.Commit();
    }
  }
  for (const std::string name : {"a.htm", "b.htm", "c.htm"}) {
    EXPECT_EQ(ReadFile((dir.Path() / name).string()), name + " 2");
  }
  EXPECT_EQ(FilesIn(dir.Path()), 3);
}

TEST(ReportFileCreate, MissingDirectoryIsNamed) {
  ScratchDir dir;
  const std::string path = (dir.Path() / "Reports" / "r.htm").string();
  try {
    CReportFile report(path);
    FAIL() << "created a report in a missing directory";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "cannot create report \"" + path + "\": directory \"" +
                                         (dir.Path() / "Reports").string() + "\" does not exist");
  }
}

TEST(ReportFileCreate, RefusesToReplaceWhatIsNotAPlainFile) {
  ScratchDir dir;
  fs::create_directory(dir.Path() / "r.htm");
  EXPECT_THROW(CReportFile((dir.Path() / "r.htm").string()), std::runtime_error);
  EXPECT_THROW(CReportFile("/dev/null"), std::runtime_error);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// Temporary files: unnamed where the file system allows, short names
// otherwise, and nothing left behind by an interrupted run.

namespace {

// The id of a process that has ended (and been waited for).
pid_t GonePid() {
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(0);
  }
  ::waitpid(child, nullptr, 0);
  return child;
}

// Runs body in a child process and returns its wait status.
template <typename F>
int InChild(F body) {
  const pid_t child = ::fork();
  if (child == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

}  // namespace

TEST(ReportFileTemporary, UnnamedFileLeavesNoEntryUntilCommit) {
  ScratchDir dir;
  const std::string path = dir.Write("r.htm", "earlier");
  {
    CReportFile report(path);
    report.Write("new report");
    if (!report.TemporaryPath().empty()) {
      GTEST_SKIP() << "the scratch file system has no O_TMPFILE";
    }
    EXPECT_EQ(FilesIn(dir.Path()), 1);
    report.Commit();
  }
  EXPECT_EQ(ReadFile(path), "new report");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
}

TEST(ReportFileTemporary, NamesUpToTheNameLimitWork) {
  ScratchDir dir;
  const std::string name = std::string(251, 'n') + ".htm";  // 255 bytes
  for (const auto temporary :
       {CReportFile::ETemporary::kUnnamed, CReportFile::ETemporary::kNamed}) {
    const std::string path = (dir.Path() / name).string();
    CReportFile report(path, temporary);
    report.Write("long name");
    report.Commit();
    EXPECT_EQ(ReadFile(path), "long name");
    EXPECT_EQ(FilesIn(dir.Path()), 1);
  }
}

TEST(ReportFileTemporary, ALaterReportRemovesTemporariesOfGoneProcesses) {
  ScratchDir dir;
  const std::string gone = std::to_string(GonePid());
  const std::string alive = std::to_string(::getppid());
  dir.Write(".ra-" + gone + "-3.tmp", "left by a killed run");
  dir.Write(".r.htm." + gone + ".0.tmp", "left by an earlier version");
  const std::string running = dir.Write(".ra-" + alive + "-0.tmp", "a running process");
  const std::string other = dir.Write(".notes.tmp", "not a report's");
  CReportFile report((dir.Path() / "r.htm").string());
  report.Write("x");
  report.Commit();
  EXPECT_EQ(FilesIn(dir.Path()), 3);
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(other));
}

TEST(ReportFileSweep, OnlyTheSweepingReportRemovesStaleTemporaries) {
  ScratchDir dir;
  const std::string stale = dir.Write(".ra-" + std::to_string(GonePid()) + "-1.tmp", "left");
  {
    CReportFile report((dir.Path() / "a.htm").string(), CReportFile::ETemporary::kUnnamed,
                       CReportFile::ESweep::kNone);
    report.Commit();
  }
  EXPECT_TRUE(fs::exists(stale));
  {
    CReportFile report((dir.Path() / "b.htm").string());
    report.Commit();
  }
  EXPECT_FALSE(fs::exists(stale));
}

TEST(ReportFileTemporary, SigkillLeavesNothingOnceTheNextRunIsDone) {
  for (const auto temporary :
       {CReportFile::ETemporary::kUnnamed, CReportFile::ETemporary::kNamed}) {
    ScratchDir dir;
    const std::string path = dir.Write("r.htm", "earlier report");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      CReportFile report(path, temporary);
      const std::string block(1 << 16, 'x');
      report.Write(block);
      (void)!::write(ready[1], "r", 1);
      for (;;) {
        report.Write(block);
        ::usleep(1000);
      }
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    CReportFile next((dir.Path() / "other.htm").string());
    next.Write("y");
    next.Commit();
    EXPECT_EQ(ReadFile(path), "earlier report");
    EXPECT_EQ(FilesIn(dir.Path()), 2);
  }
}

TEST(ReportFileTemporary, SignalHandlersRemoveTheTemporaryFile) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ScratchDir dir;
    const std::string path = dir.Write("r.htm", "earlier report");
    const int status = InChild([&] {
      InstallReportCleanupSignalHandlers();
      CReportFile report(path, CReportFile::ETemporary::kNamed);
      report.Write("half");
      ::raise(signal);
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << signal;
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(FilesIn(dir.Path()), 1) << "signal " << signal;
    EXPECT_EQ(ReadFile(path), "earlier report");
  }
}
