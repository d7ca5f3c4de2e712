// Ctrl+C (SIGINT) turned into an ordinary event of the event loop. The signal
// handler only writes a byte to a pipe (all it may safely do); a socket
// notifier reads it on the main thread and calls `SurInterruption` with the
// number of Ctrl+C so far. From the second one on, the next Ctrl+C ends the
// program at once, as without this handler.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

class TInterruption : public QObject {
  Q_OBJECT
 public:
  // Installs the handler; only one may exist at a time.
  TInterruption();
  ~TInterruption() override;  // restores the default handling

  std::function<void(int nombre)> SurInterruption;

 private:
  void Lit();

  std::unique_ptr<QSocketNotifier> notificateur_;
  int nombre_ = 0;
};
