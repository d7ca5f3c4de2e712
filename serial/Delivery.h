// One notification handed from the dispatch thread to the thread of the
// notify window, and the hand-shake that tells the dispatch thread when the
// handler has finished. Shared by both sides, so a handler that runs after
// the dispatch thread has given up still finds a valid record.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class TDelivery {
 public:
  enum class TState { Pending, Running, Done, Abandoned };

  TDelivery(uint32_t message, uint32_t wParam, uint32_t lParam)
      : message_(message), wParam_(wParam), lParam_(lParam) {}

  uint32_t Message() const { return message_; }
  uint32_t WParam() const { return wParam_; }
  uint32_t LParam() const { return lParam_; }

  // Handler side: false when the dispatch thread gave up before it began.
  bool Begin();
  void Finish();

  // Dispatch side: waits until the handler has finished, `stop` becomes true
  // or the deadline passes; true when the handler finished. A delivery that
  // has not begun by then is abandoned and will never run.
  template <class TStop>
  bool Wait(std::chrono::steady_clock::time_point deadline, TStop stop) {
    // A handler mostly ends within tens of microseconds. Looking out for its
    // end without sleeping at first spares the handler's thread a wake-up
    // of this one, which costs tens of microseconds on a virtual machine;
    // the look-out is bounded, so a slow handler costs little processor.
    const auto lookOutEnd = std::min(deadline, std::chrono::steady_clock::now() + LookOutBeforeSleep);
    while (state_.load() != TState::Done && !stop() && std::chrono::steady_clock::now() < lookOutEnd) {
      std::this_thread::yield();
    }
    std::unique_lock guard(lock_);
    slept_ = state_ != TState::Done && !stop();
    changed_.wait_until(guard, deadline, [&] { return state_ == TState::Done || stop(); });
    if (state_ == TState::Pending) state_ = TState::Abandoned;
    return state_ == TState::Done;
  }
  // Wakes a Wait so that it re-checks its stop condition.
  void Wake();
  // After Wait, on the waiting thread: whether the end had to wake it.
  bool Slept() const { return slept_; }

  static constexpr std::chrono::microseconds LookOutBeforeSleep{100};

 private:
  const uint32_t message_;
  const uint32_t wParam_;
  const uint32_t lParam_;
  std::mutex lock_;
  std::condition_variable changed_;
  // Changed under lock_, for the condition; atomic so that the look-out
  // can read it without the lock.
  std::atomic<TState> state_{TState::Pending};
  bool slept_ = false;
};
