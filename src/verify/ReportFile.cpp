#include "verify/ReportFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "util/Platform.h"

namespace {

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// ---------------------------------------------------------------------------
// Short temporary names: ".ra-<pid>-<n>.tmp". Earlier versions named their
// temporary files ".<report name>.<pid>.<n>.tmp"; those are recognised too, so
// that what an interrupted run of such a version left is removed as well.

constexpr std::string_view kTempPrefix = ".ra-";
constexpr std::string_view kTempSuffix = ".tmp";

std::atomic<unsigned> gTempCounter{0};  // process-wide: names stay unique across threads

std::string TemporaryName(const std::string& directory) {
  return (directory == "/" ? "" : directory) + "/" + std::string(kTempPrefix) +
         std::to_string(static_cast<long>(::getpid())) + "-" +
         std::to_string(gTempCounter.fetch_add(1)) + std::string(kTempSuffix);
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos &&
         text.size() <= 9;
}

// The process id in a temporary report file's name, or nothing when the name
// is not one.
std::optional<pid_t> TemporaryOwner(std::string_view name) {
  if (!name.ends_with(kTempSuffix) || name.size() < 2 || name[0] != '.') {
    return std::nullopt;
  }
  name.remove_suffix(kTempSuffix.size());
  std::string_view pid;
  if (name.starts_with(kTempPrefix)) {
    name.remove_prefix(kTempPrefix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || !AllDigits(name.substr(dash + 1))) {
      return std::nullopt;
    }
    pid = name.substr(0, dash);
  } else {
    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string_view::npos || lastDot == 0 || !AllDigits(name.substr(lastDot + 1))) {
      return std::nullopt;
    }
    const std::size_t pidDot = name.rfind('.', lastDot - 1);
    if (pidDot == std::string_view::npos || pidDot == 0) {
      return std::nullopt;
    }
    pid = name.substr(pidDot + 1, lastDot - pidDot - 1);
  }
  if (!AllDigits(pid)) {
    return std::nullopt;
  }
  return static_cast<pid_t>(std::stol(std::string(pid)));
}

bool ProcessIsGone(pid_t pid) {
  return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// ---------------------------------------------------------------------------
// The short temporary names this process holds, for the signal handlers. A
// fixed table of fixed-size slots, so that the handlers need neither locks nor
// the allocator. A name that does not fit (or a full table) only loses the
// removal on a signal; a later run still removes the file.

constexpr int kCleanupSlots = 64;
constexpr std::size_t kCleanupPathBytes = 4096;

enum : int { kSlotFree = 0, kSlotFilling = 1, kSlotHeld = 2 };

struct CCleanupSlot {
  std::atomic<int> state{kSlotFree};
  char path[kCleanupPathBytes];
};

CCleanupSlot gCleanupSlots[kCleanupSlots];  // process-wide: read by the signal handlers

int RegisterForCleanup(const std::string& path) {
  if (path.size() >= kCleanupPathBytes) {
    return -1;
  }
  for (int i = 0; i < kCleanupSlots; ++i) {
    int expected = kSlotFree;
    if (gCleanupSlots[i].state.compare_exchange_strong(expected, kSlotFilling)) {
      std::memcpy(gCleanupSlots[i].path, path.c_str(), path.size() + 1);
      gCleanupSlots[i].state.store(kSlotHeld);
      return i;
    }
  }
  return -1;
}

void UnregisterFromCleanup(int slot) {
  if (slot >= 0) {
    gCleanupSlots[slot].state.store(kSlotFree);
  }
}

// Only async-signal-safe calls: unlink and raise. SA_RESETHAND has put back
// the default action, so the raised signal ends the process once this
// handler returns.
extern "C" void RemoveTemporariesOnSignal(int signal) {
  for (CCleanupSlot& slot : gCleanupSlots) {
    if (slot.state.load() == kSlotHeld) {
      ::unlink(slot.path);
    }
  }
  ::raise(signal);
}

}  // namespace

int RemoveStaleReportTemporaries(const std::string& directory) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), &::closedir);
  if (!dir) {
    return 0;
  }
  int removed = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::optional<pid_t> owner = TemporaryOwner(entry->d_name);
    if (owner && ProcessIsGone(*owner) && ::unlinkat(::dirfd(dir.get()), entry->d_name, 0) == 0) {
      ++removed;
    }
  }
  return removed;
}

