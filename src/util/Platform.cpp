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

namespace {

// A surrogate as Tcl writes it: ED A0..BF xx. Its 10 payload bits.
bool ReadSurrogate(std::string_view text, std::size_t at, bool high, unsigned& bits) {
  if (at + 3 > text.size()) {
    return false;
  }
  const auto b0 = static_cast<unsigned char>(text[at]);
  const auto b1 = static_cast<unsigned char>(text[at + 1]);
  const auto b2 = static_cast<unsigned char>(text[at + 2]);
  const unsigned char first = high ? 0xa0 : 0xb0;
  if (b0 != 0xed || b1 < first || b1 > first + 0x0f || (b2 & 0xc0) != 0x80) {
    return false;
  }
  bits = ((b1 & 0x0fu) << 6) | (b2 & 0x3fu);
  return true;
}

}  // namespace

std::string FileSystemName(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size();) {
    unsigned high = 0;
    unsigned low = 0;
    if (ReadSurrogate(path, i, true, high) && ReadSurrogate(path, i + 3, false, low)) {
      const unsigned code = 0x10000 + (high << 10) + low;
      out += static_cast<char>(0xf0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
      out += static_cast<char>(0x80 | (code & 0x3f));
      i += 6;
    } else {
      out += path[i++];
    }
  }
  return out;
}
