#include "serial/DeviceDispatcher.h"

#include "serial/DispatcherThreads.h"
#include "serial/SerialError.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <thread>
#include <utility>

namespace {

constexpr uint8_t ParityKeep = 5;
constexpr uint8_t DataBitsKeep = 9;
constexpr uint8_t StopBitsKeep = 3;
constexpr uint32_t XonDefault = 17;
constexpr uint32_t XoffDefault = 19;

// The part of a hardware handshake the terminal layer has no room for: it
// knows RTS/CTS only. Log texts go without blanks, which the log shows in
// hexadecimal.
constexpr const char* DtrDsrNote = "HWFlow:DTR/DSR-not-available-on-this-line,RTS/CTS-only";

}  // namespace

TDeviceDispatcher::TDeviceDispatcher(std::unique_ptr<TSerialDevice> device) : device_(std::move(device)) {}

TDeviceDispatcher::~TDeviceDispatcher() {
  Close();
  // After a close from inside a notification the threads end by themselves.
  SignalThreadsToStop();
  if (outThread_) outThread_->Join();
  if (comThread_) comThread_->Join();
  if (dispThread_) dispThread_->Join();
  ReleaseDevice();
}

bool TDeviceDispatcher::IsOpen() const {
  return device_->IsOpen() && !closing_;
}

// ---------------------------------------------------------------- open, close

int TDeviceDispatcher::Open(const std::string& path, uint32_t baud, uint8_t parity, uint8_t dataBits,
                            uint8_t stopBits, uint32_t inSize, uint32_t outSize, uint32_t options) {
  if (device_->IsOpen() || active_ || liveThreads_ > 0) return ErrAlreadyOpen;
  closePending_ = false;
  killThreads_ = false;
  closing_ = false;
  releaseInThread_ = false;
  deviceError_ = 0;
  inputBlocked_ = false;
  dispatchWaitsForInput_ = device_->CanWaitInput();
  int result = device_->Open(path);
  if (result < 0) return OpenCodeFromErrno(result);
  result = device_->SetupQueues(inSize, outSize);
  if (result < 0) {
    device_->Close();
    return DeviceCodeFromErrno(result);
  }
  inSize_ = inSize;
  AllocateBuffers(outSize);
  {
    std::lock_guard main(mainLock_);
    result = device_->GetControlBlock(dcb_);
    if (result < 0) {
      Close();
      return DeviceCodeFromErrno(result);
    }
    // The line starts without flow control, whatever the device was left
    // with: Xon/Xoff bytes are data until software flow is asked for.
    dcb_.outX = dcb_.inX = false;
    dcb_.outxCtsFlow = dcb_.outxDsrFlow = false;
    // DTR cannot take part in a handshake here: it stays a plain line, set
    // as asked (SetHardwareFlow logs the loss when the handshake is asked).
    dtrHardware_ = false;
    rtsHardware_ = options & OptHwUseRts;
    dtrState_ = options & OptDtr;
    rtsState_ = options & OptRts;
    if (rtsHardware_) dcb_.rtsControl = TDeviceControlBlock::ControlHandshake;
    triggers_.Clear();
    dispatching_ = handlersDeleted_ = false;
    device_->GetModemStatus(modemStatus_);
    modemStatus_ &= 0xF0;
    lastBaud_ = BaudAfterOpen;
  }
  // Written even when the values match: the raw line mode and the DTR and
  // RTS states must reach the device at every open.
  result = SetLineTo(baud, parity, dataBits, stopBits, true);
  if (result < 0) {
    Close();
    return result;
  }
  {
    std::lock_guard main(mainLock_);
    device_->ClearErrors(lineErrors_);
    trace_.Release();
    log_.Release();
    log_.SetTimeBase(TraceLogClockMs());
  }
  StartThreads();
  return 0;
}

void TDeviceDispatcher::Close() {
  if (!device_->IsOpen() || closing_) return;
  FlushOutput();
  FlushInput();
  closing_ = true;
  if (Dispatching()) {
    // A handler closes the port: the dispatch thread is waiting for it, so
    // the threads end on their own and the last one releases the device.
    releaseInThread_ = true;
    closePending_ = true;
    SignalThreadsToStop();
    if (liveThreads_ == 0 && !active_) ReleaseDevice();
    return;
  }
  StopThreads();
  ReleaseDevice();
}

void TDeviceDispatcher::ReleaseDevice() {
  std::lock_guard buffer(bufferLock_);
  std::lock_guard main(mainLock_);
  if (device_->IsOpen()) device_->Close();
  ReleaseBuffers();
}

