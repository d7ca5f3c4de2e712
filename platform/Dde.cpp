#include "platform/Dde.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVirtualObject>
#include <QEventLoop>
#include <algorithm>

#include "platform/SaisieRetenue.h"

namespace dde {
namespace {

constexpr char kErreurNonTraite[] = "org.zelor.dde.Error.NotProcessed";
constexpr char kErreurArguments[] = "org.zelor.dde.Error.InvalidArgs";

// Keeps [a-z0-9] (and "-" where allowed), writes every other byte of the
// UTF-8 form as "_xx"; a leading digit is escaped too, as D-Bus requires.
QString Echappe(const QString& nom, bool tiretPermis) {
  const QByteArray octets = nom.toLower().toUtf8();
  QString sortie;
  for (int i = 0; i < octets.size(); ++i) {
    const auto c = static_cast<unsigned char>(octets[i]);
    const bool lettre = c >= 'a' && c <= 'z';
    const bool chiffre = c >= '0' && c <= '9';
    if (lettre || (chiffre && i > 0) || (tiretPermis && c == '-' && i > 0)) {
      sortie += QChar(c);
    } else {
      sortie += QStringLiteral("_%1").arg(c, 2, 16, QChar('0'));
    }
  }
  return sortie;
}

// Whether a program holds `nomBus` on the bus now.
bool NomDetenu(const QDBusConnection& bus, const QString& nomBus, int delaiMs) {
  QDBusMessage proprietaire = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                             "org.freedesktop.DBus", "NameHasOwner");
  proprietaire << nomBus;
  const QDBusMessage a = AppelBloquant(bus, proprietaire, delaiMs);
  return a.type() == QDBusMessage::ReplyMessage && a.arguments().value(0).toBool();
}

}  // namespace

QDBusMessage AppelBloquant(const QDBusConnection& bus, const QDBusMessage& message, int delaiMs) {
  QDBusPendingCall appel = bus.asyncCall(message, delaiMs);
  QDBusPendingCallWatcher veilleur(appel);
  if (!veilleur.isFinished()) {
    const TSaisieRetenue retenue;
    QEventLoop boucle;
    QObject::connect(&veilleur, &QDBusPendingCallWatcher::finished, &boucle, &QEventLoop::quit);
    boucle.exec();
  }
  return appel.reply();
}

QString NomBus(const QString& service) {
  return service.isEmpty() ? QString() : QString::fromLatin1(kPrefixeBus) + Echappe(service, true);
}

QString CheminObjet(const QString& topic) {
  return topic.isEmpty() ? QString() : QStringLiteral("/") + Echappe(topic, false);
}

bool MemeNom(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool ConnexionAcceptee(const QString& serviceDemande, const QString& topicDemande, const QString& service,
                       const QStringList& topics) {
  if (topicDemande.isEmpty()) return false;
  if (!serviceDemande.isEmpty() && !MemeNom(serviceDemande, service)) return false;
  return std::any_of(topics.begin(), topics.end(),
                     [&](const QString& t) { return MemeNom(t, topicDemande); });
}

QString MessageBusAbsent() {
  return QStringLiteral("Liaison DDE indisponible : le bus de session D-Bus est injoignable");
}

}  // namespace dde

// One topic of the server: answers the conversation's methods on its path.
class DdeServeur::Objet : public QDBusVirtualObject {
 public:
  Objet(DdeServeur& serveur, QString topic) : serveur_(serveur), topic_(std::move(topic)) {}

