#include "serial/ComPort.h"

#include "serial/DeviceDispatcher.h"
#include "serial/NotifyWindow.h"
#include "serial/tests/ComPortTestSupport.h"
#include "serial/tests/FakeSerialDevice.h"
#include "serial/tests/PtyPair.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

constexpr uint16_t PortNumber = 7;
constexpr uint16_t OtherPortNumber = 8;
constexpr uint16_t UnmappedNumber = 40000;
constexpr auto LongDeadline = std::chrono::seconds(20);

// True when nobody holds the device any more: it opens again.
bool DeviceFree(const std::string& path) {
  TDeviceDispatcher probe;
  const int result = probe.Open(path, 9600, 0, 8, 1, 1024, 1024, 0);
  probe.Close();
  return result == 0;
}

termios SlaveSettings(const std::string& path) {
  termios tio{};
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd >= 0) {
    ::tcgetattr(fd, &tio);
    ::close(fd);
  }
  return tio;
}

struct TEvent {
  std::string kind;  // "trigger", "avail", "data"
  uint16_t value;
  std::thread::id thread;
};

class ComPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Ok());
    ASSERT_TRUE(files.isValid());
    map.Set(PortNumber, pty.SlavePath());
    port.SetComNumber(PortNumber);
    port.SetBaud(9600);
    port.SetParity(pEven);
    port.SetDataBits(7);
    port.SetStopBits(2);
    port.SetTraceName(File("zelor.TRC"));
    port.SetLogName(File("zelor.LOG"));
    savedShow = TCustomComPort::ShowException;
    TCustomComPort::ShowException = [this](const std::exception& e) { shown.push_back(e.what()); };
  }
  void TearDown() override { TCustomComPort::ShowException = savedShow; }

  std::string File(const std::string& name) const { return (files.path() + "/").toStdString() + name; }

  // Records every trigger event; avail handlers take the bytes announced.
  void Listen() {
    port.SetOnTrigger([this](TCustomComPort&, uint16_t msg, uint16_t, uint16_t) {
      events.push_back({"trigger", msg, std::this_thread::get_id()});
    });
    port.SetOnTriggerAvail([this](TCustomComPort& cp, uint16_t count) {
      events.push_back({"avail", count, std::this_thread::get_id()});
      for (uint16_t i = 0; i < count; ++i) taken.push_back(cp.ReadChar());
      if (onAvail) onAvail();
    });
    port.SetOnTriggerData([this](TCustomComPort&, uint16_t handle) {
      events.push_back({"data", handle, std::this_thread::get_id()});
      if (onData) onData(handle);
    });
  }

  std::vector<std::string> Kinds(const std::string& except = "trigger") const {
    std::vector<std::string> kinds;
    for (const auto& e : events)
      if (e.kind != except) kinds.push_back(e.kind + " " + std::to_string(e.value));
    return kinds;
  }

 public:
  TPtyPair pty;
  QTemporaryDir files;
  TPortMap map;
  TComPort port;
  std::vector<TEvent> events;
  std::string taken;
  std::function<void()> onAvail;
  std::function<void(uint16_t)> onData;
  std::vector<std::string> shown;
  std::function<void(const std::exception&)> savedShow;
};

// ---------------------------------------------------------------- open, close

TEST_F(ComPortTest, OpensAndClosesTheMappedDevice) {
  int opened = 0;
  int closed = 0;
  port.SetOnPortOpen([&](TCustomComPort& cp) {
    ++opened;
    EXPECT_TRUE(cp.Open());
  });
  port.SetOnPortClose([&](TCustomComPort&) { ++closed; });
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(std::string(TComPort::Version), "v1.00");
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(port.PortState(), TPortState::Open);
  EXPECT_FALSE(DeviceFree(pty.SlavePath()));
  port.WriteString("hello");
  EXPECT_EQ(pty.Receive(5), "hello");
  port.SetOpen(false);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.PortState(), TPortState::Closed);
  EXPECT_TRUE(DeviceFree(pty.SlavePath()));
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
}

