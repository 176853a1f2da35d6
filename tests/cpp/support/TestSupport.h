// Shared pieces of the C++ tests: the interpreter with the extension loaded,
// Tcl evaluation, captured host messages and scratch directories.
#pragma once

#include <tcl.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "host/AppMgr.h"

// The interpreter main() created and loaded the extension into.
Tcl_Interp* TestInterp();

// Evaluates a script at global level; the result, or throws std::runtime_error
// with the error text.
std::string Tcl(const std::string& script);
// Evaluates a script that must fail; returns the error text (throws when it succeeds).
std::string TclError(const std::string& script);

// Records every CAppMgr::SendMsg while it lives.
class CapturedMessages {
 public:
  CapturedMessages();
  ~CapturedMessages();
  CapturedMessages(const CapturedMessages&) = delete;
  CapturedMessages& operator=(const CapturedMessages&) = delete;
  const std::vector<std::pair<TMsgType, std::string>>& Messages() const { return messages_; }

 private:
  std::vector<std::pair<TMsgType, std::string>> messages_;
  TMessageSink previous_;
};

// A fresh directory, removed with everything in it at the end of the scope.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // Writes a file below the directory and returns its full path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::filesystem::path path_;
};

// Reads a whole file.
std::string ReadFile(const std::string& path);
