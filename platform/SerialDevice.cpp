#include "platform/SerialDevice.h"

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

// How often a bounded drain looks at the driver's output queue.
constexpr auto DrainPollInterval = std::chrono::milliseconds(2);

}  // namespace

int TSerialDevice::Drain(uint32_t timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const int pending = BytesInOutputQueue();
    if (pending <= 0) return pending;
    if (std::chrono::steady_clock::now() >= deadline) return -ETIMEDOUT;
    std::this_thread::sleep_for(DrainPollInterval);
  }
}

int TSerialDevice::WaitInput(bool, std::chrono::milliseconds timeout) {
  // Only called on a device that says it can wait for input; the dispatcher
  // asks CanWaitInput first.
  std::this_thread::sleep_for(timeout);
  return 0;
}