// ---------------------------------------------------------------- threads

void TDeviceDispatcher::StartThreads() {
  if (active_.exchange(true)) throw std::logic_error("Dispatcher already started");
  killThreads_ = false;
  comThread_ = std::make_unique<TComThread>(*this);
  dispThread_ = std::make_unique<TDispThread>(*this);
  outThread_ = std::make_unique<TOutThread>(*this);
  for (TDispatcherThread* thread :
       {static_cast<TDispatcherThread*>(comThread_.get()), static_cast<TDispatcherThread*>(dispThread_.get()),
        static_cast<TDispatcherThread*>(outThread_.get())}) {
    generalEvent_.Reset();
    thread->Start();
    generalEvent_.WaitFor(ThreadStartTimeout);
  }
}

void TDeviceDispatcher::SignalThreadsToStop() {
  {
    std::lock_guard main(mainLock_);
    killThreads_ = true;
  }
  SignalOutput(true);
  device_->CancelWrite();
  device_->CancelWait();
  WakeDispatchThread();
  AbandonDelivery();
}

void TDeviceDispatcher::StopThreads() {
  if (!active_ && liveThreads_ == 0) return;
  SignalThreadsToStop();
  // No lock is held here: the threads may need any of them to finish.
  if (outThread_) outThread_->Join();
  if (comThread_) comThread_->Join();
  if (dispThread_) dispThread_->Join();
  active_ = false;
}

void TDeviceDispatcher::ThreadEnded() {
  if (--liveThreads_ != 0) return;
  active_ = false;
  if (releaseInThread_) ReleaseDevice();
}

// ---------------------------------------------------------------- reading

void TDeviceDispatcher::ReceiveBatch() {
  if (!StoreBatch(eventWord_ & EvRxChar)) return;
  // One wake-up of the dispatch thread per batch; batches stored while it
  // is busy with a notification are checked together when it comes back.
  ++handOvers_;
  WakeDispatchThread();
}

bool TDeviceDispatcher::WaitForDeviceEvent() {
  // After the device has gone its line stays "ready": only the tick is left.
  if (!dispatchWaitsForInput_ || deviceError_ < 0) return comEvent_.WaitFor(DispatchTick);
  const int ready = device_->WaitInput(!inputBlocked_, DispatchTick);
  if (ready < 0) {
    OnDeviceGone(ready);
    return false;
  }
  if (ready == 0) return false;
  StoreBatch(true);
  return true;
}

bool TDeviceDispatcher::StoreBatch(bool inputReported) {
  uint64_t receivedBefore = 0;
  {
    std::lock_guard buffer(bufferLock_);
    receivedBefore = received_;
  }
  ReadDeviceIntoBuffer();
  if (!CountEmptyWake(receivedBefore, inputReported)) return false;
  ++batches_;
  if (inputArrived_.exchange(false)) ReportInputArrived();
  return true;
}

void TDeviceDispatcher::WakeDispatchThread() {
  comEvent_.Set();
  if (dispatchWaitsForInput_) device_->CancelInputWait();
}

void TDeviceDispatcher::WakeInputWaiter() {
  if (dispatchWaitsForInput_) {
    device_->CancelInputWait();
  } else {
    device_->CancelWait();
  }
}

void TDeviceDispatcher::ProcessDeviceEvent(bool woken) {
  // What woke the thread has been read. On a tick, bytes that came while
  // nobody waited for input are taken here.
  if (!woken) ReadDeviceIntoBuffer();
  if (inputArrived_.exchange(false)) ReportInputArrived();
  if (!Dispatching()) {
    while (!closePending_ && !killThreads_ && CheckDataAndAvailTriggers()) {
    }
  }
}

void TDeviceDispatcher::ReadDeviceIntoBuffer() {
  std::lock_guard buffer(bufferLock_);
  if (dispatch_.empty() || deviceError_ < 0) return;
  if (full_) {
    // The bytes wait in the driver queue, where its flow control acts; the
    // thread that waits for input stops waking up for them until there is
    // room again.
    inputBlocked_ = true;
    return;
  }
  if (inputBlocked_.exchange(false)) WakeInputWaiter();
  const int deviceCount = device_->BytesInQueue();
  if (deviceCount < 0) OnDeviceGone(deviceCount);
  if (deviceCount <= 0) return;
  const uint32_t free = DispatchBufferSize - StoredCount();
  const uint32_t first = std::min(free, DispatchBufferSize - head_);
  const int64_t rest = static_cast<int64_t>(deviceCount) - first;
  const uint32_t second = static_cast<uint32_t>(std::clamp<int64_t>(rest, 0, free - first));
  if (!ReadChunk(first)) return;
  if (second > 0) ReadChunk(second);
}

