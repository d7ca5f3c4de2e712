// The dispatcher over a serial device held in memory: what needs neither a
// real line nor Qt, so it runs on every system the layer builds for.
#include "serial/DeviceDispatcher.h"
#include "serial/tests/DispatcherDriver.h"
#include "serial/tests/FakeSerialDevice.h"
#include "serial/tests/QueueNotifyTarget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Generous: the machine is shared with other builds.
constexpr std::chrono::milliseconds DefaultWait = 10s;

// Looks at `done` until it holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline = DefaultWait) {
  TQueueNotifyTarget nothingPosted{[](uint32_t, uint32_t, uint32_t) {}};
  return nothingPosted.ServeUntil(done, deadline);
}

// Who waits for received bytes: the dispatch thread itself (a POSIX line),
// or the com thread, which wakes it for each batch (a line with a single
// event wait). Both must give the same notifications.
enum class TInputWait { ComThread, DispatchThread };

std::string InputWaitName(const ::testing::TestParamInfo<TInputWait>& info) {
  return info.param == TInputWait::DispatchThread ? "DispatchThreadWaits" : "ComThreadWaits";
}

constexpr TInputWait InputWaits[] = {TInputWait::ComThread, TInputWait::DispatchThread};

// The dispatcher over an in-memory line, for streams that must reach it in
// exactly one device read. Its notifications run on the test's thread while
// it waits, as on the user-interface thread of the program.
class FakeLineTest : public ::testing::TestWithParam<TInputWait>, public TDispatcherDriver {
 protected:
  FakeLineTest() {
    auto device = std::make_unique<TFakeSerialDevice>(GetParam() == TInputWait::DispatchThread);
    line = device.get();
    d = std::make_unique<TDeviceDispatcher>(std::move(device));
  }
  // The worker threads end before the target they post to goes.
  ~FakeLineTest() override { d.reset(); }

  int Open() { return d->Open("fake", 9600, 2, 7, 2, 4096, 4096, OptDtr | OptRts); }

  void Listen() { Attach(&target); }

  // Avail notifications whose handler takes what was announced in one block.
  void ListenTakingBlocks() {
    Listen();
    takeAnnounced = false;
    onEvent = [this](TEvent& e) {
      if (e.message != TriggerAvailMsg) return;
      std::vector<uint8_t> buffer(e.wParam);
      const uint32_t n = d->ReadBlock(buffer.data(), e.wParam);
      e.read.assign(buffer.begin(), buffer.begin() + n);
    };
  }

  // Runs the notifications as they come until `done` holds.
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline = DefaultWait) {
    return target.ServeUntil(done, deadline);
  }

  TFakeSerialDevice* line = nullptr;
  TQueueNotifyTarget target{[this](uint32_t m, uint32_t w, uint32_t l) { Record(m, w, l); }};
};

TEST_P(FakeLineTest, BlockReadInsideANotificationCountsAsTheHandlersReads) {
  ASSERT_EQ(Open(), 0);
  Listen();
  takeAnnounced = false;
  d->SetAvailThreshold(1);
  std::string inside;
  uint32_t leftInside = 0;
  onEvent = [&](TEvent&) {
    inside.push_back(static_cast<char>(d->ReadByte()));
    uint8_t buffer[2];
    const uint32_t n = d->ReadBlock(buffer, sizeof buffer);
    inside.append(buffer, buffer + n);
    leftInside = d->BytesAvailable();
  };
  line->Push("abcde");
  ASSERT_TRUE(WaitUntil([&] { return !events.empty() && !d->Dispatching(); }));
  EXPECT_EQ(events[0].wParam, 5u);
  EXPECT_EQ(inside, "abc");
  EXPECT_EQ(leftInside, 2u);
  // The tail moved by what the handler took, no more.
  EXPECT_EQ(d->BytesAvailable(), 2u);
  EXPECT_EQ(ReadBlocks(16), "de");
}