  QString introspect(const QString&) const override {
    return QStringLiteral(
               "<interface name=\"%1\">"
               "<method name=\"Execute\"><arg name=\"command\" type=\"ay\" direction=\"in\"/>"
               "<arg name=\"ack\" type=\"b\" direction=\"out\"/></method>"
               "<method name=\"Request\"><arg name=\"item\" type=\"s\" direction=\"in\"/>"
               "<arg name=\"data\" type=\"ay\" direction=\"out\"/></method>"
               "<method name=\"AdviseStart\"><arg name=\"item\" type=\"s\" direction=\"in\"/>"
               "<arg name=\"accepted\" type=\"b\" direction=\"out\"/></method>"
               "</interface>")
        .arg(QLatin1String(dde::kInterface));
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (!message.interface().isEmpty() && message.interface() != QLatin1String(dde::kInterface)) return false;
    const QString membre = message.member();
    if (membre != QLatin1String("Execute") && membre != QLatin1String("Request") &&
        membre != QLatin1String("AdviseStart")) {
      return false;
    }
    const QVariantList args = message.arguments();
    const bool octets = args.size() == 1 && args[0].metaType() == QMetaType::fromType<QByteArray>();
    const bool texte = args.size() == 1 && args[0].metaType() == QMetaType::fromType<QString>();
    QDBusMessage reponse;
    if (membre == QLatin1String("Execute") && octets) {
      reponse = message.createReply(Execute(args[0].toByteArray()));
    } else if (membre == QLatin1String("Request") && texte) {
      const auto donnees = serveur_.requete_ ? serveur_.requete_(topic_, args[0].toString()) : std::nullopt;
      reponse = donnees ? message.createReply(*donnees)
                        : message.createErrorReply(QString::fromLatin1(dde::kErreurNonTraite), QString());
    } else if (membre == QLatin1String("AdviseStart") && texte) {
      reponse = message.createReply(serveur_.avis_ && serveur_.avis_(topic_, args[0].toString()));
    } else {
      reponse = message.createErrorReply(QString::fromLatin1(dde::kErreurArguments), QString());
    }
    connection.send(reponse);
    return true;
  }

 private:
  bool Execute(const QByteArray& commande) {
    if (!serveur_.execute_) return false;
    return serveur_.execute_(topic_, commande) == Acquittement::Positif;
  }

  DdeServeur& serveur_;
  QString topic_;
};

DdeServeur::DdeServeur(QDBusConnection bus) : bus_(std::move(bus)) {}

DdeServeur::~DdeServeur() {
  Retire();
}

bool DdeServeur::Enregistre(const QString& service, const QStringList& topics) {
  Retire();
  erreur_.clear();
  if (!bus_.isConnected()) {
    erreur_ = dde::MessageBusAbsent();
    return false;
  }
  // The topics first, the name last: a client that sees the name can
  // open a conversation at once.
  for (const QString& topic : topics) {
    auto objet = std::make_unique<Objet>(*this, topic);
    const QString chemin = dde::CheminObjet(topic);
    if (chemin.isEmpty() || !bus_.registerVirtualObject(chemin, objet.get())) continue;
    chemins_ << chemin;
    objets_.push_back(std::move(objet));
  }
  const QString nom = dde::NomBus(service);
  if (nom.isEmpty() || !bus_.registerService(nom)) {
    erreur_ =
        QStringLiteral("Service DDE « %1 » non enregistré : %2").arg(service, bus_.lastError().message());
    Retire();
    return false;
  }
  service_ = nom;
  return true;
}

void DdeServeur::Retire() {
  for (const QString& chemin : std::as_const(chemins_)) bus_.unregisterObject(chemin);
  chemins_.clear();
  objets_.clear();
  if (!service_.isEmpty()) bus_.unregisterService(service_);
  service_.clear();
}

DdeClient::DdeClient(QDBusConnection bus) : bus_(std::move(bus)) {}

