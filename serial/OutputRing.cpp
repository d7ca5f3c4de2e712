#include "serial/OutputRing.h"

#include <algorithm>
#include <cstring>

void TOutputRing::Allocate(uint32_t size) {
  std::lock_guard guard(lock_);
  buffer_.assign(size, 0);
  head_ = tail_ = count_ = 0;
  ++generation_;
}

void TOutputRing::Release() {
  std::lock_guard guard(lock_);
  buffer_.clear();
  buffer_.shrink_to_fit();
  head_ = tail_ = count_ = 0;
  ++generation_;
  emptied_.notify_all();
}

int TOutputRing::Write(const uint8_t* data, uint32_t count) {
  std::lock_guard guard(lock_);
  const auto size = static_cast<uint32_t>(buffer_.size());
  if (size - count_ < count) return ErrOutputBufferTooSmall;
  Queue(data, count);
  return static_cast<int>(count);
}

void TOutputRing::Queue(const uint8_t* data, uint32_t count) {
  if (count == 0) return;
  const auto size = static_cast<uint32_t>(buffer_.size());
  const uint32_t first = std::min(count, size - head_);
  std::memcpy(buffer_.data() + head_, data, first);
  std::memcpy(buffer_.data(), data + first, count - first);
  head_ = (head_ + count) % size;
  count_ += count;
}

bool TOutputRing::NextRun(TRun& run) {
  std::lock_guard guard(lock_);
  if (count_ == 0) return false;
  const auto size = static_cast<uint32_t>(buffer_.size());
  if (tail_ + count_ > size) {
    std::rotate(buffer_.begin(), buffer_.begin() + tail_, buffer_.end());
    tail_ = 0;
    head_ = count_ % size;
  }
  run.data = buffer_.data() + tail_;
  run.count = count_;
  run.generation = generation_;
  return true;
}

void TOutputRing::Advance(const TRun& run, uint32_t sent) {
  std::lock_guard guard(lock_);
  if (run.generation != generation_ || buffer_.empty()) return;
  sent = std::min(sent, count_);
  tail_ = (tail_ + sent) % static_cast<uint32_t>(buffer_.size());
  count_ -= sent;
  if (count_ == 0) {
    head_ = tail_ = 0;
    emptied_.notify_all();
  }
}

void TOutputRing::Clear() {
  std::lock_guard guard(lock_);
  head_ = tail_ = count_ = 0;
  ++generation_;
  emptied_.notify_all();
}

uint32_t TOutputRing::Size() const {
  std::lock_guard guard(lock_);
  return static_cast<uint32_t>(buffer_.size());
}

uint32_t TOutputRing::Count() const {
  std::lock_guard guard(lock_);
  return count_;
}

bool TOutputRing::Full() const {
  std::lock_guard guard(lock_);
  return !buffer_.empty() && count_ == buffer_.size();
}

uint32_t TOutputRing::Head() const {
  std::lock_guard guard(lock_);
  return head_;
}

uint32_t TOutputRing::Tail() const {
  std::lock_guard guard(lock_);
  return tail_;
}

bool TOutputRing::WaitEmpty(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock guard(lock_);
  return emptied_.wait_until(guard, deadline, [this] { return count_ == 0; });
}
