// The engine behind an open port: the dispatch ring of received bytes, the
// output ring of queued bytes, the triggers and the delivery of their
// notifications, the trace and the dispatch log. The device itself and the
// worker threads belong to the derived device dispatcher.
//
// Lock order, kept everywhere: the dispatch-buffer lock first, then the main
// lock. The output lock (inside the output ring) is never held while either
// of the others is taken.
#pragma once

#include "serial/OutputRing.h"
#include "serial/TraceLog.h"
#include "serial/Triggers.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TDelivery;
class TNotifyTarget;

constexpr int ErrBufferIsEmpty = -3007;
constexpr int ErrBadArgument = -1002;
constexpr int ErrCommNotOpen = -2007;

class TBaseDispatcher {
 public:
  static constexpr uint32_t DispatchBufferSize = 8192;
  // How long the dispatch thread waits for a notification's handler.
  static constexpr std::chrono::milliseconds DeliveryTimeout{3000};

  TBaseDispatcher();
  virtual ~TBaseDispatcher();
  TBaseDispatcher(const TBaseDispatcher&) = delete;
  TBaseDispatcher& operator=(const TBaseDispatcher&) = delete;

  int Index() const { return index_; }
  void SetDeviceLabel(std::string label);
  std::string DeviceLabel() const;

  // Application side of the rings.
  int WriteBlock(const uint8_t* data, uint32_t count);
  bool InputReady();
  int ReadByte();
  // Takes up to `max` bytes into `out` under one lock: the same bytes, trace
  // entries and read accounting as that many ReadByte calls. Returns how
  // many were taken, 0 when none is waiting or the port is closed.
  uint32_t ReadBlock(uint8_t* out, uint32_t max);
  uint32_t BytesAvailable();
  void FlushInput();
  uint32_t OutputCount() const { return output_.Count(); }

  // Triggers.
  int AddDataTrigger(const uint8_t* text, uint32_t length, bool ignoreCase);
  int RemoveTrigger(uint32_t handle);
  void SetAvailThreshold(uint32_t count);
  uint32_t AvailThreshold();
  void SaveTriggers(TTriggerRecord& record);
  void RestoreTriggers(const TTriggerRecord& record);

  // Window handlers and whether anything is delivered at all.
  enum THandlerService { ServiceRecompute = 0, ServicePortInstalled = 1, ServicePortRemoved = 2 };
  void RegisterWindowHandler(TNotifyTarget* window);
  void DeregisterWindowHandler(TNotifyTarget* window);
  void UpdateHandlerService(THandlerService change);
  // Whether `window` is on the handler list and not marked for removal.
  bool HasWindowHandler(const TNotifyTarget* window);

  // Test seam, empty in the program: called on the dispatch thread as a
  // notification is about to be posted to `window`, with no lock held, so a
  // test can hold a delivery at that moment. Set it only while no dispatcher
  // runs.
  static std::function<void(TBaseDispatcher& dispatcher, TNotifyTarget* window)> DeliveryStartsHook;

  bool Dispatching();
  bool ClosePending() const { return closePending_; }

  // What the layer has done since the dispatcher was made, for measuring:
  // batches of received bytes stored, hand-overs from one thread to another
  // (a wake-up of the dispatch thread, a notification posted to a window
  // and its end told back, a wake-up of the output thread), and writes that
  // went straight to the device.
  struct TCounts {
    uint64_t batches = 0;
    uint64_t handOvers = 0;
    uint64_t directWrites = 0;
  };
  TCounts Counts() const { return {batches_, handOvers_, directWrites_}; }
  // Notifications given up because their handler did not run in time.
  uint32_t AbandonedDeliveries() const { return abandoned_; }

  // Run by the dispatch thread while it returns true.
  bool CheckDataAndAvailTriggers();
  // Sends one notification to every window handler and settles the read
  // accounting; false when the checks must stop for this cycle.
  bool Deliver(uint32_t message, uint32_t wParam, uint32_t lowWord);

  // Runs `hook` on the reading thread each time it has stored received
  // bytes, with no lock of the dispatcher held (the hook may post to another
  // thread). An empty hook stops it; once this returns, an earlier hook is
  // neither running nor called again.
  void SetInputArrivedHook(std::function<void()> hook);
  // Called once, from a worker thread, when the device goes away (the far
  // end hung up, the adapter was pulled).
  void SetDeviceGoneHook(std::function<void()> hook);

  // The recorders, for the port component to start, pause and dump them.
  template <class F>
  auto WithMainLock(F use) {
    std::lock_guard guard(mainLock_);
    return use(trace_, log_);
  }

