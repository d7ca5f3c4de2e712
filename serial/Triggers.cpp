#include "serial/Triggers.h"

#include <algorithm>
#include <cctype>

namespace {
uint8_t Upper(uint8_t byte) {
  return static_cast<uint8_t>(std::toupper(byte));
}
}  // namespace

bool MatchStep(TDataTrigger& t, uint8_t byte) {
  if (t.ignoreCase) byte = Upper(byte);
  const uint32_t length = t.length;
  bool started = false;
  bool visitable = true;
  for (uint32_t k = 0; k < length; ++k) {
    if (k == 0 || visitable) {
      const uint32_t p = t.positions[k];
      if (t.text[p] == byte) {
        if (p + 1 == length) {
          t.positions.fill(0);
          return true;
        }
        t.positions[k] = p + 1;
      } else if (t.text[0] == byte) {
        t.positions[k] = 1;
        started = true;
      } else {
        t.positions[k] = 0;
      }
    }
    if (t.positions[k] == 1) started = true;
    if (k + 1 < length) {
      const uint32_t next = t.positions[k + 1];
      // Once a new partial match has begun in this byte, later idle slots
      // must not begin another one.
      visitable = started ? next != 0 : (next != 0 || t.text[0] == byte);
    }
  }
  return false;
}

void TTriggerSet::Clear() {
  record_ = TTriggerRecord{};
  handleCounter_ = 1;
}

bool TTriggerSet::HandleInUse(uint32_t handle) const {
  return std::any_of(record_.dataTriggers.begin(), record_.dataTriggers.end(),
                     [handle](const TDataTrigger& t) { return t.handle == handle; });
}

int TTriggerSet::NewHandle() {
  if (handleCounter_ < CounterLimit) return static_cast<int>(handleCounter_++ * HandleStep);
  for (uint32_t handle = HandleStep; handle <= ReusedHandleLimit; handle += HandleStep) {
    if (!HandleInUse(handle)) return static_cast<int>(handle);
  }
  return ErrNoMoreTriggers;
}

int TTriggerSet::AddData(const uint8_t* text, uint32_t length, bool ignoreCase) {
  if (length > MaxDataTriggerLength) return ErrTriggerTooLong;
  const int handle = NewHandle();
  if (handle < 0) return handle;
  TDataTrigger trigger;
  trigger.handle = static_cast<uint32_t>(handle);
  trigger.length = length;
  trigger.ignoreCase = ignoreCase;
  for (uint32_t i = 0; i < length; ++i) trigger.text[i] = ignoreCase ? Upper(text[i]) : text[i];
  record_.dataTriggers.push_back(trigger);
  return handle;
}

TDataTrigger* TTriggerSet::FindData(uint32_t handle) {
  for (auto& t : record_.dataTriggers) {
    if (t.handle == handle && !t.removed) return &t;
  }
  return nullptr;
}

int TTriggerSet::Remove(uint32_t handle, bool deferred) {
  if (handle == AvailTriggerHandle) {
    record_.availThreshold = 0;
    return 0;
  }
  auto& list = record_.dataTriggers;
  auto it = std::find_if(list.begin(), list.end(),
                         [handle](const TDataTrigger& t) { return t.handle == handle && !t.removed; });
  if (handle < 2 || it == list.end()) return ErrBadTriggerHandle;
  if (deferred) {
    it->removed = true;
  } else {
    list.erase(it);
  }
  return 0;
}

void TTriggerSet::PurgeRemoved() {
  std::erase_if(record_.dataTriggers, [](const TDataTrigger& t) { return t.removed; });
}

void TTriggerSet::ResetPartialMatches() {
  for (auto& t : record_.dataTriggers) {
    t.positions.fill(0);
    t.matched = false;
  }
}

void TTriggerSet::Save(TTriggerRecord& record) const {
  record = record_;
  std::erase_if(record.dataTriggers, [](const TDataTrigger& t) { return t.removed; });
}

void TTriggerSet::Restore(const TTriggerRecord& record) {
  record_ = record;
  // The triggers come back on a new line: what had half arrived on the old
  // one must not complete a match with the first bytes of the new one.
  ResetPartialMatches();
  // New handles must not repeat a restored one, or removing by handle
  // would hit the wrong trigger.
  for (const auto& t : record_.dataTriggers) {
    handleCounter_ = std::max(handleCounter_, std::min(t.handle / HandleStep + 1, CounterLimit));
  }
}
