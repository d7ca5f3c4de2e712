#include "tools/zelor-sim/tests/LigneEsclave.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using Horloge = std::chrono::steady_clock;

namespace {
int MsRestantes(Horloge::time_point fin) {
  const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(fin - Horloge::now()).count();
  return reste > 0 ? static_cast<int>(reste) : 0;
}
}  // namespace

TLigneEsclave::TLigneEsclave(const QString& chemin) {
  fd_ = open(chemin.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) return;
  termios t{};
  tcgetattr(fd_, &t);
  cfmakeraw(&t);
  tcsetattr(fd_, TCSANOW, &t);
}

TLigneEsclave::~TLigneEsclave() {
  if (fd_ >= 0) close(fd_);
}

void TLigneEsclave::Ecrit(const QByteArray& octets) {
  const ssize_t n = write(fd_, octets.constData(), static_cast<size_t>(octets.size()));
  if (n > 0) ecrits_ += n;
}

QByteArray TLigneEsclave::LitJusqua(char terminateur, std::chrono::milliseconds delai) {
  const auto fin = Horloge::now() + delai;
  QByteArray lu;
  while (lu.isEmpty() || lu.back() != terminateur) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, MsRestantes(fin)) <= 0 || !(p.revents & POLLIN)) break;
    char c;
    if (read(fd_, &c, 1) != 1) break;
    ++lus_;
    lu.append(c);
  }
  return lu;
}

bool TLigneEsclave::AttendRaccrochage(std::chrono::milliseconds delai) {
  const auto fin = Horloge::now() + delai;
  while (Horloge::now() < fin) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, MsRestantes(fin)) <= 0) continue;
    if (p.revents & (POLLHUP | POLLERR)) return true;
    char c;
    if (read(fd_, &c, 1) <= 0) return true;
  }
  return false;
}
