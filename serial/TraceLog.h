// Trace and dispatch log recorders held by each dispatcher.
//
// The trace keeps the bytes the application sent ('T') and took ('R'); the
// dispatch log keeps time-stamped records of the dispatcher's own work. Both
// live in fixed rings while the port is open and are written to text files
// only when dumped. Every call is made under the dispatcher's main lock, except
// TTraceRecorder::On, which a reader may ask without it to skip the lock while
// the trace is off (and asks again under the lock before adding).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// Milliseconds of a monotonic clock, the time base of the dispatch log.
uint32_t TraceLogClockMs();

enum TTraceLogState : uint8_t { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };

enum class TLogType : uint8_t {
  NoEvent = 0,
  Dispatch = 1,
  Trigger = 2,
  Error = 3,
  Thread = 4,
  TrigAllc = 5,
  TrigDisp = 6,
  TrgHdAlc = 7,
  TrgHdDsp = 8,
  TrDatChg = 9,
  User = 19,  // a line of text
};

enum class TLogSubType : uint8_t {
  None = 0,
  ReadCom = 1,
  WriteCom = 2,
  LineStatus = 3,
  ModemStatus = 4,
  Avail = 5,
  Timer = 6,
  Data = 7,
  Status = 8,
  TriggerData = 13,
  TriggerStatus = 15,
  TriggerAvail = 16,
  Window = 17,
};

class TTraceRecorder {
 public:
  static constexpr uint32_t MaxEntries = 4000000;

  // Creates the ring with `entries` entries, or empties the existing one, and
  // switches recording on.
  void Start(uint32_t entries);
  void Pause();    // recording off, contents kept
  void Resume();   // recording on again
  void Clear();    // ring emptied, recording state unchanged
  void Release();  // recording off, ring freed
  bool On() const { return on_.load(std::memory_order_relaxed); }
  bool Exists() const { return !ring_.empty(); }

  // kind 'T' (sent by the application) or 'R' (taken by the application).
  void Add(char kind, uint8_t byte);

  // Writes the ring to `fileName` (overwrite or append) and releases it.
  // Returns 0, or the negated errno of a failed open, write or close (the
  // port passes it through SerialCodeFromErrno before raising it).
  // Nothing recorded: the ring is released and no file is touched.
  int Dump(const std::string& fileName, bool append, bool traceHex, bool traceAllHex);

  // The dump's text, oldest entry first.
  std::string Text(bool traceHex, bool traceAllHex) const;

 private:
  static constexpr uint32_t EntryBytes = 2;

  std::string ring_;  // two bytes an entry: kind, data
  uint32_t size_ = 0;
  uint32_t position_ = 0;
  bool wrapped_ = false;
  std::atomic<bool> on_{false};
};

// Texts of the log header that depend on the machine and the moment.
struct TLogDumpContext {
  std::string operatingSystem;  // one line, cut to 80 characters in the file
  std::string dateTime;         // "dd/mm/yy, hh:mm:ss"

  // This machine, now.
  static TLogDumpContext Current();
};

class TDispatchLog {
 public:
  static constexpr uint32_t MaxBytes = 16000000;

  void Start(uint32_t bytes);  // as TTraceRecorder::Start
  void Pause();
  void Resume();
  void Clear();
  void Release();
  bool On() const { return on_; }
  bool Exists() const { return !ring_.empty(); }

  // Times of later entries count from this clock value (milliseconds).
  void SetTimeBase(uint32_t nowMs) { timeBase_ = nowMs; }

  // Adds one entry when logging is on; an entry that cannot fit the ring as a
  // whole is not added at all.
  void Add(TLogType type, TLogSubType subType, uint32_t data, const uint8_t* extra = nullptr,
           uint32_t extraCount = 0);

  // Writes the seven-line header and every entry to `fileName`; the device
  // label names the port ("COM1"). Returns 0 or a negated errno; the ring is
  // kept when the file cannot be opened.
  // Nothing recorded: the ring is released and no file is touched. On any
  // failure to write the file the entries stay in the ring (logging off).
  int Dump(const std::string& fileName, bool append, bool logHex, bool logAllHex,
           const std::string& deviceLabel);
  // As above, with the header's machine and date texts given.
  int Dump(const std::string& fileName, bool append, bool logHex, bool logAllHex,
           const std::string& deviceLabel, const TLogDumpContext& context);

  // The dump's text: header and every entry, oldest first.
  std::string Text(bool logHex, bool logAllHex, const std::string& deviceLabel,
                   const TLogDumpContext& context) const;

  // The clock that stamps entries (TraceLogClockMs unless replaced).
  void SetClock(std::function<uint32_t()> clock) { clock_ = std::move(clock); }

  static constexpr uint32_t HeaderBytes = 16;

 private:
  struct THeader {
    uint8_t type;
    uint8_t subType;
    uint16_t unused;
    uint32_t time;
    uint32_t data;
    uint32_t count;
  };
  static_assert(sizeof(THeader) == HeaderBytes);

  bool Empty() const { return free_ == size_; }
  void CopyIn(const void* bytes, uint32_t count);
  void CopyOut(uint32_t from, void* bytes, uint32_t count) const;
  void DropOldest();
  std::string EntryText(const THeader& header, const std::string& extra, bool logHex, bool logAllHex) const;

  std::string ring_;
  uint32_t size_ = 0;
  uint32_t head_ = 0;  // where the next entry goes
  uint32_t tail_ = 0;  // oldest entry
  uint32_t free_ = 0;
  uint32_t timeBase_ = 0;
  std::function<uint32_t()> clock_ = TraceLogClockMs;
  bool on_ = false;
};
