// A report written under a temporary name beside its final place and renamed
// into place only when complete.
//
// Until Commit succeeds the final path is untouched: a failure (or an
// exception that destroys this object) removes the temporary file and leaves
// an earlier report of the same name as it was.
#pragma once

#include <string>
#include <string_view>

class CReportFile {
 public:
  // Creates the temporary file; throws std::runtime_error naming the report
  // and the reason when it cannot.
  explicit CReportFile(std::string finalPath);
  ~CReportFile();
  CReportFile(const CReportFile&) = delete;
  CReportFile& operator=(const CReportFile&) = delete;

  // Throws std::runtime_error naming the report on a write failure.
  void Write(std::string_view bytes);
  // Closes the file and renames it to the final path.
  void Commit();

  const std::string& FinalPath() const { return finalPath_; }
  const std::string& TemporaryPath() const { return tempPath_; }

 private:
  [[noreturn]] void Fail(const std::string& action, int error);
  void Discard();

  std::string finalPath_;
  std::string tempPath_;
  int fd_ = -1;
  bool committed_ = false;
};
