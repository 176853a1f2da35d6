// A report written to a temporary file beside its final place and put into
// place only when complete.
//
// Where the file system allows it the temporary file has no name at all
// (O_TMPFILE): a process killed in the middle leaves nothing behind. Elsewhere
// it has a short hidden name, ".ra-<pid>-<n>.tmp", so that a report name up to
// the file system's name limit still works; a later report in the same folder
// removes such files of processes that are gone, and the handlers of
// InstallReportCleanupSignalHandlers remove them on SIGINT, SIGTERM and SIGHUP.
//
// Until Commit succeeds the final path is untouched: a failure (or an
// exception that destroys this object) removes the temporary file and leaves
// an earlier report of the same name as it was. Commit replaces an earlier
// report in one step: a reader sees the earlier report or the new one, whole.
#pragma once

#include <string>
#include <string_view>

class CReportFile {
 public:
  enum class ETemporary {
    kUnnamed,  // O_TMPFILE when the file system has it, else a short name
    kNamed,    // always a short name
  };

  enum class ESweep {
    kStale,  // first remove the folder's temporaries of processes that are gone
    kNone,   // leave that to another report of this run in the same folder
  };

  // Creates the temporary file; throws std::runtime_error naming the report
  // and the reason when it cannot. The path is taken as FileSystemName gives
  // it, as Tcl's own open takes a name. The sweep reads the whole folder: a
  // run writing many reports into one folder sweeps it with its first only.
  explicit CReportFile(std::string finalPath, ETemporary temporary = ETemporary::kUnnamed,
                       ESweep sweep = ESweep::kStale);
  ~CReportFile();
  CReportFile(const CReportFile&) = delete;
  CReportFile& operator=(const CReportFile&) = delete;

  // Throws std::runtime_error naming the report on a write failure.
  void Write(std::string_view bytes);
  // Closes the file and puts it in place of the final path.
  void Commit();

  const std::string& FinalPath() const { return finalPath_; }
  // The temporary file's name, or empty while it has none.
  const std::string& TemporaryPath() const { return tempPath_; }

 private:
  [[noreturn]] void Fail(const std::string& action, int error);
  bool OpenUnnamed();
  void OpenNamed();
  void LinkUnnamed();
  void PutInPlace();
  void Forget();  // unregisters and clears the temporary name
  void Discard();

  std::string finalPath_;
  std::string directory_;
  std::string tempPath_;
  int fd_ = -1;
  int cleanupSlot_ = -1;  // the temporary name's slot for the signal handlers
  bool unnamed_ = false;
  bool committed_ = false;
};

// Removes the short-named temporary report files in directory whose process
// is gone. Returns how many it removed. Files of running processes, and every
// other file, are left alone.
int RemoveStaleReportTemporaries(const std::string& directory);

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove this process's
// short-named temporary report files and then end the process as the signal
// would have. For programs (the reportapp shell), not for the extension
// inside someone else's process. A signal that is ignored stays ignored.
void InstallReportCleanupSignalHandlers();
