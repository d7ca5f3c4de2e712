// Serial device over the Windows communications API: the device "\\.\COMn"
// opened exclusively for overlapped input/output, its device control block,
// driver queues, communication events, escape functions, error and modem
// status. Results follow the interface: negated errno values, so the layer
// above maps them the same way on every system.
#pragma once

#include "platform/SerialDevice.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

class TWin32SerialDevice : public TSerialDevice {
 public:
  // The events a port waits for: received byte, CTS, DSR and carrier
  // changes, break, line error and ring.
  static constexpr DWORD WatchedEvents = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;

  TWin32SerialDevice();
  ~TWin32SerialDevice() override;
  TWin32SerialDevice(const TWin32SerialDevice&) = delete;
  TWin32SerialDevice& operator=(const TWin32SerialDevice&) = delete;

  int Open(const std::string& path) override;
  void Close() override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

  int SetupQueues(uint32_t inSize, uint32_t outSize) override;
  int GetControlBlock(TDeviceControlBlock& block) override;
  int SetControlBlock(const TDeviceControlBlock& block) override;

  // Waits for the watched events; a driver that cannot watch some of them
  // makes it watch fewer from then on (WatchedNow), down to none, when only
  // the dispatcher's tick looks at the device.
  int WaitEvent(bool wantInput, uint32_t& events) override;
  DWORD WatchedNow() const;
  static DWORD NarrowerEvents(DWORD mask);
  void CancelWait() override;

  int BytesInQueue() override;
  int BytesInOutputQueue() override;
  int Read(uint8_t* buffer, uint32_t count) override;
  // Waits until the driver has taken the bytes or CancelWrite; returns what
  // it took (an overlapped write completes only once it is done).
  int Write(const uint8_t* data, uint32_t count) override;
  int WaitWritable() override;
  void CancelWrite() override;

  int Escape(TEscape function) override;
  int GetModemStatus(uint8_t& status) override;
  int ClearErrors(uint8_t& errors) override;
  int Purge(uint8_t which) override;

  // After a SetControlBlock that the driver took but did not keep as asked:
  // the fields, "xonLim:100->10,...". Empty otherwise.
  std::string NotKept();
  static std::string Differences(const TDeviceControlBlock& asked, const TDeviceControlBlock& kept);

  // The platform's record for a control block, and back.
  static void ToDcb(const TDeviceControlBlock& block, DCB& dcb);
  static TDeviceControlBlock FromDcb(const DCB& dcb);

  // Negated errno for a Windows error of an open: a port another program
  // holds (access denied, sharing violation) is -EBUSY, a missing one
  // -ENOENT.
  static int OpenError(DWORD error);
  // Negated errno for a Windows error after the open: a refused setting is
  // -EINVAL, a device that stopped answering -EIO.
  static int DeviceError(DWORD error);

 private:
  // Queue counts and the error word; the error bits are kept for ClearErrors.
  int Status(COMSTAT& status);
  int Finish(OVERLAPPED& overlapped, HANDLE cancel, DWORD& count);

  std::atomic<HANDLE> handle_{INVALID_HANDLE_VALUE};
  DWORD mask_ = 0;  // com thread only
  std::atomic<DWORD> supported_{WatchedEvents};
  HANDLE waitDone_;
  HANDLE readDone_;
  HANDLE writeDone_;
  HANDLE waitCancel_;
  HANDLE writeCancel_;
  std::mutex errorsLock_;
  uint8_t pendingErrors_ = 0;
  std::string notKept_;
};
