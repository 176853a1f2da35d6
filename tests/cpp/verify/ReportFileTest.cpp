#include "verify/ReportFile.h"

#include <gtest/gtest.h>

#include <filesystem>
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
    CReportFile report(path);
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
