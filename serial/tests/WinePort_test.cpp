// The serial layer without Qt, on the Windows device, under Wine: COM ports
// that Wine maps to instrument simulators' pseudo-terminals (one answers,
// one hangs up after its first reply, one number is mapped to nothing).
#include "platform/tests/WineEnvironment.h"
#include "platform/win32/Win32SerialDevice.h"
#include "serial/ComPort.h"
#include "serial/DeviceDispatcher.h"
#include "serial/SerialError.h"
#include "serial/tests/QueueNotifyTarget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr uint8_t Etx = 3;
// Generous: the machine is shared with other builds.
constexpr auto ReplyTimeout = 10s;
// How long a command that gets no answer is watched.
constexpr auto SilenceWatched = 1500ms;

class WinePortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = WinePort("ZELOR_WINE_COM");
    ASSERT_GT(port, 0) << "ZELOR_WINE_COM is not set: run through ctest --preset mingw";
  }
  void TearDown() override {
    if (d) d->DeregisterWindowHandler(&target);
  }

  // The instrument's line: 9600 baud, 7 data bits, even parity, 2 stop bits.
  int Open(int n) { return d->Open(WineDevice(n), 9600, 2, 7, 2, 4096, 1024, OptDtr | OptRts); }

  void Listen() {
    d->RegisterWindowHandler(&target);
    d->UpdateHandlerService(TBaseDispatcher::ServicePortInstalled);
    ASSERT_GT(d->AddDataTrigger(&Etx, 1, false), 0);
  }

  int Send(const std::string& text) {
    return d->WriteBlock(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
  }

  std::string ReadAll() {
    std::string got;
    for (int b = d->ReadByte(); b >= 0; b = d->ReadByte()) got.push_back(static_cast<char>(b));
    return got;
  }

  // Serves notifications until a whole reply (up to its ETX) has been read
  // by the handler; that reply, or "" when none came in time. A notification
  // of bytes discarded since (a flush) finds nothing to read and is passed.
  std::string Reply(std::chrono::milliseconds timeout = ReplyTimeout) {
    target.ServeUntil([&] { return received.find('\x03') != std::string::npos; }, timeout);
    const size_t end = received.find('\x03');
    if (end == std::string::npos) return {};
    std::string reply = received.substr(0, end + 1);
    received.erase(0, end + 1);
    return reply;
  }

  int port = 0;
  std::string received;  // read by the handler, not yet taken as a reply
  std::atomic<int> goneCalls{0};
  TQueueNotifyTarget target{[this](uint32_t message, uint32_t, uint32_t) {
    if (message == TriggerDataMsg) received += ReadAll();
  }};
  std::unique_ptr<TDeviceDispatcher> d = std::make_unique<TDeviceDispatcher>();
};

TEST_F(WinePortTest, StatusRequestIsAnsweredThroughTheDataTrigger) {
  ASSERT_EQ(Open(port), 0);
  Listen();
  const TDeviceControlBlock line = d->ControlBlock();
  EXPECT_EQ(line.baud, 9600u);
  EXPECT_EQ(line.stopBits, 2) << "two stop bits";
  d->FlushInput();
  ASSERT_EQ(Send("?RPS\r"), 5);
  const std::string reply = Reply();
  ASSERT_FALSE(reply.empty()) << "no ETX within " << ReplyTimeout.count() << " s";
  EXPECT_EQ(reply.substr(0, 6), "\x02RPSON");
  EXPECT_EQ(reply.back(), '\x03');
  // A second exchange on the same open port: the identification.
  ASSERT_EQ(Send("?RPTi\r"), 6);
  EXPECT_EQ(Reply().substr(0, 15), "\x02RPTiZELOR 1000");
}

TEST_F(WinePortTest, PurgedInputAndOutputLeaveNothingBehind) {
  ASSERT_EQ(Open(port), 0);
  ASSERT_EQ(Send("?RPTN\r"), 6);
  // The reply arrives; nobody takes it.
  target.ServeUntil([&] { return d->BytesAvailable() > 0; }, ReplyTimeout);
  ASSERT_GT(d->BytesAvailable(), 0u);
  d->FlushInput();
  EXPECT_EQ(d->BytesAvailable(), 0u);
  EXPECT_EQ(d->ReadByte(), ErrBufferIsEmpty);
  EXPECT_EQ(d->FlushOutput(), 0);
  EXPECT_EQ(d->OutputCount(), 0u);
  // The line still works after both purges.
  Listen();
  ASSERT_EQ(Send("?RPS\r"), 5);
  EXPECT_EQ(Reply().substr(0, 6), "\x02RPSON");
}

