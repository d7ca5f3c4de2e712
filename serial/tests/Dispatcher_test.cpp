#include "serial/DeviceDispatcher.h"
#include "serial/NotifyWindow.h"
#include "serial/tests/DispatcherDriver.h"
#include "serial/tests/PtyPair.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// The dispatcher over a pseudo-terminal, its notifications delivered by the
// Qt notify window on this thread's event loop. The tests that need no real
// line are in FakeLine_test.cpp and also run without Qt.
class DispatcherTest : public ::testing::Test, public TDispatcherDriver {
 protected:
  void SetUp() override { ASSERT_TRUE(pty.Ok()); }
  // The worker threads end before the window they post to and the line go.
  ~DispatcherTest() override { d.reset(); }

  int Open(uint32_t outSize = 4096) {
    return d->Open(pty.SlavePath(), 9600, 2, 7, 2, 4096, outSize, OptDtr | OptRts);
  }

  // Notifications go to `window`; the handler records them and runs `onEvent`.
  void Listen() {
    window = std::make_unique<TNotifyWindow>([this](uint32_t m, uint32_t w, uint32_t l) { Record(m, w, l); });
    Attach(window.get());
  }

  TPtyPair pty;
  std::unique_ptr<TNotifyWindow> window;
};

TEST_F(DispatcherTest, OpenErrorsAreThePortsCodes) {
  EXPECT_EQ(d->Open("/dev/zelor-no-such-port", 9600, 0, 8, 1, 4096, 4096, 0), ErrFileNotFound);
  EXPECT_EQ(d->Open("/dev/null", 9600, 0, 8, 1, 4096, 4096, 0), -ENOTTY);
  ASSERT_EQ(Open(), 0);
  TDeviceDispatcher second;
  EXPECT_EQ(second.Open(pty.SlavePath(), 9600, 0, 8, 1, 4096, 4096, 0), ErrAccessDenied);
  d->Close();
  EXPECT_EQ(second.Open(pty.SlavePath(), 9600, 0, 8, 1, 4096, 4096, 0), 0);
}

TEST_F(DispatcherTest, ReceivedBytesArriveInOrderThroughWrapsAndAFullRing) {
  ASSERT_EQ(Open(), 0);
  const std::string sent = Pattern(3 * TBaseDispatcher::DispatchBufferSize + 1234);
  std::thread farEnd([&] {
    static constexpr size_t Chunks[] = {1, 7, 333, 4097, 2, 8191, 13};
    size_t done = 0;
    for (size_t i = 0; done < sent.size(); ++i) {
      const size_t n = std::min(Chunks[i % std::size(Chunks)], sent.size() - done);
      ASSERT_TRUE(pty.Send(sent.substr(done, n)));
      done += n;
    }
  });
  // Nobody reads at first: the ring fills up and the rest waits in the driver.
  EXPECT_TRUE(WaitUntil([&] { return d->BytesAvailable() == TBaseDispatcher::DispatchBufferSize; }));
  std::string got;
  EXPECT_TRUE(WaitUntil(
      [&] {
        got += ReadAll();
        return got.size() >= sent.size();
      },
      std::chrono::seconds(60)))
      << got.size() << " of " << sent.size() << " avail " << d->BytesAvailable();
  farEnd.join();
  EXPECT_EQ(got.size(), sent.size());
  EXPECT_TRUE(got == sent) << "first difference at "
                           << std::mismatch(got.begin(), got.end(), sent.begin()).first - got.begin();
}

