#include "platform/NamedMarker.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <cerrno>
#include <cstring>

namespace {
// Room left in sockaddr_un::sun_path after the leading NUL byte.
constexpr int kLongueurMax = sizeof(sockaddr_un::sun_path) - 1;
}  // namespace

NamedMarker::~NamedMarker() {
  Libere();
}

QByteArray NamedMarker::NomAbstrait(const QString& nom) {
  const QByteArray espace = qgetenv("ZELOR_MARKER_NAMESPACE");
  QByteArray complet = "zelor-marker-" + QByteArray::number(static_cast<qulonglong>(getuid())) + "-";
  if (!espace.isEmpty()) complet += espace + "-";
  complet += nom.toUtf8();
  if (complet.size() > kLongueurMax) {
    // A long name still maps to one fixed address.
    complet = "zelor-marker-" + QCryptographicHash::hash(complet, QCryptographicHash::Sha256).toHex();
  }
  return complet;
}

NamedMarker::Etat NamedMarker::CreateOrOpen(const QString& nom) {
  if (Detenu()) Libere();
  const QByteArray abstrait = NomAbstrait(nom);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Etat::Echec;
  sockaddr_un adresse{};
  adresse.sun_family = AF_UNIX;
  std::memcpy(adresse.sun_path + 1, abstrait.constData(), abstrait.size());
  const auto longueur = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + abstrait.size());
  if (bind(fd, reinterpret_cast<const sockaddr*>(&adresse), longueur) == 0) {
    fd_ = fd;
    return Etat::CreeMaintenant;
  }
  const int erreur = errno;
  close(fd);
  return erreur == EADDRINUSE ? Etat::DejaPresent : Etat::Echec;
}

void NamedMarker::Libere() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}