TEST_F(ComPortTest, OperationsOnAClosedPortOpenItOnlyWithAutoOpen) {
  port.SetAutoOpen(false);
  const TRaised r = Raised([&] { port.WriteString("x"); });
  EXPECT_EQ(r.type, typeid(ECommNotOpen));
  EXPECT_FALSE(port.Open());
  port.SetAutoOpen(true);
  EXPECT_FALSE(port.InputReady());
  EXPECT_TRUE(port.Open());
}

struct TOpenFailure {
  const char* name;
  std::function<void(ComPortTest&, TComPort&)> arrange;
  std::type_index type;
  int code;
  const char* message;  // nullptr: not checked
};

class ComPortOpenFailure : public ComPortTest {
 protected:
  std::unique_ptr<TDeviceDispatcher> holder;
};

TEST_F(ComPortOpenFailure, LeavesThePortClosedAndALaterOpenWorks) {
  const TOpenFailure cases[] = {
      {"no number, no prompt",
       [](ComPortTest&, TComPort& p) {
         p.SetComNumber(0);
         p.SetPromptForPort(false);
       },
       typeid(ENoPortSelected), ecNoPortSelected, "The ComNumber property of the TComPort has not been set"},
      {"no number, prompt but no dialog installed", [](ComPortTest&, TComPort& p) { p.SetComNumber(0); },
       typeid(ENoPortSelected), ecNoPortSelected, nullptr},
      {"number without a device mapped", [](ComPortTest&, TComPort& p) { p.SetComNumber(UnmappedNumber); },
       typeid(EBadId), ecBadId, "ie_BadId - Specified comport doesn't exist"},
      {"mapped to a missing device",
       [](ComPortTest& t, TComPort& p) {
         t.map.Set(9, "/dev/zelor-no-such-device");
         p.SetComNumber(9);
       },
       typeid(EBadId), ecBadId, nullptr},
      {"held by another program",
       [this](ComPortTest& t, TComPort&) {
         holder = std::make_unique<TDeviceDispatcher>();
         ASSERT_EQ(holder->Open(t.pty.SlavePath(), 9600, 0, 8, 1, 1024, 1024, 0), 0);
       },
       typeid(EAlreadyOpen), ecAlreadyOpen, "ie_Open - device already open"},
      {"socket device layer", [](ComPortTest&, TComPort& p) { p.SetDeviceLayer(dlWinsock); },
       typeid(ENullApi), ecNullApi, nullptr},
      {"baud rate no driver takes", [](ComPortTest&, TComPort& p) { p.SetBaud(-9600); }, typeid(EBaudRate),
       ecBaudRate, nullptr},
      {"flow levels the device refuses",
       [](ComPortTest&, TComPort& p) {
         p.SetBufferFull(100);
         p.SetBufferResume(200);  // resume above full: taken as a tenth of InSize, above 100
         p.SetHWFlowOptions(hwfRequireCTS);
       },
       typeid(EBadArgument), ecBadArgument, nullptr},
  };
  for (const TOpenFailure& c : cases) {
    SCOPED_TRACE(c.name);
    TComPort p;
    p.SetComNumber(PortNumber);
    c.arrange(*this, p);
    const TRaised r = Raised([&] { p.SetOpen(true); });
    EXPECT_TRUE(r.raised);
    EXPECT_EQ(r.type, c.type);
    EXPECT_EQ(r.code, c.code);
    if (c.message) {
      EXPECT_EQ(r.message, c.message);
    }
    EXPECT_FALSE(p.Open());
    EXPECT_EQ(p.PortState(), TPortState::Closed);
    holder.reset();
    EXPECT_TRUE(DeviceFree(pty.SlavePath())) << "the device was not released";
    // The same object opens once the cause is gone.
    p.SetComNumber(PortNumber);
    p.SetDeviceLayer(dlWin32);
    p.SetBaud(9600);
    p.SetHWFlowOptions(0);
    p.SetBufferFull(0);
    p.SetBufferResume(0);
    const TRaised again = Raised([&] { p.SetOpen(true); });
    EXPECT_FALSE(again.raised) << again.message;
    EXPECT_TRUE(p.Open());
  }
}

