// Where trigger notifications go: the dispatch thread hands each one to the
// target, which runs its handler on the thread that owns it. The program's
// target is the Qt notify window of the port (NotifyWindow.h); the layer
// itself needs nothing but this interface.
#pragma once

#include <cstdint>
#include <memory>

class TDelivery;

constexpr uint32_t TriggerAvailMsg = 0x7E01;
constexpr uint32_t TriggerDataMsg = 0x7E02;
constexpr uint32_t TriggerTimerMsg = 0x7E03;
constexpr uint32_t TriggerStatusMsg = 0x7E04;
constexpr uint32_t ClosePendingMsg = 0x7E0A;
// The device went away; posted once, nobody waits for it.
constexpr uint32_t DeviceGoneMsg = 0x7E0B;

class TNotifyTarget {
 public:
  virtual ~TNotifyTarget() = default;

  // Any thread: queues the delivery for the target's thread, which calls
  // Begin, runs the handler and calls Finish, in posting order.
  virtual void Post(std::shared_ptr<TDelivery> delivery) = 0;
  // Any thread: queues a plain message, nobody waits for it.
  virtual void PostMessage(uint32_t message, uint32_t wParam, uint32_t lParam) = 0;
};
