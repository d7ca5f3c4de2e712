#include "serial/ComPort.h"

#include "platform/DeviceMap.h"
#include "platform/SerialDevice.h"
#include "serial/DeviceDispatcher.h"
#include "serial/DispatcherList.h"
#include "serial/InputWaiters.h"
#include "serial/NotifyWindow.h"
#include "serial/SerialMessages.h"

#include <QTimer>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace {

// A close finished from the window waits this long between looks at the
// worker threads, which end within a tick of the dispatch thread.
constexpr int ClosePendingRetryMs = 2;

uint32_t OpenOptions(bool dtr, bool rts, THWFlowOptions hwFlow) {
  uint32_t options = 0;
  if (dtr) options |= OptDtr;
  if (rts) options |= OptRts;
  if (hwFlow & hwfUseDTR) options |= OptHwUseDtr;
  if (hwFlow & hwfUseRTS) options |= OptHwUseRts;
  return options;
}

std::string UserName() {
  const passwd* entry = ::getpwuid(::geteuid());
  return entry != nullptr ? entry->pw_name : std::string();
}

// The open refused to this user: the message says which file, which group and
// how to get in.
[[noreturn]] void RaisePermissionDenied(const std::string& path) {
  throw EPermissionDenied(PermissionDeniedMessage(path, DeviceGroupName(path), UserName()), ecPermissionDenied);
}

}  // namespace

std::function<std::unique_ptr<TSerialDevice>()> TCustomComPort::CreateDevice = CreateSerialDevice;

std::function<void(const std::exception&)> TCustomComPort::ShowException = [](const std::exception& e) {
  std::fprintf(stderr, "%s\n", e.what());
};

std::function<uint16_t()> TCustomComPort::SelectPort;

TCustomComPort::TCustomComPort()
    : link_(std::make_shared<TPortLink>(TPortLink{this})), waiters_(std::make_unique<TInputWaiters>()) {}

TCustomComPort::~TCustomComPort() {
  if (state_ == TPortState::Open) {
    try {
      if (const int error = ClosePort(); error < 0) ShowException(*MakeSerialError(error));
    } catch (const std::exception& e) {
      ShowException(e);
    }
  }
  // A close begun inside a notification ends here: the dispatcher's
  // destruction waits for its threads.
  if (dispatcher_) FinishClose();
  link_->port = nullptr;
}

void TCustomComPort::Check(int result) {
  if (result < 0) RaiseSerialError(result);
}

// ---------------------------------------------------------------- open

void TCustomComPort::SetOpen(bool open) {
  if (open) {
    if (state_ == TPortState::Closing) {
      openPending_ = true;
    } else if (state_ == TPortState::Closed) {
      OpenPort();
    }
    return;
  }
  openPending_ = false;
  if (state_ != TPortState::Open) return;
  Check(ClosePort());
}

void TCustomComPort::OpenPort() {
  if (comNumber_ == 0) {
    const uint16_t chosen = promptForPort_ && SelectPort ? SelectPort() : 0;
    if (chosen == 0) RaiseSerialError(ecNoPortSelected);
    comNumber_ = chosen;
  }
  if (deviceLayer_ != dlWin32) RaiseSerialError(ecNullApi);
  const std::optional<std::string> path = DevicePathFor(comNumber_);
  if (!path) RaiseSerialError(ecBadId);
  dispatcher_ = std::make_unique<TDeviceDispatcher>(CreateDevice());
  dispatcher_->SetDeviceLabel(DeviceLabel(comNumber_));
  try {
    const int result = dispatcher_->Open(*path, static_cast<uint32_t>(baud_), parity_,
                                         static_cast<uint8_t>(dataBits_), static_cast<uint8_t>(stopBits_),
                                         inSize_, outSize_, OpenOptions(dtr_, rts_, hwFlow_));
    if (result == ErrPermissionDenied) RaisePermissionDenied(*path);
    Check(MapOpenResult(result));
    state_ = TPortState::Open;
    ApplyAtOpen();
    open_ = true;
    window_ = new TNotifyWindow([link = link_](uint32_t message, uint32_t wParam, uint32_t lParam) {
      if (link->port) link->port->WindowMessage(message, wParam, lParam);
    });
    dispatcher_->RegisterWindowHandler(window_);
    AttachHooks();
    if (copyTriggers_) {
      copyTriggers_ = false;
      dispatcher_->RestoreTriggers(savedTriggers_);
    }
    if (onPortOpen_) onPortOpen_(*this);
  } catch (...) {
    ReleaseAfterFailedOpen();
    throw;
  }
}