void InstallReportCleanupSignalHandlers() {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
      continue;
    }
    struct sigaction action {};
    action.sa_handler = &RemoveTemporariesOnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signal, &action, nullptr);
  }
}

CReportFile::CReportFile(std::string finalPath, ETemporary temporary, ESweep sweep)
    : finalPath_(FileSystemName(finalPath)), directory_(DirectoryOf(finalPath_)) {
  // The rename would put a plain file in place of a device, pipe or directory.
  struct stat existing {};
  if (::stat(finalPath_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    throw std::runtime_error("cannot create report \"" + finalPath_ +
                             "\": a file of that name exists and is not a regular file");
  }
  if (sweep == ESweep::kStale) {
    RemoveStaleReportTemporaries(directory_);
  }
  if (temporary == ETemporary::kUnnamed && OpenUnnamed()) {
    return;
  }
  OpenNamed();
}

bool CReportFile::OpenUnnamed() {
  // The file is linked into place through /proc; without it there is no way
  // to give the file a name later.
  if (::access("/proc/self/fd", X_OK) != 0) {
    return false;
  }
  // 0666 before the umask, as for any file a program creates.
  fd_ = ::open(directory_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  unnamed_ = fd_ >= 0;
  return unnamed_;
}

void CReportFile::OpenNamed() {
  for (unsigned tries = 0;; ++tries) {
    tempPath_ = TemporaryName(directory_);
    cleanupSlot_ = RegisterForCleanup(tempPath_);
    fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      return;
    }
    const int error = errno;
    Forget();
    if (error != EEXIST || tries > 100) {
      errno = error;
      break;
    }
  }
  const int error = errno;
  if (error == ENOENT) {
    throw std::runtime_error("cannot create report \"" + finalPath_ + "\": directory \"" +
                             directory_ + "\" does not exist");
  }
  throw std::runtime_error("cannot create report \"" + finalPath_ + "\": " + std::strerror(error));
}

CReportFile::~CReportFile() {
  if (!committed_) {
    Discard();
  }
}

void CReportFile::Forget() {
  UnregisterFromCleanup(std::exchange(cleanupSlot_, -1));
  tempPath_.clear();
}

void CReportFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
  }
  Forget();
}

void CReportFile::Fail(const std::string& action, int error) {
  Discard();
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

// An unnamed file cannot be linked over an existing one: it gets a short
// name first, and that name is renamed over the final path.
void CReportFile::LinkUnnamed() {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (unsigned tries = 0;; ++tries) {
    tempPath_ = TemporaryName(directory_);
    cleanupSlot_ = RegisterForCleanup(tempPath_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return;
    }
    const int error = errno;
    Forget();
    if (error != EEXIST || tries > 100) {
      Fail("finish", error);
    }
  }
}

void CReportFile::Commit() {
  if (fd_ < 0) {
    throw std::logic_error("report \"" + finalPath_ + "\" is already closed");
  }
  if (unnamed_) {
    LinkUnnamed();
  }
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) {
    Fail("write", errno);
  }
  PutInPlace();
  Forget();
  committed_ = true;
}

// Where an earlier report is in place, the complete new one is exchanged with
// it in one step (a reader sees the one or the other, whole) and the earlier
// one, now under the temporary name, is removed. A plain rename over an
// existing file would make some file systems (ext4's auto_da_alloc) write the
// new file out before the rename returns, once per report.
void CReportFile::PutInPlace() {
  if (::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, finalPath_.c_str(), RENAME_EXCHANGE) ==
      0) {
    if (::unlink(tempPath_.c_str()) == 0) {
      return;
    }
    // What was in place is no plain file any more (a directory put there
    // since the check in the constructor): put it back and fail as the
    // rename would have.
    const int error = errno;
    ::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, finalPath_.c_str(), RENAME_EXCHANGE);
    Fail("finish", error == EPERM ? EISDIR : error);
  }
  // Nothing in place (ENOENT), or no exchange on this file system or kernel.
  if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
    Fail("finish", errno);
  }
}