TEST_F(ComPortTest, AnOpenHandlerThatRaisesLeavesThePortClosedAndTheDeviceFree) {
  bool fail = true;
  port.SetOnPortOpen([&](TCustomComPort&) {
    if (fail) throw EBadArgument("refused by the handler");
  });
  port.SetTracing(tlOn);
  EXPECT_EQ(Raised([&] { port.SetOpen(true); }).type, typeid(EBadArgument));
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(DeviceFree(pty.SlavePath()));
  fail = false;
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
}

// The open handler raises just as the dispatch thread is about to post the
// first notification to the port's window: the dispatch thread is held there
// until the window is either off the handler list or freed, so a window freed
// while still listed is posted to, which the address sanitizer build reports.
TEST_F(ComPortTest, AnOpenHandlerThatRaisesWhileADeliveryStartsLeavesNothingInUse) {
  constexpr int Rounds = 20;
  Listen();
  std::atomic<TNotifyTarget*> held{nullptr};
  std::atomic<bool> freed{false};
  TBaseDispatcher::DeliveryStartsHook = [&](TBaseDispatcher& dispatcher, TNotifyTarget* window) {
    held = window;
    const auto deadline = std::chrono::steady_clock::now() + LongDeadline;
    while (!freed && dispatcher.HasWindowHandler(window) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
  };
  struct TClearHook {
    ~TClearHook() { TBaseDispatcher::DeliveryStartsHook = nullptr; }
  } clearHook;
  for (int round = 0; round < Rounds; ++round) {
    SCOPED_TRACE(round);
    port.SetOnPortOpen([&](TCustomComPort&) {
      held = nullptr;
      freed = false;
      pty.Send("123\x03");
      EXPECT_TRUE(WaitUntil([&] { return held.load() != nullptr; }, LongDeadline)) << "no delivery started";
      if (auto* window = dynamic_cast<TNotifyWindow*>(held.load()))
        QObject::connect(window, &QObject::destroyed, [&] { freed = true; });
      throw EBadArgument("refused by the handler");
    });
    EXPECT_EQ(Raised([&] { port.SetOpen(true); }).type, typeid(EBadArgument));
    EXPECT_FALSE(port.Open());
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(events.empty()) << "a port that failed to open ran a trigger event";
  TBaseDispatcher::DeliveryStartsHook = nullptr;
  port.SetOnPortOpen(nullptr);
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
}

// A device failing after the open (I/O error, adapter gone) is told once, on
// the port's thread; operations then raise EDeviceGone with its own text, and
// giving the same number again reopens the port.
TEST_F(ComPortTest, ADeviceThatFailsAfterTheOpenIsToldOnceAndTheSameNumberReopens) {
  std::vector<TFakeSerialDevice*> lines;
  const auto savedCreate = TCustomComPort::CreateDevice;
  TCustomComPort::CreateDevice = [&lines]() -> std::unique_ptr<TSerialDevice> {
    auto line = std::make_unique<TFakeSerialDevice>();
    lines.push_back(line.get());
    return line;
  };
  std::vector<std::thread::id> told;
  port.SetOnDeviceGone([&](TCustomComPort& cp) {
    told.push_back(std::this_thread::get_id());
    EXPECT_TRUE(cp.DeviceLost());
  });
  port.SetOpen(true);
  ASSERT_EQ(lines.size(), 1u);
  lines.back()->readError = -EIO;
  lines.back()->CancelWait();
  ASSERT_TRUE(WaitUntil([&] { return !told.empty(); }, LongDeadline));
  const TRaised r = Raised([&] { port.WriteString("x"); });
  EXPECT_EQ(r.type, typeid(EDeviceGone));
  EXPECT_NE(r.message.find("disparu"), std::string::npos) << r.message;
  EXPECT_EQ(r.message.find("access denied"), std::string::npos);
  port.SetComNumber(PortNumber);
  EXPECT_EQ(lines.size(), 2u) << "the same number did not reopen the lost port";
  EXPECT_TRUE(port.Open());
  EXPECT_FALSE(port.DeviceLost());
  EXPECT_FALSE(Raised([&] { port.WriteString("ok"); }).raised);
  port.SetOpen(false);
  TCustomComPort::CreateDevice = savedCreate;
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0], std::this_thread::get_id());
}

