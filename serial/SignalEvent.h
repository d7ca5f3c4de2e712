// An event object of the kind the worker threads hand over with: set by one
// thread, waited for by another. Auto-reset events clear when a wait takes
// them; manual-reset ones stay set until Reset.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class TSignalEvent {
 public:
  explicit TSignalEvent(bool autoReset = true) : autoReset_(autoReset) {}

  void Set() {
    {
      std::lock_guard guard(lock_);
      set_ = true;
    }
    changed_.notify_all();
  }

  void Reset() {
    std::lock_guard guard(lock_);
    set_ = false;
  }

  void Wait() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return set_; });
    if (autoReset_) set_ = false;
  }

  // True when the event was set before the timeout.
  template <class Rep, class Period>
  bool WaitFor(std::chrono::duration<Rep, Period> timeout) {
    std::unique_lock guard(lock_);
    if (!changed_.wait_for(guard, timeout, [this] { return set_; })) return false;
    if (autoReset_) set_ = false;
    return true;
  }

 private:
  const bool autoReset_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool set_ = false;
};
