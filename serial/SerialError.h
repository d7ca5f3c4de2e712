// The serial layer's exceptions. Every failure of the layer is an
// ESerialError carrying its negative code; the groups let callers catch a
// whole family (every open failure is an EOpenComm, and so on).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

// Codes returned by the dispatcher and turned into exceptions by the port.
inline constexpr int ecBadArgument = -1002;
inline constexpr int ecBadId = -2001;
inline constexpr int ecBaudRate = -2002;
inline constexpr int ecByteSize = -2003;
inline constexpr int ecDefault = -2004;
inline constexpr int ecHardware = -2005;
inline constexpr int ecMemory = -2006;
inline constexpr int ecCommNotOpen = -2007;
inline constexpr int ecAlreadyOpen = -2008;
inline constexpr int ecNoHandles = -2009;
inline constexpr int ecNoTimers = -2010;
inline constexpr int ecNoPortSelected = -2011;
// The user may not use the device (its group's members only): not "in use".
inline constexpr int ecPermissionDenied = -2012;
inline constexpr int ecNullApi = -3001;
inline constexpr int ecRegisterHandlerFailed = -3003;
inline constexpr int ecPutBlockFail = -3004;
inline constexpr int ecGetBlockFail = -3005;
inline constexpr int ecOutputBufferTooSmall = -3006;
inline constexpr int ecBufferIsEmpty = -3007;
inline constexpr int ecTracingNotEnabled = -3008;
inline constexpr int ecLoggingNotEnabled = -3009;
// The device went away after the open (adapter pulled, line hung up, device
// error), or a worker thread of the port failed: the port is dead until it is
// opened again.
inline constexpr int ecDeviceGone = -3010;
inline constexpr int ecNoMoreTriggers = -5001;
inline constexpr int ecTriggerTooLong = -5002;
inline constexpr int ecBadTriggerHandle = -5003;

// Operating-system file errors, as the layer numbers them.
inline constexpr int ecFileNotFound = -2;
inline constexpr int ecPathNotFound = -3;
inline constexpr int ecTooManyOpenFiles = -4;
inline constexpr int ecAccessDenied = -5;
inline constexpr int ecInvalidHandle = -6;
inline constexpr int ecOutOfMemory = -8;
inline constexpr int ecDeviceIo = -31;
inline constexpr int ecFirstFileError = -2;
inline constexpr int ecLastFileError = -162;

class ESerialError : public std::runtime_error {
 public:
  explicit ESerialError(const std::string& message, int errorCode = 0)
      : std::runtime_error(message), errorCode_(errorCode) {}

  int ErrorCode() const { return errorCode_; }

  // Throws this exception as its own class.
  [[noreturn]] virtual void Raise() const { throw *this; }

 private:
  int errorCode_;
};

// Gives every class a Raise() that throws it as itself, not as its base.
template <class Self, class Base>
class TSerialErrorOf : public Base {
 public:
  using Base::Base;
  [[noreturn]] void Raise() const override { throw static_cast<const Self&>(*this); }
};

#define ZELOR_SERIAL_ERROR(Name, Base)                \
  class Name : public TSerialErrorOf<Name, Base> {    \
   public:                                            \
    using TSerialErrorOf<Name, Base>::TSerialErrorOf; \
  }

ZELOR_SERIAL_ERROR(EGeneral, ESerialError);
ZELOR_SERIAL_ERROR(EOpenComm, ESerialError);
ZELOR_SERIAL_ERROR(ESerialIO, ESerialError);
ZELOR_SERIAL_ERROR(EModem, ESerialError);
ZELOR_SERIAL_ERROR(ETrigger, ESerialError);
ZELOR_SERIAL_ERROR(EProtocol, ESerialError);
ZELOR_SERIAL_ERROR(EINI, ESerialError);
ZELOR_SERIAL_ERROR(EFax, ESerialError);
ZELOR_SERIAL_ERROR(ETapi, ESerialError);

ZELOR_SERIAL_ERROR(EBadArgument, EGeneral);

ZELOR_SERIAL_ERROR(EBadId, EOpenComm);
ZELOR_SERIAL_ERROR(EBaudRate, EOpenComm);
ZELOR_SERIAL_ERROR(EByteSize, EOpenComm);
ZELOR_SERIAL_ERROR(EDefault, EOpenComm);
ZELOR_SERIAL_ERROR(EHardware, EOpenComm);
ZELOR_SERIAL_ERROR(EMemory, EOpenComm);
ZELOR_SERIAL_ERROR(ECommNotOpen, EOpenComm);
ZELOR_SERIAL_ERROR(EAlreadyOpen, EOpenComm);
ZELOR_SERIAL_ERROR(ENoHandles, EOpenComm);
ZELOR_SERIAL_ERROR(ENoTimers, EOpenComm);
ZELOR_SERIAL_ERROR(ENoPortSelected, EOpenComm);
ZELOR_SERIAL_ERROR(EPermissionDenied, EOpenComm);

ZELOR_SERIAL_ERROR(ENullApi, ESerialIO);
ZELOR_SERIAL_ERROR(ERegisterHandlerFailed, ESerialIO);
ZELOR_SERIAL_ERROR(EPutBlockFail, ESerialIO);
ZELOR_SERIAL_ERROR(EGetBlockFail, ESerialIO);
ZELOR_SERIAL_ERROR(EOutputBufferTooSmall, ESerialIO);
ZELOR_SERIAL_ERROR(EBufferIsEmpty, ESerialIO);
ZELOR_SERIAL_ERROR(ETracingNotEnabled, ESerialIO);
ZELOR_SERIAL_ERROR(ELoggingNotEnabled, ESerialIO);
ZELOR_SERIAL_ERROR(EDeviceGone, ESerialIO);

ZELOR_SERIAL_ERROR(ENoMoreTriggers, ETrigger);
ZELOR_SERIAL_ERROR(ETriggerTooLong, ETrigger);
ZELOR_SERIAL_ERROR(EBadTriggerHandle, ETrigger);

// A file error of the operating system (codes -2 to -162); its code is the
// positive magnitude. It is an ESerialError too, so that the one catch around
// the port's open also covers a device that fails this way.
ZELOR_SERIAL_ERROR(EInOutError, ESerialError);
// Code -8.
ZELOR_SERIAL_ERROR(EOutOfMemory, ESerialError);

#undef ZELOR_SERIAL_ERROR

// The exception for a negative code, built but not thrown.
std::unique_ptr<ESerialError> MakeSerialError(int code);

// Throws the exception for a negative code.
[[noreturn]] void RaiseSerialError(int code);

// The device layer reports failures as negated errno values; this turns them
// into the layer's own file-error codes (-ENOENT gives -2, -EACCES -5, ...).
// Values that are not negative are returned unchanged.
int SerialCodeFromErrno(int result);

// The reading of a failed device open (a negated errno): a missing device
// (-2, -3), one that another program holds (-5, read by the port as "already
// open"), one this user may not use (ecPermissionDenied); anything else as
// SerialCodeFromErrno.
int OpenCodeFromErrno(int result);

// The reading of a device failure after the open (a negated errno): a device
// that is gone or fails (EIO, ENXIO, ENODEV, EBADF, EPIPE, ...) gives
// ecDeviceGone, a value the driver refuses ecBadArgument, anything else as
// SerialCodeFromErrno. Values that are not negative, and codes of the layer,
// are returned unchanged.
int DeviceCodeFromErrno(int result);

// The port's reading of an open result given in the layer's codes: access
// denied (-5) means another program holds the port, a missing file or path
// (-2, -3) means the port does not exist. Anything else is kept.
int MapOpenResult(int code);