// The adapter is pulled mid-session and plugged back; its pseudo-terminal
// comes back under another path with the same number. Choosing that number
// again reopens the port with its triggers, no restart needed.
TEST_F(ComPortTest, AnAdapterPluggedBackUnderItsNumberIsReopenedWithItsTriggers) {
  int lost = 0;
  port.SetOnDeviceGone([&](TCustomComPort&) { ++lost; });
  Listen();
  port.SetOpen(true);
  const uint16_t etx = port.AddMatchTrigger("\x03", false);
  pty.CloseMaster();
  pty.DropKeeper();
  ASSERT_TRUE(WaitUntil([&] { return lost == 1; }, LongDeadline));
  TPtyPair replugged;
  ASSERT_TRUE(replugged.Ok());
  map.Set(PortNumber, replugged.SlavePath());
  EXPECT_TRUE(IsPortAvailable(PortNumber));
  port.SetComNumber(PortNumber);
  EXPECT_TRUE(port.Open());
  EXPECT_FALSE(port.DeviceLost());
  port.WriteString("?S\r");
  EXPECT_EQ(replugged.Receive(3), "?S\r");
  ASSERT_TRUE(replugged.Send("ON\x03"));
  EXPECT_TRUE(WaitUntil([&] {
    return std::any_of(events.begin(), events.end(), [&](const TEvent& e) { return e.kind == "data" && e.value == etx; });
  }, LongDeadline));
  EXPECT_EQ(lost, 1);
}

// Discarding drops what is queued, also what was written just before; what is
// written after it goes out whole. The instrument link's reset relies on
// that order (drop first, then send the reset byte).
TEST_F(ComPortTest, WhatIsWrittenAfterADiscardGoesOutWhole) {
  port.SetOpen(true);
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    port.WriteString(std::string(500, 'q'));
    port.DiscardOutput();
    port.WriteString("@");
    port.Drain(LongDeadline);
    std::string got;
    ASSERT_TRUE(WaitUntil(
        [&] {
          got += pty.Receive(1 << 16, std::chrono::milliseconds(20));
          return !got.empty() && got.back() == '@';
        },
        LongDeadline));
    EXPECT_EQ(got.find_first_not_of('q'), got.size() - 1) << "the byte written after the discard was lost";
  }
}

// ---------------------------------------------------------------- properties

TEST_F(ComPortTest, LineSettingsReachAnOpenDeviceAtOnceAndSameValuesLeaveItAlone) {
  port.SetOpen(true);
  EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(SlaveSettings(pty.SlavePath()))), B9600);
  EXPECT_EQ(SlaveSettings(pty.SlavePath()).c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));

  port.SetBaud(19200);
  EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(SlaveSettings(pty.SlavePath()))), B19200);
  port.SetParity(pOdd);
  EXPECT_EQ(SlaveSettings(pty.SlavePath()).c_cflag & PARODD, static_cast<tcflag_t>(PARODD));
  port.SetStopBits(0);  // taken as 1
  EXPECT_EQ(port.StopBits(), 1);
  EXPECT_EQ(SlaveSettings(pty.SlavePath()).c_cflag & CSTOPB, 0u);

  // Someone else changes the line; setting the values the port already
  // holds must not touch the device.
  const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  termios tio = SlaveSettings(pty.SlavePath());
  cfsetispeed(&tio, B1200);
  cfsetospeed(&tio, B1200);
  ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
  ::close(fd);
  port.SetBaud(19200);
  port.SetParity(pOdd);
  EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(SlaveSettings(pty.SlavePath()))), B1200);

  // A refused value raises and is not kept.
  EXPECT_EQ(Raised([&] { port.SetBaud(-1); }).type, typeid(EBaudRate));
  EXPECT_EQ(port.Baud(), 19200);
  EXPECT_EQ(Raised([&] { port.SetDataBits(4); }).type, typeid(EByteSize));
  EXPECT_EQ(port.DataBits(), 7);
}