TEST_F(WinePortTest, ACommandWithoutAnswerTimesOut) {
  ASSERT_EQ(Open(port), 0);
  Listen();
  d->FlushInput();
  ASSERT_EQ(Send("?NOPE\r"), 6);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Reply(SilenceWatched), "");
  EXPECT_GE(std::chrono::steady_clock::now() - start, SilenceWatched);
  EXPECT_EQ(d->BytesAvailable(), 0u);
}

TEST_F(WinePortTest, MissingPortIsBadIdAndAHeldOneIsAlreadyOpenOrSaysWhy) {
  const int missing = WinePort("ZELOR_WINE_MISSING_COM");
  ASSERT_GT(missing, 0);
  const int code = Open(missing);
  EXPECT_EQ(code, ErrFileNotFound);
  EXPECT_EQ(MakeSerialError(MapOpenResult(code))->what(), std::string("ie_BadId - Specified comport doesn't exist"));
  EXPECT_FALSE(IsPortAvailable(static_cast<uint16_t>(missing)));
  EXPECT_TRUE(IsPortAvailable(static_cast<uint16_t>(port)));

  ASSERT_EQ(Open(port), 0);
  EXPECT_TRUE(IsPortAvailable(static_cast<uint16_t>(port))) << "a held port is still there";
  TDeviceDispatcher second;
  const int again = second.Open(WineDevice(port), 9600, 2, 7, 2, 4096, 1024, 0);
  second.Close();
  if (again == 0) {
    const std::string note = "Wine lets a second exclusive open of COM" + std::to_string(port) + " through";
    RecordProperty("not-enforced", note);
    GTEST_SKIP() << note;
  }
  EXPECT_EQ(again, ErrAccessDenied);
  EXPECT_EQ(MakeSerialError(MapOpenResult(again))->what(), std::string("ie_Open - device already open"));
}

// What Windows answers when a port is held or missing, and when an adapter
// is pulled while open, each as the layer's exception.
TEST(WindowsErrorsTest, BecomeTheLayersExceptions) {
  struct TCase {
    DWORD error;
    bool atOpen;
    const char* message;
  };
  const TCase cases[] = {
      {ERROR_ACCESS_DENIED, true, "ie_Open - device already open"},
      {ERROR_SHARING_VIOLATION, true, "ie_Open - device already open"},
      {ERROR_FILE_NOT_FOUND, true, "ie_BadId - Specified comport doesn't exist"},
      {ERROR_PATH_NOT_FOUND, true, "ie_BadId - Specified comport doesn't exist"},
      {ERROR_ACCESS_DENIED, false, nullptr},
      {ERROR_GEN_FAILURE, false, nullptr},
      {ERROR_DEVICE_NOT_CONNECTED, false, nullptr},
      {ERROR_BAD_COMMAND, false, nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.error);
    if (c.atOpen) {
      const int code = MapOpenResult(OpenCodeFromErrno(TWin32SerialDevice::OpenError(c.error)));
      EXPECT_EQ(MakeSerialError(code)->what(), std::string(c.message));
    } else {
      // After the open, the device is gone: never "already open".
      EXPECT_EQ(DeviceCodeFromErrno(TWin32SerialDevice::DeviceError(c.error)), ErrDeviceGone);
    }
  }
  EXPECT_EQ(DeviceCodeFromErrno(TWin32SerialDevice::DeviceError(ERROR_INVALID_PARAMETER)), ecBadArgument);
}

TEST_F(WinePortTest, AHangUpOfTheFarEndIsReportedOnceAndWritesFail) {
  const int hangup = WinePort("ZELOR_WINE_HANGUP_COM");
  ASSERT_GT(hangup, 0);
  d->SetDeviceGoneHook([this] { ++goneCalls; });
  ASSERT_EQ(Open(hangup), 0);
  Listen();
  // The simulator answers this one, then closes its line and ends.
  ASSERT_EQ(Send("?RPS\r"), 5);
  EXPECT_EQ(Reply().substr(0, 6), "\x02RPSON");
  const bool gone = target.ServeUntil([&] { return goneCalls > 0; }, ReplyTimeout);
  ASSERT_TRUE(gone) << "no hang-up seen; device error " << d->DeviceError();
  EXPECT_EQ(goneCalls, 1);
  EXPECT_EQ(d->DeviceError(), ErrDeviceGone);
  EXPECT_EQ(d->Drain(1s), ErrDeviceGone);
  EXPECT_EQ(MakeSerialError(ErrDeviceGone)->what(),
            std::string("La voie série a disparu (adaptateur débranché, ligne coupée ou périphérique en panne)"));
  d->Close();
  EXPECT_FALSE(d->IsOpen());
}

}  // namespace
