// What the dispatcher tests share, whatever the line (a pseudo-terminal or a
// line in memory) and whatever the notify target: the dispatcher under test,
// the notifications its handler saw, and the reads and writes the tests do.
#pragma once

#include "serial/DeviceDispatcher.h"
#include "serial/NotifyTarget.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TEvent {
  uint32_t message;
  uint32_t wParam;
  uint32_t lParam;
  std::string read;  // what the handler took
};

// Bytes that tell apart their position in a long stream.
inline std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

class TDispatcherDriver {
 public:
  // The handler of every notification: it takes the announced bytes (unless
  // `takeAnnounced` is off), records the event and runs `onEvent`.
  void Record(uint32_t message, uint32_t wParam, uint32_t lParam) {
    TEvent e{message, wParam, lParam, {}};
    if (message == TriggerAvailMsg && takeAnnounced) {
      for (uint32_t i = 0; i < wParam; ++i) {
        const int b = d->ReadByte();
        if (b >= 0) e.read.push_back(static_cast<char>(b));
      }
    }
    events.push_back(e);
    if (onEvent) onEvent(events.back());
  }

  // Notifications go to `target` from now on.
  void Attach(TNotifyTarget* target) {
    d->RegisterWindowHandler(target);
    d->UpdateHandlerService(TBaseDispatcher::ServicePortInstalled);
  }

  int AddTrigger(const std::string& s, bool ignoreCase = false) {
    return d->AddDataTrigger(reinterpret_cast<const uint8_t*>(s.data()), static_cast<uint32_t>(s.size()),
                             ignoreCase);
  }

  int Write(const std::string& s) {
    return d->WriteBlock(reinterpret_cast<const uint8_t*>(s.data()), static_cast<uint32_t>(s.size()));
  }

  // Block reads of at most `max` bytes until one comes back short.
  std::string ReadBlocks(uint32_t max) {
    std::string got;
    std::vector<uint8_t> buffer(max);
    for (uint32_t n = max; n == max;) {
      n = d->ReadBlock(buffer.data(), max);
      got.append(buffer.begin(), buffer.begin() + n);
    }
    return got;
  }

  std::string TraceText() {
    return d->WithMainLock([](TTraceRecorder& trace, TDispatchLog&) { return trace.Text(true, false); });
  }

  std::string ReadAll() {
    std::string got;
    for (int b = d->ReadByte(); b >= 0; b = d->ReadByte()) got.push_back(static_cast<char>(b));
    return got;
  }

  std::unique_ptr<TDeviceDispatcher> d = std::make_unique<TDeviceDispatcher>();
  std::vector<TEvent> events;
  std::function<void(TEvent&)> onEvent;
  bool takeAnnounced = true;
};
