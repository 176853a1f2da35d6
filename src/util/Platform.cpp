#include "util/Platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "host/GlobalSettings.h"
#include "host/ProcessOnce.h"

namespace {

// The cached shell-safe setting: read once per process, on first use.
CProcessOnce shellSafeRead;
std::atomic<bool> shellSafeOff{false};

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

}  // namespace

bool AreShellSafePathsOff() {
  if (shellSafeRead.Begin()) {
    CProcessOnceRead read(shellSafeRead, true);
    GetGlobalSettings();
    shellSafeOff =
        CGlobalSettings::GetBool("Settings::never_show_customer_turn_off_shell_safe_paths");
  }
  return shellSafeOff;
}

std::string ShellSafePath(const std::string& path) {
  // The setting is read here as on every platform; without short names the
  // path is the same whichever way it is set.
  static_cast<void>(AreShellSafePathsOff());
  return path;
}

void CFilePath::MakeShellSafe() {
  std::string::operator=(ShellSafePath(*this));
}

CFilePath GetCurrentDir() {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      return CFilePath();
    }
    buffer.resize(buffer.size() * 2);
  }
  return CFilePath(std::string(buffer.data()));
}

bool IsUNCPath(std::string_view text) {
  if (text.size() < 3) {
    return false;
  }
  const bool twoSeparators =
      (text[0] == '/' && text[1] == '/') || (text[0] == '\\' && text[1] == '\\');
  return twoSeparators && !IsSeparator(text[2]);
}

bool CFilePath::IsUNC() const {
  return IsUNCPath(*this);
}

bool GrantEveryoneFullAccess(const char* objectName) {
  if (objectName == nullptr || *objectName == '\0') {
    return false;
  }
  struct stat info {};
  if (stat(objectName, &info) != 0) {
    return false;
  }
  return chmod(objectName, S_IRWXU | S_IRWXG | S_IRWXO) == 0;
}
