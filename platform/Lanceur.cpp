#include "platform/Lanceur.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

bool Executable(const QString& chemin) {
  const QFileInfo info(chemin);
  return info.isAbsolute() && info.isFile() && info.isExecutable();
}

// Only absolute PATH entries: an empty or relative one would mean the
// current folder.
QStringList DossiersPath() {
  QStringList dossiers;
  const auto entrees = qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
  for (const QString& d : entrees) {
    if (QDir::isAbsolutePath(d)) dossiers << d;
  }
  return dossiers;
}

}  // namespace

CommandeResolue ResoudCommande(const QString& ligne) {
  if (ligne.trimmed().isEmpty()) return {};
  if (Executable(ligne)) return {ligne, {}};
  QStringList parties = QProcess::splitCommand(ligne);
  if (parties.isEmpty()) return {};
  const QString programme = parties.takeFirst();
  if (programme.contains(QLatin1Char('/'))) {
    return Executable(programme) ? CommandeResolue{programme, parties} : CommandeResolue{};
  }
  const QStringList dossiers = DossiersPath();
  if (dossiers.isEmpty()) return {};
  const QString trouve = QStandardPaths::findExecutable(programme, dossiers);
  return trouve.isEmpty() ? CommandeResolue{} : CommandeResolue{trouve, parties};
}

bool LanceCommande(const QString& ligne) {
  const CommandeResolue c = ResoudCommande(ligne);
  if (c.programme.isEmpty()) return false;
  return QProcess::startDetached(c.programme, c.arguments);
}
