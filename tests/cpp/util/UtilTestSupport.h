// Helpers of the utility-layer tests on top of the shared test support.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TestSupport.h"

// A path below a scratch directory: dir / "name".
inline std::string operator/(const ScratchDir& dir, const std::string& name) {
  return (dir.Path() / name).string();
}

namespace utiltest {

namespace fs = std::filesystem;

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

// The one message captured; fails the test unless exactly one of the
// expected type was sent.
inline std::string OnlyMessage(const CapturedMessages& captured, TMsgType expected = kMsgError) {
  const auto& messages = captured.Messages();
  EXPECT_EQ(messages.size(), 1u);
  if (messages.size() != 1) {
    return "";
  }
  EXPECT_EQ(messages[0].first, expected);
  return messages[0].second;
}

// Writes bytes to a file at any path, replacing it.
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  ASSERT_TRUE(out.good()) << path;
}

}  // namespace utiltest