void TCustomComPort::AttachHooks() {
  dispatcher_->SetInputArrivedHook([waiters = waiters_.get()] { waiters->Wake(); });
  dispatcher_->SetDeviceGoneHook(
      [window = window_, lParam = WindowLParam()] { window->PostMessage(DeviceGoneMsg, 0, lParam); });
}

void TCustomComPort::DetachHooks() {
  dispatcher_->SetInputArrivedHook(nullptr);
  dispatcher_->SetDeviceGoneHook(nullptr);
}

uint32_t TCustomComPort::WindowLParam() const {
  return static_cast<uint32_t>(dispatcher_->Index()) << 16;
}

void TCustomComPort::ReleaseAfterFailedOpen() {
  copyTriggers_ = false;
  if (dispatcher_) {
    DetachHooks();
    // A delivery may be starting (the open handler raised while bytes came
    // in): the window leaves the handler list, and the dispatcher's threads
    // have ended, before the window is freed.
    if (window_) dispatcher_->DeregisterWindowHandler(window_);
    dispatcher_->Close();
  }
  dispatcher_.reset();
  DestroyWindow();
  state_ = TPortState::Closed;
  open_ = false;
  force_ = false;
}

void TCustomComPort::ApplyAtOpen() {
  RecomputeHandlerService();
  force_ = true;
  Check(ApplyRecorder(true, tracing_));
  Check(ApplyRecorder(false, logging_));
  SetHWFlowOptions(hwFlow_);
  SetSWFlowOptions(swFlow_);
  SetXOnChar(xonChar_);
  SetXOffChar(xoffChar_);
  SetAvailThreshold(availThreshold_);
  SetDTR(dtr_);
  SetRTS(rts_);
  force_ = false;
}

void TCustomComPort::RecomputeHandlerService() {
  if (state_ != TPortState::Open || !dispatcher_) return;
  const bool assigned = onTriggerAvail_ || onTriggerData_ || onTrigger_;
  dispatcher_->UpdateHandlerService(assigned ? TBaseDispatcher::ServicePortInstalled
                                             : TBaseDispatcher::ServicePortRemoved);
}

// ---------------------------------------------------------------- close

int TCustomComPort::ClosePort() {
  const int dumpError = DumpRecorders();
  state_ = TPortState::Closing;
  DetachHooks();
  dispatcher_->Close();
  if (dispatcher_->ClosePending() && window_ && windowDepth_ > 0) {
    // A handler is running for this dispatcher: its threads end once the
    // handler returns, and the window finishes the close. (A notification
    // that is only queued is dropped instead: no handler runs meanwhile, so
    // the threads can be waited for now.)
    window_->PostMessage(ClosePendingMsg, 0, WindowLParam());
  } else {
    FinishClose();
  }
  waiters_->Wake();
  if (onPortClose_) onPortClose_(*this);
  return dumpError;
}

int TCustomComPort::DumpRecorders() {
  int error = 0;
  for (bool trace : {true, false}) {
    const TTraceLogState state = trace ? tracing_ : logging_;
    if (state != tlOn && state != tlPause) continue;
    const int result = ApplyRecorder(trace, tlDump);
    if (error == 0) error = result;
  }
  return error;
}

void TCustomComPort::FinishClose() {
  if (dispatcher_) {
    if (window_) dispatcher_->DeregisterWindowHandler(window_);
    DetachHooks();
  }
  DestroyWindow();
  dispatcher_.reset();
  state_ = TPortState::Closed;
  open_ = false;
}

void TCustomComPort::DestroyWindow() {
  if (!window_) return;
  // From inside one of its own messages the window can only go later; its
  // remaining messages find no dispatcher and do nothing.
  if (windowDepth_ > 0) {
    window_->deleteLater();
  } else {
    delete window_;
  }
  window_ = nullptr;
}

// ---------------------------------------------------------------- window

void TCustomComPort::WindowMessage(uint32_t message, uint32_t wParam, uint32_t lParam) {
  const int index = static_cast<int>(lParam >> 16);
  TBaseDispatcher* mine = dispatcher_.get();
  const bool current = mine != nullptr && TDispatcherList::Instance().With(
                                              index, [mine](TBaseDispatcher* d) { return d == mine; });
  if (!current) return;
  ++windowDepth_;
  try {
    if (message == ClosePendingMsg) {
      ClosePendingArrived();
    } else if (message == DeviceGoneMsg) {
      if (onDeviceGone_) onDeviceGone_(*this);
    } else {
      RunTriggerEvent(message, wParam, lParam);
    }
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(std::runtime_error("Unknown exception in a serial port event"));
  }
  --windowDepth_;
}

