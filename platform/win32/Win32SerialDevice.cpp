#include "platform/win32/Win32SerialDevice.h"

#include <cerrno>

namespace {

// Line error bits of the error word that the layer keeps (CE_RXOVER ..
// CE_BREAK, the same values as TLineError).
constexpr DWORD LineErrorBits = 0x1F;
// Modem line bits of the status word (MS_CTS_ON .. MS_RLSD_ON, the same
// values as TModemStatus).
constexpr DWORD ModemLineBits = 0xF0;

HANDLE NewEvent(bool manualReset) {
  return ::CreateEventW(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr);
}

bool Refused(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

// The port for reading and writing, shared with nobody, overlapped.
HANDLE OpenHandle(const std::string& path) {
  return ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

}  // namespace

std::unique_ptr<TSerialDevice> CreateSerialDevice() {
  return std::make_unique<TWin32SerialDevice>();
}

int ProbeSerialDevice(const std::string& path) {
  // The open primitive alone, as the port is opened for real.
  const HANDLE handle = OpenHandle(path);
  if (handle == INVALID_HANDLE_VALUE) return TWin32SerialDevice::OpenError(::GetLastError());
  ::CloseHandle(handle);
  return 0;
}

std::string DeviceGroupName(const std::string&) {
  return {};  // access to a port is not given by groups here
}

int TWin32SerialDevice::OpenError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return -ENOENT;
    // Another program holds the port.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return -EBUSY;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return -ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
      return -EMFILE;
    default:
      return DeviceError(error);
  }
}

int TWin32SerialDevice::DeviceError(DWORD error) {
  if (Refused(error)) return -EINVAL;
  switch (error) {
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return -ENOMEM;
    case ERROR_INVALID_HANDLE:
      return -EBADF;
    default:
      // An adapter pulled while open answers access denied, bad command,
      // general failure or device not connected: all mean it is gone.
      return -EIO;
  }
}

TWin32SerialDevice::TWin32SerialDevice()
    : waitDone_(NewEvent(true)),
      readDone_(NewEvent(true)),
      writeDone_(NewEvent(true)),
      waitCancel_(NewEvent(false)),
      writeCancel_(NewEvent(false)) {}

TWin32SerialDevice::~TWin32SerialDevice() {
  Close();
  for (HANDLE event : {waitDone_, readDone_, writeDone_, waitCancel_, writeCancel_})
    if (event) ::CloseHandle(event);
}

int TWin32SerialDevice::Open(const std::string& path) {
  if (!waitDone_ || !readDone_ || !writeDone_ || !waitCancel_ || !writeCancel_) return -ENOMEM;
  if (IsOpen()) return -EBUSY;
  const HANDLE handle = OpenHandle(path);
  if (handle == INVALID_HANDLE_VALUE) return OpenError(::GetLastError());
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(handle, &dcb)) {
    ::CloseHandle(handle);
    return -ENOTTY;  // not a serial line
  }
  // Reads return at once with what the driver holds; writes have no limit
  // (they end when done, or when cancelled).
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
  ::SetCommTimeouts(handle, &timeouts);
  supported_ = WatchedEvents;
  mask_ = WatchedEvents;
  ::SetCommMask(handle, mask_);
  // A fresh line has no flow control, whatever the last user left: Xon/Xoff
  // bytes are data until flow control is asked for. Errors never stop I/O.
  dcb.fOutX = dcb.fInX = dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  ::SetCommState(handle, &dcb);
  ::ResetEvent(waitCancel_);
  ::ResetEvent(writeCancel_);
  {
    std::lock_guard guard(errorsLock_);
    pendingErrors_ = 0;
  }
  handle_ = handle;
  return 0;
}

void TWin32SerialDevice::Close() {
  const HANDLE handle = handle_.exchange(INVALID_HANDLE_VALUE);
  if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
}

int TWin32SerialDevice::SetupQueues(uint32_t inSize, uint32_t outSize) {
  if (!IsOpen()) return -EBADF;
  return ::SetupComm(handle_, inSize, outSize) ? 0 : DeviceError(::GetLastError());
}

// ---------------------------------------------------------------- control block

