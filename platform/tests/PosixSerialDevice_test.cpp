#include "platform/PosixSerialDevice.h"
#include "platform/TermLine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

struct TTermiosCase {
  uint32_t baud;
  uint8_t byteSize, parity, stopBits;
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
  TTermLine line;
  line.iflag = IXON | ICRNL | BRKINT;
  line.lflag = ICANON | ECHO;
  ASSERT_TRUE(TPosixSerialDevice::ToTermLine(block, line));
  EXPECT_EQ(line.ospeed, c.baud);
  EXPECT_EQ(line.ispeed, c.baud);
  EXPECT_EQ(line.cflag & CSIZE, c.size);
  EXPECT_EQ(line.cflag & (PARENB | PARODD | CMSPAR), c.parityFlags);
  EXPECT_EQ(line.cflag & CSTOPB, c.stop);
  EXPECT_EQ(line.iflag & (IXON | ICRNL | BRKINT), 0u);
  EXPECT_EQ(line.lflag & (ICANON | ECHO), 0u);
  // A break on input is dropped, never turned into a NUL inside a reply.
  EXPECT_EQ(line.iflag & (IGNBRK | PARMRK), static_cast<tcflag_t>(IGNBRK));
}

INSTANTIATE_TEST_SUITE_P(Cases, TermiosTest,
                         ::testing::Values(TTermiosCase{9600, 7, 2, 2, CS7, PARENB, CSTOPB},
                                           TTermiosCase{19200, 8, 0, 0, CS8, 0, 0},
                                           TTermiosCase{115200, 8, 1, 0, CS8, PARENB | PARODD, 0},
                                           TTermiosCase{1200, 7, 3, 0, CS7, PARENB | PARODD | CMSPAR, 0},
                                           TTermiosCase{4800, 5, 4, 1, CS5, PARENB | CMSPAR, CSTOPB},
                                           TTermiosCase{300, 6, 0, 2, CS6, 0, CSTOPB},
                                           TTermiosCase{14400, 8, 0, 0, CS8, 0, 0},
                                           TTermiosCase{256000, 8, 0, 0, CS8, 0, 0}));

TEST(TermiosTest, UnsupportedValuesAreRefused) {
  TTermLine line;
  TDeviceControlBlock block;
  block.baud = 0;
  EXPECT_FALSE(TPosixSerialDevice::ToTermLine(block, line));
  block.baud = 9600;
  block.byteSize = 9;
  EXPECT_FALSE(TPosixSerialDevice::ToTermLine(block, line));
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

// Rates of the standard table and any other: the line keeps what was set,
// and a line change reads back what the driver did.
TEST_F(PtyDeviceTest, AnyBaudRateIsSetAndReadBack) {
  TPosixSerialDevice device;
  ASSERT_EQ(device.Open(path), 0);
  for (uint32_t baud : {9600u, 14400u, 28800u, 56000u, 128000u, 256000u, 250000u, 31250u}) {
    SCOPED_TRACE(baud);
    TDeviceControlBlock block;
    ASSERT_EQ(device.GetControlBlock(block), 0);
    block.baud = baud;
    ASSERT_EQ(device.SetControlBlock(block), 0);
    TDeviceControlBlock back;
    ASSERT_EQ(device.GetControlBlock(back), 0);
    EXPECT_EQ(back.baud, baud);
  }
  // The C library sees the same line: a standard rate keeps its code.
  TDeviceControlBlock block;
  ASSERT_EQ(device.GetControlBlock(block), 0);
  block.baud = 19200;
  ASSERT_EQ(device.SetControlBlock(block), 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(device.Descriptor(), &tio), 0);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
  EXPECT_TRUE(tio.c_iflag & IGNBRK);
}

}  // namespace
