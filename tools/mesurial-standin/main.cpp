// A stand-in for Mesurial, so an export can be seen to arrive: it serves
// "Mesurial" / "ServeurDDE", holds the presence marker "Mesurial", and for
// each "CLIP|LOAD" or "CLIP|ADD" appends the command line and then the
// clipboard text to its output file.
//
//   mesurial-standin [--output F]   (default: ~/mesurial-recu.txt)
#include <QClipboard>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <cstdio>

#include "export/TexteAnsi.h"
#include "platform/Dde.h"
#include "platform/NamedMarker.h"

namespace {

constexpr char kService[] = "Mesurial";
constexpr char kTopic[] = "ServeurDDE";
constexpr char kItem[] = "ServeurItem";
// How often we check that the bus is still there; without it we are useless.
constexpr int kSurveillanceBusMs = 1000;

QByteArray TextePressePapiers() {
  const QMimeData* donnees = QGuiApplication::clipboard()->mimeData();
  if (donnees == nullptr) return {};
  if (donnees->hasFormat(QString::fromLatin1(kFormatTexteAnsi))) {
    return donnees->data(QString::fromLatin1(kFormatTexteAnsi));
  }
  return donnees->text().toLatin1();
}

bool Ajoute(const QString& fichier, const QByteArray& commande) {
  QFile f(fichier);
  if (!f.open(QIODevice::Append)) return false;
  f.write(commande + '\n' + TextePressePapiers());
  return f.flush();
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  QCommandLineParser options;
  options.setApplicationDescription("Mesurial de remplacement : reçoit les exports de zelor");
  options.addHelpOption();
  options.addOption(
      {"output", "Fichier où ajouter ce qui est reçu.", "fichier", QDir::homePath() + "/mesurial-recu.txt"});
  options.process(app);
  const QString sortie = options.value("output");

  // Whoever created the marker, it must exist while we run.
  NamedMarker marqueur;
  marqueur.CreateOrOpen(QString::fromLatin1(kService));

  DdeServeur serveur;
  serveur.SurExecute([&](const QString&, const QByteArray& texte) {
    QByteArray commande = texte;
    while (commande.endsWith('\0')) commande.chop(1);
    const QByteArray nom = commande.toUpper();
    if (nom != "CLIP|LOAD" && nom != "CLIP|ADD") return DdeServeur::Acquittement::NonTraite;
    return Ajoute(sortie, commande) ? DdeServeur::Acquittement::Positif : DdeServeur::Acquittement::NonTraite;
  });
  serveur.SurAvis([](const QString&, const QString& item) { return dde::MemeNom(item, kItem); });
  serveur.SurRequete([](const QString&, const QString& item) -> std::optional<QByteArray> {
    if (!dde::MemeNom(item, kItem)) return std::nullopt;
    return QByteArray("Mesurial");
  });
  if (!serveur.Enregistre(kService, {kTopic})) {
    std::fprintf(stderr, "mesurial-standin : %s\n", qPrintable(serveur.Erreur()));
    return 1;
  }
  // A private bus (a test's) that goes away takes us with it.
  QTimer surveillance;
  QObject::connect(&surveillance, &QTimer::timeout, [] {
    if (!QDBusConnection::sessionBus().isConnected()) QCoreApplication::quit();
  });
  surveillance.start(kSurveillanceBusMs);
  return app.exec();
}