bool TDeviceDispatcher::ReadChunk(uint32_t length) {
  const uint32_t position = head_;
  const int got = device_->Read(dispatch_.data() + position, length);
  if (got < 0) {
    OnDeviceGone(got);
    return false;
  }
  if (got > 0) CommitReceived(position, static_cast<uint32_t>(got));
  return static_cast<uint32_t>(got) == length;
}

bool TDeviceDispatcher::CountEmptyWake(uint64_t receivedBefore, bool inputReported) {
  bool stored = false;
  bool blocked = false;
  {
    std::lock_guard buffer(bufferLock_);
    stored = received_ != receivedBefore;
    blocked = full_ || inputBlocked_;
  }
  if (stored || blocked || !inputReported) {
    emptyWakes_ = 0;
    return stored;
  }
  // The device says input is there and then gives none, again and again.
  if (++emptyWakes_ >= EmptyWakeLimit) OnDeviceGone(-EIO);
  return false;
}

void TDeviceDispatcher::OnDeviceGone(int error) {
  if (deviceError_.exchange(ErrDeviceGone) == ErrDeviceGone) return;
  {
    std::lock_guard main(mainLock_);
    log_.Add(TLogType::Error, TLogSubType::LineStatus, static_cast<uint32_t>(-error));
  }
  // A com thread that still waits would be woken for ever by a dead line.
  device_->CancelWait();
  ReportDeviceGone();
}

void TDeviceDispatcher::ThreadFailed(const char* what) {
  LogNote(std::string("Thread-failed:") + what);
  OnDeviceGone(ErrDeviceGone);
}

void TDeviceDispatcher::LogNote(const std::string& text) {
  std::lock_guard main(mainLock_);
  log_.Add(TLogType::User, TLogSubType::None, 0, reinterpret_cast<const uint8_t*>(text.data()),
           static_cast<uint32_t>(text.size()));
}

void TDeviceDispatcher::InputRoomAgain() {
  // The waiting thread waits for input again, so the next bytes arrive at
  // once instead of at the next tick.
  if (inputBlocked_.exchange(false)) WakeInputWaiter();
}

void TDeviceDispatcher::PurgeDeviceInput() {
  if (device_->IsOpen()) device_->Purge(PurgeInput);
}

// ---------------------------------------------------------------- writing

void TDeviceDispatcher::OutputQueued() {
  SignalOutput(false);
}

uint32_t TDeviceDispatcher::WriteNow(const uint8_t* data, uint32_t count) {
  // Without a running output thread (starting, stopping) the ring keeps the
  // order of things; a device that refuses or fails leaves the bytes to the
  // output thread, which reports the failure as it always has.
  if (!outThreadLive_ || killThreads_ || closing_ || deviceError_ < 0) return 0;
  try {
    const int sent = device_->Write(data, count);
    return sent > 0 ? static_cast<uint32_t>(sent) : 0;
  } catch (...) {
    return 0;
  }
}

void TDeviceDispatcher::SignalOutput(bool flush) {
  {
    std::lock_guard guard(outputSignalLock_);
    (flush ? flushPending_ : outputPending_) = true;
  }
  outputSignalled_.notify_all();
}

void TDeviceDispatcher::TakeOutputSignals(bool& output, bool& flush) {
  std::unique_lock guard(outputSignalLock_);
  outputSignalled_.wait(guard, [this] { return outputPending_ || flushPending_; });
  output = std::exchange(outputPending_, false);
  flush = std::exchange(flushPending_, false);
}

bool TDeviceDispatcher::FlushRequested() {
  std::lock_guard guard(outputSignalLock_);
  return flushPending_;
}

int TDeviceDispatcher::FlushOutput() {
  if (active_ && !killThreads_ && outThreadLive_) {
    flushAck_.Reset();
    SignalOutput(true);
    device_->CancelWrite();
    flushAck_.WaitFor(FlushAckTimeout);
  }
  output_.Clear();
  if (device_->IsOpen()) device_->Purge(PurgeOutput);
  return 0;
}

