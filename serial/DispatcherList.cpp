#include "serial/DispatcherList.h"

#include <algorithm>

TDispatcherList& TDispatcherList::Instance() {
  static TDispatcherList list;
  return list;
}

int TDispatcherList::Add(TBaseDispatcher* dispatcher) {
  std::lock_guard guard(lock_);
  auto empty = std::find(slots_.begin(), slots_.end(), nullptr);
  if (empty != slots_.end()) {
    *empty = dispatcher;
    return static_cast<int>(empty - slots_.begin());
  }
  slots_.push_back(dispatcher);
  return static_cast<int>(slots_.size() - 1);
}

void TDispatcherList::Remove(int index) {
  std::lock_guard guard(lock_);
  if (index < 0 || index >= static_cast<int>(slots_.size())) return;
  slots_[index] = nullptr;
  while (!slots_.empty() && slots_.back() == nullptr) slots_.pop_back();
}