TEST_F(ComPortTest, FlowLevelsComeFromTheReceiveQueueSize) {
  struct TCase {
    const char* name;
    std::function<void(TComPort&)> set;
    uint16_t full, resume;
  };
  const TCase cases[] = {
      {"hardware first", [](TComPort& p) { p.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS); }, 921, 102},
      {"software first", [](TComPort& p) { p.SetSWFlowOptions(swfBoth); }, 768, 256},
      {"software then hardware",
       [](TComPort& p) {
         p.SetSWFlowOptions(swfBoth);
         p.SetHWFlowOptions(hwfUseDTR);
       },
       768, 256},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TComPort p;
    p.SetInSize(1024);
    c.set(p);
    EXPECT_EQ(p.BufferFull(), c.full);
    EXPECT_EQ(p.BufferResume(), c.resume);
  }
  port.SetInSize(1024);
  port.SetOpen(true);
  port.SetSWFlowOptions(swfBoth);
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  EXPECT_EQ(port.SWFlowOptions(), swfBoth);
}

// ---------------------------------------------------------------- writing, reading

TEST_F(ComPortTest, WriteStringIsAllOrNothing) {
  port.SetOutSize(16);
  port.SetOpen(true);
  const TRaised r = Raised([&] { port.WriteString(std::string(17, 'x')); });
  EXPECT_EQ(r.type, typeid(EOutputBufferTooSmall));
  EXPECT_EQ(r.message, "Output buffer too small for block");
  port.WriteString("");
  port.WriteString("ok");
  // Had any of the x's been queued, they would come first.
  EXPECT_EQ(pty.Receive(2), "ok");
}

TEST_F(ComPortTest, ReadCharNeverWaits) {
  port.SetOpen(true);
  EXPECT_FALSE(port.InputReady());
  const TRaised r = Raised([&] { port.ReadChar(); });
  EXPECT_EQ(r.type, typeid(EBufferIsEmpty));
  EXPECT_EQ(r.code, ecBufferIsEmpty);
  ASSERT_TRUE(pty.Send("AB"));
  ASSERT_TRUE(port.WaitForInput(std::chrono::steady_clock::now() + LongDeadline));
  EXPECT_EQ(port.ReadChar(), 'A');
  ASSERT_TRUE(WaitUntil([&] { return port.InputReady(); }));
  EXPECT_EQ(port.ReadChar(), 'B');
  port.DiscardInput();
  EXPECT_FALSE(port.InputReady());
}

TEST_F(ComPortTest, WritingOnAPortWhoseDeviceHasGoneRaises) {
  // The loss is also told once on the port's thread, so that an exchange
  // waiting for an answer need not wait for ever.
  int perdu = 0;
  port.SetOnDeviceGone([&](TCustomComPort&) { ++perdu; });
  port.SetOpen(true);
  pty.CloseMaster();
  EXPECT_TRUE(WaitUntil([&] { return perdu > 0; }, LongDeadline));
  TRaised r;
  EXPECT_TRUE(WaitUntil(
      [&] {
        r = Raised([&] { port.WriteString("x"); });
        return r.raised;
      },
      LongDeadline));
  EXPECT_EQ(r.type, typeid(EDeviceGone));
  EXPECT_EQ(r.code, ecDeviceGone);
  port.SetOpen(false);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(perdu, 1);
}