void TWin32SerialDevice::ToDcb(const TDeviceControlBlock& block, DCB& dcb) {
  dcb.BaudRate = block.baud;
  dcb.ByteSize = block.byteSize;
  dcb.Parity = block.parity;
  dcb.StopBits = block.stopBits;
  dcb.fBinary = block.binary;
  dcb.fParity = block.parityCheck;
  dcb.fOutxCtsFlow = block.outxCtsFlow;
  dcb.fOutxDsrFlow = block.outxDsrFlow;
  dcb.fDsrSensitivity = block.dsrSensitivity;
  dcb.fTXContinueOnXoff = block.txContinueOnXoff;
  dcb.fOutX = block.outX;
  dcb.fInX = block.inX;
  dcb.fNull = block.nullStrip;
  dcb.fDtrControl = block.dtrControl;
  dcb.fRtsControl = block.rtsControl;
  dcb.fAbortOnError = FALSE;
  dcb.XonLim = block.xonLim;
  dcb.XoffLim = block.xoffLim;
  dcb.XonChar = static_cast<char>(block.xonChar);
  dcb.XoffChar = static_cast<char>(block.xoffChar);
}

TDeviceControlBlock TWin32SerialDevice::FromDcb(const DCB& dcb) {
  TDeviceControlBlock block;
  block.baud = dcb.BaudRate;
  block.byteSize = dcb.ByteSize;
  // A parity outside none..space is no parity the line can have: Wine reads
  // such values back from a line without parity.
  block.parity = dcb.Parity <= SPACEPARITY ? dcb.Parity : NOPARITY;
  block.stopBits = dcb.StopBits;
  block.binary = dcb.fBinary;
  block.parityCheck = dcb.fParity;
  block.outxCtsFlow = dcb.fOutxCtsFlow;
  block.outxDsrFlow = dcb.fOutxDsrFlow;
  block.dsrSensitivity = dcb.fDsrSensitivity;
  block.txContinueOnXoff = dcb.fTXContinueOnXoff;
  block.outX = dcb.fOutX;
  block.inX = dcb.fInX;
  block.nullStrip = dcb.fNull;
  block.dtrControl = static_cast<TDeviceControlBlock::TLineControl>(dcb.fDtrControl);
  // RTS toggle (3) is not one of the layer's modes: it is a handshake too.
  block.rtsControl = static_cast<TDeviceControlBlock::TLineControl>(
      dcb.fRtsControl > RTS_CONTROL_HANDSHAKE ? RTS_CONTROL_HANDSHAKE : dcb.fRtsControl);
  block.xonLim = dcb.XonLim;
  block.xoffLim = dcb.XoffLim;
  block.xonChar = static_cast<uint8_t>(dcb.XonChar);
  block.xoffChar = static_cast<uint8_t>(dcb.XoffChar);
  return block;
}

int TWin32SerialDevice::GetControlBlock(TDeviceControlBlock& block) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(handle_, &dcb)) return DeviceError(::GetLastError());
  block = FromDcb(dcb);
  return 0;
}

int TWin32SerialDevice::SetControlBlock(const TDeviceControlBlock& block) {
  if (block.baud == 0 || block.byteSize < 5 || block.byteSize > 8 || block.parity > 4 || block.stopBits > 2)
    return -EINVAL;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(handle_, &dcb)) return DeviceError(::GetLastError());
  ToDcb(block, dcb);
  // A driver that refuses a setting answers invalid parameter. One that
  // cannot do it may also adjust it instead (a pseudo-terminal behind Wine
  // keeps 8 data bits without parity): what it kept is read back, as on
  // the other systems, and the difference is kept for the caller to tell.
  {
    std::lock_guard guard(errorsLock_);
    notKept_.clear();
  }
  if (!::SetCommState(handle_, &dcb)) return DeviceError(::GetLastError());
  TDeviceControlBlock kept;
  if (const int result = GetControlBlock(kept); result < 0) return result;
  std::lock_guard guard(errorsLock_);
  notKept_ = Differences(block, kept);
  return 0;
}

