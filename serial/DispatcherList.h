// The process-wide list of dispatchers. A notification names its dispatcher
// by its index here, so a window can tell whether the dispatcher still
// exists before it touches it.
#pragma once

#include <mutex>
#include <vector>

class TBaseDispatcher;

class TDispatcherList {
 public:
  static TDispatcherList& Instance();

  // First empty slot, else a new one at the end.
  int Add(TBaseDispatcher* dispatcher);
  // Empties the slot and drops trailing empty slots.
  void Remove(int index);

  // Runs `use` with the dispatcher of `index` (nullptr when none) while the
  // list is locked, so the dispatcher cannot be destroyed meanwhile.
  template <class F>
  auto With(int index, F use) {
    std::lock_guard guard(lock_);
    TBaseDispatcher* found = index >= 0 && index < static_cast<int>(slots_.size()) ? slots_[index] : nullptr;
    return use(found);
  }

 private:
  std::mutex lock_;
  std::vector<TBaseDispatcher*> slots_;
};
