#include "serial/SerialError.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>

#include "serial/SerialMessages.h"

namespace {

using TFactory = std::unique_ptr<ESerialError> (*)(const std::string& message, int code);

template <class T>
std::unique_ptr<ESerialError> Make(const std::string& message, int code) {
  return std::make_unique<T>(message, code);
}

struct TErrorClass {
  int code;
  TFactory make;
};

// Sorted by code, highest (closest to zero) first.
constexpr std::array<TErrorClass, 25> ErrorClasses{{
    {ecBadArgument, Make<EBadArgument>},
    {ecBadId, Make<EBadId>},
    {ecBaudRate, Make<EBaudRate>},
    {ecByteSize, Make<EByteSize>},
    {ecDefault, Make<EDefault>},
    {ecHardware, Make<EHardware>},
    {ecMemory, Make<EMemory>},
    {ecCommNotOpen, Make<ECommNotOpen>},
    {ecAlreadyOpen, Make<EAlreadyOpen>},
    {ecNoHandles, Make<ENoHandles>},
    {ecNoTimers, Make<ENoTimers>},
    {ecNoPortSelected, Make<ENoPortSelected>},
    {ecPermissionDenied, Make<EPermissionDenied>},
    {ecNullApi, Make<ENullApi>},
    {ecRegisterHandlerFailed, Make<ERegisterHandlerFailed>},
    {ecPutBlockFail, Make<EPutBlockFail>},
    {ecGetBlockFail, Make<EGetBlockFail>},
    {ecOutputBufferTooSmall, Make<EOutputBufferTooSmall>},
    {ecBufferIsEmpty, Make<EBufferIsEmpty>},
    {ecTracingNotEnabled, Make<ETracingNotEnabled>},
    {ecLoggingNotEnabled, Make<ELoggingNotEnabled>},
    {ecDeviceGone, Make<EDeviceGone>},
    {ecNoMoreTriggers, Make<ENoMoreTriggers>},
    {ecTriggerTooLong, Make<ETriggerTooLong>},
    {ecBadTriggerHandle, Make<EBadTriggerHandle>},
}};

static_assert(std::is_sorted(ErrorClasses.begin(), ErrorClasses.end(),
                             [](const TErrorClass& a, const TErrorClass& b) { return a.code > b.code; }));

const TErrorClass* FindClass(int code) {
  auto it = std::lower_bound(ErrorClasses.begin(), ErrorClasses.end(), code,
                             [](const TErrorClass& c, int k) { return c.code > k; });
  return it != ErrorClasses.end() && it->code == code ? &*it : nullptr;
}

constexpr const char* GenericMessage = "Serial layer exception";
constexpr int LastErrno = 162;

}  // namespace

std::unique_ptr<ESerialError> MakeSerialError(int code) {
  if (const TErrorClass* c = FindClass(code)) return c->make(SerialMessage(code), code);
  if (code == ecOutOfMemory) return std::make_unique<EOutOfMemory>(SerialMessage(code), -code);
  if (code <= ecFirstFileError && code >= ecLastFileError)
    return std::make_unique<EInOutError>(SerialMessage(code), -code);
  return std::make_unique<ESerialError>(GenericMessage, code);
}

void RaiseSerialError(int code) {
  MakeSerialError(code)->Raise();
  std::abort();  // Raise always throws; the compiler cannot see it through the virtual call
}

int SerialCodeFromErrno(int result) {
  if (result >= 0 || result < -LastErrno) return result;
  switch (-result) {
    case ENOENT:
      return ecFileNotFound;
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
      return ecPathNotFound;
    case EACCES:
    case EBUSY:
    case EPERM:
      return ecAccessDenied;
    case ENOMEM:
      return ecOutOfMemory;
    case EMFILE:
    case ENFILE:
      return ecTooManyOpenFiles;
    case EBADF:
      return ecInvalidHandle;
    case EIO:
      return ecDeviceIo;
    default:
      break;
  }
  // An errno whose number the table gives another meaning would be shown
  // with the wrong text; it is reported as a device failure instead.
  if (SerialTableMessage(result)) return ecDeviceIo;
  return result;
}

int OpenCodeFromErrno(int result) {
  // The device's owner and group may use it, this user may not: unlike a
  // device another program holds (EBUSY), nobody else has it.
  if (result == -EACCES || result == -EPERM) return ecPermissionDenied;
  return SerialCodeFromErrno(result);
}

int DeviceCodeFromErrno(int result) {
  if (result >= 0 || result < -LastErrno) return result;
  switch (-result) {
    case EIO:
    case ENXIO:
    case ENODEV:
    case EBADF:
    case EPIPE:
#ifdef ESHUTDOWN  // not on Windows
    case ESHUTDOWN:
#endif
    case ENOTCONN:
      return ecDeviceGone;
    case EINVAL:
      return ecBadArgument;
    default:
      return SerialCodeFromErrno(result);
  }
}

int MapOpenResult(int code) {
  if (code == ecAccessDenied) return ecAlreadyOpen;
  if (code == ecFileNotFound || code == ecPathNotFound) return ecBadId;
  return code;
}
