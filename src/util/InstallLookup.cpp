#include "util/InstallLookup.h"

#include "host/AppMgr.h"
#include "host/ProcessOnce.h"
#include "host/TclDataObj.h"

namespace {

// The product directory: empty until the host first reports it, then kept
// for the life of the process (asked again while the answer is empty).
CProcessOnce productDirRead;
std::string cachedProductDir;  // written only by the thread that Begin lets read

std::string ProductDir() {
  if (productDirRead.Begin()) {
    CProcessOnceRead read(productDirRead, false);
    CTclEvalObj command("::AppInfo");
    command.AppendElement("ProductDir");
    if (command.Evaluate(false)) {
      cachedProductDir = command.GetResult().GetStringValue();
    }
    read.SetKept(!cachedProductDir.empty());
    return cachedProductDir;
  }
  return cachedProductDir;
}

}  // namespace

std::string GetInstallDir() {
  CTclEvalObj command("::file dirname [ ::file dirname [ ::info nameofexecutable ] ]");
  return command.Evaluate(false) ? command.GetResult().GetStringValue() : std::string();
}

std::string FindInSearchPath(const std::string& name, const TPathList& directories) {
  const std::string install = GetInstallDir();
  for (const std::string& directory : directories) {
    CFilePath candidate(directory);
    if (!candidate.IsAbsolute()) {
      candidate = install;
      candidate.Join(directory);
    }
    candidate.Join(name);
    if (candidate.Exists()) {
      return candidate;
    }
  }
  return "";
}

bool CFilePath::FindInSearchPath(const TPathList& directories) {
  *this = ::FindInSearchPath(*this, directories);
  return !empty();
}

bool MakeInstallRelative(CFilePath& path, bool report) {
  if (path.empty()) {
    return true;
  }
  if (!path.IsAbsolute()) {
    return false;
  }
  const std::string productDir = ProductDir();
  if (productDir.empty()) {
    return false;
  }
  const CFilePath incoming = path;
  const std::string relative = path.GetRelativePath(productDir);
  if (relative.empty()) {
    // The product directory itself is not absolute (already reported).
    static_cast<std::string&>(path) = incoming;
    return false;
  }
  path = relative;
  if (!path.IsAbsolute()) {
    return true;
  }
  if (report) {
    CAppMgr::SendMsg(
        kMsgError,
        "Error: file was not found anywhere in the installation directoy \"" + incoming + "\"\n");
  }
  return false;
}
