// A serial device held entirely in memory: the test pushes received bytes in
// one piece, so the dispatcher sees exactly the queue the test built (a real
// line hands its bytes over in slices of its own choosing).
#pragma once

#include "platform/SerialDevice.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

class TFakeSerialDevice : public TSerialDevice {
 public:
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
    dcb_ = block;
    return 0;
  }
  int WaitEvent(bool wantInput, uint32_t& events) override {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return cancelled_ || (wantInput && !queue_.empty()); });
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
  int BytesInQueue() override {
    std::lock_guard guard(lock_);
    return static_cast<int>(queue_.size());
  }
  int Read(uint8_t* buffer, uint32_t count) override {
    std::lock_guard guard(lock_);
    const size_t n = std::min<size_t>(count, queue_.size());
    std::copy_n(queue_.begin(), n, buffer);
    queue_.erase(0, n);
    return static_cast<int>(n);
  }
  int Write(const uint8_t*, uint32_t count) override { return static_cast<int>(count); }
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
    if (which & PurgeInput) {
      std::lock_guard guard(lock_);
      queue_.clear();
    }
    return 0;
  }
  int Drain(uint32_t) override { return 0; }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::string queue_;
  TDeviceControlBlock dcb_;
  bool cancelled_ = false;
  std::atomic<bool> open_{false};
};
