// Marker of a running copy of the program, and the request with which a new
// copy asks the running one to come to the front.
//
// The marker is a local socket in the abstract namespace: the system removes
// it when its process ends, even after a crash, so no stale marker can keep
// the program from starting. Its name carries the user id, so two users of
// one machine each run their own copy.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>

class QLocalSocket;

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Resultat {
    Premiere,        // this copy now holds the marker
    AutreRestauree,  // a running copy answered the restore request: end now
    SansReponse,     // the marker exists but nobody answered: start beside it
  };

  // Time a new copy waits for the running one to answer; it may still be
  // creating its windows.
  static constexpr std::chrono::milliseconds DelaiReponse{3000};

  explicit SingleInstance(const QString& marqueur, QObject* parent = nullptr,
                          std::chrono::milliseconds delaiReponse = DelaiReponse);

  // Takes the marker, or asks the copy that holds it to restore its window.
  Resultat Verifie();

  // The socket name: the marker and the user id.
  static QString NomSocket(const QString& marqueur);

 signals:
  // A later copy asked this one to restore its main window.
  void RestaurationDemandee();

 private:
  Resultat DemandeRestauration();
  void NouvelleConnexion();
  void LitDemande(QLocalSocket* client);

  QString nom_;
  std::chrono::milliseconds delaiReponse_;
  QLocalServer serveur_;  // a child, so it follows moveToThread
};
