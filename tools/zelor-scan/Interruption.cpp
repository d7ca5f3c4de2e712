#include "tools/zelor-scan/Interruption.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace {

int tube[2] = {-1, -1};

void SurSignal(int) {
  const int sauve = errno;
  const char octet = 1;
  [[maybe_unused]] const ssize_t n = ::write(tube[1], &octet, 1);
  errno = sauve;
}

}  // namespace

TInterruption::TInterruption() {
  if (::pipe2(tube, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notificateur_ = std::make_unique<QSocketNotifier>(tube[0], QSocketNotifier::Read);
  connect(notificateur_.get(), &QSocketNotifier::activated, this, &TInterruption::Lit);
  struct sigaction action {};
  action.sa_handler = SurSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
}

TInterruption::~TInterruption() {
  std::signal(SIGINT, SIG_DFL);
  notificateur_.reset();
  for (int& fd : tube) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void TInterruption::Lit() {
  char octets[16];
  ssize_t n = 0;
  while ((n = ::read(tube[0], octets, sizeof octets)) > 0) {
    for (ssize_t i = 0; i < n; ++i) {
      ++nombre_;
      // Past the second Ctrl+C the user wants out, whatever runs.
      if (nombre_ == 2) std::signal(SIGINT, SIG_DFL);
      if (SurInterruption) SurInterruption(nombre_);
    }
  }
}
