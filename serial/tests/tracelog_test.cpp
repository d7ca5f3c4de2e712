#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "serial/TraceLog.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  ASSERT_TRUE(file);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A fresh folder for one test, removed with everything in it afterwards.
class TTemporaryDir {
 public:
  TTemporaryDir() {
    static std::atomic<unsigned> counter{0};
    path_ = fs::temp_directory_path() /
            ("zelor-tracelog-" + std::to_string(Process()) + "-" + std::to_string(counter++));
    fs::create_directories(path_);
  }
  ~TTemporaryDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  static long Process() {
#ifdef _WIN32
    return _getpid();
#else
    return ::getpid();
#endif
  }
  fs::path path_;
};

std::string Fixture(const std::string& name) {
  return ReadFile(std::string(ZELOR_FIXTURES) + "/" + name);
}

const TLogDumpContext Context{"Linux 6.1.0-18-amd64", "05/03/24, 14:07:09"};

class TraceLogTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (dir_.Path() / name).string(); }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.Path()))
      if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    return names;
  }

  TTemporaryDir dir_;
};

void AddAll(TTraceRecorder& trace, const std::string& kinds, const std::string& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) trace.Add(kinds[i], static_cast<uint8_t>(bytes[i]));
}

struct TTraceCase {
  const char* fixture;
  uint32_t size;
  std::string kinds;
  std::string bytes;
  bool hex;
  bool allHex;
};

TEST_F(TraceLogTest, TraceDumpMatchesItsFixture) {
  const std::string itemBytes = "A \r\x07Z\xC8~\x7F";
  const std::string wrapBytes = std::string(77, 'x') + "\x01" + std::string(74, 'y') + "z";
  const TTraceCase cases[] = {
      {"trace_items_hex.TRC", 100, std::string(8, 'T'), itemBytes, true, false},
      {"trace_items_decimal.TRC", 100, std::string(8, 'T'), itemBytes, false, false},
      {"trace_items_allhex.TRC", 100, std::string(8, 'T'), itemBytes, true, true},
      {"trace_wrap.TRC", 1000, std::string(wrapBytes.size(), 'T'), wrapBytes, true, false},
      {"trace_directions.TRC", 100, "TRTRRX", "abcdef", true, false},
      // The ring keeps the last five entries, oldest first.
      {"trace_wrapped.TRC", 5, "RTTRRTR", "0123456", true, false},
  };
  for (const TTraceCase& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::string path = Path(c.fixture);
    // A longer earlier file must be replaced whole, not overwritten in part.
    WriteFile(path, std::string(5000, '#'));
    TTraceRecorder trace;
    trace.Start(c.size);
    AddAll(trace, c.kinds, c.bytes);
    EXPECT_EQ(trace.Dump(path, false, c.hex, c.allHex), 0);
    EXPECT_EQ(ReadFile(path), Fixture(c.fixture));
    EXPECT_FALSE(trace.Exists());
  }
  // No temporary file is left beside the dumps.
  EXPECT_EQ(Files().size(), std::size(cases));
}

TEST_F(TraceLogTest, TraceRecordsOnlyWhileOn) {
  TTraceRecorder trace;
  trace.Add('T', 'z');  // no ring yet
  trace.Start(10);
  trace.Add('T', 'a');
  trace.Pause();
  trace.Add('T', 'b');
  trace.Resume();
  trace.Add('T', 'c');
  EXPECT_EQ(trace.Text(true, false), "Transmit: \r\nac");
  trace.Clear();
  EXPECT_TRUE(trace.On());
  trace.Add('R', 'd');
  EXPECT_EQ(trace.Text(true, false), "Receive: \r\nd");
  trace.Start(10);  // restarting empties the ring
  trace.Add('R', 'e');
  EXPECT_EQ(trace.Text(true, false), "Receive: \r\ne");
}

void LogFixtureEntries(TDispatchLog& log, uint32_t& now) {
  const uint8_t st[] = {'S', 'T', '\r'};
  const uint8_t ackEtx[] = {6, 3};
  const uint8_t etx[] = {3};
  const uint8_t lineStatus[] = {2};
  const uint8_t outSent[] = {5};
  std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
  const std::vector<uint8_t> ones(10, 1);
  now = 1000;
  log.Add(TLogType::Dispatch, TLogSubType::WriteCom, 3, st, 3);
  now = 2234;
  log.Add(TLogType::Dispatch, TLogSubType::ReadCom, 2, ackEtx, 2);
  now = 2500;
  log.Add(TLogType::Trigger, TLogSubType::Avail, 2);
  now = 2501;
  log.Add(TLogType::TrigAllc, TLogSubType::Data, 2, etx, 1);
  now = 2502;
  log.Add(TLogType::TrigAllc, TLogSubType::Status, 3, lineStatus, 1);
  now = 2503;
  log.Add(TLogType::TrigDisp, TLogSubType::TriggerStatus, 3, outSent, 1);
  now = 2504;
  log.Add(TLogType::TrgHdAlc, TLogSubType::Window, 0x1234ABCD);
  now = 2505;
  log.Add(TLogType::TrDatChg, TLogSubType::Avail, 1);
  now = 2506;
  log.Add(TLogType::Trigger, TLogSubType::ModemStatus, 0xB1);
  now = 2507;
  log.Add(TLogType::Trigger, TLogSubType::ModemStatus, 0);
  now = 2508;
  log.Add(TLogType::Dispatch, TLogSubType::ReadCom, 40, reinterpret_cast<const uint8_t*>(letters.data()), 40);
  now = 2509;
  log.Add(TLogType::Dispatch, TLogSubType::WriteCom, 10, ones.data(), 10);
  now = 10001000;
  log.Add(TLogType::Trigger, TLogSubType::Data, 1);
}

