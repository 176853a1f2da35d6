// Host stand-ins for the fixed-point tests, installed in the test
// interpreter for the life of one object: project options with answers the
// test chooses and a count of every query, and a log of the numbered
// messages the code emits.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Replaces GetProjectOption (and GetMatlabMajorVersionNumber) with procedures
// that answer from a table the test fills, count every query, and fall back
// to the host's own answer for options not in the table. The table starts
// with every quantizer option the project defaults read, so that a quantizer
// can be default-constructed. Also clears the host settings the project
// defaults read. Restores everything on destruction.
class ProjectHost {
 public:
  ProjectHost();
  ~ProjectHost();
  ProjectHost(const ProjectHost&) = delete;
  ProjectHost& operator=(const ProjectHost&) = delete;

  // The answer to "GetProjectOption <name>"; Fail makes that query fail.
  void Set(const std::string& name, const std::string& value);
  void Fail(const std::string& name);
  // The answer to GetMatlabMajorVersionNumber; FailVersion makes it fail.
  void SetVersion(const std::string& version);
  void FailVersion();
  int Queries(const std::string& name) const;
  int VersionQueries() const;
  void ResetCounts();
  // Sets a host setting such as "Settings::IsAfterVerifyFixedPoint".
  void SetSetting(const std::string& key, bool on);
};

// One Messaging::Message call as the code built it.
struct LoggedMessage {
  std::string severity;
  std::string msgId;
  bool hasFileInfo = false;
  std::vector<std::string> fileInfo;
  bool hasParams = false;
  std::vector<std::string> params;  // element 0 is the host's empty element
};

// Records every Messaging::Message call (and keeps the host from printing it).
class MessageLog {
 public:
  MessageLog();
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  std::vector<LoggedMessage> Messages() const;
  int Count(const std::string& msgId) const;
};

// A test with both stand-ins installed, the MATLAB version forgotten and the
// project defaults reloaded from the stand-in (saturate, floor), and the
// query counts cleared.
class QuantizerHostTest : public ::testing::Test {
 protected:
  void SetUp() override;

  ProjectHost host;
  MessageLog log;
};