// ---------------------------------------------------------------- waiting

struct TWaitCase {
  const char* name;
  bool handlers;
  uint32_t threshold;
};

TEST_F(ComPortTest, WaitForInputReturnsWhenBytesArriveWhateverTheTriggers) {
  const TWaitCase cases[] = {
      {"no handler, threshold 1", false, 1},
      {"no handler, threshold 0", false, 0},
      {"handlers, threshold 0", true, 0},
  };
  port.SetOpen(true);
  for (const TWaitCase& c : cases) {
    SCOPED_TRACE(c.name);
    port.SetAvailThreshold(c.threshold);
    if (c.handlers) Listen();
    // Without a wake-up the wait would only end at its own deadline; the
    // watchdog, due long before, tells that apart.
    bool watchdogFired = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] { watchdogFired = true; });
    watchdog.start(LongDeadline);
    std::thread farEnd([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      pty.Send("z");
    });
    const bool ready = port.WaitForInput(std::chrono::steady_clock::now() + 3 * LongDeadline);
    farEnd.join();
    EXPECT_TRUE(ready);
    EXPECT_FALSE(watchdogFired) << "the wait was not woken by the bytes";
    EXPECT_EQ(port.ReadChar(), 'z');
  }
}

TEST_F(ComPortTest, WaitForInputServesEventsAndEndsAtTheDeadline) {
  port.SetOpen(true);
  bool served = false;
  QTimer::singleShot(0, [&] { served = true; });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  EXPECT_FALSE(port.WaitForInput(deadline));
  EXPECT_GE(std::chrono::steady_clock::now(), deadline);
  EXPECT_TRUE(served);
}

// ---------------------------------------------------------------- triggers

TEST_F(ComPortTest, MatchTriggersAcceptTwentyOneCharacters) {
  port.SetOpen(true);
  EXPECT_NE(port.AddMatchTrigger(std::string(21, 'a'), false), 0);
  const TRaised r = Raised([&] { port.AddMatchTrigger(std::string(22, 'a'), false); });
  EXPECT_EQ(r.type, typeid(ETriggerTooLong));
  EXPECT_EQ(r.message, "Data trigger too long");
  EXPECT_EQ(Raised([&] { port.DeleteTrigger(12345); }).type, typeid(EBadTriggerHandle));
}

TEST_F(ComPortTest, DeleteTriggerOnAClosedPortDoesNothing) {
  EXPECT_FALSE(Raised([&] { port.DeleteTrigger(8); }).raised);
  EXPECT_FALSE(port.Open()) << "deleting a trigger must not open the port";
}

TEST_F(ComPortTest, TriggerEventsRunOnThePortsThreadInOrder) {
  port.SetOpen(true);
  Listen();
  const uint16_t etx = port.AddMatchTrigger("\x03", false);
  ASSERT_TRUE(pty.Send("123\x03"));
  ASSERT_TRUE(WaitUntil([&] { return Kinds().size() >= 3; }, LongDeadline));
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"avail 3", "data " + std::to_string(etx), "avail 1"}));
  EXPECT_EQ(taken, "123\x03");
  // OnTrigger comes first, with the message of each event.
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].kind, "trigger");
  EXPECT_EQ(events[0].value, TriggerAvailMsg);
  EXPECT_EQ(events[2].value, TriggerDataMsg);
  for (const auto& e : events) EXPECT_EQ(e.thread, std::this_thread::get_id());
}

TEST_F(ComPortTest, AHandlerThatRaisesIsShownAndLaterEventsGoOn) {
  port.SetOpen(true);
  Listen();
  int calls = 0;
  onAvail = [&] {
    if (++calls == 1) throw std::runtime_error("handler failed");
  };
  ASSERT_TRUE(pty.Send("a"));
  ASSERT_TRUE(WaitUntil([&] { return calls == 1; }, LongDeadline));
  ASSERT_TRUE(pty.Send("b"));
  ASSERT_TRUE(WaitUntil([&] { return calls == 2; }, LongDeadline));
  EXPECT_EQ(shown, std::vector<std::string>{"handler failed"});
  EXPECT_EQ(taken, "ab");
}

