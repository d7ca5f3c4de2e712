// The dispatcher over a serial device: opens and programs the line, runs the
// three worker threads, and moves bytes between the device and the rings.
#pragma once

#include "platform/SerialDevice.h"
#include "serial/Dispatcher.h"
#include "serial/SerialError.h"
#include "serial/SignalEvent.h"

#include <memory>

class TComThread;
class TDispThread;
class TOutThread;

constexpr int ErrBaudRate = -2002;
constexpr int ErrByteSize = -2003;
constexpr int ErrAlreadyOpen = -2008;
// Open failures the port maps: a missing device, one another program holds.
constexpr int ErrFileNotFound = ecFileNotFound;
constexpr int ErrPathNotFound = ecPathNotFound;
constexpr int ErrAccessDenied = ecAccessDenied;
// The user may not use the device (not in the group that owns it).
constexpr int ErrPermissionDenied = ecPermissionDenied;
// Reported by every later operation once the device has gone away (the far
// end hung up, the adapter was pulled, the device failed) or a worker thread
// failed.
constexpr int ErrDeviceGone = ecDeviceGone;

// Option bits of Open.
enum TOpenOption : uint32_t { OptDtr = 1, OptRts = 2, OptHwUseDtr = 16, OptHwUseRts = 32 };
// Option bits of SetHardwareFlow and SetSoftwareFlow.
enum THwFlowOption : uint32_t { HwfUseDtr = 1, HwfUseRts = 2, HwfRequireDsr = 4, HwfRequireCts = 8 };
enum TSwFlowOption : uint32_t { SwfTransmit = 1, SwfReceive = 2 };

class TDeviceDispatcher : public TBaseDispatcher {
 public:
  static constexpr std::chrono::milliseconds DispatchTick{50};
  static constexpr std::chrono::milliseconds ThreadStartTimeout{3000};
  static constexpr std::chrono::milliseconds FlushAckTimeout{5000};
  // Longest wait for the output ring to empty before the line changes.
  static constexpr std::chrono::milliseconds LineChangeDrainTimeout{10000};
  // Added to the time the driver's queued bytes need at the old rate, for
  // the adapter's own buffer and the scheduler.
  static constexpr std::chrono::milliseconds LineChangeDrainMargin{500};
  // Wake-ups for input that bring no byte, one after the other, after which
  // the device is taken as failing (it would keep the waiting thread spinning).
  static constexpr uint32_t EmptyWakeLimit = 1000;
  // Highest rate asked of the driver; the driver decides what it can do.
  static constexpr uint32_t MaxBaud = 0x7FFFFFFF;
  static constexpr uint32_t BaudAfterOpen = 115200;

  explicit TDeviceDispatcher(std::unique_ptr<TSerialDevice> device = CreateSerialDevice());
  ~TDeviceDispatcher() override;

  // parity 0..4 (none, odd, even, mark, space); stop bits 1 or 2.
  int Open(const std::string& path, uint32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits,
           uint32_t inSize, uint32_t outSize, uint32_t options);
  // Never blocks on a handler: called from inside a notification it only
  // marks the close pending and the worker threads finish it.
  void Close();
  bool IsOpen() const;
  // True while any worker thread is still running.
  bool ThreadsRunning() const { return liveThreads_ > 0; }

  // baud 0, parity 5, data bits 9 and stop bits 3 keep the current value.
  int SetLine(uint32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits);
  int SetHardwareFlow(uint32_t fullLevel, uint32_t resumeLevel, uint32_t options);
  int SetSoftwareFlow(uint32_t fullLevel, uint32_t resumeLevel, uint32_t options);
  int ClearSoftwareFlow();
  int SetFlowCharacters(uint8_t xon, uint8_t xoff);
  int SetDTR(bool on);
  int SetRTS(bool on);

  int FlushOutput();
  // Waits until every queued byte has left the driver: 0, or -ETIMEDOUT.
  int Drain(std::chrono::milliseconds timeout);

  TDeviceControlBlock ControlBlock();
  uint8_t ModemStatus();
  int DeviceError() const override { return deviceError_; }

 protected:
  void PurgeDeviceInput() override;
  void OutputQueued() override;
  uint32_t WriteNow(const uint8_t* data, uint32_t count) override;
  void InputRoomAgain() override;

 private:
  friend class TDispatcherThread;
  friend class TComThread;
  friend class TDispThread;
  friend class TOutThread;

  int SetLineTo(uint32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits, bool force);
  void DrainAtOldSettings(const TDeviceControlBlock& current);
  void WaitCharacterTimes(uint8_t dataBits, uint8_t parity, uint8_t stopCode);
  int WriteControlBlock();
  void StartThreads();
  void SignalThreadsToStop();
  void StopThreads();
  void ReleaseDevice();
  void ThreadEnded();
  void ReceiveBatch();
  // The dispatch thread's wait: for input on a device that lets it wait
  // itself (the bytes are then read), else for the com thread's wake-up; at
  // most one tick. True when bytes were read or the com thread woke it.
  bool WaitForDeviceEvent();
  // Reads what the device holds into the ring; true when bytes were stored.
  // `inputReported`: the wait said input was there (for the empty-wake count).
  bool StoreBatch(bool inputReported);
  void WakeDispatchThread();
  // Whoever waits for input looks again (room in the ring, a stop).
  void WakeInputWaiter();
  void ProcessDeviceEvent(bool woken);
  void ReadDeviceIntoBuffer();
  bool ReadChunk(uint32_t length);
  bool CountEmptyWake(uint64_t receivedBefore, bool inputReported);
  void OnDeviceGone(int error);
  // A worker thread met an exception: logged, then the device-gone path.
  void ThreadFailed(const char* what);
  void LogNote(const std::string& text);

  // Output thread hand-over: queued bytes and flush requests.
  void SignalOutput(bool flush);
  void TakeOutputSignals(bool& output, bool& flush);
  bool FlushRequested();

  std::unique_ptr<TSerialDevice> device_;
  TDeviceControlBlock dcb_;
  uint32_t inSize_ = 0;
  bool dtrState_ = false;
  bool rtsState_ = false;
  bool dtrHardware_ = false;
  bool rtsHardware_ = false;
  uint8_t modemStatus_ = 0;
  uint8_t lineErrors_ = 0;
  uint32_t lastBaud_ = BaudAfterOpen;

  std::atomic<bool> active_{false};
  std::atomic<bool> closing_{false};
  std::atomic<int> liveThreads_{0};
  std::atomic<bool> releaseInThread_{false};
  std::atomic<uint32_t> eventWord_{0};
  std::atomic<int> deviceError_{0};
  // The output thread runs and answers flush requests.
  std::atomic<bool> outThreadLive_{false};
  uint32_t emptyWakes_ = 0;  // the thread that waits for input only
  // The dispatch thread waits for input itself (CanWaitInput); fixed at open.
  std::atomic<bool> dispatchWaitsForInput_{false};

  // Set by the com thread once per batch it stored, and to stop.
  TSignalEvent comEvent_;
  TSignalEvent generalEvent_;
  TSignalEvent flushAck_;
  std::mutex outputSignalLock_;
  std::condition_variable outputSignalled_;
  bool outputPending_ = false;
  bool flushPending_ = false;

  std::unique_ptr<TComThread> comThread_;
  std::unique_ptr<TDispThread> dispThread_;
  std::unique_ptr<TOutThread> outThread_;
};