void TCustomComPort::RunTriggerEvent(uint32_t message, uint32_t wParam, uint32_t lParam) {
  const auto handle = static_cast<uint16_t>(wParam);
  if (onTrigger_)
    onTrigger_(*this, static_cast<uint16_t>(message), handle, static_cast<uint16_t>(lParam & 0xFFFF));
  if (message == TriggerAvailMsg) {
    if (onTriggerAvail_) onTriggerAvail_(*this, handle);
  } else if (message == TriggerDataMsg) {
    if (onTriggerData_) onTriggerData_(*this, handle);
  }
}

void TCustomComPort::ClosePendingArrived() {
  if (state_ != TPortState::Closing) return;
  if (dispatcher_->ThreadsRunning()) {
    const uint32_t lParam = WindowLParam();
    QTimer::singleShot(ClosePendingRetryMs, window_,
                       [window = window_, lParam] { window->PostMessage(ClosePendingMsg, 0, lParam); });
    return;
  }
  FinishClose();
  if (std::exchange(openPending_, false)) OpenPort();
}

// ---------------------------------------------------------------- operations

bool TCustomComPort::DeviceLost() const {
  return state_ == TPortState::Open && dispatcher_ && dispatcher_->DeviceError() < 0;
}

TDeviceDispatcher* TCustomComPort::Ready() {
  if (state_ == TPortState::Closing) return nullptr;
  if (!dispatcher_) {
    if (!autoOpen_) RaiseSerialError(ecCommNotOpen);
    OpenPort();
  }
  return dispatcher_.get();
}

void TCustomComPort::WriteString(const std::string& s) {
  TDeviceDispatcher* d = Ready();
  if (!d || s.empty()) return;
  Check(d->WriteBlock(reinterpret_cast<const uint8_t*>(s.data()), static_cast<uint32_t>(s.size())));
}

bool TCustomComPort::InputReady() {
  TDeviceDispatcher* d = Ready();
  return d && d->InputReady();
}

char TCustomComPort::ReadChar() {
  TDeviceDispatcher* d = Ready();
  if (!d) return 0;
  const int byte = d->ReadByte();
  Check(byte);
  return static_cast<char>(byte);
}

uint16_t TCustomComPort::AddMatchTrigger(const std::string& s, bool ignoreCase) {
  TDeviceDispatcher* d = Ready();
  if (!d) return 0;
  constexpr size_t ShortStringLength = 255;
  const size_t length = std::min(s.size(), ShortStringLength);
  const int handle = d->AddDataTrigger(reinterpret_cast<const uint8_t*>(s.data()),
                                       static_cast<uint32_t>(length), ignoreCase);
  Check(handle);
  return static_cast<uint16_t>(handle);
}

void TCustomComPort::DeleteTrigger(uint16_t handle) {
  if (state_ != TPortState::Open || !dispatcher_) return;
  Check(dispatcher_->RemoveTrigger(handle));
}

void TCustomComPort::DiscardInput() {
  if (TDeviceDispatcher* d = Ready()) d->FlushInput();
}

void TCustomComPort::DiscardOutput() {
  if (TDeviceDispatcher* d = Ready()) Check(d->FlushOutput());
}

void TCustomComPort::Drain(std::chrono::milliseconds limit) {
  TDeviceDispatcher* d = Ready();
  if (d == nullptr) return;
  // Running out of time is no error: the caller goes on as if it had waited.
  if (const int result = d->Drain(limit); result != -ETIMEDOUT) Check(result);
}

bool TCustomComPort::WaitForInput(std::chrono::steady_clock::time_point deadline) {
  if (!Ready()) return false;
  return waiters_->Wait(
      deadline, [this] { return state_ == TPortState::Open && dispatcher_ && dispatcher_->InputReady(); },
      [this] { return state_ != TPortState::Open; });
}

// ---------------------------------------------------------------- events

void TCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent handler) {
  onTriggerAvail_ = std::move(handler);
  RecomputeHandlerService();
}

void TCustomComPort::SetOnTriggerData(TTriggerDataEvent handler) {
  onTriggerData_ = std::move(handler);
  RecomputeHandlerService();
}

void TCustomComPort::SetOnTrigger(TTriggerEvent handler) {
  onTrigger_ = std::move(handler);
  RecomputeHandlerService();
}
