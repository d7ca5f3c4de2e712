#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>
#include <optional>

namespace {

constexpr QByteArrayView Demande = "restaure\n";
constexpr QByteArrayView Reponse = "ok\n";
// A request is one short line; anything longer is not one of ours.
constexpr qint64 LongueurMaxDemande = 64;

// Any local user can reach an abstract socket: only a peer running as the
// same user counts, so another account can neither raise our window nor,
// by taking the name first, keep our program from starting.
bool MemeUtilisateur(const QLocalSocket& socket) {
  ucred identite{};
  socklen_t taille = sizeof identite;
  if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &identite, &taille) != 0) {
    return false;
  }
  return identite.uid == geteuid();
}

}  // namespace

SingleInstance::SingleInstance(const QString& marqueur, QObject* parent,
                               std::chrono::milliseconds delaiReponse)
    : QObject(parent), nom_(NomSocket(marqueur)), delaiReponse_(delaiReponse), serveur_(this) {
  serveur_.setSocketOptions(QLocalServer::AbstractNamespaceOption);
  connect(&serveur_, &QLocalServer::newConnection, this, &SingleInstance::NouvelleConnexion);
}

QString SingleInstance::NomSocket(const QString& marqueur) {
  return marqueur + u'-' + QString::number(geteuid());
}

SingleInstance::Resultat SingleInstance::Verifie() {
  // Two tries: a copy that ends between our listen and our connect leaves
  // the name free again.
  for (int essai = 0; essai < 2; ++essai) {
    if (serveur_.listen(nom_)) return Resultat::Premiere;
    // A marker that cannot be made at all is no reason to refuse to start.
    if (serveur_.serverError() != QAbstractSocket::AddressInUseError) return Resultat::Premiere;
    const Resultat resultat = DemandeRestauration();
    if (resultat != Resultat::Premiere) return resultat;
  }
  return Resultat::SansReponse;
}

// Premiere here means "nobody listens on the name any more".
SingleInstance::Resultat SingleInstance::DemandeRestauration() {
  QLocalSocket socket;
  socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
  const QDeadlineTimer limite(delaiReponse_);
  socket.connectToServer(nom_);
  if (!socket.waitForConnected(int(limite.remainingTime()))) {
    const auto erreur = socket.error();
    const bool personne =
        erreur == QLocalSocket::ServerNotFoundError || erreur == QLocalSocket::ConnectionRefusedError;
    return personne ? Resultat::Premiere : Resultat::SansReponse;
  }
  if (!MemeUtilisateur(socket)) return Resultat::SansReponse;
  socket.write(Demande.data(), Demande.size());
  while (!socket.canReadLine()) {
    if (limite.hasExpired() || !socket.waitForReadyRead(int(limite.remainingTime()))) {
      return Resultat::SansReponse;
    }
  }
  return socket.readLine(LongueurMaxDemande) == Reponse ? Resultat::AutreRestauree : Resultat::SansReponse;
}

void SingleInstance::NouvelleConnexion() {
  while (QLocalSocket* client = serveur_.nextPendingConnection()) {
    if (!MemeUtilisateur(*client)) {
      client->abort();
      client->deleteLater();
      continue;
    }
    connect(client, &QLocalSocket::readyRead, this, [this, client] { LitDemande(client); });
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    // A client that connects and says nothing is dropped.
    QTimer::singleShot(delaiReponse_, client, [client] {
      client->abort();
      client->deleteLater();
    });
    LitDemande(client);
  }
}

void SingleInstance::LitDemande(QLocalSocket* client) {
  if (!client->canReadLine()) {
    if (client->bytesAvailable() > LongueurMaxDemande) client->abort();
    return;
  }
  const bool restauration = client->readLine(LongueurMaxDemande) == Demande;
  if (restauration) {
    client->write(Reponse.data(), Reponse.size());
    client->flush();
  }
  client->disconnectFromServer();
  if (restauration) emit RestaurationDemandee();
}