 protected:
  // Device hooks of the derived dispatcher.
  virtual void PurgeDeviceInput() {}
  virtual void OutputQueued() {}
  // Writes what the device takes at once from the caller's thread; the
  // count taken (0 when none, or when bytes must go through the ring).
  virtual uint32_t WriteNow(const uint8_t*, uint32_t) { return 0; }
  virtual int DeviceError() const { return 0; }
  // The ring had filled up and now has room again: bytes may be waiting in
  // the driver.
  virtual void InputRoomAgain() {}

  void AllocateBuffers(uint32_t outSize);
  void ReleaseBuffers();
  void ResetDispatchState();
  // Called by the reading thread with the dispatch-buffer lock held: the
  // free space from the head as at most two contiguous chunks.
  uint32_t StoredCount() const;
  void CommitReceived(uint32_t position, uint32_t count);
  void AbandonDelivery();
  // Reading thread, no lock held: runs the input-arrived hook.
  void ReportInputArrived();
  void ReportDeviceGone();

  // Dispatch-buffer lock: ring positions, read counts, in-notification flag,
  // scan and notify positions.
  mutable std::recursive_mutex bufferLock_;
  // Main lock: triggers, handlers, flags, control block, trace and log.
  mutable std::recursive_mutex mainLock_;

  std::vector<uint8_t> dispatch_;
  uint32_t head_ = 0;
  uint32_t tail_ = 0;
  bool full_ = false;
  uint32_t readCount_ = 0;
  uint32_t largestRead_ = 0;
  bool inNotification_ = false;
  // Bytes before the head not yet tested against the data triggers; the
  // scan position is head - scanPending_, so it can never point outside
  // the bytes actually in the ring.
  uint32_t scanPending_ = 0;
  // Bytes stored since the ring was reset, and the scan position of the last
  // avail notification counted in the same stream: a ring refilled exactly
  // once over since then is new input, not the same position.
  uint64_t received_ = 0;
  uint64_t notifyAt_ = 0;
  uint64_t flushGeneration_ = 0;

  TOutputRing output_;
  std::atomic<bool> outputWritten_{false};
  // Set by the reading thread when the ring was full; the application side
  // wakes it once half the ring is free again.
  std::atomic<bool> inputBlocked_{false};
  // Set when bytes are stored; the reading thread reports them once it has
  // left the dispatch-buffer lock.
  std::atomic<bool> inputArrived_{false};

  TTriggerSet triggers_;
  struct TWindowHandler {
    TNotifyTarget* window;
    bool deleted;
  };
  std::vector<TWindowHandler> windows_;
  bool portHandlerInstalled_ = false;
  bool handlerServiceNeeded_ = false;
  bool dispatching_ = false;
  bool handlersDeleted_ = false;

  std::atomic<bool> closePending_{false};
  std::atomic<bool> killThreads_{false};
  std::atomic<uint32_t> abandoned_{0};
  std::atomic<uint64_t> batches_{0};
  std::atomic<uint64_t> handOvers_{0};
  std::atomic<uint64_t> directWrites_{0};

  TTraceRecorder trace_;
  TDispatchLog log_;

 private:
  uint32_t ScanPosition() const { return (head_ + DispatchBufferSize - scanPending_) % DispatchBufferSize; }
  uint64_t ScanAt() const { return received_ - scanPending_; }
  uint32_t UnreadCount() const { return StoredCount() - (inNotification_ ? readCount_ : 0); }
  // Called with the dispatch-buffer lock held.
  void RecordTaken(const uint8_t* bytes, uint32_t count);
  bool AnyLiveDataTrigger();
  bool HandlerServiceCondition() const;
  bool SendToWindows(uint32_t message, uint32_t wParam, uint32_t lParam);
  void HoldDeliveryStart(size_t i);
  void SettleReadCount(uint32_t message, uint32_t announced, bool& result);
  bool DeliverDataTriggers(uint64_t generation);

  // What one trigger check found, worked out under both locks; the
  // deliveries then run without them.
  struct TCheckPlan {
    enum TKind { None, Avail, Match } kind = None;
    bool availFirst = false;
    uint32_t availCount = 0;
    uint64_t matchAt = 0;
    uint64_t generation = 0;
  };
  TCheckPlan PlanCheck();

  int index_ = -1;
  std::string deviceLabel_;
  std::mutex hookLock_;
  std::function<void()> inputArrivedHook_;
  std::function<void()> deviceGoneHook_;
  std::mutex deliveryLock_;
  std::shared_ptr<TDelivery> currentDelivery_;
  // Scratch list of the data triggers that matched at one byte (dispatch
  // thread only), kept to avoid an allocation per match.
  std::vector<std::pair<uint32_t, uint32_t>> fired_;
};
