#include "tools/zelor-sim/PseudoTerminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {
constexpr size_t kLongueurChemin = 128;

QString Echec(const char* etape) {
  return QStringLiteral("Pseudo-terminal : échec de %1 (%2)")
      .arg(QLatin1String(etape), QString::fromLocal8Bit(std::strerror(errno)));
}
}  // namespace

bool ConfigureLigneInstrument(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARODD);
  t.c_cflag |= CS7 | PARENB | CSTOPB | CREAD | CLOCAL;
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

TPseudoTerminal::~TPseudoTerminal() {
  Ferme();
}

bool TPseudoTerminal::Ouvre(QString* erreur) {
  Ferme();
  maitre_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (maitre_ < 0) return *erreur = Echec("posix_openpt"), false;
  char chemin[kLongueurChemin];
  if (grantpt(maitre_) != 0 || unlockpt(maitre_) != 0 || ptsname_r(maitre_, chemin, sizeof chemin) != 0) {
    *erreur = Echec("grantpt/unlockpt");
    Ferme();
    return false;
  }
  esclave_ = open(chemin, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (esclave_ < 0 || !ConfigureLigneInstrument(esclave_) ||
      fcntl(maitre_, F_SETFL, fcntl(maitre_, F_GETFL) | O_NONBLOCK) != 0) {
    *erreur = Echec("la configuration du terminal esclave");
    Ferme();
    return false;
  }
  cheminEsclave_ = QString::fromLocal8Bit(chemin);
  return true;
}

int TPseudoTerminal::EnAttenteDeLecture() const {
  int n = 0;
  if (esclave_ < 0 || ioctl(esclave_, FIONREAD, &n) != 0) return 0;
  return n;
}

void TPseudoTerminal::Ferme() {
  if (maitre_ >= 0) close(maitre_);
  if (esclave_ >= 0) close(esclave_);
  maitre_ = esclave_ = -1;
}