int TDeviceDispatcher::Drain(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  if (const int error = DeviceError(); error < 0) return error;
  if (!output_.WaitEmpty(deadline)) return DeviceError() < 0 ? DeviceError() : -ETIMEDOUT;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  const int result = device_->Drain(static_cast<uint32_t>(std::max<int64_t>(left.count(), 0)));
  return result == -ETIMEDOUT ? result : DeviceCodeFromErrno(result);
}

// ---------------------------------------------------------------- line settings

int TDeviceDispatcher::SetLine(uint32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits) {
  if (!IsOpen()) return ErrCommNotOpen;
  return SetLineTo(baud, parity, dataBits, stopBits, false);
}

int TDeviceDispatcher::SetLineTo(uint32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits,
                                 bool force) {
  TDeviceControlBlock current;
  {
    std::lock_guard main(mainLock_);
    if (const int result = device_->GetControlBlock(dcb_); result < 0) return DeviceCodeFromErrno(result);
    dcb_.binary = true;
    dcb_.parityCheck = false;
    dcb_.dsrSensitivity = false;
    dcb_.txContinueOnXoff = true;
    dcb_.nullStrip = false;
    current = dcb_;
  }
  if (stopBits == 0) stopBits = 1;
  if (stopBits > StopBitsKeep) stopBits = 2;
  if (baud == 0) baud = current.baud;
  if (parity == ParityKeep) parity = current.parity;
  if (dataBits == DataBitsKeep) dataBits = current.byteSize;
  if (baud > MaxBaud) return ErrBaudRate;
  if (dataBits < 5 || dataBits > 8) return ErrByteSize;
  if (parity > 4) return ErrBadArgument;
  uint8_t stopCode = current.stopBits;
  if (stopBits != StopBitsKeep) stopCode = stopBits == 1 ? 0 : (dataBits == 5 ? 1 : 2);
  if (!force && baud == current.baud && parity == current.parity && dataBits == current.byteSize &&
      stopCode == current.stopBits) {
    return 0;
  }
  // Bytes still queued go out with the old settings: the program's ring,
  // then what the driver holds, then what the UART may still be shifting.
  output_.WaitEmpty(std::chrono::steady_clock::now() + LineChangeDrainTimeout);
  DrainAtOldSettings(current);
  WaitCharacterTimes(dataBits, parity, stopCode);
  std::lock_guard main(mainLock_);
  if (const int result = device_->GetControlBlock(dcb_); result < 0) return DeviceCodeFromErrno(result);
  dcb_.baud = baud;
  dcb_.parity = parity;
  dcb_.byteSize = dataBits;
  dcb_.stopBits = stopCode;
  const int result = WriteControlBlock();
  // A rate the driver refuses; any other failure is the device's.
  if (result == -EINVAL) return ErrBaudRate;
  if (result < 0) return DeviceCodeFromErrno(result);
  // What the driver really set (it may round the rate).
  if (device_->GetControlBlock(dcb_) == 0) lastBaud_ = dcb_.baud;
  return 0;
}

void TDeviceDispatcher::DrainAtOldSettings(const TDeviceControlBlock& current) {
  const int queued = device_->BytesInOutputQueue();
  if (queued <= 0) return;
  const int64_t bits =
      current.byteSize + 2 + (current.parity != 0 ? 1 : 0) + (current.stopBits != 0 ? 1 : 0);
  const int64_t needMs = queued * bits * 1000 / std::max<uint32_t>(lastBaud_, 1);
  // Running out of time is no error: the line changes as it would have.
  device_->Drain(static_cast<uint32_t>(needMs + LineChangeDrainMargin.count()));
}

void TDeviceDispatcher::WaitCharacterTimes(uint8_t dataBits, uint8_t parity, uint8_t stopCode) {
  // 18 character times at the last baud written, for the UART to empty.
  constexpr int64_t CharacterTimes = 18;
  constexpr int64_t UnitsPerSecond = 10000000;  // 100 ns units
  constexpr int64_t MinimumUnits = 10000;
  const int64_t bits = dataBits + 2 + (parity != 0 ? 1 : 0) + (stopCode != 0 ? 1 : 0);
  int64_t units = (UnitsPerSecond / std::max<uint32_t>(lastBaud_, 1)) * bits * CharacterTimes;
  if (units < MinimumUnits) units *= 2;
  std::this_thread::sleep_for(std::chrono::milliseconds((units + MinimumUnits - 1) / MinimumUnits));
}