TEST_F(DispatcherTest, BlockReadsTakeBytesInOrderThroughWrapsAndAFullRing) {
  uint8_t none[4];
  EXPECT_EQ(d->ReadBlock(none, sizeof none), 0u) << "closed port";
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(d->ReadBlock(none, sizeof none), 0u) << "nothing received";
  const std::string sent = Pattern(3 * TBaseDispatcher::DispatchBufferSize + 1234);
  std::thread farEnd([&] { ASSERT_TRUE(pty.Send(sent)); });
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == TBaseDispatcher::DispatchBufferSize; }));
  // Nobody else reads: one block larger than the ring takes exactly the ring.
  std::string got = ReadBlocks(TBaseDispatcher::DispatchBufferSize + 100);
  EXPECT_EQ(got.size(), TBaseDispatcher::DispatchBufferSize);
  static constexpr uint32_t Sizes[] = {1, 7, 333, 4097, 8192, 2};
  size_t turn = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        got += ReadBlocks(Sizes[turn++ % std::size(Sizes)]);
        return got.size() >= sent.size();
      },
      std::chrono::seconds(60)))
      << got.size() << " of " << sent.size();
  farEnd.join();
  EXPECT_TRUE(got == sent) << "first difference at "
                           << std::mismatch(got.begin(), got.end(), sent.begin()).first - got.begin();
}

TEST_F(DispatcherTest, BlockReadsLeaveTheSameTraceAsByteReads) {
  ASSERT_EQ(Open(), 0);
  d->WithMainLock([](TTraceRecorder& trace, TDispatchLog&) { trace.Start(100); });
  ASSERT_TRUE(pty.Send("abcdef"));
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == 6; }));
  uint8_t buffer[8];
  ASSERT_EQ(d->ReadBlock(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, buffer + 4), "abcd");
  ASSERT_EQ(Write("x"), 1);
  EXPECT_EQ(d->ReadByte(), 'e');
  ASSERT_EQ(d->ReadBlock(buffer, sizeof buffer), 1u);
  EXPECT_EQ(buffer[0], 'f');
  TTraceRecorder expected;
  expected.Start(100);
  for (char c : std::string("abcd")) expected.Add('R', static_cast<uint8_t>(c));
  expected.Add('T', 'x');
  expected.Add('R', 'e');
  expected.Add('R', 'f');
  EXPECT_EQ(TraceText(), expected.Text(true, false));
}

// Writes go straight to the device while nothing is queued, and through the
// ring when the device's queue is full; the bytes still leave in order.
TEST_F(DispatcherTest, QueuedWritesLeaveInOrder) {
  ASSERT_EQ(Open(1000), 0);
  const std::string sent = Pattern(20000);
  std::string got;
  std::thread farEnd([&] { got = pty.Receive(sent.size(), std::chrono::seconds(60)); });
  size_t done = 0;
  for (size_t i = 0; done < sent.size(); ++i) {
    const size_t n = std::min<size_t>(1 + (i * 37) % 600, sent.size() - done);
    if (Write(sent.substr(done, n)) == ErrOutputBufferTooSmall) {
      ASSERT_TRUE(WaitUntil([&] { return d->OutputCount() + n <= 1000; }));
      continue;
    }
    done += n;
  }
  EXPECT_EQ(Write(std::string(1001, 'x')), ErrOutputBufferTooSmall);
  farEnd.join();
  EXPECT_TRUE(got == sent) << got.size() << " of " << sent.size();
  EXPECT_GT(d->Counts().directWrites, 0u);
}

struct TLineCase {
  uint32_t baud;
  uint8_t parity, dataBits, stopBits;
  speed_t speed;
  tcflag_t size, parityFlags, stopFlag;
};

class LineSettingsTest : public DispatcherTest, public ::testing::WithParamInterface<TLineCase> {};

TEST_P(LineSettingsTest, ReachTheDevice) {
  const auto& c = GetParam();
  ASSERT_EQ(Open(), 0);
  ASSERT_EQ(d->SetLine(c.baud, c.parity, c.dataBits, c.stopBits), 0);
  const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::close(fd);
  EXPECT_EQ(cfgetospeed(&tio), c.speed);
  // A pseudo-terminal forces CS8 and clears PARENB on its own; what it keeps
  // shows the settings arrived. The full mapping is checked on termios.
  EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), c.parityFlags & (PARODD | CMSPAR));
  EXPECT_EQ(tio.c_cflag & CSTOPB, c.stopFlag);
  EXPECT_EQ(tio.c_lflag & ICANON, 0u);  // raw line
}

