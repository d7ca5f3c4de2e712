// The trace ring and its dump; the clock shared with the dispatch log.
#include "serial/TraceLog.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "platform/SystemInfo.h"
#include "serial/DumpFile.h"
#include "serial/DumpItems.h"

namespace {

// Widest trace line, in columns.
constexpr size_t TraceLineWidth = 78;

std::string BlockHeading(char kind) {
  if (kind == 'T') return "Transmit: ";
  if (kind == 'R') return "Receive: ";
  return std::string("Special-") + kind + ": ";
}

}  // namespace

uint32_t TraceLogClockMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TLogDumpContext TLogDumpContext::Current() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%d/%m/%y, %H:%M:%S", &local);
  return {OperatingSystemDescription(), text};
}

void TTraceRecorder::Start(uint32_t entries) {
  entries = std::min(entries, MaxEntries);
  if (size_ != entries) {
    ring_.assign(static_cast<size_t>(entries) * EntryBytes, '\0');
    size_ = entries;
  }
  position_ = 0;
  wrapped_ = false;
  on_ = true;
}

void TTraceRecorder::Pause() {
  on_ = false;
}
void TTraceRecorder::Resume() {
  on_ = true;
}

void TTraceRecorder::Clear() {
  position_ = 0;
  wrapped_ = false;
}

void TTraceRecorder::Release() {
  std::string().swap(ring_);
  size_ = 0;
  position_ = 0;
  wrapped_ = false;
  on_ = false;
}

void TTraceRecorder::Add(char kind, uint8_t byte) {
  if (!on_ || size_ == 0) return;
  ring_[size_t{position_} * EntryBytes] = kind;
  ring_[size_t{position_} * EntryBytes + 1] = static_cast<char>(byte);
  if (++position_ == size_) {
    position_ = 0;
    wrapped_ = true;
  }
}

std::string TTraceRecorder::Text(bool traceHex, bool traceAllHex) const {
  const uint32_t count = wrapped_ ? size_ : position_;
  const uint32_t oldest = wrapped_ ? position_ : 0;
  std::string out;
  out.reserve(size_t{count} * 2);
  char previous = 0;
  size_t column = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = (size_t{oldest} + i) % size_ * EntryBytes;
    const char kind = ring_[at];
    if (i == 0 || kind != previous) {
      if (i != 0) out += std::string(DumpLineEnd) + DumpLineEnd;
      out += BlockHeading(kind) + DumpLineEnd;
      column = 0;
      previous = kind;
    }
    const std::string item = DumpItem(static_cast<uint8_t>(ring_[at + 1]), traceHex, traceAllHex);
    if (column + item.size() > TraceLineWidth) {
      out += DumpLineEnd;
      column = item.size();
    } else {
      column += item.size();
    }
    out += item;
  }
  return out;
}

int TTraceRecorder::Dump(const std::string& fileName, bool append, bool traceHex, bool traceAllHex) {
  on_ = false;
  if (!wrapped_ && position_ == 0) {
    Release();
    return 0;
  }
  const int status = WriteDumpFile(fileName, Text(traceHex, traceAllHex), append);
  Release();
  return status;
}
