#include "verify/ReportFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace {

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TailOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A hidden name in the report's own directory, so that the final rename
// never crosses a file system.
std::string TemporaryName(const std::string& finalPath, unsigned attempt) {
  const std::string dir = DirectoryOf(finalPath);
  return (dir == "/" ? "" : dir) + "/." + TailOf(finalPath) + "." +
         std::to_string(static_cast<long>(::getpid())) + "." + std::to_string(attempt) + ".tmp";
}

}  // namespace

CReportFile::CReportFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
  // The rename would put a plain file in place of a device, pipe or directory.
  struct stat existing {};
  if (::stat(finalPath_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    throw std::runtime_error("cannot create report \"" + finalPath_ +
                             "\": a file of that name exists and is not a regular file");
  }
  for (unsigned tries = 0;; ++tries) {
    tempPath_ = TemporaryName(finalPath_, tries);
    // 0666 before the umask, as for any file a program creates.
    fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      return;
    }
    if (errno != EEXIST || tries > 100) {
      break;
    }
  }
  const int error = errno;
  tempPath_.clear();
  if (error == ENOENT) {
    throw std::runtime_error("cannot create report \"" + finalPath_ + "\": directory \"" +
                             DirectoryOf(finalPath_) + "\" does not exist");
  }
  throw std::runtime_error("cannot create report \"" + finalPath_ + "\": " + std::strerror(error));
}

CReportFile::~CReportFile() {
  if (!committed_) {
    Discard();
  }
}

void CReportFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
  }
}

void CReportFile::Fail(const std::string& action, int error) {
  Discard();
  tempPath_.clear();
  throw std::runtime_error("cannot " + action + " report \"" + finalPath_ +
                           "\": " + std::strerror(error));
}

void CReportFile::Write(std::string_view bytes) {
  if (fd_ < 0) {
    throw std::logic_error("report \"" + finalPath_ + "\" is already closed");
  }
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      Fail("write", errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void CReportFile::Commit() {
  if (fd_ < 0) {
    throw std::logic_error("report \"" + finalPath_ + "\" is already closed");
  }
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) {
    Fail("write", errno);
  }
  if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
    Fail("finish", errno);
  }
  committed_ = true;
}
