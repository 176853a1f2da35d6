// Memory checkpoints: with the host setting Settings::Debug_MemoryMsgs on, each
// checkpoint sends a numbered line with the process's memory in KB, its change
// since the last checkpoint and the milliseconds since then.
#pragma once

#include <memory>
#include <string>

#include "diagnostics/PerfTimer.h"

// The state of one series of checkpoints. The setting is read once, at the
// first checkpoint, and never again.
class CMemoryCheckpoints {
 public:
  void Checkpoint(const std::string& label);

 private:
  bool initialised = false;
  bool enabled = false;
  std::unique_ptr<CPerfTimer> timer;
  long previousKb = 0;
  int counter = 0;
};

// The bound interpreter's series of checkpoints (each interpreter counts its
// own).
void MemoryCheckpoint(const std::string& label);
