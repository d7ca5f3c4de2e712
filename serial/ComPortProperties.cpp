// Property setters of the port: stored while closed, pushed to the device at
// once while open.
#include "serial/ComPort.h"

#include "serial/DeviceDispatcher.h"

#include <algorithm>
#include <type_traits>

namespace {

constexpr uint8_t ParityKeep = 5;
constexpr uint8_t DataBitsKeep = 9;
constexpr uint16_t StopBitsKeep = 3;
constexpr size_t ShortStringLength = 255;

// Receive-queue fill levels of the two kinds of flow control, in tenths and
// quarters of the queue.
struct TFlowLevels {
  uint32_t fullNumerator, resumeNumerator, denominator;
};
constexpr TFlowLevels HardwareLevels{9, 1, 10};
constexpr TFlowLevels SoftwareLevels{3, 1, 4};

void FillFlowLevels(const TFlowLevels& levels, uint16_t inSize, uint16_t& full, uint16_t& resume) {
  if (full == 0 || full > inSize)
    full = static_cast<uint16_t>(inSize * levels.fullNumerator / levels.denominator);
  if (resume == 0 || resume > full)
    resume = static_cast<uint16_t>(inSize * levels.resumeNumerator / levels.denominator);
}

uint32_t SoftwareFlowBits(TSWFlowOptions options) {
  switch (options) {
    case swfReceive:
      return SwfReceive;
    case swfTransmit:
      return SwfTransmit;
    case swfBoth:
      return SwfReceive | SwfTransmit;
    case swfNone:
      break;
  }
  return 0;
}

// While closed only "off" and "on" are kept; anything else means off.
TTraceLogState StoredWhileClosed(TTraceLogState state) {
  return state == tlOn ? tlOn : tlOff;
}

}  // namespace

// ---------------------------------------------------------------- port number

void TCustomComPort::SetComNumber(uint16_t n) {
  // A port whose device went away (an adapter pulled and plugged back) is
  // reopened even on the same number, so the user need not restart.
  if (n == comNumber_ && !force_ && !DeviceLost()) return;
  if (state_ != TPortState::Open) {
    comNumber_ = n;
    return;
  }
  dispatcher_->SaveTriggers(savedTriggers_);
  copyTriggers_ = true;
  const TTraceLogState tracing = tracing_;
  const TTraceLogState logging = logging_;
  const int dumpError = ClosePort();
  comNumber_ = n;
  tracing_ = StoredWhileClosed(tracing);
  logging_ = StoredWhileClosed(logging);
  try {
    SetOpen(true);
  } catch (...) {
    copyTriggers_ = false;
    throw;
  }
  Check(dumpError);
}

// ---------------------------------------------------------------- line

void TCustomComPort::ApplyLine(int32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits) {
  if (state_ != TPortState::Open || !dispatcher_) return;
  Check(dispatcher_->SetLine(static_cast<uint32_t>(baud), parity, dataBits, stopBits));
}

void TCustomComPort::SetBaud(int32_t baud) {
  if (baud == baud_ && !force_) return;
  ApplyLine(baud, ParityKeep, DataBitsKeep, StopBitsKeep);
  baud_ = baud;
}

void TCustomComPort::SetParity(TParity parity) {
  if (parity == parity_ && !force_) return;
  ApplyLine(0, parity, DataBitsKeep, StopBitsKeep);
  parity_ = parity;
}

void TCustomComPort::SetDataBits(uint16_t bits) {
  if (bits == dataBits_ && !force_) return;
  // A value the device cannot take must not be cut down to one it can.
  ApplyLine(0, ParityKeep, static_cast<uint8_t>(std::min<uint16_t>(bits, 255)), StopBitsKeep);
  dataBits_ = bits;
}

void TCustomComPort::SetStopBits(uint16_t bits) {
  if (bits == 0) bits = 1;
  if (bits > StopBitsKeep) bits = 2;
  if (bits == stopBits_ && !force_) return;
  ApplyLine(0, ParityKeep, DataBitsKeep, static_cast<uint8_t>(bits));
  if (bits != StopBitsKeep) stopBits_ = bits;
}

void TCustomComPort::SetInSize(uint16_t size) {
  // The driver keeps its own queues here; the size sets the flow levels.
  inSize_ = size;
}

void TCustomComPort::SetOutSize(uint16_t size) {
  // The transmit ring keeps the size it was opened with.
  outSize_ = size;
}

// ---------------------------------------------------------------- modem lines

void TCustomComPort::SetDTR(bool on) {
  if (on == dtr_ && !force_) return;
  if (state_ == TPortState::Open && dispatcher_) Check(dispatcher_->SetDTR(on));
  dtr_ = on;
}

void TCustomComPort::SetRTS(bool on) {
  if (on == rts_ && !force_) return;
  if (state_ == TPortState::Open && dispatcher_) Check(dispatcher_->SetRTS(on));
  rts_ = on;
}

// ---------------------------------------------------------------- flow control

void TCustomComPort::ApplyHWFlow() {
  if (state_ != TPortState::Open || !dispatcher_) return;
  // The option bits are the dispatcher's own.
  Check(dispatcher_->SetHardwareFlow(bufferFull_, bufferResume_, hwFlow_));
}

void TCustomComPort::ApplySWFlow() {
  if (state_ != TPortState::Open || !dispatcher_) return;
  Check(dispatcher_->SetSoftwareFlow(bufferFull_, bufferResume_, SoftwareFlowBits(swFlow_)));
}

