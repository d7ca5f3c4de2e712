// The Windows serial device under Wine, on a COM port that Wine maps to an
// instrument simulator's pseudo-terminal.
#include "platform/DeviceMap.h"
#include "platform/tests/WineEnvironment.h"
#include "platform/win32/SerialComm.h"
#include "platform/win32/Win32SerialDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

class Win32DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = WinePort("ZELOR_WINE_COM");
    ASSERT_GT(port, 0) << "ZELOR_WINE_COM is not set: run through ctest --preset mingw";
    ASSERT_EQ(device.Open(WineDevice(port)), 0);
  }

  TWin32SerialDevice device;
  int port = 0;
};

// One line setting: what is asked, and its name in the report.
struct TSetting {
  const char* name;
  void (*apply)(TDeviceControlBlock&);
};

const TSetting Settings[] = {
    {"instrument line 9600 7E2", [](TDeviceControlBlock& b) { b.baud = 9600, b.byteSize = 7, b.parity = 2, b.stopBits = 2; }},
    {"19200 8N1", [](TDeviceControlBlock& b) { b.baud = 19200, b.byteSize = 8, b.parity = 0, b.stopBits = 0; }},
    {"4800 8O1", [](TDeviceControlBlock& b) { b.baud = 4800, b.byteSize = 8, b.parity = 1, b.stopBits = 0; }},
    {"9600 7 mark parity", [](TDeviceControlBlock& b) { b.byteSize = 7, b.parity = 3; }},
    {"9600 7 space parity", [](TDeviceControlBlock& b) { b.byteSize = 7, b.parity = 4; }},
    {"5 data bits, one and a half stop bits", [](TDeviceControlBlock& b) { b.byteSize = 5, b.stopBits = 1; }},
    {"6 data bits", [](TDeviceControlBlock& b) { b.byteSize = 6; }},
    {"rate 14400 (not a POSIX rate)", [](TDeviceControlBlock& b) { b.baud = 14400; }},
    {"rate 115200", [](TDeviceControlBlock& b) { b.baud = 115200; }},
    {"RTS/CTS handshake",
     [](TDeviceControlBlock& b) { b.outxCtsFlow = true, b.rtsControl = TDeviceControlBlock::ControlHandshake; }},
    {"DTR/DSR handshake",
     [](TDeviceControlBlock& b) { b.outxDsrFlow = true, b.dtrControl = TDeviceControlBlock::ControlHandshake; }},
    {"DTR and RTS lowered",
     [](TDeviceControlBlock& b) {
       b.dtrControl = TDeviceControlBlock::ControlDisable, b.rtsControl = TDeviceControlBlock::ControlDisable;
     }},
    {"Xon/Xoff both ways, limits 100/200",
     [](TDeviceControlBlock& b) { b.outX = b.inX = true, b.xonLim = 100, b.xoffLim = 200, b.xonChar = 17, b.xoffChar = 19; }},
    {"Xon/Xoff characters 0x11/0x13 swapped", [](TDeviceControlBlock& b) { b.outX = true, b.xonChar = 19, b.xoffChar = 17; }},
};

}  // namespace

// Every setting is refused with an error, or taken with what the driver
// kept read back and told: never changed in silence. Both lists are
// reported (test output and the test's XML properties).
TEST_F(Win32DeviceTest, LineSettingsAreReadBackOrRefusedAloud) {
  ASSERT_EQ(device.SetupQueues(4096, 1024), 0);
  std::string refused;
  std::string notKept;
  for (const TSetting& setting : Settings) {
    SCOPED_TRACE(setting.name);
    TDeviceControlBlock base;
    ASSERT_EQ(device.GetControlBlock(base), 0);
    base.baud = 9600, base.byteSize = 8, base.parity = 0, base.stopBits = 0;
    base.outX = base.inX = base.outxCtsFlow = base.outxDsrFlow = false;
    base.dtrControl = base.rtsControl = TDeviceControlBlock::ControlEnable;
    ASSERT_EQ(device.SetControlBlock(base), 0) << "plain 9600 8N1";
    TDeviceControlBlock asked = base;
    setting.apply(asked);
    const int result = device.SetControlBlock(asked);
    TDeviceControlBlock got;
    ASSERT_EQ(device.GetControlBlock(got), 0);
    const std::string differences = TWin32SerialDevice::Differences(asked, got);
    if (result == 0) {
      // Taken: the device tells when the driver changed it. (Wine may read
      // a field back otherwise a second time, so only the fact is compared.)
      const std::string told = device.NotKept();
      EXPECT_EQ(told.empty(), differences.empty()) << told << " / " << differences;
      if (!differences.empty())
        notKept += std::string(setting.name) + " (" + differences + "; just after the set: " + told + "); ";
    } else {
      EXPECT_EQ(result, -EINVAL) << "a refused setting is a bad argument";
      refused += std::string(setting.name) + " (read back: " + differences + "); ";
    }
  }
  RecordProperty("refused", refused);
  RecordProperty("not-kept", notKept);
  std::printf("Settings the driver refuses: %s\nSettings it takes but does not keep: %s\n", refused.c_str(),
              notKept.c_str());
  // The instrument's own line and the usual rates must be taken.
  EXPECT_EQ(refused.find("instrument line"), std::string::npos);
  for (const char* rate : {"19200", "rate 115200"}) {
    EXPECT_EQ(refused.find(rate), std::string::npos) << rate;
    EXPECT_EQ(notKept.find(rate), std::string::npos) << rate;
  }
}

