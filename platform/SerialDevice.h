// The serial device as the dispatcher sees it: a handful of primitives over
// one open line. The dispatcher never calls the operating system itself, so
// another backend only has to implement this interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

// Line programming, field for field the record the dispatcher keeps a copy of.
struct TDeviceControlBlock {
  enum TLineControl : uint8_t { ControlDisable = 0, ControlEnable = 1, ControlHandshake = 2 };

  uint32_t baud = 9600;
  uint8_t byteSize = 8;  // 5..8
  uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  bool binary = true;
  bool parityCheck = false;
  bool outxCtsFlow = false;
  bool outxDsrFlow = false;
  bool dsrSensitivity = false;
  bool txContinueOnXoff = true;
  bool outX = false;  // honour Xon/Xoff from the far end
  bool inX = false;   // send Xon/Xoff to the far end
  bool nullStrip = false;
  TLineControl dtrControl = ControlEnable;
  TLineControl rtsControl = ControlEnable;
  uint16_t xonLim = 0;
  uint16_t xoffLim = 0;
  uint8_t xonChar = 17;
  uint8_t xoffChar = 19;
};

// Communication event bits reported by WaitEvent.
enum TSerialEvent : uint32_t {
  EvRxChar = 0x0001,
  EvCts = 0x0008,
  EvDsr = 0x0010,
  EvRlsd = 0x0020,
  EvBreak = 0x0040,
  EvErr = 0x0080,
  EvRing = 0x0100,
};

// Modem status bits, low nibble the deltas kept by the dispatcher.
enum TModemStatus : uint8_t { MsCts = 0x10, MsDsr = 0x20, MsRing = 0x40, MsRlsd = 0x80 };

enum class TEscape : uint8_t { SetDtr, ClearDtr, SetRts, ClearRts, SetBreak, ClearBreak };

enum TPurge : uint8_t { PurgeInput = 1, PurgeOutput = 2 };

// Line error bits, as accumulated by the dispatcher.
enum TLineError : uint8_t {
  CeRxOver = 0x01,
  CeOverrun = 0x02,
  CeParity = 0x04,
  CeFrame = 0x08,
  CeBreak = 0x10
};

// All results: 0 or a positive count on success, a negated errno on failure.
class TSerialDevice {
 public:
  virtual ~TSerialDevice() = default;

  // Opens the device exclusively; a device held by someone else gives -EBUSY.
  virtual int Open(const std::string& path) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Driver queue sizes; advisory where the driver keeps its own.
  virtual int SetupQueues(uint32_t inSize, uint32_t outSize) = 0;
  virtual int GetControlBlock(TDeviceControlBlock& block) = 0;
  virtual int SetControlBlock(const TDeviceControlBlock& block) = 0;

  // Blocks until input (when wantInput), a line error or a hang-up, or until
  // CancelWait. Returns the event bits, 0 when cancelled, or a negated errno
  // when the device is gone (the caller must stop waiting on it).
  virtual int WaitEvent(bool wantInput, uint32_t& events) = 0;
  virtual void CancelWait() = 0;

  // A device whose received bytes a second thread can wait for at the same
  // time as WaitEvent waits for the line's other events. The dispatch thread
  // then waits for input itself and reads it, instead of being woken by the
  // com thread for every batch; the com thread keeps the line's events.
  virtual bool CanWaitInput() const { return false; }
  // Blocks until input is there (when wantInput), a hang-up, CancelInputWait
  // or the timeout: 1 input is there, 0 timed out or cancelled, a negated
  // errno when the device is gone.
  virtual int WaitInput(bool wantInput, std::chrono::milliseconds timeout);
  virtual void CancelInputWait() {}

  virtual int BytesInQueue() = 0;
  // Bytes written but not yet sent by the driver.
  virtual int BytesInOutputQueue() = 0;
  // Never blocks: returns what is there (0 when nothing).
  virtual int Read(uint8_t* buffer, uint32_t count) = 0;
  // Never blocks: returns what the driver took, 0 when it is full for now.
  virtual int Write(const uint8_t* data, uint32_t count) = 0;
  // Blocks until the device takes output again, or until CancelWrite: 1
  // writable, 0 cancelled, negative when the device is gone.
  virtual int WaitWritable() = 0;
  virtual void CancelWrite() = 0;

  virtual int Escape(TEscape function) = 0;
  // Modem line states (TModemStatus bits); a device without modem lines
  // reports them all absent.
  virtual int GetModemStatus(uint8_t& status) = 0;
  // Line error bits (TLineError) since the last call.
  virtual int ClearErrors(uint8_t& errors) = 0;
  virtual int Purge(uint8_t which) = 0;
  // Waits until the driver has sent its output, at most timeoutMs (then
  // -ETIMEDOUT). Every backend watches its output queue the same way: a
  // blocking drain has no deadline, and a far end that holds the line (flow
  // control, an unread pseudo-terminal) would block it for ever.
  virtual int Drain(uint32_t timeoutMs);
};

// The device backend of this platform.
std::unique_ptr<TSerialDevice> CreateSerialDevice();

// Opens the device exclusively and closes it again, nothing more: 0 when the
// port is there and free, -EBUSY when someone holds it, -EACCES or -EPERM
// when this user may not use it, -ENOENT when it does not exist, -ENOTTY
// when it is not a serial line.
int ProbeSerialDevice(const std::string& path);

// The name of the group that owns the device file (its number when the group
// has no name), empty when the file cannot be looked at.
std::string DeviceGroupName(const std::string& path);