INSTANTIATE_TEST_SUITE_P(Cases, LineSettingsTest,
                         ::testing::Values(TLineCase{9600, 2, 7, 2, B9600, CS7, PARENB, CSTOPB},
                                           TLineCase{19200, 0, 8, 1, B19200, CS8, 0, 0},
                                           TLineCase{115200, 1, 8, 1, B115200, CS8, PARENB | PARODD, 0},
                                           TLineCase{1200, 3, 7, 1, B1200, CS7, PARENB | PARODD | CMSPAR, 0},
                                           TLineCase{4800, 4, 5, 2, B4800, CS5, PARENB | CMSPAR, CSTOPB}));

TEST_F(DispatcherTest, BadLineValuesAreRefusedAndKeepValuesKeep) {
  ASSERT_EQ(Open(), 0);
  // Any rate a driver may take is asked of it; a rate no driver takes is not.
  EXPECT_EQ(d->SetLine(TDeviceDispatcher::MaxBaud + 1u, 0, 8, 1), ErrBaudRate);
  EXPECT_EQ(d->SetLine(9600, 0, 4, 1), ErrByteSize);
  ASSERT_EQ(d->SetLine(0, 5, 9, 3), 0);
  const TDeviceControlBlock block = d->ControlBlock();
  EXPECT_EQ(block.baud, 9600u);
  EXPECT_EQ(block.stopBits, 2);
}

// The terminal settings as another opener of the line reads them back.
termios ReadBack(const std::string& path) {
  termios tio{};
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::tcgetattr(fd, &tio), 0);
  ::close(fd);
  return tio;
}

TEST_F(DispatcherTest, FlowControlReachesTheDeviceAndBadLevelsAreRefused) {
  ASSERT_EQ(Open(), 0);  // receive queue of 4096
  EXPECT_EQ(ReadBack(pty.SlavePath()).c_iflag & (IXON | IXOFF), 0u) << "a fresh line has no flow control";
  // A full level below the resume level, or above the receive queue.
  EXPECT_EQ(d->SetSoftwareFlow(100, 200, SwfTransmit | SwfReceive), ErrBadArgument);
  EXPECT_EQ(d->SetSoftwareFlow(5000, 100, SwfTransmit | SwfReceive), ErrBadArgument);
  EXPECT_EQ(d->SetHardwareFlow(100, 200, HwfUseRts), ErrBadArgument);

  ASSERT_EQ(d->SetSoftwareFlow(3072, 1024, SwfTransmit | SwfReceive), 0);
  termios tio = ReadBack(pty.SlavePath());
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(tio.c_cc[VSTART], 17);
  EXPECT_EQ(tio.c_cc[VSTOP], 19);
  TDeviceControlBlock block = d->ControlBlock();
  EXPECT_EQ(block.xoffLim, 4096 - 3072);
  EXPECT_EQ(block.xonLim, 1024);
  ASSERT_EQ(d->SetFlowCharacters('Q', 'S'), 0);
  tio = ReadBack(pty.SlavePath());
  EXPECT_EQ(tio.c_cc[VSTART], 'Q');
  EXPECT_EQ(tio.c_cc[VSTOP], 'S');
  ASSERT_EQ(d->ClearSoftwareFlow(), 0);
  EXPECT_EQ(ReadBack(pty.SlavePath()).c_iflag & (IXON | IXOFF), 0u);

  // RTS handed to the hardware handshake: the program no longer drives it.
  ASSERT_EQ(d->SetHardwareFlow(3686, 409, HwfUseRts | HwfRequireCts), 0);
  EXPECT_NE(ReadBack(pty.SlavePath()).c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(d->SetRTS(false), 1);
  EXPECT_EQ(d->SetDTR(false), 0);  // no modem lines on a pseudo-terminal: not a failure
  // Bytes still pass both ways with the handshake set.
  ASSERT_TRUE(pty.Send("ping"));
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == 4; }));
  EXPECT_EQ(ReadAll(), "ping");
}