void TCustomComPort::SetHWFlowOptions(THWFlowOptions options) {
  if (options == hwFlow_ && !force_) return;
  if (options != 0) FillFlowLevels(HardwareLevels, inSize_, bufferFull_, bufferResume_);
  hwFlow_ = options;
  ApplyHWFlow();
}

void TCustomComPort::SetSWFlowOptions(TSWFlowOptions options) {
  if (options == swFlow_ && !force_) return;
  if (options != swfNone) FillFlowLevels(SoftwareLevels, inSize_, bufferFull_, bufferResume_);
  swFlow_ = options;
  ApplySWFlow();
}

void TCustomComPort::SetXOnChar(char c) {
  if (c == xonChar_ && !force_) return;
  xonChar_ = c;
  if (state_ == TPortState::Open && dispatcher_)
    Check(dispatcher_->SetFlowCharacters(static_cast<uint8_t>(xonChar_), static_cast<uint8_t>(xoffChar_)));
}

void TCustomComPort::SetXOffChar(char c) {
  if (c == xoffChar_ && !force_) return;
  xoffChar_ = c;
  if (state_ == TPortState::Open && dispatcher_)
    Check(dispatcher_->SetFlowCharacters(static_cast<uint8_t>(xonChar_), static_cast<uint8_t>(xoffChar_)));
}

void TCustomComPort::SetBufferFull(uint16_t level) {
  if (level == bufferFull_ && !force_) return;
  bufferFull_ = level;
  ApplyHWFlow();
  ApplySWFlow();
}

void TCustomComPort::SetBufferResume(uint16_t level) {
  if (level == bufferResume_ && !force_) return;
  bufferResume_ = level;
  ApplyHWFlow();
  ApplySWFlow();
}

void TCustomComPort::SetAvailThreshold(uint32_t count) {
  if (count == availThreshold_ && !force_) return;
  availThreshold_ = count;
  if (state_ == TPortState::Open && dispatcher_) dispatcher_->SetAvailThreshold(count);
}

// ---------------------------------------------------------------- trace and log

void TCustomComPort::SetTracing(TTraceLogState state) {
  if (state_ != TPortState::Open) {
    tracing_ = StoredWhileClosed(state);
    return;
  }
  Check(ApplyRecorder(true, state));
}

void TCustomComPort::SetLogging(TTraceLogState state) {
  if (state_ != TPortState::Open) {
    logging_ = StoredWhileClosed(state);
    return;
  }
  Check(ApplyRecorder(false, state));
}

int TCustomComPort::ApplyRecorder(bool trace, TTraceLogState state) {
  TTraceLogState& current = trace ? tracing_ : logging_;
  if (state == current && !force_) return 0;
  const bool recording = current == tlOn || current == tlPause;
  const std::string label = dispatcher_->DeviceLabel();
  return dispatcher_->WithMainLock([&](TTraceRecorder& recorder, TDispatchLog& log) {
    const auto use = [&](auto& r, uint32_t size, const std::string& name, bool hex, bool allHex) -> int {
      switch (state) {
        case tlOff:
          if (recording) {
            r.Release();
            current = tlOff;
          }
          return 0;
        case tlOn:
          if (current == tlPause) {
            r.Resume();
          } else {
            r.Start(size);
          }
          current = tlOn;
          return 0;
        case tlDump:
        case tlAppend: {
          if (!recording) return 0;
          r.Resume();
          current = tlOff;
          int result = 0;
          if constexpr (std::is_same_v<std::decay_t<decltype(r)>, TDispatchLog>) {
            result = r.Dump(name, state == tlAppend, hex, allHex, label);
          } else {
            result = r.Dump(name, state == tlAppend, hex, allHex);
          }
          // A log that could not be written stays in memory; the recorder is
          // off either way.
          r.Pause();
          return SerialCodeFromErrno(result);
        }
        case tlClear:
          if (recording) r.Clear();
          return 0;
        case tlPause:
          if (current == tlOn) {
            r.Pause();
            current = tlPause;
          }
          return 0;
      }
      return 0;
    };
    return trace ? use(recorder, traceSize_, traceName_, traceHex_, traceAllHex_)
                 : use(log, logSize_, logName_, logHex_, logAllHex_);
  });
}

void TCustomComPort::SetTraceSize(uint32_t size) {
  size = std::min(size, MaxTraceSize);
  if (size == traceSize_) return;
  const TTraceLogState was = tracing_;
  if (state_ == TPortState::Open && (was == tlOn || was == tlPause)) {
    Check(ApplyRecorder(true, tlOff));
    traceSize_ = size;
    Check(ApplyRecorder(true, was));
    return;
  }
  traceSize_ = size;
}

void TCustomComPort::SetLogSize(uint32_t size) {
  size = std::min(size, MaxLogSize);
  if (size == logSize_) return;
  const TTraceLogState was = logging_;
  if (state_ == TPortState::Open && (was == tlOn || was == tlPause)) {
    Check(ApplyRecorder(false, tlOff));
    logSize_ = size;
    Check(ApplyRecorder(false, was));
    return;
  }
  logSize_ = size;
}

void TCustomComPort::SetTraceName(const std::string& name) {
  traceName_ = name.substr(0, ShortStringLength);
}

void TCustomComPort::SetLogName(const std::string& name) {
  logName_ = name.substr(0, ShortStringLength);
}
