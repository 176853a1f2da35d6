// Helpers for the utility-layer tests: a scratch directory, captured host
// messages and direct Tcl evaluation in the bound interpreter.
#pragma once

#include <gtest/gtest.h>
#include <tcl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "host/AppMgr.h"
#include "host/HostInterp.h"

namespace utiltest {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "reportapp_util_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "mkdtemp failed for " << pattern;
    }
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const fs::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// Restores the working directory when it goes.
class WorkingDirGuard {
 public:
  WorkingDirGuard() : saved_(fs::current_path()) {}
  ~WorkingDirGuard() {
    std::error_code ignored;
    fs::current_path(saved_, ignored);
  }
  WorkingDirGuard(const WorkingDirGuard&) = delete;
  WorkingDirGuard& operator=(const WorkingDirGuard&) = delete;

 private:
  fs::path saved_;
};

// Collects the host's plain messages while it lives.
class CapturedMessages {
 public:
  CapturedMessages()
      : previous_(CAppMgr::SetMessageSink([this](TMsgType type, const std::string& text) {
          messages_.emplace_back(type, text);
        })) {}
  ~CapturedMessages() { CAppMgr::SetMessageSink(previous_); }
  CapturedMessages(const CapturedMessages&) = delete;
  CapturedMessages& operator=(const CapturedMessages&) = delete;

  const std::vector<std::pair<TMsgType, std::string>>& All() const { return messages_; }
  bool Empty() const { return messages_.empty(); }
  std::size_t Count() const { return messages_.size(); }
  // The one message sent; fails the test when there was not exactly one.
  std::string Only(TMsgType expectedType = kMsgError) const {
    EXPECT_EQ(messages_.size(), 1u);
    if (messages_.size() != 1) {
      return "";
    }
    EXPECT_EQ(messages_[0].first, expectedType);
    return messages_[0].second;
  }

 private:
  std::vector<std::pair<TMsgType, std::string>> messages_;
  TMessageSink previous_;
};

// Evaluates a script directly; fails the test on a Tcl error.
inline std::string Tcl(const std::string& script) {
  Tcl_Interp* interp = GetHostInterp();
  if (interp == nullptr) {
    ADD_FAILURE() << "no interpreter is bound";
    return "";
  }
  const int code = Tcl_EvalEx(interp, script.c_str(), -1, TCL_EVAL_GLOBAL);
  std::string result = Tcl_GetStringResult(interp);
  EXPECT_EQ(code, TCL_OK) << script << ": " << result;
  return result;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace utiltest
