// Waits for a condition while the event loop runs, with a generous deadline
// so that a loaded machine does not turn into a failure.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

inline constexpr int kDelaiAttenteTestMs = 20000;
inline constexpr int kPeriodeSondageMs = 10;

inline bool AttendsQue(const std::function<bool()>& condition, int delaiMs = kDelaiAttenteTestMs) {
  QDeadlineTimer limite(delaiMs);
  while (!condition()) {
    if (limite.hasExpired()) return false;
    // Runs the event loop for one polling period, then looks again.
    QEventLoop boucle;
    QTimer::singleShot(kPeriodeSondageMs, &boucle, &QEventLoop::quit);
    boucle.exec();
  }
  return true;
}