TEST_F(ComPortTest, ClosingFromInsideAHandlerFinishesLater) {
  int closed = 0;
  port.SetOnPortClose([&](TCustomComPort&) { ++closed; });
  port.SetOpen(true);
  Listen();
  port.AddMatchTrigger("\x03", false);
  onData = [&](uint16_t) { port.SetOpen(false); };
  ASSERT_TRUE(
      pty.Send("1.2\x03"
               "more\x03"));
  ASSERT_TRUE(WaitUntil([&] { return port.PortState() == TPortState::Closed; }, LongDeadline));
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(DeviceFree(pty.SlavePath()));
  const size_t seen = events.size();
  QCoreApplication::processEvents();
  EXPECT_EQ(events.size(), seen) << "a notification of the closed port ran";
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"avail 3", "data 8"}));
  EXPECT_TRUE(shown.empty());
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
}

TEST_F(ComPortTest, ClosingWhileANotificationIsOnlyQueuedClosesAtOnce) {
  port.SetOpen(true);
  Listen();
  ASSERT_TRUE(pty.Send("x"));
  // No event loop runs meanwhile: the notification waits in the queue.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  port.SetOpen(false);
  EXPECT_EQ(port.PortState(), TPortState::Closed);
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(DeviceFree(pty.SlavePath()));
  QCoreApplication::processEvents();
  EXPECT_TRUE(events.empty()) << "a notification of the closed port ran";
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
}

TEST_F(ComPortTest, ADialogInsideAHandlerThatClosesThePortDoesNotDeadlock) {
  port.SetOpen(true);
  Listen();
  bool closedInside = false;
  onAvail = [&] {
    // A modal dialog runs its own event loop; the user closes the port there.
    port.SetOpen(false);
    closedInside = WaitUntil([&] { return port.PortState() == TPortState::Closed; }, LongDeadline);
  };
  ASSERT_TRUE(pty.Send("x"));
  ASSERT_TRUE(WaitUntil([&] { return !events.empty(); }, LongDeadline));
  EXPECT_TRUE(closedInside);
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(DeviceFree(pty.SlavePath()));
  QCoreApplication::processEvents();
  port.SetOpen(true);
  ASSERT_TRUE(pty.Send("y"));
  ASSERT_TRUE(WaitUntil([&] { return taken.size() == 2; }, LongDeadline));
  EXPECT_EQ(taken, "xy");
}

TEST_F(ComPortTest, ReopeningFromInsideAHandlerOpensOnceTheCloseIsDone) {
  port.SetOpen(true);
  Listen();
  onAvail = [&] {
    port.SetOpen(false);
    port.SetOpen(true);
    EXPECT_EQ(port.PortState(), TPortState::Closing);
  };
  ASSERT_TRUE(pty.Send("x"));
  ASSERT_TRUE(
      WaitUntil([&] { return port.PortState() == TPortState::Open && !events.empty(); }, LongDeadline));
  ASSERT_TRUE(pty.Send("y"));
  ASSERT_TRUE(WaitUntil([&] { return taken.size() == 2; }, LongDeadline));
  EXPECT_EQ(taken, "xy");
}

// ---------------------------------------------------------------- port number change