TEST_F(DispatcherTest, DrainWaitsForTheFarEndAndFlushDropsWhatIsQueued) {
  ASSERT_EQ(Open(4096), 0);
  std::string got;
  std::thread farEnd([&] { got = pty.Receive(3000); });
  ASSERT_EQ(Write(Pattern(3000)), 3000);
  EXPECT_EQ(d->Drain(std::chrono::seconds(20)), 0);
  farEnd.join();
  EXPECT_EQ(got, Pattern(3000));

  // The far end stops reading: the driver fills and the output thread waits.
  for (int i = 0; i < 200 && Write(std::string(4000, 'q')) > 0;) {
    WaitUntil([&] { return d->OutputCount() == 0; }, std::chrono::milliseconds(200));
    ++i;
  }
  EXPECT_EQ(d->FlushOutput(), 0);
  EXPECT_EQ(d->OutputCount(), 0u);
  ASSERT_EQ(Write("END"), 3);
  std::string tail;
  ASSERT_TRUE(WaitUntil(
      [&] {
        tail += pty.Receive(1 << 20, std::chrono::milliseconds(50));
        return tail.size() >= 3 && tail.compare(tail.size() - 3, 3, "END") == 0;
      },
      std::chrono::seconds(30)));
  EXPECT_EQ(tail.find_first_not_of('q'), tail.size() - 3);

  ASSERT_TRUE(pty.Send("abc"));
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == 3; }));
  d->FlushInput();
  EXPECT_FALSE(d->InputReady());
  EXPECT_EQ(d->ReadByte(), ErrBufferIsEmpty);
  ASSERT_TRUE(pty.Send("d"));
  ASSERT_TRUE(WaitUntil([&] { return d->InputReady(); }));
  EXPECT_EQ(d->ReadByte(), 'd');
}

TEST_F(DispatcherTest, AvailDataAvailOrderWithThresholdOne) {
  ASSERT_EQ(Open(), 0);
  Listen();
  d->SetAvailThreshold(1);
  const int etx = AddTrigger("\x03");
  ASSERT_GT(etx, 0);
  ASSERT_TRUE(pty.Send("123\x03"));
  ASSERT_TRUE(WaitUntil([&] { return events.size() >= 3; }));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].message, TriggerAvailMsg);
  EXPECT_EQ(events[0].wParam, 3u);
  EXPECT_EQ(events[0].read, "123");
  EXPECT_EQ(events[1].message, TriggerDataMsg);
  EXPECT_EQ(events[1].wParam, static_cast<uint32_t>(etx));
  EXPECT_EQ(events[1].lParam, (static_cast<uint32_t>(d->Index()) << 16) | 1u);
  EXPECT_EQ(events[2].message, TriggerAvailMsg);
  EXPECT_EQ(events[2].read, "\x03");
  EXPECT_FALSE(d->InputReady());
}

// The notifications one burst of bytes brings, in order: "A<count>:<bytes the
// handler took>" for avail, "D<length>" for data. Each expectation holds
// however the burst is split into device reads.
struct TOrderCase {
  const char* name;
  uint32_t threshold;
  std::string trigger;
  bool ignoreCase;
  std::string stream;
  std::vector<std::string> expected;
};

class NotificationOrderTest : public DispatcherTest, public ::testing::WithParamInterface<TOrderCase> {};