TEST_P(FakeLineTest, ARingRefilledExactlyToTheLastAnnouncedPositionIsAnnounced) {
  ASSERT_EQ(Open(), 0);
  ListenTakingBlocks();
  d->SetAvailThreshold(1);
  line->Push("a");
  ASSERT_TRUE(WaitUntil([&] { return !events.empty() && !d->Dispatching(); }));
  EXPECT_EQ(events[0].read, "a");
  // One ring's worth in one device read: the head comes back to where the
  // last avail notification was, with every byte new.
  const std::string burst = Pattern(TBaseDispatcher::DispatchBufferSize);
  line->Push(burst);
  ASSERT_TRUE(WaitUntil([&] { return events.size() >= 2; })) << "the full ring was never announced";
  EXPECT_EQ(events[1].wParam, TBaseDispatcher::DispatchBufferSize);
  EXPECT_TRUE(events[1].read == burst);
  line->Push("z");
  ASSERT_TRUE(WaitUntil([&] { return events.size() >= 3; }));
  EXPECT_EQ(events[2].read, "z");
}

// Where the dispatch thread waits for input itself, a received batch reaches
// the triggers without any thread handing it over; where the com thread
// waits, each batch it stores costs one wake-up of the dispatch thread.
TEST_P(FakeLineTest, ABatchCostsAHandOverOnlyWhenTheComThreadWaitsForInput) {
  ASSERT_EQ(Open(), 0);
  for (const std::string batch : {"abc", "de", "fghij"}) {
    line->Push(batch);
    ASSERT_TRUE(WaitUntil([&] { return d->BytesAvailable() == batch.size(); }));
    EXPECT_EQ(ReadBlocks(16), batch);
  }
  const TBaseDispatcher::TCounts counts = d->Counts();
  if (GetParam() == TInputWait::DispatchThread) {
    EXPECT_GE(counts.batches, 1u);
    EXPECT_EQ(counts.handOvers, 0u);
  } else {
    // A batch the dispatch thread's tick took first costs nothing either.
    EXPECT_EQ(counts.handOvers, counts.batches);
    EXPECT_GE(counts.batches, 1u);
  }
}

// Every way a line can die after the open ends the same way: the owner is
// told once, later writes fail with the device-gone code, close still returns.
TEST(DeviceFailureTest, EndsInTheDeviceGonePathOnce) {
  using TThrow = TFakeSerialDevice::TThrow;
  struct TCase {
    const char* name;
    int readError;
    TThrow throwIn;
    bool storm;
    std::string received;  // pushed by the far end
    std::string sent;      // written by the program
  } const cases[] = {
      {"read fails with EIO", -EIO, TThrow::Nowhere, false, "", ""},
      {"read fails with ENXIO", -ENXIO, TThrow::Nowhere, false, "", ""},
      {"read fails with ENODEV", -ENODEV, TThrow::Nowhere, false, "", ""},
      {"read fails with EBADF", -EBADF, TThrow::Nowhere, false, "", ""},
      {"input reported but never there", 0, TThrow::Nowhere, true, "", ""},
      {"the com thread raises", 0, TThrow::InWait, false, "", ""},
      {"the dispatch thread raises", 0, TThrow::InRead, false, "abc", ""},
      {"the output thread raises", 0, TThrow::InWrite, false, "", "abc"},
  };
  for (const TInputWait wait : InputWaits) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(c.name);
      SCOPED_TRACE(wait == TInputWait::DispatchThread ? "the dispatch thread waits for input"
                                                     : "the com thread waits for input");
      auto device = std::make_unique<TFakeSerialDevice>(wait == TInputWait::DispatchThread);
      TFakeSerialDevice& line = *device;
      line.throwIn = c.throwIn;
      TDeviceDispatcher d(std::move(device));
      std::atomic<int> told{0};
      d.SetDeviceGoneHook([&] { ++told; });
      ASSERT_EQ(d.Open("fake", 9600, 2, 7, 2, 4096, 4096, OptDtr | OptRts), 0);
      line.storm = c.storm;
      line.readError = c.readError;
      if (!c.received.empty()) line.Push(c.received);
      if (!c.sent.empty()) d.WriteBlock(reinterpret_cast<const uint8_t*>(c.sent.data()), 3);
      line.CancelWait();  // the waiting thread looks at the line again
      ASSERT_TRUE(WaitUntil([&] { return d.DeviceError() == ErrDeviceGone; }, std::chrono::seconds(20)));
      EXPECT_EQ(d.WriteBlock(reinterpret_cast<const uint8_t*>("x"), 1), ErrDeviceGone);
      EXPECT_EQ(d.Drain(std::chrono::seconds(1)), ErrDeviceGone);
      d.Close();
      EXPECT_FALSE(d.ThreadsRunning());
      EXPECT_EQ(told, 1);
    }
  }
}

