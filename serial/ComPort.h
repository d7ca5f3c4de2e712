// The serial port object through which the program talks to the instrument.
// Its properties are stored here and pushed to the device at once when the
// port is open; while the port is open it owns a device dispatcher (worker
// threads, rings, triggers, trace and log) and a notify window that runs every
// trigger event on the thread that opened the port.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "serial/SerialError.h"
#include "serial/TraceLog.h"
#include "serial/Triggers.h"

class TDeviceDispatcher;
class TSerialDevice;
class TNotifyWindow;
class TInputWaiters;

enum TParity : uint8_t { pNone, pOdd, pEven, pMark, pSpace };

// A set of hardware flow options: a bit each.
enum THWFlowOption : uint8_t { hwfUseDTR = 1, hwfUseRTS = 2, hwfRequireDSR = 4, hwfRequireCTS = 8 };
using THWFlowOptions = uint8_t;

enum TSWFlowOptions : uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };

enum TDeviceLayer : uint8_t { dlWin32, dlWinsock };

enum class TPortState : uint8_t { Closed, Closing, Open };

class TCustomComPort {
 public:
  using TPortEvent = std::function<void(TCustomComPort& cp)>;
  using TTriggerAvailEvent = std::function<void(TCustomComPort& cp, uint16_t count)>;
  using TTriggerDataEvent = std::function<void(TCustomComPort& cp, uint16_t triggerHandle)>;
  using TTriggerEvent =
      std::function<void(TCustomComPort& cp, uint16_t msg, uint16_t triggerHandle, uint16_t data)>;

  static constexpr uint32_t MaxTraceSize = 4000000;
  static constexpr uint32_t MaxLogSize = 16000000;

  TCustomComPort();
  virtual ~TCustomComPort();  // closes an open port first
  TCustomComPort(const TCustomComPort&) = delete;
  TCustomComPort& operator=(const TCustomComPort&) = delete;

