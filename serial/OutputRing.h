// The transmit ring: bytes queued by the application, taken by the output
// thread. Every step runs under the ring's own lock (the output lock).
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

constexpr int ErrOutputBufferTooSmall = -3006;

class TOutputRing {
 public:
  struct TRun {
    const uint8_t* data = nullptr;
    uint32_t count = 0;
    uint64_t generation = 0;  // a flush in between voids the run
  };

  void Allocate(uint32_t size);
  void Release();
  uint32_t Size() const;

  // All or nothing: the count written, or ErrOutputBufferTooSmall.
  int Write(const uint8_t* data, uint32_t count);
  // The same, but when the ring is empty the bytes are first offered to
  // `send`, which returns how many the device took at once; only the rest is
  // queued, and `queued` tells how many. Done under the output lock, so no
  // byte queued meanwhile can be overtaken; nothing is in flight while the
  // ring is empty, as the output thread advances the ring only after its
  // write.
  template <class TSend>
  int WriteThrough(const uint8_t* data, uint32_t count, TSend send, uint32_t& queued) {
    std::lock_guard guard(lock_);
    const auto size = static_cast<uint32_t>(buffer_.size());
    if (size - count_ < count) return ErrOutputBufferTooSmall;
    const uint32_t sent = count_ == 0 ? std::min(send(data, count), count) : 0;
    queued = count - sent;
    Queue(data + sent, queued);
    return static_cast<int>(count);
  }
  // The next contiguous run to send; wrapped data is first rotated to the
  // front so that one write can take all of it. False when empty.
  bool NextRun(TRun& run);
  // The device took `sent` bytes of `run`.
  void Advance(const TRun& run, uint32_t sent);
  void Clear();

  uint32_t Count() const;
  bool Full() const;
  uint32_t Head() const;
  uint32_t Tail() const;
  // True once the ring is empty, false at the deadline.
  bool WaitEmpty(std::chrono::steady_clock::time_point deadline);

 private:
  void Queue(const uint8_t* data, uint32_t count);  // output lock held, room checked

  mutable std::mutex lock_;
  std::condition_variable emptied_;
  std::vector<uint8_t> buffer_;
  uint32_t head_ = 0;
  uint32_t tail_ = 0;
  // The count tells a full ring from an empty one when head = tail.
  uint32_t count_ = 0;
  uint64_t generation_ = 0;
};
