// A notify target without Qt: the dispatch thread queues its notifications
// and the test's own thread runs them while it waits, as the user-interface
// thread of the program does.
#pragma once

#include "serial/Delivery.h"
#include "serial/NotifyTarget.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class TQueueNotifyTarget : public TNotifyTarget {
 public:
  using THandler = std::function<void(uint32_t message, uint32_t wParam, uint32_t lParam)>;

  explicit TQueueNotifyTarget(THandler handler) : handler_(std::move(handler)) {}

  void Post(std::shared_ptr<TDelivery> delivery) override {
    const uint32_t message = delivery->Message();
    const uint32_t wParam = delivery->WParam();
    const uint32_t lParam = delivery->LParam();
    Push({std::move(delivery), message, wParam, lParam});
  }
  void PostMessage(uint32_t message, uint32_t wParam, uint32_t lParam) override {
    Push({nullptr, message, wParam, lParam});
  }

  // Runs the queued notifications on the calling thread until `done` holds
  // or the time is up; returns `done()`.
  bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // Conditions that no notification changes are looked at again this often.
    constexpr auto Recheck = std::chrono::milliseconds(5);
    while (!done()) {
      TItem item;
      {
        std::unique_lock guard(lock_);
        const auto until = std::min(deadline, std::chrono::steady_clock::now() + Recheck);
        if (!posted_.wait_until(guard, until, [this] { return !queue_.empty(); })) {
          if (std::chrono::steady_clock::now() >= deadline) return done();
          continue;
        }
        item = std::move(queue_.front());
        queue_.pop_front();
      }
      if (item.delivery && !item.delivery->Begin()) continue;  // given up by the dispatch thread
      handler_(item.message, item.wParam, item.lParam);
      if (item.delivery) item.delivery->Finish();
    }
    return true;
  }

 private:
  struct TItem {
    std::shared_ptr<TDelivery> delivery;
    uint32_t message = 0;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
  };
  void Push(TItem item) {
    {
      std::lock_guard guard(lock_);
      queue_.push_back(std::move(item));
    }
    posted_.notify_all();
  }

  THandler handler_;
  std::mutex lock_;
  std::condition_variable posted_;
  std::deque<TItem> queue_;
};
