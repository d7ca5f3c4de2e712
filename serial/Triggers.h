// Data triggers: strings watched for in the incoming stream, their handles,
// and the avail threshold. Plain data and logic, guarded by the dispatcher's
// main lock.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

constexpr int ErrNoMoreTriggers = -5001;
constexpr int ErrTriggerTooLong = -5002;
constexpr int ErrBadTriggerHandle = -5003;

constexpr uint32_t AvailTriggerHandle = 1;
constexpr uint32_t MaxDataTriggerLength = 21;

struct TDataTrigger {
  uint32_t handle = 0;
  uint32_t length = 0;
  std::array<uint32_t, MaxDataTriggerLength + 1> positions{};  // partial match per slot
  bool matched = false;
  bool ignoreCase = false;
  std::array<uint8_t, MaxDataTriggerLength> text{};  // upper-cased when ignoreCase
  // Removed while a notification was being delivered: invisible from now on,
  // freed once the delivery is over, so a walk in progress stays valid.
  bool removed = false;
};

// Advances one trigger by one incoming byte; true when the whole string has
// just arrived. A completed match drops every partial match, so its
// characters never count towards the next one.
bool MatchStep(TDataTrigger& trigger, uint8_t byte);

// The avail threshold and the data triggers, copied out before a close and
// put back after a reopen.
struct TTriggerRecord {
  uint32_t availThreshold = 0;
  std::vector<TDataTrigger> dataTriggers;
};

class TTriggerSet {
 public:
  // Threshold 0, no trigger, handle counter back to the start.
  void Clear();

  // Handle (a multiple of 8), ErrTriggerTooLong or ErrNoMoreTriggers.
  int AddData(const uint8_t* text, uint32_t length, bool ignoreCase);
  // 0 or ErrBadTriggerHandle. With `deferred` the entry is only marked.
  int Remove(uint32_t handle, bool deferred);
  void PurgeRemoved();

  uint32_t AvailThreshold() const { return record_.availThreshold; }
  void SetAvailThreshold(uint32_t count) { record_.availThreshold = count; }

  std::vector<TDataTrigger>& Data() { return record_.dataTriggers; }
  TDataTrigger* FindData(uint32_t handle);
  void ResetPartialMatches();

  void Save(TTriggerRecord& record) const;
  void Restore(const TTriggerRecord& record);

 private:
  int NewHandle();
  bool HandleInUse(uint32_t handle) const;

  static constexpr uint32_t HandleStep = 8;
  static constexpr uint32_t CounterLimit = 4096;
  static constexpr uint32_t ReusedHandleLimit = 4096;

  TTriggerRecord record_;
  uint32_t handleCounter_ = 1;
};