std::string TWin32SerialDevice::Differences(const TDeviceControlBlock& asked, const TDeviceControlBlock& kept) {
  std::string text;
  const auto check = [&text](const char* field, long a, long k) {
    if (a != k) text += std::string(text.empty() ? "" : ",") + field + ":" + std::to_string(a) + "->" + std::to_string(k);
  };
  check("baud", asked.baud, kept.baud);
  check("byteSize", asked.byteSize, kept.byteSize);
  check("parity", asked.parity, kept.parity);
  check("stopBits", asked.stopBits, kept.stopBits);
  check("outxCtsFlow", asked.outxCtsFlow, kept.outxCtsFlow);
  check("outxDsrFlow", asked.outxDsrFlow, kept.outxDsrFlow);
  check("dtrControl", asked.dtrControl, kept.dtrControl);
  check("rtsControl", asked.rtsControl, kept.rtsControl);
  check("outX", asked.outX, kept.outX);
  check("inX", asked.inX, kept.inX);
  check("xonChar", asked.xonChar, kept.xonChar);
  check("xoffChar", asked.xoffChar, kept.xoffChar);
  // The limits act only while this side holds the far end back.
  const bool inputFlow = asked.inX || asked.rtsControl == TDeviceControlBlock::ControlHandshake ||
                         asked.dtrControl == TDeviceControlBlock::ControlHandshake;
  if (inputFlow) {
    check("xonLim", asked.xonLim, kept.xonLim);
    check("xoffLim", asked.xoffLim, kept.xoffLim);
  }
  return text;
}

std::string TWin32SerialDevice::NotKept() {
  std::lock_guard guard(errorsLock_);
  return notKept_;
}

// ---------------------------------------------------------------- events

int TWin32SerialDevice::Finish(OVERLAPPED& overlapped, HANDLE cancel, DWORD& count) {
  const HANDLE handle = handle_;
  if (cancel) {
    const HANDLE events[2] = {overlapped.hEvent, cancel};
    if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
      ::CancelIoEx(handle, &overlapped);
  }
  if (::GetOverlappedResult(handle, &overlapped, &count, TRUE)) return 0;
  const DWORD error = ::GetLastError();
  return error == ERROR_OPERATION_ABORTED ? 0 : DeviceError(error);
}

int TWin32SerialDevice::WaitEvent(bool wantInput, uint32_t& events) {
  events = 0;
  const HANDLE handle = handle_;
  // Received bytes stop waking the caller while it has no room for them.
  const DWORD mask = (wantInput ? WatchedEvents : (WatchedEvents & ~EV_RXCHAR)) & supported_;
  if (mask == 0) {
    // Nothing this driver can wait for: only a cancel ends the wait, and
    // the caller's own tick looks at the device.
    ::WaitForSingleObject(waitCancel_, INFINITE);
    return 0;
  }
  if (mask != mask_) {
    if (!::SetCommMask(handle, mask)) return DeviceError(::GetLastError());
    mask_ = mask;
  }
  OVERLAPPED overlapped{};
  overlapped.hEvent = waitDone_;
  ::ResetEvent(waitDone_);
  DWORD word = 0;
  if (!::WaitCommEvent(handle, &word, &overlapped)) {
    const DWORD error = ::GetLastError();
    if (Refused(error)) {
      // A driver that cannot watch some events (line errors and breaks
      // need counters a pseudo-terminal has not): watch fewer and go on,
      // as the dispatcher does for the trailing-edge ring bit.
      supported_ = NarrowerEvents(mask);
      return 0;
    }
    if (error != ERROR_IO_PENDING) return DeviceError(error);
    DWORD count = 0;
    if (const int result = Finish(overlapped, waitCancel_, count); result < 0) return result;
  }
  // A cancelled wait or a changed mask ends with no event: wait again.
  events = word & mask;
  return static_cast<int>(events);
}

DWORD TWin32SerialDevice::NarrowerEvents(DWORD mask) {
  constexpr DWORD LineStatusEvents = EV_BREAK | EV_ERR | EV_RING;
  constexpr DWORD ModemEvents = EV_CTS | EV_DSR | EV_RLSD;
  if (mask & LineStatusEvents) return mask & ~LineStatusEvents;
  if (mask & ModemEvents) return mask & ~ModemEvents;
  return 0;
}

DWORD TWin32SerialDevice::WatchedNow() const {
  return supported_;
}

