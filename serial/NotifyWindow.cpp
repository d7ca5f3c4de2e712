#include "serial/NotifyWindow.h"

#include "serial/Delivery.h"

#include <QCoreApplication>
#include <QEvent>

#include <mutex>

namespace {

const QEvent::Type NotifyEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

// Taken around each post and once before a posted event is looked at. The
// event queue's own lock already orders the two sides, but a race checker
// cannot see that lock; this one makes the hand-over visible to it.
std::mutex handOver;

class TNotifyEvent : public QEvent {
 public:
  TNotifyEvent(std::shared_ptr<TDelivery> delivery, uint32_t message, uint32_t wParam, uint32_t lParam)
      : QEvent(NotifyEventType),
        delivery(std::move(delivery)),
        message(message),
        wParam(wParam),
        lParam(lParam) {}
  std::shared_ptr<TDelivery> delivery;  // empty for a message nobody waits for
  uint32_t message;
  uint32_t wParam;
  uint32_t lParam;
};

}  // namespace

TNotifyWindow::TNotifyWindow(THandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

void TNotifyWindow::Post(std::shared_ptr<TDelivery> delivery) {
  const uint32_t message = delivery->Message();
  const uint32_t wParam = delivery->WParam();
  const uint32_t lParam = delivery->LParam();
  std::lock_guard order(handOver);
  QCoreApplication::postEvent(this, new TNotifyEvent(std::move(delivery), message, wParam, lParam));
}

void TNotifyWindow::PostMessage(uint32_t message, uint32_t wParam, uint32_t lParam) {
  std::lock_guard order(handOver);
  QCoreApplication::postEvent(this, new TNotifyEvent(nullptr, message, wParam, lParam));
}

bool TNotifyWindow::event(QEvent* event) {
  { std::lock_guard order(handOver); }
  if (event->type() != NotifyEventType) return QObject::event(event);
  auto* notify = static_cast<TNotifyEvent*>(event);
  if (!notify->delivery) {
    Run(notify->message, notify->wParam, notify->lParam);
    return true;
  }
  if (!notify->delivery->Begin()) return true;  // the dispatch thread gave up on it
  Run(notify->message, notify->wParam, notify->lParam);
  notify->delivery->Finish();
  return true;
}

void TNotifyWindow::Run(uint32_t message, uint32_t wParam, uint32_t lParam) {
  if (!handler_) return;
  // A failing handler must not leave the dispatch thread waiting, nor stop
  // later notifications; reporting the error is the handler owner's job.
  try {
    handler_(message, wParam, lParam);
  } catch (...) {
  }
}
