// A stand-in for Mesurial, so an export can be seen to arrive: it serves
// "Mesurial" / "ServeurDDE", holds the presence marker "Mesurial", and for
// each "CLIP|LOAD" or "CLIP|ADD" appends the command line and then the
// clipboard text to its output file.
//
//   mesurial-standin [--output F] [--register]   (default: ~/mesurial-recu.txt)
//   mesurial-standin --registered-path
//
// --register puts the stand-in's own command line in the registry stand-in
// as Mesurial's path when none is there, so zelor can start it again;
// --registered-path prints the path zelor would use and exits.
#include <QClipboard>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "export/TexteAnsi.h"
#include "platform/Dde.h"
#include "platform/NamedMarker.h"
#include "platform/Registre.h"

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

constexpr char kCleMesurial[] = "Software\\Mesurial\\Mesurial";
constexpr char kCleLogiciel[] = "Software\\Mesurial";
constexpr char kValeurChemin[] = "Path";
constexpr char kOptionCheminEnregistre[] = "registered-path";

// The path zelor reads: the subkey's value first, then the key's own.
QString CheminEnregistre() {
  const QString chemin = LitValeurRegistre(kCleMesurial, kValeurChemin);
  return chemin.isEmpty() ? LitValeurRegistre(kCleLogiciel, kValeurChemin) : chemin;
}

// One argument as the command line splitter of zelor's launcher reads it.
QString Cite(QString argument) {
  if (!argument.contains(QLatin1Char(' ')) && !argument.contains(QLatin1Char('"'))) return argument;
  argument.replace(QLatin1String("\""), QLatin1String("\"\"\""));
  return QLatin1Char('"') + argument + QLatin1Char('"');
}

void EnregistreSiAbsent(const QString& sortie) {
  if (!CheminEnregistre().isEmpty()) return;
  const QString ligne = Cite(QCoreApplication::applicationFilePath()) + QStringLiteral(" --output ") +
                        Cite(QFileInfo(sortie).absoluteFilePath());
  if (!EcritValeurRegistre(kCleMesurial, kValeurChemin, ligne)) {
    std::fprintf(stderr, "mesurial-standin : registre %s non modifiable\n", qPrintable(FichierRegistre()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Answered without a display, before the GUI application exists.
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--", 2) == 0 && std::strcmp(argv[i] + 2, kOptionCheminEnregistre) == 0) {
      std::printf("%s\n", CheminEnregistre().toLocal8Bit().constData());
      return 0;
    }
  }
  QGuiApplication app(argc, argv);
  QCommandLineParser options;
  options.setApplicationDescription("Mesurial de remplacement : reçoit les exports de zelor");
  options.addHelpOption();
  options.addOption(
      {"output", "Fichier où ajouter ce qui est reçu.", "fichier", QDir::homePath() + "/mesurial-recu.txt"});
  options.addOption(
      {"register", "Inscrit ce programme comme chemin de Mesurial dans le registre s'il n'y en a pas."});
  options.addOption({kOptionCheminEnregistre, "Affiche le chemin de Mesurial inscrit dans le registre."});
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
  if (options.isSet("register")) EnregistreSiAbsent(sortie);
  // A private bus (a test's) that goes away takes us with it.
  QTimer surveillance;
  QObject::connect(&surveillance, &QTimer::timeout, [] {
    if (!QDBusConnection::sessionBus().isConnected()) QCoreApplication::quit();
  });
  surveillance.start(kSurveillanceBusMs);
  return app.exec();
}
