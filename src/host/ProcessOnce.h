// Values read once per process from whichever interpreter asks first.
//
// These are the only process-wide caches: the MATLAB version flag, the
// product directory, and the host settings read once (the extra sign bit of
// the bit counts, the shell-safe paths). Any thread may ask; the first one
// reads while the others wait for its answer. A read that runs again on the
// same thread (a host procedure that asks the same question) sees the value
// as not yet read, as the single-threaded code always did.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CProcessOnce {
 public:
  // True when the caller is to read the value now and then call Finish;
  // false when it is read already (or being read on this same thread).
  bool Begin();
  // Ends a read that Begin allowed: kept true, the value counts as read for
  // good; false lets the next Begin read again.
  void Finish(bool kept);
  // Forgets the value so that the next Begin reads again (tests only; no
  // other thread may be reading meanwhile).
  void Reset();

 private:
  enum State { kUnread, kReading, kRead };
  std::atomic<int> state_{kUnread};
  std::mutex mutex_;
  std::condition_variable done_;
  std::thread::id reader_;
};

// Calls Finish(kept) when a read ends, also by an exception.
class CProcessOnceRead {
 public:
  CProcessOnceRead(CProcessOnce& once, bool keptOnException)
      : once_(once), kept_(keptOnException) {}
  ~CProcessOnceRead() { once_.Finish(kept_); }
  void SetKept(bool kept) { kept_ = kept; }
  CProcessOnceRead(const CProcessOnceRead&) = delete;
  CProcessOnceRead& operator=(const CProcessOnceRead&) = delete;

 private:
  CProcessOnce& once_;
  bool kept_;
};
