// Threads of the port that wait for received bytes, and the wake-up that the
// dispatcher's reading thread sends them. A waiting thread keeps serving its
// events (like a window-message pump) and uses no CPU while nothing happens.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

class QAbstractEventDispatcher;

class TInputWaiters {
 public:
  // Any thread: every waiting thread looks at its conditions again.
  void Wake();

  // Serves the calling thread's events until `ready` or `stop` holds or the
  // deadline passes. Returns `ready()`.
  bool Wait(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& ready,
            const std::function<bool()>& stop);

 private:
  std::mutex lock_;
  // Event dispatchers of the waiting threads; only their thread-safe wake-up
  // is used from other threads, so nothing is allocated across threads.
  std::vector<QAbstractEventDispatcher*> waiting_;
};
