#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <typeindex>

#include "serial/SerialError.h"
#include "serial/SerialMessages.h"

namespace {

using TGroupCheck = bool (*)(const ESerialError&);

template <class G>
bool IsIn(const ESerialError& e) {
  const std::exception& base = e;
  return dynamic_cast<const G*>(&base) != nullptr;
}

struct TCase {
  int code;
  std::type_index cls;
  TGroupCheck group;
  const char* message;
  int errorCode;
};

const TCase Cases[] = {
    {-1002, typeid(EBadArgument), IsIn<EGeneral>, "Bad argument passed to function", -1002},
    {-2001, typeid(EBadId), IsIn<EOpenComm>, "ie_BadId - Specified comport doesn't exist", -2001},
    {-2002, typeid(EBaudRate), IsIn<EOpenComm>, "ie_Baudrate - unsupported baud rate", -2002},
    {-2003, typeid(EByteSize), IsIn<EOpenComm>, "ie_Bytesize - invalid byte size", -2003},
    {-2004, typeid(EDefault), IsIn<EOpenComm>, "ie_Default - error in default parameters", -2004},
    {-2005, typeid(EHardware), IsIn<EOpenComm>, "ie_Hardware - Specified comport in use", -2005},
    {-2006, typeid(EMemory), IsIn<EOpenComm>, "ie_Memory - unable to allocate queues", -2006},
    {-2007, typeid(ECommNotOpen), IsIn<EOpenComm>, "ie_NOpen - device not open", -2007},
    {-2008, typeid(EAlreadyOpen), IsIn<EOpenComm>, "ie_Open - device already open", -2008},
    {-2009, typeid(ENoHandles), IsIn<EOpenComm>, "No more handles, can't open port", -2009},
    {-2010, typeid(ENoTimers), IsIn<EOpenComm>, "No timers available", -2010},
    {-2011, typeid(ENoPortSelected), IsIn<EOpenComm>,
     "The ComNumber property of the TComPort has not been set", -2011},
    {-2012, typeid(EPermissionDenied), IsIn<EOpenComm>,
     "Accès refusé à la voie série : ce compte n'a pas le droit d'utiliser ce périphérique", -2012},
    {-3001, typeid(ENullApi), IsIn<ESerialIO>, "No device layer specified", -3001},
    {-3003, typeid(ERegisterHandlerFailed), IsIn<ESerialIO>, "EnableCommNotification failed", -3003},
    {-3004, typeid(EPutBlockFail), IsIn<ESerialIO>, "Failed to put entire block", -3004},
    {-3005, typeid(EGetBlockFail), IsIn<ESerialIO>, "Failed to get entire block", -3005},
    {-3006, typeid(EOutputBufferTooSmall), IsIn<ESerialIO>, "Output buffer too small for block", -3006},
    {-3007, typeid(EBufferIsEmpty), IsIn<ESerialIO>, "Buffer is empty", -3007},
    {-3008, typeid(ETracingNotEnabled), IsIn<ESerialIO>, "Tracing not enabled", -3008},
    {-3009, typeid(ELoggingNotEnabled), IsIn<ESerialIO>, "Logging not enabled", -3009},
    {-3010, typeid(EDeviceGone), IsIn<ESerialIO>,
     "La voie série a disparu (adaptateur débranché, ligne coupée ou périphérique en panne)", -3010},
    {-5001, typeid(ENoMoreTriggers), IsIn<ETrigger>, "No more trigger slots", -5001},
    {-5002, typeid(ETriggerTooLong), IsIn<ETrigger>, "Data trigger too long", -5002},
    {-5003, typeid(EBadTriggerHandle), IsIn<ETrigger>, "Bad trigger handle", -5003},
    // Operating-system file errors: their code is the magnitude.
    {-2, typeid(EInOutError), IsIn<EInOutError>, "File not found", 2},
    {-3, typeid(EInOutError), IsIn<EInOutError>, "Path not found", 3},
    {-5, typeid(EInOutError), IsIn<EInOutError>, "File access denied", 5},
    {-162, typeid(EInOutError), IsIn<EInOutError>, nullptr, 162},
    {-8, typeid(EOutOfMemory), IsIn<EOutOfMemory>, "Out of memory", 8},
    // Codes the table lacks, around the file-error range and between classes.
    {-1, typeid(ESerialError), IsIn<ESerialError>, "Serial layer exception", -1},
    {-163, typeid(ESerialError), IsIn<ESerialError>, "Serial layer exception", -163},
    {-3002, typeid(ESerialError), IsIn<ESerialError>, "Serial layer exception", -3002},
    {-4001, typeid(ESerialError), IsIn<ESerialError>, "Serial layer exception", -4001},
};

TEST(SerialErrorTest, EachCodeRaisesItsClassGroupAndMessage) {
  for (const TCase& c : Cases) {
    SCOPED_TRACE(c.code);
    try {
      RaiseSerialError(c.code);
      FAIL() << "nothing thrown";
    } catch (const ESerialError& e) {
      EXPECT_EQ(std::type_index(typeid(e)), c.cls);
      EXPECT_TRUE(c.group(e));
      if (c.message) {
        EXPECT_STREQ(e.what(), c.message);
      }
      EXPECT_EQ(e.ErrorCode(), c.errorCode);
      // Building without throwing gives the same exception.
      auto built = MakeSerialError(c.code);
      EXPECT_EQ(std::type_index(typeid(*built)), c.cls);
      EXPECT_STREQ(built->what(), e.what());
    }
  }
}

TEST(SerialErrorTest, FileErrorWithoutTableTextTakesTheSystemTextOnOneLine) {
  auto e = MakeSerialError(-EROFS);
  ASSERT_EQ(std::type_index(typeid(*e)), std::type_index(typeid(EInOutError)));
  EXPECT_STREQ(e->what(), std::strerror(EROFS));
  const std::string text = e->what();
  EXPECT_EQ(text.find("  "), std::string::npos);
  for (char ch : text) EXPECT_GE(static_cast<unsigned char>(ch), 32);
}

TEST(SerialErrorTest, DeviceErrnoBecomesTheOpenFailureTheUserExpects) {
  struct TOpen {
    int deviceResult;
    int layerCode;
    int openCode;
  } const opens[] = {
      {0, 0, 0},
      {3, 3, 3},
      {-ENOENT, -2, ecBadId},
      {-ENOTDIR, -3, ecBadId},
      {-ENXIO, -3, ecBadId},
      {-ENODEV, -3, ecBadId},
      // Held by another program (a lock, exclusive mode).
      {-EBUSY, -5, ecAlreadyOpen},
      // Not this user's to use: never "already open".
      {-EACCES, ecPermissionDenied, ecPermissionDenied},
      {-EPERM, ecPermissionDenied, ecPermissionDenied},
      {-ENOMEM, -8, -8},
      // Linux numbers EIO 5: it must not read as "another program holds it".
      {-EIO, ecDeviceIo, ecDeviceIo},
      {-EROFS, -EROFS, -EROFS},
      // Layer codes pass through unchanged.
      {ecNullApi, ecNullApi, ecNullApi},
  };
  for (const TOpen& o : opens) {
    SCOPED_TRACE(o.deviceResult);
    EXPECT_EQ(OpenCodeFromErrno(o.deviceResult), o.layerCode);
    EXPECT_EQ(MapOpenResult(OpenCodeFromErrno(o.deviceResult)), o.openCode);
  }
}

// After the open, a raw errno is never read as one of the layer's codes: a
// device that is gone is told as gone.
TEST(SerialErrorTest, DeviceErrnoAfterTheOpenGetsATrueMessage) {
  struct TAfter {
    int deviceResult;
    int code;
    std::type_index type;
  } const afters[] = {
      {-EIO, ecDeviceGone, typeid(EDeviceGone)},
      {-ENXIO, ecDeviceGone, typeid(EDeviceGone)},
      {-ENODEV, ecDeviceGone, typeid(EDeviceGone)},
      {-EBADF, ecDeviceGone, typeid(EDeviceGone)},
      {-EPIPE, ecDeviceGone, typeid(EDeviceGone)},
      {-EINVAL, ecBadArgument, typeid(EBadArgument)},
      {-ENOMEM, ecOutOfMemory, typeid(EOutOfMemory)},
      {ecDeviceGone, ecDeviceGone, typeid(EDeviceGone)},
      {ecBufferIsEmpty, ecBufferIsEmpty, typeid(EBufferIsEmpty)},
  };
  for (const TAfter& a : afters) {
    SCOPED_TRACE(a.deviceResult);
    const int code = DeviceCodeFromErrno(a.deviceResult);
    EXPECT_EQ(code, a.code);
    const auto error = MakeSerialError(code);
    const std::exception& base = *error;
    EXPECT_EQ(std::type_index(typeid(base)), a.type);
    EXPECT_EQ(std::string(error->what()).find("access denied"), std::string::npos);
  }
}

TEST(SerialErrorTest, PermissionMessageNamesTheFileTheGroupAndTheFix) {
  const std::string text = PermissionDeniedMessage("/dev/ttyUSB0", "dialout", "marie");
  for (const char* part : {"/dev/ttyUSB0", "« dialout »", "marie", "usermod -aG dialout marie", "groupe",
                           "fermer la session et se reconnecter"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << " missing in: " << text;
  }
  const std::string unknown = PermissionDeniedMessage("/dev/ttyS0", "", "");
  EXPECT_NE(unknown.find("/dev/ttyS0"), std::string::npos);
  EXPECT_NE(unknown.find("dialout"), std::string::npos);
}

TEST(SerialErrorTest, GroupsCatchTheirClasses) {
  EXPECT_THROW(RaiseSerialError(ecBadId), EOpenComm);
  EXPECT_THROW(RaiseSerialError(ecBufferIsEmpty), ESerialIO);
  EXPECT_THROW(RaiseSerialError(ecTriggerTooLong), ETrigger);
  EXPECT_THROW(RaiseSerialError(-2), ESerialError);
  EXPECT_THROW(RaiseSerialError(-2), std::runtime_error);
}

}  // namespace
