#include "platform/Registre.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

// QSettings separates groups with "/"; registry paths use "\".
QString CleSettings(const QString& cle, const QString& valeur) {
  QString chemin = cle;
  chemin.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (chemin.startsWith(QLatin1Char('/'))) chemin.remove(0, 1);
  return chemin.isEmpty() ? valeur : chemin + QLatin1Char('/') + valeur;
}

}  // namespace

QString FichierRegistre() {
  const QString force = qEnvironmentVariable("ZELOR_REGISTRY_FILE");
  if (!force.isEmpty()) return force;
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/zelor/registre.ini");
}

QString LitValeurRegistre(const QString& cle, const QString& valeur) {
  const QString fichier = FichierRegistre();
  if (!QFileInfo::exists(fichier)) return {};
  QSettings settings(fichier, QSettings::IniFormat);
  const QVariant v = settings.value(CleSettings(cle, valeur));
  if (v.metaType() != QMetaType::fromType<QString>()) return {};
  return v.toString();
}

bool EcritValeurRegistre(const QString& cle, const QString& valeur, const QString& texte) {
  const QString fichier = FichierRegistre();
  QDir().mkpath(QFileInfo(fichier).absolutePath());
  QSettings settings(fichier, QSettings::IniFormat);
  settings.setValue(CleSettings(cle, valeur), texte);
  settings.sync();
  return settings.status() == QSettings::NoError;
}