TEST_F(Win32DeviceTest, StatusRequestIsAnsweredUpToEtx) {
  TDeviceControlBlock line;
  ASSERT_EQ(device.GetControlBlock(line), 0);
  line.baud = 9600, line.byteSize = 7, line.parity = 2, line.stopBits = 2;
  ASSERT_EQ(device.SetControlBlock(line), 0);
  ASSERT_EQ(device.Purge(PurgeInput | PurgeOutput), 0);
  const std::string request = "?RPS\r";
  ASSERT_EQ(device.Write(reinterpret_cast<const uint8_t*>(request.data()), request.size()),
            static_cast<int>(request.size()));
  std::string reply;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (reply.find('\x03') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    uint32_t events = 0;
    uint8_t buffer[64];
    const int n = device.Read(buffer, sizeof buffer);
    ASSERT_GE(n, 0);
    reply.append(reinterpret_cast<char*>(buffer), n);
    if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    (void)events;
  }
  ASSERT_NE(reply.find('\x03'), std::string::npos) << "no ETX in " << reply;
  EXPECT_EQ(reply.substr(0, 6), "\x02RPSON");
}

TEST_F(Win32DeviceTest, MissingAndHeldPortsGiveTheirCodes) {
  const int missing = WinePort("ZELOR_WINE_MISSING_COM");
  ASSERT_GT(missing, 0);
  TWin32SerialDevice other;
  EXPECT_EQ(other.Open(WineDevice(missing)), -ENOENT);
  EXPECT_EQ(ProbeSerialDevice(WineDevice(missing)), -ENOENT);
  // Held by `device`: on Windows another open gets access denied.
  const int second = other.Open(WineDevice(port));
  other.Close();
  device.Close();
  EXPECT_EQ(ProbeSerialDevice(WineDevice(port)), 0) << "closed again";
  if (second == 0) {
    const std::string note = "a second exclusive open of COM" + std::to_string(port) +
                             " succeeds: this Wine does not keep serial devices exclusive";
    RecordProperty("not-enforced", note);
    GTEST_SKIP() << note;
  }
  EXPECT_EQ(second, -EBUSY);
}

TEST_F(Win32DeviceTest, PortNamesAreTheSystemsOwn) {
  EXPECT_EQ(DevicePathFor(port), WineDevice(port));
  EXPECT_EQ(DevicePathFor(0), std::nullopt);
  const auto values = SerialCommValues();
  std::string listed;
  for (const auto& [name, value] : values) listed += name + "=" + value + " ";
  std::printf("SERIALCOMM: %s\n", listed.c_str());
  RecordProperty("serialcomm", listed);
  const auto ports = MappedPorts();
  EXPECT_NE(std::find(ports.begin(), ports.end(), port), ports.end()) << "SERIALCOMM: " << listed;
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
  for (const auto& [name, value] : values) EXPECT_EQ(SerialCommValue(name), value) << name;
  EXPECT_EQ(SerialCommValue("\\Device\\zelor-no-such-value"), "");
}

// The com thread's wait: received bytes end it with EV_RXCHAR, a cancel ends
// it with no event. Events the driver cannot watch are dropped and told.
TEST_F(Win32DeviceTest, ReceivedBytesEndTheEventWaitAndACancelEndsItEmpty) {
  uint32_t events = 0;
  device.CancelWait();
  EXPECT_EQ(device.WaitEvent(true, events), 0);
  EXPECT_EQ(events, 0u);
  ASSERT_EQ(device.Purge(PurgeInput | PurgeOutput), 0);
  const std::string request = "?RPS\r";
  // Stops a wait that nothing else would end, so a failure cannot hang.
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done) device.CancelWait();
  });
  ASSERT_EQ(device.Write(reinterpret_cast<const uint8_t*>(request.data()), request.size()),
            static_cast<int>(request.size()));
  int result = 0;
  // A wait the driver refuses narrows the watched events and returns 0.
  for (int tries = 0; tries < 4 && result == 0; ++tries) result = device.WaitEvent(true, events);
  done = true;
  watchdog.join();
  char watched[16];
  std::snprintf(watched, sizeof watched, "0x%lX", static_cast<unsigned long>(device.WatchedNow()));
  RecordProperty("watched-events", watched);
  std::printf("Events this driver can watch: %s of 0x%lX\n", watched,
              static_cast<unsigned long>(TWin32SerialDevice::WatchedEvents));
  EXPECT_GT(result, 0) << "no event for the reply";
  EXPECT_TRUE(events & EvRxChar);
  // The reply is not left for the next test on this port.
  device.Purge(PurgeInput);
  EXPECT_NE(device.WatchedNow() & EV_RXCHAR, 0u) << "received bytes must be watched";
}
