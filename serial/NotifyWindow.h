// The target of trigger notifications: a small object living on the thread
// that runs the Qt event loop (the user-interface thread). The dispatch
// thread posts each notification to it; the callback runs on the window's
// own thread, in posting order.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class TDelivery;

constexpr uint32_t TriggerAvailMsg = 0x7E01;
constexpr uint32_t TriggerDataMsg = 0x7E02;
constexpr uint32_t TriggerTimerMsg = 0x7E03;
constexpr uint32_t TriggerStatusMsg = 0x7E04;
constexpr uint32_t ClosePendingMsg = 0x7E0A;
// The device went away; posted once, nobody waits for it.
constexpr uint32_t DeviceGoneMsg = 0x7E0B;

class TNotifyWindow : public QObject {
  Q_OBJECT
 public:
  using THandler = std::function<void(uint32_t message, uint32_t wParam, uint32_t lParam)>;

  explicit TNotifyWindow(THandler handler, QObject* parent = nullptr);

  // Any thread: queues the delivery for the window's thread.
  void Post(std::shared_ptr<TDelivery> delivery);
  // Any thread: queues a plain message, nobody waits for it.
  void PostMessage(uint32_t message, uint32_t wParam, uint32_t lParam);

 protected:
  bool event(QEvent* event) override;

 private:
  void Run(uint32_t message, uint32_t wParam, uint32_t lParam);

  THandler handler_;
};
