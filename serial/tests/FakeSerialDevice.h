// A serial device held entirely in memory: the test pushes received bytes in
// one piece, so the dispatcher sees exactly the queue the test built (a real
// line hands its bytes over in slices of its own choosing).
#pragma once

#include "platform/SerialDevice.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

class TFakeSerialDevice : public TSerialDevice {
 public:
  // `dispatchWaitsForInput`: the device lets the dispatch thread wait for
  // input itself, as a POSIX line does; otherwise only the com thread can,
  // as on a line with a single event wait.
  explicit TFakeSerialDevice(bool dispatchWaitsForInput = false) : waitsForInput_(dispatchWaitsForInput) {}

  // Where a worker thread meets an exception from the device.
  enum class TThrow { Nowhere, InWait, InRead, InWrite };
  // Set by the test before or while the line runs.
  std::atomic<TThrow> throwIn{TThrow::Nowhere};
  // A negated errno that reads (and the queue count) return from now on.
  std::atomic<int> readError{0};
  // The device reports input again and again but never has any.
  std::atomic<bool> storm{false};
  // Most bytes one write hands to the driver.
  std::atomic<uint32_t> takeAtOnce{UINT32_MAX};

  // What the line saw: bytes still in the driver's transmit queue at each
  // line change, and the limit of each wait for that queue to empty.
  std::vector<int> queuedAtLineChange;
  std::vector<uint32_t> drainLimits;

  // The far end sends `bytes`; they all wait in the driver queue at once.
  void Push(const std::string& bytes) {
    {
      std::lock_guard guard(lock_);
      queue_ += bytes;
    }
    changed_.notify_all();
  }

  int Open(const std::string&) override {
    open_ = true;
    return 0;
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  int SetupQueues(uint32_t, uint32_t) override { return 0; }
  int GetControlBlock(TDeviceControlBlock& block) override {
    std::lock_guard guard(lock_);
    block = dcb_;
    return 0;
  }
  int SetControlBlock(const TDeviceControlBlock& block) override {
    std::lock_guard guard(lock_);
    if (block.baud != dcb_.baud) queuedAtLineChange.push_back(outQueued_);
    dcb_ = block;
    return 0;
  }
  int WaitEvent(bool wantInput, uint32_t& events) override {
    if (throwIn == TThrow::InWait) throw std::runtime_error("wait failed");
    std::unique_lock guard(lock_);
    changed_.wait(guard,
                  [&] { return cancelled_ || (wantInput && InputThere()); });
    events = 0;
    if (cancelled_) {
      cancelled_ = false;
      return 0;
    }
    events = EvRxChar;
    return static_cast<int>(events);
  }
  void CancelWait() override {
    {
      std::lock_guard guard(lock_);
      cancelled_ = true;
    }
    changed_.notify_all();
  }
  bool CanWaitInput() const override { return waitsForInput_; }
  int WaitInput(bool wantInput, std::chrono::milliseconds timeout) override {
    std::unique_lock guard(lock_);
    const bool ready = changed_.wait_for(guard, timeout, [&] {
      return inputCancelled_ || (wantInput && InputThere());
    });
    if (inputCancelled_) {
      inputCancelled_ = false;
      return 0;
    }
    return ready ? 1 : 0;
  }
  void CancelInputWait() override {
    {
      std::lock_guard guard(lock_);
      inputCancelled_ = true;
    }
    changed_.notify_all();
  }
  int BytesInQueue() override {
    if (readError != 0) return readError;
    std::lock_guard guard(lock_);
    if (throwIn == TThrow::InRead && !queue_.empty()) throw std::runtime_error("read failed");
    return static_cast<int>(queue_.size());
  }
  int BytesInOutputQueue() override {
    std::lock_guard guard(lock_);
    return outQueued_;
  }
  int Read(uint8_t* buffer, uint32_t count) override {
    if (readError != 0) return readError;
    std::lock_guard guard(lock_);
    const size_t n = std::min<size_t>(count, queue_.size());
    std::copy_n(queue_.begin(), n, buffer);
    queue_.erase(0, n);
    return static_cast<int>(n);
  }
  // The driver takes everything; it leaves the line when the queue drains.
  int Write(const uint8_t* data, uint32_t count) override {
    if (throwIn == TThrow::InWrite) throw std::runtime_error("write failed");
    std::lock_guard guard(lock_);
    count = std::min(count, takeAtOnce.load());
    written_.append(data, data + count);
    outQueued_ += static_cast<int>(count);
    return static_cast<int>(count);
  }
  // Every byte written so far, in order.
  std::string Written() {
    std::lock_guard guard(lock_);
    return written_;
  }
  int WaitWritable() override { return 1; }
  void CancelWrite() override {}
  int Escape(TEscape) override { return 0; }
  int GetModemStatus(uint8_t& status) override {
    status = 0;
    return 0;
  }
  int ClearErrors(uint8_t& errors) override {
    errors = 0;
    return 0;
  }
  int Purge(uint8_t which) override {
    std::lock_guard guard(lock_);
    if (which & PurgeInput) queue_.clear();
    if (which & PurgeOutput) outQueued_ = 0;
    return 0;
  }
  int Drain(uint32_t timeoutMs) override {
    std::lock_guard guard(lock_);
    drainLimits.push_back(timeoutMs);
    outQueued_ = 0;
    return 0;
  }

 private:
  // Under lock_: what a wait for input sees as input (a failing read too).
  bool InputThere() const { return !queue_.empty() || storm || readError != 0; }

  std::mutex lock_;
  std::condition_variable changed_;
  std::string queue_;
  std::string written_;
  TDeviceControlBlock dcb_;
  const bool waitsForInput_;
  bool cancelled_ = false;
  bool inputCancelled_ = false;
  int outQueued_ = 0;
  std::atomic<bool> open_{false};
};