TEST_F(ComPortTest, ChangingTheNumberReopensKeepsTriggersAndRewritesTheFiles) {
  TPtyPair other;
  ASSERT_TRUE(other.Ok());
  map.Set(OtherPortNumber, other.SlavePath());
  port.SetTracing(tlOn);
  port.SetLogging(tlOn);
  port.SetOpen(true);
  Listen();
  const uint16_t first = port.AddMatchTrigger("OK", true);
  const uint16_t second = port.AddMatchTrigger("\x03", false);
  port.WriteString("abc");
  ASSERT_EQ(pty.Receive(3), "abc");

  port.SetComNumber(OtherPortNumber);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(port.ComNumber(), OtherPortNumber);
  EXPECT_TRUE(DeviceFree(pty.SlavePath()));
  EXPECT_EQ(FileText(File("zelor.TRC")), "Transmit: \r\nabc");
  EXPECT_NE(FileText(File("zelor.LOG")).find("Device: COM7\r\n"), std::string::npos);
  EXPECT_EQ(port.Tracing(), tlOn);
  EXPECT_EQ(port.Logging(), tlOn);

  // The triggers came along with their handles; new ones get other handles.
  ASSERT_TRUE(other.Send("ok\x03"));
  ASSERT_TRUE(WaitUntil([&] { return Kinds().size() >= 3; }, LongDeadline));
  const auto kinds = Kinds();
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "data " + std::to_string(first)), kinds.end());
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "data " + std::to_string(second)), kinds.end());
  const uint16_t third = port.AddMatchTrigger("x", false);
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
  port.DeleteTrigger(first);

  port.SetOpen(false);
  EXPECT_NE(FileText(File("zelor.LOG")).find("Device: COM8\r\n"), std::string::npos);
  // A plain close and open starts without triggers.
  port.SetLogging(tlOn);
  port.SetOpen(true);
  EXPECT_EQ(Raised([&] { port.DeleteTrigger(second); }).type, typeid(EBadTriggerHandle));
}

// ---------------------------------------------------------------- trace and log

TEST_F(ComPortTest, ADumpThatFailsAtCloseStillReleasesTheDevice) {
  port.SetTraceName(File("missing-folder/zelor.TRC"));
  port.SetTracing(tlOn);
  port.SetLogging(tlOn);
  port.SetOpen(true);
  port.WriteString("abc");
  const TRaised r = Raised([&] { port.SetOpen(false); });
  EXPECT_EQ(r.type, typeid(EInOutError));
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.message, "File not found");
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.PortState(), TPortState::Closed);
  EXPECT_TRUE(DeviceFree(pty.SlavePath()));
  EXPECT_NE(FileText(File("zelor.LOG")).find("WriteCom"), std::string::npos) << "the log dump was skipped";
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
}

TEST_F(ComPortTest, TracingStatesWhileClosedAndOpen) {
  struct TClosedCase {
    TTraceLogState set, stored;
  };
  for (const TClosedCase c :
       {TClosedCase{tlOn, tlOn}, TClosedCase{tlDump, tlOff}, TClosedCase{tlPause, tlOff},
        TClosedCase{tlOn, tlOn}, TClosedCase{tlOff, tlOff}, TClosedCase{tlClear, tlOff}}) {
    port.SetTracing(c.set);
    EXPECT_EQ(port.Tracing(), c.stored) << int(c.set);
  }

  port.SetTracing(tlOn);
  port.SetOpen(true);
  port.WriteString("a");
  port.SetTracing(tlPause);
  EXPECT_EQ(port.Tracing(), tlPause);
  port.WriteString("b");  // not recorded while paused
  port.SetTracing(tlOn);  // recording again, contents kept
  port.WriteString("c");
  port.SetTracing(tlDump);
  EXPECT_EQ(port.Tracing(), tlOff);
  EXPECT_EQ(FileText(File("zelor.TRC")), "Transmit: \r\nac");

  port.SetTracing(tlOn);
  port.WriteString("d");
  port.SetTracing(tlAppend);
  EXPECT_EQ(FileText(File("zelor.TRC")), "Transmit: \r\nacTransmit: \r\nd");
  // Off: nothing to dump at close, the file stays.
  port.SetOpen(false);
  EXPECT_EQ(FileText(File("zelor.TRC")), "Transmit: \r\nacTransmit: \r\nd");
}

}  // namespace