  // ---- properties; a setter given the value already held does nothing.
  uint16_t ComNumber() const { return comNumber_; }
  // While open: closes (dumping trace and log), reopens on the new number and
  // restores the data triggers with their handles. The same number reopens
  // a port whose device was lost.
  void SetComNumber(uint16_t n);
  int32_t Baud() const { return baud_; }
  void SetBaud(int32_t baud);
  TParity Parity() const { return parity_; }
  void SetParity(TParity parity);
  uint16_t DataBits() const { return dataBits_; }
  void SetDataBits(uint16_t bits);
  uint16_t StopBits() const { return stopBits_; }
  void SetStopBits(uint16_t bits);  // 0 is 1, 3 keeps the current setting, above 3 is 2
  uint16_t InSize() const { return inSize_; }
  void SetInSize(uint16_t size);
  uint16_t OutSize() const { return outSize_; }
  void SetOutSize(uint16_t size);
  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool on) { autoOpen_ = on; }
  bool Open() const { return open_; }
  // True opens (ESerialError on failure, the port then stays closed); false
  // closes. A close whose trace or log dump fails still closes and releases
  // the device, then raises the dump's error.
  void SetOpen(bool open);
  bool PromptForPort() const { return promptForPort_; }
  void SetPromptForPort(bool on) { promptForPort_ = on; }
  bool DTR() const { return dtr_; }
  void SetDTR(bool on);
  bool RTS() const { return rts_; }
  void SetRTS(bool on);
  THWFlowOptions HWFlowOptions() const { return hwFlow_; }
  void SetHWFlowOptions(THWFlowOptions options);
  TSWFlowOptions SWFlowOptions() const { return swFlow_; }
  void SetSWFlowOptions(TSWFlowOptions options);
  char XOnChar() const { return xonChar_; }
  void SetXOnChar(char c);
  char XOffChar() const { return xoffChar_; }
  void SetXOffChar(char c);
  uint16_t BufferFull() const { return bufferFull_; }
  void SetBufferFull(uint16_t level);
  uint16_t BufferResume() const { return bufferResume_; }
  void SetBufferResume(uint16_t level);
  TTraceLogState Tracing() const { return tracing_; }
  void SetTracing(TTraceLogState state);  // tlDump/tlAppend may raise the dump's error
  TTraceLogState Logging() const { return logging_; }
  void SetLogging(TTraceLogState state);
  uint32_t TraceSize() const { return traceSize_; }
  void SetTraceSize(uint32_t size);
  uint32_t LogSize() const { return logSize_; }
  void SetLogSize(uint32_t size);
  const std::string& TraceName() const { return traceName_; }
  void SetTraceName(const std::string& name);  // cut to 255 characters
  const std::string& LogName() const { return logName_; }
  void SetLogName(const std::string& name);
  bool TraceHex() const { return traceHex_; }
  void SetTraceHex(bool on) { traceHex_ = on; }
  bool LogHex() const { return logHex_; }
  void SetLogHex(bool on) { logHex_ = on; }
  bool TraceAllHex() const { return traceAllHex_; }
  void SetTraceAllHex(bool on) { traceAllHex_ = on; }
  bool LogAllHex() const { return logAllHex_; }
  void SetLogAllHex(bool on) { logAllHex_ = on; }
  TDeviceLayer DeviceLayer() const { return deviceLayer_; }
  void SetDeviceLayer(TDeviceLayer layer) { deviceLayer_ = layer; }
  uint32_t AvailThreshold() const { return availThreshold_; }
  void SetAvailThreshold(uint32_t count);
  TPortState PortState() const { return state_; }
  // The port is open but its device went away (adapter pulled, line hung
  // up, device or worker thread failed): operations raise EDeviceGone until
  // it is opened again, which setting ComNumber does even to the same number.
  bool DeviceLost() const;

  // ---- events, run on the thread that opened the port.
  void SetOnTriggerAvail(TTriggerAvailEvent handler);
  const TTriggerAvailEvent& OnTriggerAvail() const { return onTriggerAvail_; }
  void SetOnTriggerData(TTriggerDataEvent handler);
  const TTriggerDataEvent& OnTriggerData() const { return onTriggerData_; }
  void SetOnTrigger(TTriggerEvent handler);
  void SetOnPortOpen(TPortEvent handler) { onPortOpen_ = std::move(handler); }
  void SetOnPortClose(TPortEvent handler) { onPortClose_ = std::move(handler); }
  // The device went away while the port was open (the far end hung up, the
  // adapter was pulled): later writes fail. Runs once per open.
  void SetOnDeviceGone(TPortEvent handler) { onDeviceGone_ = std::move(handler); }

  // ---- operations. Each does nothing while the port is closing; on a closed
  // port it opens it first when AutoOpen, else raises ECommNotOpen.
  // All or nothing, never blocks: EOutputBufferTooSmall when it does not fit.
  void WriteString(const std::string& s);
  bool InputReady();
  char ReadChar();  // EBufferIsEmpty when nothing is waiting
  uint16_t AddMatchTrigger(const std::string& s, bool ignoreCase);
  void DeleteTrigger(uint16_t handle);  // nothing on a closed port
  void DiscardInput();
  // Drops whatever is still queued, including bytes written just before: a
  // WriteString followed at once by DiscardOutput usually sends nothing.
  // Callers that want a clean start drop first and write after (as the
  // instrument's link reset does), or Drain before they drop.
  void DiscardOutput();
  // Waits until every queued byte has left the driver, at most `limit`.
  void Drain(std::chrono::milliseconds limit);

  // Lets the event loop of the calling thread run until a received byte is
  // waiting or `deadline` passes, without spinning: the dispatcher wakes the
  // loop when bytes arrive. Returns InputReady().
  bool WaitForInput(std::chrono::steady_clock::time_point deadline);

  // Shows an exception raised by an event handler (the program sets a
  // message box; the default writes to standard error). Later notifications
  // go on.
  static std::function<void(const std::exception&)> ShowException;
  // Asks the user for a port when ComNumber is 0 and PromptForPort is set:
  // the chosen number, or 0 when none was chosen. Set by the dialog's
  // library; without it the open fails with ENoPortSelected.
  static std::function<uint16_t()> SelectPort;
  // Makes the device each open uses (the platform's serial device; tests put
  // a device of their own here).
  static std::function<std::unique_ptr<TSerialDevice>()> CreateDevice;

 private:
  // What the notify window reaches the port through; cut when the port goes,
  // so a window whose deletion is deferred never calls a destroyed port.
  struct TPortLink {
    TCustomComPort* port;
  };

  // Open and close sequences.
  void OpenPort();
  void ReleaseAfterFailedOpen();
  void ApplyAtOpen();
  // Returns the error of a failed trace or log dump (0 when none), for the
  // caller to raise once the port is closed.
  int ClosePort();
  int DumpRecorders();
  void FinishClose();
  void DestroyWindow();
  void RecomputeHandlerService();
  // The dispatcher's wake-up and device-gone hooks, set at open and cut
  // before the window or the dispatcher goes.
  void AttachHooks();
  void DetachHooks();
  // The lParam of a message to the window: the dispatcher's index.
  uint32_t WindowLParam() const;

  // The dispatcher of an open port; nullptr while closing (nothing to do).
  // Opens a closed port when AutoOpen, else raises ECommNotOpen.
  TDeviceDispatcher* Ready();
  static void Check(int result);

  void WindowMessage(uint32_t message, uint32_t wParam, uint32_t lParam);
  void RunTriggerEvent(uint32_t message, uint32_t wParam, uint32_t lParam);
  void ClosePendingArrived();

  // Line, flow and recorder settings pushed to an open device.
  void ApplyLine(int32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits);
  void ApplyHWFlow();
  void ApplySWFlow();
  int ApplyRecorder(bool trace, TTraceLogState state);

  uint16_t comNumber_ = 0;
  int32_t baud_ = 19200;
  TParity parity_ = pNone;
  uint16_t dataBits_ = 8;
  uint16_t stopBits_ = 1;
  uint16_t inSize_ = 4096;
  uint16_t outSize_ = 4096;
  bool autoOpen_ = true;
  bool open_ = false;
  bool promptForPort_ = true;
  bool dtr_ = true;
  bool rts_ = true;
  THWFlowOptions hwFlow_ = 0;
  TSWFlowOptions swFlow_ = swfNone;
  char xonChar_ = 17;
  char xoffChar_ = 19;
  uint16_t bufferFull_ = 0;
  uint16_t bufferResume_ = 0;
  TTraceLogState tracing_ = tlOff;
  TTraceLogState logging_ = tlOff;
  uint32_t traceSize_ = 10000;
  uint32_t logSize_ = 10000;
  std::string traceName_ = "SERIAL.TRC";
  std::string logName_ = "SERIAL.LOG";
  bool traceHex_ = true;
  bool logHex_ = true;
  bool traceAllHex_ = false;
  bool logAllHex_ = false;
  TDeviceLayer deviceLayer_ = dlWin32;
  uint32_t availThreshold_ = 1;

  TPortState state_ = TPortState::Closed;
  bool openPending_ = false;
  // Re-apply a property even when its value is unchanged (open sequence).
  bool force_ = false;
  // Depth of window messages being handled: a window cannot be deleted from
  // inside its own message.
  int windowDepth_ = 0;

  TTriggerAvailEvent onTriggerAvail_;
  TTriggerDataEvent onTriggerData_;
  TTriggerEvent onTrigger_;
  TPortEvent onPortOpen_;
  TPortEvent onPortClose_;
  TPortEvent onDeviceGone_;

  std::unique_ptr<TDeviceDispatcher> dispatcher_;
  TNotifyWindow* window_ = nullptr;
  std::shared_ptr<TPortLink> link_;
  std::unique_ptr<TInputWaiters> waiters_;
  // Triggers kept across the close and reopen of a ComNumber change.
  TTriggerRecord savedTriggers_;
  bool copyTriggers_ = false;
};

class TSerialComponent : public TCustomComPort {
 public:
  static constexpr const char* Version = "v1.00";
};

class TComPort : public TSerialComponent {};

// True when port n exists: it opens (and is closed again at once), or
// another program holds it. False for 0, for numbers without a device, and
// for a device this user may not open (opening it raises EPermissionDenied,
// whose message says how to get access).
bool IsPortAvailable(uint16_t n);