void TWin32SerialDevice::CancelWait() {
  ::SetEvent(waitCancel_);
}

// ---------------------------------------------------------------- input, output

int TWin32SerialDevice::Status(COMSTAT& status) {
  DWORD errors = 0;
  if (!::ClearCommError(handle_, &errors, &status)) return DeviceError(::GetLastError());
  if (errors & LineErrorBits) {
    std::lock_guard guard(errorsLock_);
    pendingErrors_ |= static_cast<uint8_t>(errors & LineErrorBits);
  }
  return 0;
}

int TWin32SerialDevice::BytesInQueue() {
  COMSTAT status{};
  if (const int result = Status(status); result < 0) return result;
  return static_cast<int>(status.cbInQue);
}

int TWin32SerialDevice::BytesInOutputQueue() {
  COMSTAT status{};
  if (const int result = Status(status); result < 0) return result;
  return static_cast<int>(status.cbOutQue);
}

int TWin32SerialDevice::Read(uint8_t* buffer, uint32_t count) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = readDone_;
  ::ResetEvent(readDone_);
  DWORD got = 0;
  if (!::ReadFile(handle_, buffer, count, &got, &overlapped)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) return DeviceError(error);
    // The timeouts make it return at once with what is there.
    if (const int result = Finish(overlapped, nullptr, got); result < 0) return result;
  }
  return static_cast<int>(got);
}

int TWin32SerialDevice::Write(const uint8_t* data, uint32_t count) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = writeDone_;
  ::ResetEvent(writeDone_);
  DWORD sent = 0;
  if (!::WriteFile(handle_, data, count, &sent, &overlapped)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) return DeviceError(error);
    // A flush or a stop cancels it; what went out before still counts.
    if (const int result = Finish(overlapped, writeCancel_, sent); result < 0) return result;
  }
  return static_cast<int>(sent);
}

int TWin32SerialDevice::WaitWritable() {
  // Write itself waits for the driver; only a cancel is left to see here.
  return ::WaitForSingleObject(writeCancel_, 0) == WAIT_OBJECT_0 ? 0 : 1;
}

void TWin32SerialDevice::CancelWrite() {
  ::SetEvent(writeCancel_);
}

// ---------------------------------------------------------------- lines, errors, purge

int TWin32SerialDevice::Escape(TEscape function) {
  DWORD code = 0;
  switch (function) {
    case TEscape::SetDtr:
      code = SETDTR;
      break;
    case TEscape::ClearDtr:
      code = CLRDTR;
      break;
    case TEscape::SetRts:
      code = SETRTS;
      break;
    case TEscape::ClearRts:
      code = CLRRTS;
      break;
    case TEscape::SetBreak:
      code = SETBREAK;
      break;
    case TEscape::ClearBreak:
      code = CLRBREAK;
      break;
  }
  if (::EscapeCommFunction(handle_, code)) return 0;
  const DWORD error = ::GetLastError();
  // A line without modem signals (a pseudo-terminal behind Wine answers
  // "not supported"): nothing to raise or lower, which is no failure.
  return Refused(error) ? 0 : DeviceError(error);
}

int TWin32SerialDevice::GetModemStatus(uint8_t& status) {
  status = 0;
  DWORD lines = 0;
  if (!::GetCommModemStatus(handle_, &lines)) {
    const DWORD error = ::GetLastError();
    // A line without modem signals: all absent, which is no failure.
    return Refused(error) ? 0 : DeviceError(error);
  }
  status = static_cast<uint8_t>(lines & ModemLineBits);
  return 0;
}

int TWin32SerialDevice::ClearErrors(uint8_t& errors) {
  COMSTAT status{};
  const int result = Status(status);
  std::lock_guard guard(errorsLock_);
  errors = pendingErrors_;
  pendingErrors_ = 0;
  return result;
}

int TWin32SerialDevice::Purge(uint8_t which) {
  DWORD flags = 0;
  if (which & PurgeInput) flags |= PURGE_RXABORT | PURGE_RXCLEAR;
  if (which & PurgeOutput) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
  if (flags == 0) return 0;
  if (which & PurgeOutput) CancelWrite();
  return ::PurgeComm(handle_, flags) ? 0 : DeviceError(::GetLastError());
}
