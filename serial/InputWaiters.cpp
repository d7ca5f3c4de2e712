#include "serial/InputWaiters.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

void TInputWaiters::Wake() {
  std::lock_guard guard(lock_);
  // A loop is only destroyed after it left the list, and Qt drops the events
  // still queued for a destroyed object. A plain event (no slot object
  // shared between the threads) is all a loop needs to quit.
  for (QEventLoop* loop : loops_) QCoreApplication::postEvent(loop, new QEvent(QEvent::Quit));
}

bool TInputWaiters::WaitOnce(std::chrono::steady_clock::time_point deadline,
                             const std::function<bool()>& ready) {
  QEventLoop loop;
  {
    std::lock_guard guard(lock_);
    loops_.push_back(&loop);
  }
  // Checked after registering: bytes stored before this point are seen here,
  // bytes stored after it wake the loop.
  bool result = ready();
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (!result && left.count() > 0) {
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(left);
    loop.exec();
    result = ready();
  }
  std::lock_guard guard(lock_);
  loops_.erase(std::find(loops_.begin(), loops_.end(), &loop));
  return result;
}