TEST_P(NotificationOrderTest, AvailAndDataInTheFixedOrder) {
  const auto& c = GetParam();
  ASSERT_EQ(Open(), 0);
  Listen();
  d->SetAvailThreshold(c.threshold);
  ASSERT_GT(AddTrigger(c.trigger, c.ignoreCase), 0);
  ASSERT_TRUE(pty.Send(c.stream));
  ASSERT_TRUE(WaitUntil([&] { return events.size() >= c.expected.size(); }));
  std::vector<std::string> seen;
  for (const auto& e : events) {
    seen.push_back(e.message == TriggerAvailMsg ? "A" + std::to_string(e.wParam) + ":" + e.read
                                                : "D" + std::to_string(e.lParam & 0xFFFF));
  }
  EXPECT_EQ(seen, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotificationOrderTest,
    ::testing::Values(
        // Fewer bytes before the string than the threshold: no avail first;
        // once the walk reaches the head, all unread bytes count.
        TOrderCase{"ShortPrefixBelowThreshold", 3, "\x03", false, "ab\x03", {"D1", "A3:ab\x03"}},
        TOrderCase{"AvailOff", 0, "\x03", false, "ab\x03", {"D1"}},
        // The second ETX is announced as the byte before the next match.
        TOrderCase{"OneCharacterTwiceInAChunk",
                   1,
                   "\x03",
                   false,
                   "1\x03\x03",
                   {"A1:1", "D1", "A1:\x03", "D1", "A1:\x03"}},
        TOrderCase{"OverlappingPrefix", 0, "aab", false, "aaab", {"D3"}},
        TOrderCase{"IgnoreCase", 0, "ok", true, "xOKyoKz", {"D2", "D2"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DispatcherTest, AvailThresholdHoldsBackSmallCounts) {
  ASSERT_EQ(Open(), 0);
  Listen();
  takeAnnounced = false;
  d->SetAvailThreshold(4);
  ASSERT_TRUE(pty.Send("ab"));
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == 2; }));
  ASSERT_TRUE(pty.Send("cd"));
  ASSERT_TRUE(WaitUntil([&] { return !events.empty(); }));
  EXPECT_EQ(events[0].wParam, 4u);
  // Removing handle 1 switches the avail trigger off.
  EXPECT_EQ(d->RemoveTrigger(AvailTriggerHandle), 0);
  EXPECT_EQ(ReadAll(), "abcd");
  ASSERT_TRUE(pty.Send("efghij"));
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == 6; }));
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(DispatcherTest, TriggerRemovedInsideAHandlerIsNeverDeliveredAgain) {
  ASSERT_EQ(Open(), 0);
  Listen();
  const int first = AddTrigger("!");
  const int second = AddTrigger("!");
  // Delivery runs last to first: `second`'s handler removes both.
  onEvent = [&](TEvent& e) {
    if (e.message == TriggerDataMsg) {
      EXPECT_EQ(d->RemoveTrigger(e.wParam), 0);
      if (e.wParam == static_cast<uint32_t>(second)) {
        EXPECT_EQ(d->RemoveTrigger(first), 0);
      }
    }
  };
  ASSERT_TRUE(pty.Send("a!b!"));
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == 4; }));
  ASSERT_TRUE(WaitUntil([&] { return !events.empty(); }));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].wParam, static_cast<uint32_t>(second));
  EXPECT_EQ(d->RemoveTrigger(first), ErrBadTriggerHandle);
  const int third = AddTrigger("?");
  EXPECT_GT(third, second);
  ASSERT_TRUE(pty.Send("?"));
  ASSERT_TRUE(WaitUntil([&] { return events.size() == 2; }));
  EXPECT_EQ(events[1].wParam, static_cast<uint32_t>(third));
}

