#include "tools/zelor-sim/CarteComPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

namespace {

// Another simulator holds the lock only for one read and one rename.
constexpr int kDelaiVerrouMs = 5000;

struct TLigneCarte {
  int com = 0;  // 0: comment, blank or not a COM line
  QByteArray valeur;
};

TLigneCarte AnalyseLigne(const QByteArray& ligne) {
  const QByteArray texte = ligne.trimmed();
  const qsizetype egal = texte.indexOf('=');
  if (texte.startsWith('#') || egal < 0) return {};
  const QByteArray cle = texte.left(egal).trimmed();
  if (!cle.toUpper().startsWith("COM")) return {};
  bool ok = false;
  const int com = cle.mid(3).toInt(&ok);
  if (!ok || com <= 0) return {};
  return {com, texte.mid(egal + 1).trimmed()};
}

QByteArrayList Lignes(const QByteArray& contenu) {
  QByteArrayList lignes = contenu.split('\n');
  if (!lignes.isEmpty() && lignes.last().isEmpty()) lignes.removeLast();
  return lignes;
}

QByteArray Assemble(const QByteArrayList& lignes) {
  QByteArray texte;
  for (const QByteArray& l : lignes) texte.append(l).append('\n');
  return texte;
}

}  // namespace

QString TCarteComPorts::CheminParDefaut() {
  const QString fichier = qEnvironmentVariable("ZELOR_COMPORTS_FILE");
  if (!fichier.isEmpty()) return fichier;
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/zelor/comports");
}

QByteArray TCarteComPorts::AvecPort(const QByteArray& contenu, int com, const QString& peripherique) {
  QByteArrayList lignes;
  for (const QByteArray& l : Lignes(contenu))
    if (AnalyseLigne(l).com != com) lignes.append(l);
  lignes.append("COM" + QByteArray::number(com) + '=' + peripherique.toLocal8Bit());
  return Assemble(lignes);
}

QByteArray TCarteComPorts::SansPort(const QByteArray& contenu, int com, const QString& peripherique) {
  QByteArrayList lignes;
  for (const QByteArray& l : Lignes(contenu)) {
    const TLigneCarte ligne = AnalyseLigne(l);
    if (ligne.com != com || ligne.valeur != peripherique.toLocal8Bit()) lignes.append(l);
  }
  return Assemble(lignes);
}

TCarteComPorts::~TCarteComPorts() {
  QString ignoree;
  Desinscrit(&ignoree);
}

bool TCarteComPorts::Inscrit(int com, const QString& peripherique, QString* erreur) {
  com_ = com;
  peripherique_ = peripherique;
  if (Reecrit(&AvecPort, erreur)) return true;
  com_ = 0;
  return false;
}

bool TCarteComPorts::Desinscrit(QString* erreur) {
  if (com_ == 0) return true;
  const bool ok = Reecrit(&SansPort, erreur);
  com_ = 0;
  return ok;
}

bool TCarteComPorts::Reecrit(QByteArray (*transforme)(const QByteArray&, int, const QString&),
                             QString* erreur) {
  const QString dossier = QFileInfo(fichier_).absolutePath();
  if (!QDir().mkpath(dossier)) {
    *erreur = QStringLiteral("Impossible de créer le dossier %1").arg(dossier);
    return false;
  }
  QLockFile verrou(fichier_ + QStringLiteral(".lock"));
  if (!verrou.tryLock(kDelaiVerrouMs)) {
    *erreur = QStringLiteral("Carte des ports %1 verrouillée par un autre programme").arg(fichier_);
    return false;
  }
  QByteArray contenu;
  QFile ancien(fichier_);
  if (ancien.exists()) {
    if (!ancien.open(QIODevice::ReadOnly)) {
      *erreur = QStringLiteral("Lecture impossible de %1").arg(fichier_);
      return false;
    }
    contenu = ancien.readAll();
  }
  QSaveFile nouveau(fichier_);
  if (!nouveau.open(QIODevice::WriteOnly) || nouveau.write(transforme(contenu, com_, peripherique_)) < 0 ||
      !nouveau.commit()) {
    *erreur = QStringLiteral("Écriture impossible de %1").arg(fichier_);
    return false;
  }
  return true;
}