int TDeviceDispatcher::WriteControlBlock() {
  std::lock_guard main(mainLock_);
  if (!dtrHardware_)
    dcb_.dtrControl = dtrState_ ? TDeviceControlBlock::ControlEnable : TDeviceControlBlock::ControlDisable;
  if (!rtsHardware_)
    dcb_.rtsControl = rtsState_ ? TDeviceControlBlock::ControlEnable : TDeviceControlBlock::ControlDisable;
  if (const int result = device_->SetControlBlock(dcb_); result < 0) return result;
  lastBaud_ = dcb_.baud;
  if (!dtrHardware_) device_->Escape(dtrState_ ? TEscape::SetDtr : TEscape::ClearDtr);
  if (!rtsHardware_) device_->Escape(rtsState_ ? TEscape::SetRts : TEscape::ClearRts);
  return 0;
}

TDeviceControlBlock TDeviceDispatcher::ControlBlock() {
  std::lock_guard main(mainLock_);
  return dcb_;
}

uint8_t TDeviceDispatcher::ModemStatus() {
  std::lock_guard main(mainLock_);
  uint8_t lines = 0;
  if (IsOpen() && device_->GetModemStatus(lines) == 0) {
    modemStatus_ = static_cast<uint8_t>((((modemStatus_ ^ lines) >> 4) & 0x0F) | lines);
  }
  return modemStatus_;
}

// ---------------------------------------------------------------- flow control

int TDeviceDispatcher::SetHardwareFlow(uint32_t fullLevel, uint32_t resumeLevel, uint32_t options) {
  if (!IsOpen()) return ErrCommNotOpen;
  std::lock_guard main(mainLock_);
  if (fullLevel < resumeLevel || fullLevel > inSize_) return ErrBadArgument;
  // RTS/CTS is all the line can do; DTR stays a plain line and DSR is not
  // watched, which the log says rather than dropping them without a word.
  if (options & (HwfUseDtr | HwfRequireDsr)) LogNote(DtrDsrNote);
  dcb_.outxCtsFlow = options & HwfRequireCts;
  dcb_.outxDsrFlow = false;
  dtrHardware_ = false;
  rtsHardware_ = options & HwfUseRts;
  if (rtsHardware_) dcb_.rtsControl = TDeviceControlBlock::ControlHandshake;
  dcb_.xoffLim = static_cast<uint16_t>(inSize_ - fullLevel);
  dcb_.xonLim = static_cast<uint16_t>(resumeLevel);
  return WriteControlBlock();
}

int TDeviceDispatcher::SetSoftwareFlow(uint32_t fullLevel, uint32_t resumeLevel, uint32_t options) {
  if (!IsOpen()) return ErrCommNotOpen;
  std::lock_guard main(mainLock_);
  if (fullLevel < resumeLevel || fullLevel > inSize_) return ErrBadArgument;
  if (options == 0) {
    dcb_.inX = dcb_.outX = false;
    return WriteControlBlock();
  }
  if (options & SwfReceive) {
    dcb_.inX = true;
    dcb_.xoffLim = static_cast<uint16_t>(inSize_ - fullLevel);
    dcb_.xonLim = static_cast<uint16_t>(resumeLevel);
  }
  if (options & SwfTransmit) dcb_.outX = true;
  dcb_.xonChar = XonDefault;
  dcb_.xoffChar = XoffDefault;
  return WriteControlBlock();
}

int TDeviceDispatcher::ClearSoftwareFlow() {
  if (!IsOpen()) return ErrCommNotOpen;
  std::lock_guard main(mainLock_);
  dcb_.inX = dcb_.outX = false;
  return WriteControlBlock();
}

int TDeviceDispatcher::SetFlowCharacters(uint8_t xon, uint8_t xoff) {
  if (!IsOpen()) return ErrCommNotOpen;
  std::lock_guard main(mainLock_);
  dcb_.xonChar = xon;
  dcb_.xoffChar = xoff;
  return WriteControlBlock();
}

int TDeviceDispatcher::SetDTR(bool on) {
  if (!IsOpen()) return ErrCommNotOpen;
  std::lock_guard main(mainLock_);
  if (dtrHardware_) return 1;
  if (device_->Escape(on ? TEscape::SetDtr : TEscape::ClearDtr) < 0) return ErrBadArgument;
  dtrState_ = on;
  return 0;
}

int TDeviceDispatcher::SetRTS(bool on) {
  if (!IsOpen()) return ErrCommNotOpen;
  std::lock_guard main(mainLock_);
  if (rtsHardware_) return 1;
  if (device_->Escape(on ? TEscape::SetRts : TEscape::ClearRts) < 0) return ErrBadArgument;
  rtsState_ = on;
  return 0;
}