bool DdeClient::Connecte(const QString& service, const QString& topic, int delaiMs) {
  Deconnecte();
  erreur_.clear();
  if (!bus_.isConnected()) {
    erreur_ = dde::MessageBusAbsent();
    return false;
  }
  const QString chemin = dde::CheminObjet(topic);
  if (chemin.isEmpty()) {
    erreur_ = QStringLiteral("Conversation DDE sans sujet");
    return false;
  }
  QStringList candidats;
  if (!service.isEmpty()) {
    candidats << dde::NomBus(service);
  } else {
    const auto noms = bus_.interface()->registeredServiceNames();
    for (const QString& nom : noms.value()) {
      if (nom.startsWith(QLatin1String(dde::kPrefixeBus))) candidats << nom;
    }
    candidats.sort();
  }
  for (const QString& nom : std::as_const(candidats)) {
    if (TopicOffert(nom, chemin, delaiMs)) {
      nomBus_ = nom;
      chemin_ = chemin;
      return true;
    }
  }
  erreur_ = QStringLiteral("Conversation DDE non établie avec « %1 » / « %2 »").arg(service, topic);
  return false;
}

bool DdeClient::ServiceEnLigne(const QString& service, int delaiMs) {
  const QString nomBus = dde::NomBus(service);
  return !nomBus.isEmpty() && bus_.isConnected() && dde::NomDetenu(bus_, nomBus, delaiMs);
}

bool DdeClient::TopicOffert(const QString& nomBus, const QString& chemin, int delaiMs) {
  // Asking the bus first makes an absent service fail at once instead of
  // waiting for a time-out.
  if (!dde::NomDetenu(bus_, nomBus, delaiMs)) return false;

  QDBusMessage introspection =
      QDBusMessage::createMethodCall(nomBus, chemin, "org.freedesktop.DBus.Introspectable", "Introspect");
  introspection.setAutoStartService(false);
  const QDBusMessage r = dde::AppelBloquant(bus_, introspection, delaiMs);
  if (r.type() != QDBusMessage::ReplyMessage) return false;
  return r.arguments().value(0).toString().contains(
      QStringLiteral("interface name=\"%1\"").arg(QLatin1String(dde::kInterface)));
}

void DdeClient::Deconnecte() {
  nomBus_.clear();
  chemin_.clear();
}

std::optional<QDBusMessage> DdeClient::Appel(const QString& methode, const QVariantList& args, int delaiMs) {
  if (!EstConnecte()) {
    erreur_ = QStringLiteral("Aucune conversation DDE ouverte");
    return std::nullopt;
  }
  QDBusMessage appel = QDBusMessage::createMethodCall(nomBus_, chemin_, dde::kInterface, methode);
  appel.setAutoStartService(false);
  appel.setArguments(args);
  const QDBusMessage r = dde::AppelBloquant(bus_, appel, delaiMs);
  if (r.type() != QDBusMessage::ReplyMessage) {
    erreur_ = r.errorMessage().isEmpty() ? r.errorName() : r.errorMessage();
    return std::nullopt;
  }
  return r;
}

std::optional<bool> DdeClient::Execute(const QByteArray& commande, int delaiMs) {
  const auto r = Appel(QStringLiteral("Execute"), {commande}, delaiMs);
  if (!r) return std::nullopt;
  return r->arguments().value(0).toBool();
}

bool DdeClient::ExecuteAsync(const QByteArray& commande) {
  if (!EstConnecte()) {
    erreur_ = QStringLiteral("Aucune conversation DDE ouverte");
    return false;
  }
  QDBusMessage appel = QDBusMessage::createMethodCall(nomBus_, chemin_, dde::kInterface, "Execute");
  appel.setAutoStartService(false);
  appel << commande;
  if (bus_.send(appel)) return true;
  erreur_ = bus_.lastError().message();
  return false;
}

std::optional<QByteArray> DdeClient::Requete(const QString& item, int delaiMs) {
  const auto r = Appel(QStringLiteral("Request"), {item}, delaiMs);
  if (!r) return std::nullopt;
  return r->arguments().value(0).toByteArray();
}

bool DdeClient::AvisDemarre(const QString& item, int delaiMs) {
  const auto r = Appel(QStringLiteral("AdviseStart"), {item}, delaiMs);
  return r && r->arguments().value(0).toBool();
}
