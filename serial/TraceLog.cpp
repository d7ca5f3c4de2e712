// Placeholder recorders: they accept every call and record nothing, until
// the real rings and dumps are written.
#include "serial/TraceLog.h"

#include <chrono>

void TTraceRecorder::Start(uint32_t) { on_ = true; }
void TTraceRecorder::Pause() { on_ = false; }
void TTraceRecorder::Resume() { on_ = true; }
void TTraceRecorder::Clear() {}
void TTraceRecorder::Release() { on_ = false; }
void TTraceRecorder::Add(char, uint8_t) {}
int TTraceRecorder::Dump(const std::string&, bool, bool, bool) {
  on_ = false;
  return 0;
}

void TDispatchLog::Start(uint32_t) { on_ = true; }
void TDispatchLog::Pause() { on_ = false; }
void TDispatchLog::Resume() { on_ = true; }
void TDispatchLog::Clear() {}
void TDispatchLog::Release() { on_ = false; }
void TDispatchLog::Add(TLogType, TLogSubType, uint32_t, const uint8_t*, uint32_t) {}
int TDispatchLog::Dump(const std::string&, bool, bool, bool, const std::string&) {
  on_ = false;
  return 0;
}

uint32_t TraceLogClockMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