// A device that takes only part of a write at once: the rest goes through
// the output thread, what is written next waits behind it, and the trace
// shows every byte once, in order.
TEST_P(FakeLineTest, WhatTheDeviceDoesNotTakeAtOnceLeavesThroughTheOutputThreadInOrder) {
  ASSERT_EQ(Open(), 0);
  d->WithMainLock([](TTraceRecorder& trace, TDispatchLog&) { trace.Start(100); });
  line->takeAtOnce = 3;
  ASSERT_EQ(Write("abcdefgh"), 8);
  ASSERT_EQ(Write("ijk"), 3);
  ASSERT_TRUE(WaitUntil([&] { return line->Written() == "abcdefghijk"; })) << line->Written();
  EXPECT_GE(d->Counts().directWrites, 1u);
  EXPECT_GE(d->Counts().handOvers, 1u);
  TTraceRecorder expected;
  expected.Start(100);
  for (char c : std::string("abcdefghijk")) expected.Add('T', static_cast<uint8_t>(c));
  EXPECT_EQ(TraceText(), expected.Text(true, false));
}

TEST_P(FakeLineTest, ALineChangeWaitsUntilTheDriverHasSentWhatWasQueued) {
  ASSERT_EQ(Open(), 0);  // 9600 baud, 7 data bits, even parity, 2 stop bits
  ASSERT_EQ(Write(Pattern(1024)), 1024);
  ASSERT_EQ(d->SetLine(19200, 5, 9, 3), 0);
  ASSERT_EQ(line->queuedAtLineChange.size(), 1u);
  EXPECT_EQ(line->queuedAtLineChange[0], 0) << "queued bytes went out at the new rate";
  // Bounded by what 1024 characters of 11 bits need at 9600 baud, plus a margin.
  ASSERT_FALSE(line->drainLimits.empty());
  const uint32_t needMs = 1024 * 11 * 1000 / 9600;
  EXPECT_GE(line->drainLimits.back(), needMs);
  EXPECT_LE(line->drainLimits.back(), needMs + TDeviceDispatcher::LineChangeDrainMargin.count());
  // The same settings again touch nothing.
  line->drainLimits.clear();
  ASSERT_EQ(Write("abc"), 3);
  ASSERT_EQ(d->SetLine(19200, 5, 9, 3), 0);
  EXPECT_TRUE(line->drainLimits.empty());
}

TEST_P(FakeLineTest, AHandshakeTheLineCannotDoIsToldInTheLog) {
  struct TCase {
    uint32_t options;
    bool told;
    bool ctsFlow;
  } const cases[] = {
      {HwfUseDtr | HwfUseRts | HwfRequireDsr | HwfRequireCts, true, true},
      {HwfRequireDsr, true, false},
      {HwfUseRts | HwfRequireCts, false, true},
  };
  ASSERT_EQ(Open(), 0);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.options);
    d->WithMainLock([](TTraceRecorder&, TDispatchLog& log) {
      log.Start(10000);
      return 0;
    });
    ASSERT_EQ(d->SetHardwareFlow(900, 100, c.options), 0);
    const std::string log = d->WithMainLock([](TTraceRecorder&, TDispatchLog& log) {
      return log.Text(true, false, "COM1", TLogDumpContext{"Linux", "01/01/26, 00:00:00"});
    });
    EXPECT_EQ(log.find("DTR/DSR-not-available") != std::string::npos, c.told) << log;
    const TDeviceControlBlock block = d->ControlBlock();
    EXPECT_EQ(block.outxCtsFlow, c.ctsFlow);
    EXPECT_FALSE(block.outxDsrFlow);
    // DTR is no handshake line here: it stays under the program's control.
    EXPECT_EQ(d->SetDTR(true), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(InputWaits, FakeLineTest, ::testing::ValuesIn(InputWaits), InputWaitName);

}  // namespace
