// Runs the independent JCAMP-DX reader (node and the npm package
// jcampconverter, installed by scripts/install-deps.sh into the folder named
// by ZELOR_NPM_JCAMP) on files, for tests of any folder.
#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

struct TLuIndependant {
  QString titre;
  std::vector<double> x, y;
};

// Longest time the reader may take for a handful of files on a loaded machine.
inline constexpr int kDelaiLecteurIndependantMs = 120000;

inline std::vector<TLuIndependant> LitJcampIndependant(const QStringList& fichiers) {
  const QString dossier = qEnvironmentVariable("ZELOR_NPM_JCAMP");
  std::vector<TLuIndependant> lus;
  if (!QFile::exists(dossier + QStringLiteral("/node_modules/jcampconverter/package.json"))) {
    ADD_FAILURE() << "jcampconverter absent de " << dossier.toStdString() << " : lancer scripts/install-deps.sh";
    return lus;
  }
  QProcess node;
  node.start(QStringLiteral("node"), QStringList{QStringLiteral(ZELOR_LECTEUR_JCAMP), dossier} + fichiers);
  if (!node.waitForFinished(kDelaiLecteurIndependantMs) || node.exitCode() != 0) {
    ADD_FAILURE() << "lecteur indépendant en échec : " << node.readAllStandardError().toStdString();
    return lus;
  }
  for (const QByteArray& ligne : node.readAllStandardOutput().split('\n')) {
    if (ligne.trimmed().isEmpty()) continue;
    const QJsonObject o = QJsonDocument::fromJson(ligne).object();
    TLuIndependant lu;
    lu.titre = o.value(QStringLiteral("titre")).toString();
    for (const QJsonValue v : o.value(QStringLiteral("x")).toArray()) lu.x.push_back(v.toDouble());
    for (const QJsonValue v : o.value(QStringLiteral("y")).toArray()) lu.y.push_back(v.toDouble());
    lus.push_back(std::move(lu));
  }
  return lus;
}

// Half a unit of the last digit a JCAMP-DX file of ours writes: half its
// ##YFACTOR.
inline double EcartEcrit(const QString& fichier) {
  QFile f(fichier);
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QRegularExpression facteur(QStringLiteral("##YFACTOR=([0-9.eE+-]+)"));
  const auto m = facteur.match(QString::fromUtf8(f.readAll()));
  return m.hasMatch() ? m.captured(1).toDouble() / 2 * (1 + 1e-9) : 0;
}