void LogWrite(TDispatchLog& log, uint32_t& now) {
  const uint8_t st[] = {'S', ' ', '\r'};
  now = 1000;
  log.Add(TLogType::Dispatch, TLogSubType::WriteCom, 3, st, 3);
}

void LogWriteST(TDispatchLog& log, uint32_t& now) {
  const uint8_t st[] = {'S', 'T', '\r'};
  now = 1000;
  log.Add(TLogType::Dispatch, TLogSubType::WriteCom, 3, st, 3);
}

struct TLogCase {
  const char* fixture;
  void (*fill)(TDispatchLog&, uint32_t&);
  bool hex;
  bool allHex;
};

TEST_F(TraceLogTest, LogDumpMatchesItsFixture) {
  const TLogCase cases[] = {
      {"log_entries.LOG", LogFixtureEntries, true, false},
      {"log_allhex.LOG", LogWriteST, true, true},
      {"log_decimal.LOG", LogWrite, false, false},
  };
  for (const TLogCase& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::string path = Path(c.fixture);
    WriteFile(path, std::string(5000, '#'));
    uint32_t now = 0;
    TDispatchLog log;
    log.SetClock([&now] { return now; });
    log.Start(32000);
    log.SetTimeBase(1000);
    c.fill(log, now);
    EXPECT_EQ(log.Dump(path, false, c.hex, c.allHex, "COM3", Context), 0);
    EXPECT_EQ(ReadFile(path), Fixture(c.fixture));
    EXPECT_FALSE(log.Exists());
  }
  EXPECT_EQ(Files().size(), std::size(cases));
}

TEST_F(TraceLogTest, LogHeaderCutsMachineAndDateTextsTo80) {
  TDispatchLog log;
  log.Start(100);
  log.Add(TLogType::Trigger, TLogSubType::Avail, 1);
  const std::string text = log.Text(true, false, "COM1", {std::string(90, 'o'), std::string(90, 'd')});
  EXPECT_NE(text.find("\r\nOperating System : " + std::string(80, 'o') + "\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nDate/time: " + std::string(80, 'd') + "\r\n"), std::string::npos);
}

// The entries a log holds after any history must read exactly as a fresh log
// given only those entries: no corrupted header, no stray bytes.
struct TLogEntry {
  uint32_t data;
  uint32_t extraCount;
};

std::string LogOf(uint32_t size, const std::vector<TLogEntry>& entries) {
  TDispatchLog log;
  log.SetClock([] { return 0u; });
  log.Start(size);
  for (const TLogEntry& e : entries) {
    std::vector<uint8_t> extra(e.extraCount, static_cast<uint8_t>('a' + e.data));
    log.Add(TLogType::Dispatch, TLogSubType::ReadCom, e.data, extra.data(), e.extraCount);
  }
  return log.Text(true, false, "COM1", Context);
}

struct TDropCase {
  const char* name;
  uint32_t size;
  std::vector<TLogEntry> added;
  std::vector<TLogEntry> kept;
};

TEST(DispatchLogRingTest, KeepsWholeNewestEntries) {
  const TDropCase cases[] = {
      {"all fit", 100, {{1, 10}, {2, 10}}, {{1, 10}, {2, 10}}},
      {"oldest dropped for a header alone", 60, {{1, 10}, {2, 10}, {3, 0}}, {{2, 10}, {3, 0}}},
      // The header would fit the free space but its bytes would not.
      {"header fits, bytes do not", 70, {{1, 10}, {2, 10}, {3, 12}}, {{2, 10}, {3, 12}}},
      {"entries wrap around the end",
       70,
       {{1, 20}, {2, 4}, {3, 20}, {4, 4}, {5, 9}},
       {{3, 20}, {4, 4}, {5, 9}}},
      {"one entry takes nearly all", 70, {{1, 5}, {2, 5}, {3, 53}}, {{3, 53}}},
      // An entry as large as the ring is refused and the older ones stay.
      {"entry as large as the ring", 70, {{1, 5}, {2, 54}}, {{1, 5}}},
      {"entry larger than the ring", 70, {{1, 5}, {2, 500}}, {{1, 5}}},
  };
  for (const TDropCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LogOf(c.size, c.added), LogOf(c.size, c.kept));
  }
}

