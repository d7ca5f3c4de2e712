// Serial device over a POSIX terminal file descriptor (serial ports, USB
// adapters and pseudo-terminals alike).
#pragma once

#include "platform/SerialDevice.h"

#include <atomic>

struct TTermLine;

class TPosixSerialDevice : public TSerialDevice {
 public:
  TPosixSerialDevice();
  ~TPosixSerialDevice() override;
  TPosixSerialDevice(const TPosixSerialDevice&) = delete;
  TPosixSerialDevice& operator=(const TPosixSerialDevice&) = delete;

  int Open(const std::string& path) override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }

  int SetupQueues(uint32_t inSize, uint32_t outSize) override;
  int GetControlBlock(TDeviceControlBlock& block) override;
  int SetControlBlock(const TDeviceControlBlock& block) override;

  int WaitEvent(bool wantInput, uint32_t& events) override;
  void CancelWait() override;
  bool CanWaitInput() const override { return true; }
  int WaitInput(bool wantInput, std::chrono::milliseconds timeout) override;
  void CancelInputWait() override;

  int BytesInQueue() override;
  int BytesInOutputQueue() override;
  int Read(uint8_t* buffer, uint32_t count) override;
  int Write(const uint8_t* data, uint32_t count) override;
  int WaitWritable() override;
  void CancelWrite() override;

  int Escape(TEscape function) override;
  int GetModemStatus(uint8_t& status) override;
  int ClearErrors(uint8_t& errors) override;
  int Purge(uint8_t which) override;

  int Descriptor() const { return fd_; }

  // The kernel's line settings for a control block, on top of `line`; false
  // for values the terminal layer cannot express.
  static bool ToTermLine(const TDeviceControlBlock& block, TTermLine& line);

 private:
  // Opens, checks and locks the path; the shared first half of Open and probe.
  friend int ProbeSerialDevice(const std::string& path);
  static int OpenLocked(const std::string& path);

  // Read by the worker threads while the owner may close it.
  std::atomic<int> fd_{-1};
  int waitCancel_ = -1;         // eventfd that ends a WaitEvent
  int writeCancel_ = -1;        // eventfd that ends a WaitWritable
  int inputCancel_ = -1;        // eventfd that ends a WaitInput
  TDeviceControlBlock shadow_;  // the fields termios has no room for
};
