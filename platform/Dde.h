// Our DDE conversation layer over the D-Bus session bus.
//
// A DDE service is a bus name, each of its topics an object path, and the
// conversation's transactions are the methods of one interface:
//   service "Mesurial"   -> bus name "org.zelor.dde.mesurial"
//   topic   "ServeurDDE" -> object path "/serveurdde"
//   Execute(ay command) -> b ack, Request(s item) -> ay, AdviseStart(s item) -> b
// Names are lower-cased before mapping, so they compare without regard to
// case as DDE names do; characters D-Bus does not allow are escaped as "_xx".
// Command texts travel as raw 8-bit bytes.
#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dde {

inline constexpr char kInterface[] = "org.zelor.dde.Conversation";
inline constexpr char kPrefixeBus[] = "org.zelor.dde.";

// "" when the name is empty (no such bus name exists).
QString NomBus(const QString& service);
QString CheminObjet(const QString& topic);
bool MemeNom(const QString& a, const QString& b);

// Whether a server offering `service` and `topics` answers a connection that
// asks for `serviceDemande` / `topicDemande`: an empty service is a wildcard,
// an empty topic is never answered.
bool ConnexionAcceptee(const QString& serviceDemande, const QString& topicDemande, const QString& service,
                       const QStringList& topics);

// Sends a method call and waits for its reply or the time limit. Meanwhile
// the event loop paints, runs timers and serves the bus (a server living in
// the same thread still answers), but user input is held until the wait is
// over (TSaisieRetenue), so no click can start another transaction inside
// this one.
QDBusMessage AppelBloquant(const QDBusConnection& bus, const QDBusMessage& message, int delaiMs);

// Text for the user when the session bus cannot be reached.
QString MessageBusAbsent();

}  // namespace dde

// Server side: one service with its topics on a bus connection. Handlers run
// on the thread of the event loop that delivers the bus messages; the reply to
// a transaction leaves only when its handler has returned.
class DdeServeur {
 public:
  enum class Acquittement { Positif, NonTraite };
  using GestionExecute = std::function<Acquittement(const QString& topic, const QByteArray& commande)>;
  using GestionRequete = std::function<std::optional<QByteArray>(const QString& topic, const QString& item)>;
  using GestionAvis = std::function<bool(const QString& topic, const QString& item)>;

  explicit DdeServeur(QDBusConnection bus = QDBusConnection::sessionBus());
  ~DdeServeur();
  DdeServeur(const DdeServeur&) = delete;
  DdeServeur& operator=(const DdeServeur&) = delete;

  // Takes the service name on the bus and offers the topics; false (with
  // Erreur()) when the bus is absent or the name is already taken.
  bool Enregistre(const QString& service, const QStringList& topics);
  void Retire();
  bool Enregistre() const { return !service_.isEmpty(); }
  QString Erreur() const { return erreur_; }

  // Without a handler, executes are not processed and requests and advises
  // are refused.
  void SurExecute(GestionExecute g) { execute_ = std::move(g); }
  void SurRequete(GestionRequete g) { requete_ = std::move(g); }
  void SurAvis(GestionAvis g) { avis_ = std::move(g); }

 private:
  class Objet;
  friend class Objet;

  QDBusConnection bus_;
  QString service_;
  QStringList chemins_;
  std::vector<std::unique_ptr<Objet>> objets_;
  QString erreur_;
  GestionExecute execute_;
  GestionRequete requete_;
  GestionAvis avis_;
};

// Client side: one conversation at a time. The synchronous transactions keep
// the caller's event loop running while they wait, as DDE's own synchronous
// transactions do, so a server living in the same thread can still answer;
// user input waits until they are over (AppelBloquant).
class DdeClient {
 public:
  explicit DdeClient(QDBusConnection bus = QDBusConnection::sessionBus());

  // Opens a conversation; an empty service connects to the first service on
  // the bus that offers the topic. False (with Erreur()) when nothing answers.
  bool Connecte(const QString& service, const QString& topic, int delaiMs = kDelaiConnexionMs);
  bool EstConnecte() const { return !nomBus_.isEmpty(); }
  // Whether some program offers `service` on the bus now, whoever started it.
  bool ServiceEnLigne(const QString& service, int delaiMs = kDelaiConnexionMs);
  bool BusDisponible() const { return bus_.isConnected(); }
  void Deconnecte();

  // The server's acknowledgement, or nothing when no answer came in time.
  std::optional<bool> Execute(const QByteArray& commande, int delaiMs);
  // Sends the command and returns at once; true when it was handed to the bus.
  bool ExecuteAsync(const QByteArray& commande);
  std::optional<QByteArray> Requete(const QString& item, int delaiMs);
  bool AvisDemarre(const QString& item, int delaiMs);

  QString Erreur() const { return erreur_; }
  QString NomBusConnecte() const { return nomBus_; }

  static constexpr int kDelaiConnexionMs = 1000;

 private:
  bool TopicOffert(const QString& nomBus, const QString& chemin, int delaiMs);
  std::optional<QDBusMessage> Appel(const QString& methode, const QVariantList& args, int delaiMs);

  QDBusConnection bus_;
  QString nomBus_;
  QString chemin_;
  QString erreur_;
};