TEST_F(TraceLogTest, EmptyDumpLeavesAnEarlierFileUntouched) {
  const std::string trc = Path("zelor.TRC");
  const std::string log = Path("zelor.LOG");
  for (bool started : {false, true}) {
    SCOPED_TRACE(started);
    WriteFile(trc, "old trace");
    WriteFile(log, "old log");
    TTraceRecorder trace;
    TDispatchLog dispatchLog;
    if (started) {
      trace.Start(10);
      dispatchLog.Start(100);
    }
    EXPECT_EQ(trace.Dump(trc, false, true, false), 0);
    EXPECT_EQ(dispatchLog.Dump(log, false, true, false, "COM1", Context), 0);
    EXPECT_EQ(ReadFile(trc), "old trace");
    EXPECT_EQ(ReadFile(log), "old log");
    EXPECT_FALSE(trace.Exists());
    EXPECT_FALSE(dispatchLog.Exists());
  }
}

TEST_F(TraceLogTest, ZeroSizeMeansNoRing) {
  TTraceRecorder trace;
  trace.Start(0);
  trace.Add('T', 'a');
  TDispatchLog log;
  log.Start(0);
  const uint8_t byte = 'a';
  log.Add(TLogType::Dispatch, TLogSubType::WriteCom, 1, &byte, 1);
  EXPECT_FALSE(trace.Exists());
  EXPECT_FALSE(log.Exists());
  EXPECT_EQ(trace.Dump(Path("a.TRC"), false, true, false), 0);
  EXPECT_EQ(log.Dump(Path("a.LOG"), false, true, false, "COM1", Context), 0);
  EXPECT_TRUE(Files().empty());
}

TEST_F(TraceLogTest, AppendAddsAfterTheEarlierFileOrCreatesIt) {
  for (bool existing : {true, false}) {
    SCOPED_TRACE(existing);
    const std::string trc = Path(existing ? "old.TRC" : "new.TRC");
    const std::string log = Path(existing ? "old.LOG" : "new.LOG");
    const std::string before = existing ? "earlier run\r\n" : "";
    if (existing) {
      WriteFile(trc, before);
      WriteFile(log, before);
    }
    TTraceRecorder trace;
    trace.Start(10);
    trace.Add('T', 'a');
    TDispatchLog dispatchLog;
    dispatchLog.Start(100);
    dispatchLog.Add(TLogType::Trigger, TLogSubType::Avail, 1);
    const std::string logText = dispatchLog.Text(true, false, "COM1", Context);
    EXPECT_EQ(trace.Dump(trc, true, true, false), 0);
    EXPECT_EQ(dispatchLog.Dump(log, true, true, false, "COM1", Context), 0);
    EXPECT_EQ(ReadFile(trc), before + "Transmit: \r\na");
    EXPECT_EQ(ReadFile(log), before + logText);
  }
}

TEST_F(TraceLogTest, UnwritableTargetGivesTheErrorAndKeepsTheLog) {
  WriteFile(Path("plain"), "x");
  const std::string readOnly = Path("readonly");
  ASSERT_TRUE(fs::create_directory(readOnly));
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec);
  struct TTarget {
    std::string path;
    int error;
    bool needsUnprivileged;  // permissions do not stop the superuser
  } const targets[] = {
      {Path("missing/zelor.LOG"), -ENOENT, false},
#ifdef _WIN32
      // Windows names a file standing in the path "path not found".
      {Path("plain/zelor.LOG"), -ENOENT, false},
#else
      {Path("plain/zelor.LOG"), -ENOTDIR, false},
      // Folder permissions stop no writer on Windows.
      {readOnly + "/zelor.LOG", -EACCES, true},
#endif
  };
  for (const TTarget& t : targets) {
    SCOPED_TRACE(t.path);
#ifndef _WIN32
    if (t.needsUnprivileged && ::geteuid() == 0) continue;
#endif
    TDispatchLog log;
    log.Start(100);
    log.Add(TLogType::Trigger, TLogSubType::Avail, 7);
    const std::string text = log.Text(true, false, "COM1", Context);
    EXPECT_EQ(log.Dump(t.path, false, true, false, "COM1", Context), t.error);
    EXPECT_TRUE(log.Exists());
    EXPECT_FALSE(log.On());
    // The kept entries can still be written elsewhere.
    EXPECT_EQ(log.Dump(Path("retry.LOG"), false, true, false, "COM1", Context), 0);
    EXPECT_EQ(ReadFile(Path("retry.LOG")), text);

    TTraceRecorder trace;
    trace.Start(10);
    trace.Add('T', 'a');
    EXPECT_EQ(trace.Dump(t.path, false, true, false), t.error);
    EXPECT_FALSE(trace.Exists());
  }
  fs::permissions(readOnly, fs::perms::owner_all);
}

}  // namespace
