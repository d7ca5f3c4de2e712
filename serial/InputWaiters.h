// Event loops of the port's thread that wait for received bytes, and the
// wake-up that the dispatcher's reading thread sends them. A waiting thread
// keeps serving its events (like a window-message pump) and uses no CPU
// while nothing happens.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

class QEventLoop;

class TInputWaiters {
 public:
  // Any thread: every waiting loop returns to check its condition.
  void Wake();

  // Runs a local event loop until `ready` holds, `deadline` passes or, once
  // `ready` has been found false, the loop is woken. Returns `ready()`.
  bool WaitOnce(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& ready);

 private:
  std::mutex lock_;
  std::vector<QEventLoop*> loops_;
};
