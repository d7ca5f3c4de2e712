#include "platform/PosixSerialDevice.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

struct TTermiosCase {
  uint32_t baud;
  uint8_t byteSize, parity, stopBits;
  speed_t speed;
  tcflag_t size, parityFlags, stop;
};

class TermiosTest : public ::testing::TestWithParam<TTermiosCase> {};

TEST_P(TermiosTest, ControlBlockMapsOntoTheTerminal) {
  const auto& c = GetParam();
  TDeviceControlBlock block;
  block.baud = c.baud;
  block.byteSize = c.byteSize;
  block.parity = c.parity;
  block.stopBits = c.stopBits;
  termios tio{};
  tio.c_iflag = IXON | ICRNL;
  tio.c_lflag = ICANON | ECHO;
  ASSERT_TRUE(TPosixSerialDevice::ToTermios(block, tio));
  EXPECT_EQ(cfgetospeed(&tio), c.speed);
  EXPECT_EQ(tio.c_cflag & CSIZE, c.size);
  EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), c.parityFlags);
  EXPECT_EQ(tio.c_cflag & CSTOPB, c.stop);
  EXPECT_EQ(tio.c_iflag & (IXON | ICRNL), 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, TermiosTest,
                         ::testing::Values(TTermiosCase{9600, 7, 2, 2, B9600, CS7, PARENB, CSTOPB},
                                           TTermiosCase{19200, 8, 0, 0, B19200, CS8, 0, 0},
                                           TTermiosCase{115200, 8, 1, 0, B115200, CS8, PARENB | PARODD, 0},
                                           TTermiosCase{1200, 7, 3, 0, B1200, CS7, PARENB | PARODD | CMSPAR,
                                                        0},
                                           TTermiosCase{4800, 5, 4, 1, B4800, CS5, PARENB | CMSPAR, CSTOPB},
                                           TTermiosCase{300, 6, 0, 2, B300, CS6, 0, CSTOPB}));

TEST(TermiosTest, UnsupportedValuesAreRefused) {
  termios tio{};
  TDeviceControlBlock block;
  block.baud = 12345;
  EXPECT_FALSE(TPosixSerialDevice::ToTermios(block, tio));
  block.baud = 9600;
  block.byteSize = 9;
  EXPECT_FALSE(TPosixSerialDevice::ToTermios(block, tio));
}

class PtyDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    path = ::ptsname(master);
  }
  void TearDown() override {
    if (master >= 0) ::close(master);
  }
  int master = -1;
  std::string path;
};

TEST_F(PtyDeviceTest, ProbeAndExclusiveOpen) {
  struct TCase {
    std::string path;
    int expected;
  };
  for (const auto& c :
       {TCase{path, 0}, TCase{"/dev/zelor-no-such-port", -ENOENT}, TCase{"/dev/null", -ENOTTY}}) {
    EXPECT_EQ(ProbeSerialDevice(c.path), c.expected) << c.path;
  }
  TPosixSerialDevice first;
  ASSERT_EQ(first.Open(path), 0);
  TPosixSerialDevice second;
  EXPECT_EQ(second.Open(path), -EBUSY);
  EXPECT_EQ(ProbeSerialDevice(path), -EBUSY);
  first.Close();
  EXPECT_EQ(ProbeSerialDevice(path), 0);
  EXPECT_EQ(second.Open(path), 0);
}

TEST_F(PtyDeviceTest, AbsentModemLinesAreNotAFailure) {
  TPosixSerialDevice device;
  ASSERT_EQ(device.Open(path), 0);
  uint8_t status = 0xFF;
  EXPECT_EQ(device.GetModemStatus(status), 0);
  EXPECT_EQ(status, 0);
  for (TEscape e : {TEscape::SetDtr, TEscape::ClearDtr, TEscape::SetRts, TEscape::ClearRts}) {
    EXPECT_EQ(device.Escape(e), 0);
  }
}

TEST_F(PtyDeviceTest, EventWaitSeesInputCancelAndHangUp) {
  TPosixSerialDevice device;
  ASSERT_EQ(device.Open(path), 0);
  uint32_t events = 0;
  std::thread canceller([&] { device.CancelWait(); });
  EXPECT_EQ(device.WaitEvent(true, events), 0);
  canceller.join();

  ASSERT_EQ(::write(master, "x", 1), 1);
  EXPECT_EQ(device.WaitEvent(true, events), static_cast<int>(EvRxChar));
  uint8_t byte = 0;
  EXPECT_EQ(device.BytesInQueue(), 1);
  EXPECT_EQ(device.Read(&byte, 1), 1);
  EXPECT_EQ(byte, 'x');
  EXPECT_EQ(device.Read(&byte, 1), 0);  // never blocks

  ::close(master);
  master = -1;
  EXPECT_EQ(device.WaitEvent(true, events), -EIO);
  // Not asked for input (a full ring) still reports the hang-up.
  EXPECT_EQ(device.WaitEvent(false, events), -EIO);
}

}  // namespace
