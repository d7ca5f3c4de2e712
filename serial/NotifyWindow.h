// The target of trigger notifications: a small object living on the thread
// that runs the Qt event loop (the user-interface thread). The dispatch
// thread posts each notification to it; the callback runs on the window's
// own thread, in posting order.
#pragma once

#include "serial/NotifyTarget.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class TNotifyWindow : public QObject, public TNotifyTarget {
  Q_OBJECT
 public:
  using THandler = std::function<void(uint32_t message, uint32_t wParam, uint32_t lParam)>;

  explicit TNotifyWindow(THandler handler, QObject* parent = nullptr);

  void Post(std::shared_ptr<TDelivery> delivery) override;
  void PostMessage(uint32_t message, uint32_t wParam, uint32_t lParam) override;

 protected:
  bool event(QEvent* event) override;

 private:
  void Run(uint32_t message, uint32_t wParam, uint32_t lParam);

  THandler handler_;
};
