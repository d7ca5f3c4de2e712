#include "serial/InputWaiters.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

void TInputWaiters::Wake() {
  std::lock_guard guard(lock_);
  for (QAbstractEventDispatcher* dispatcher : waiting_) dispatcher->wakeUp();
}

bool TInputWaiters::Wait(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& ready,
                         const std::function<bool()>& stop) {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (ready()) return true;
  if (!dispatcher) return false;
  {
    std::lock_guard guard(lock_);
    waiting_.push_back(dispatcher);
  }
  const auto left = [deadline] {
    return std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  };
  // Its event ends the wait for events at the deadline.
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (left().count() > 0) timer.start(left());
  });
  timer.start(std::max(left(), std::chrono::milliseconds(0)));
  // Checked after registering: bytes stored before this point are seen by
  // `ready`, a wake-up after it ends the wait for events, even one sent
  // before the wait began.
  bool result = false;
  while (!(result = ready()) && !stop() && std::chrono::steady_clock::now() < deadline)
    dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
  std::lock_guard guard(lock_);
  waiting_.erase(std::find(waiting_.begin(), waiting_.end(), dispatcher));
  return result;
}