TEST_F(DispatcherTest, InputFlushedInsideANotificationFiresNothingOnDiscardedBytes) {
  ASSERT_EQ(Open(), 0);
  Listen();
  takeAnnounced = false;
  d->SetAvailThreshold(1);
  AddTrigger("X");
  onEvent = [&](TEvent& e) {
    if (e.message != TriggerAvailMsg || events.size() != 1) return;
    d->FlushInput();
    EXPECT_FALSE(d->InputReady());
  };
  ASSERT_TRUE(pty.Send("abXcdX"));
  ASSERT_TRUE(WaitUntil([&] { return !events.empty(); }));
  ASSERT_TRUE(WaitUntil([&] { return d->Dispatching() == false; }));
  ASSERT_TRUE(pty.Send("Y"));
  ASSERT_TRUE(WaitUntil([&] { return events.size() >= 2; }));
  ASSERT_EQ(events.size(), 2u) << "a trigger fired on flushed bytes";
  EXPECT_EQ(events[0].wParam, 2u);
  EXPECT_EQ(events[1].message, TriggerAvailMsg);
  EXPECT_EQ(events[1].wParam, 1u);
  EXPECT_EQ(ReadAll(), "Y");
}

TEST_F(DispatcherTest, CloseFromInsideAHandlerFinishesWithoutDeadlock) {
  ASSERT_EQ(Open(), 0);
  Listen();
  AddTrigger("\x03");
  onEvent = [&](TEvent&) { d->Close(); };
  ASSERT_TRUE(
      pty.Send("1.234\x03"
               "more\x03"));
  ASSERT_TRUE(WaitUntil([&] { return !events.empty(); }));
  ASSERT_TRUE(WaitUntil([&] { return !d->ThreadsRunning(); }));
  EXPECT_EQ(events.size(), 1u);
  EXPECT_FALSE(d->IsOpen());
  EXPECT_EQ(d->ReadByte(), ErrBufferIsEmpty);
  d.reset();
  TDeviceDispatcher again;
  EXPECT_EQ(again.Open(pty.SlavePath(), 9600, 0, 8, 1, 4096, 4096, 0), 0);
}

TEST_F(DispatcherTest, InputArrivedHookRunsOnceBytesAreStored) {
  ASSERT_EQ(Open(), 0);
  std::mutex lock;
  std::vector<uint32_t> seen;  // bytes available at each call
  d->SetInputArrivedHook([&] {
    // No dispatcher lock is held here: another thread can take them.
    std::thread other([&] {
      const uint32_t available = d->BytesAvailable();
      std::lock_guard guard(lock);
      seen.push_back(available);
    });
    other.join();
  });
  ASSERT_TRUE(pty.Send("abc"));
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard guard(lock);
    return !seen.empty() && seen.back() == 3;
  }));
  d->SetInputArrivedHook(nullptr);
  const size_t calls = [&] {
    std::lock_guard guard(lock);
    return seen.size();
  }();
  ASSERT_TRUE(pty.Send("d"));
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == 4; }));
  std::lock_guard guard(lock);
  EXPECT_EQ(seen.size(), calls) << "the hook ran after it was removed";
}

TEST_F(DispatcherTest, DeviceGoneIsReportedAndCloseStillReturns) {
  ASSERT_EQ(Open(), 0);
  ASSERT_TRUE(pty.Send("ok"));
  ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == 2; }));
  pty.CloseMaster();
  ASSERT_TRUE(WaitUntil([&] { return d->DeviceError() == ErrDeviceGone; }));
  EXPECT_EQ(Write("x"), ErrDeviceGone);
  EXPECT_EQ(ReadAll(), "ok");  // what had arrived is not lost
  d->Close();
  EXPECT_FALSE(d->ThreadsRunning());
}

TEST_F(DispatcherTest, AnUnansweredNotificationIsAbandonedAndNeverRunsLate) {
  ASSERT_EQ(Open(), 0);
  Listen();
  d->SetAvailThreshold(1);
  ASSERT_TRUE(pty.Send("late"));
  // This thread runs no event loop until the dispatch thread has given up.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (d->AbandonedDeliveries() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // polls a condition, no event loop
  }
  ASSERT_EQ(d->AbandonedDeliveries(), 1u);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(d->BytesAvailable(), 4u);
  EXPECT_EQ(ReadAll(), "late");
}

}  // namespace
