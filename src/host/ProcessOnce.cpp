#include "host/ProcessOnce.h"

bool CProcessOnce::Begin() {
  if (state_.load(std::memory_order_acquire) == kRead) {
    return false;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    const int state = state_.load(std::memory_order_relaxed);
    if (state == kRead) {
      return false;
    }
    if (state == kUnread) {
      state_.store(kReading, std::memory_order_relaxed);
      reader_ = std::this_thread::get_id();
      return true;
    }
    if (reader_ == std::this_thread::get_id()) {
      return false;  // asked again from inside its own read
    }
    done_.wait(lock);
  }
}

void CProcessOnce::Finish(bool kept) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    reader_ = std::thread::id();
    state_.store(kept ? kRead : kUnread, std::memory_order_release);
  }
  done_.notify_all();
}

void CProcessOnce::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  state_.store(kUnread, std::memory_order_release);
}
