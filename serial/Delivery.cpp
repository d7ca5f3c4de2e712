#include "serial/Delivery.h"

bool TDelivery::Begin() {
  std::lock_guard guard(lock_);
  if (state_ != TState::Pending) return false;
  state_ = TState::Running;
  return true;
}

void TDelivery::Finish() {
  {
    std::lock_guard guard(lock_);
    state_ = TState::Done;
  }
  changed_.notify_all();
}

void TDelivery::Wake() {
  { std::lock_guard guard(lock_); }
  changed_.notify_all();
}
