// Every kind of JCAMP-DX file the program writes, read by an independent
// parser (the npm package jcampconverter, installed by
// scripts/install-deps.sh): the same abscissas and ordinates within the
// digits written.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <vector>

#include "export/FichiersSpectre.h"
#include "export/tests/LecteurJcampIndependant.h"

namespace {

struct Cas {
  const char* nom;
  int premier, dernier, precision;
  std::function<double(int)> absorbance;
};

TEST(LecteurIndependant, LitCeQueLeProgrammeEcrit) {
  const Cas cas[] = {
      {"pic", 350, 750, 4, [](int w) { return 1.2 * std::exp(-std::pow((w - 520) / 40.0, 2)) + 0.01; }},
      {"toute la table", 0, 1024, 4, [](int w) { return 2.5 - w / 512.0; }},  // negative values too
      {"un seul point", 600, 600, 4, [](int) { return 0.75; }},
      {"plafond et zéros", 400, 480, 4, [](int w) { return w % 3 == 0 ? 3.0 : 0.0; }},
      {"précision 2", 500, 560, 2, [](int w) { return w / 1000.0; }},
      {"précision 6", 500, 560, 6, [](int w) { return std::sin(w / 10.0) * 0.4 + 0.5; }},
      {"petites valeurs", 300, 340, 4, [](int w) { return (w - 299) * 1e-5; }},
  };
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  std::vector<TFichierSpectre> spectres;
  QStringList fichiers;
  for (const Cas& c : cas) {
    TFichierSpectre s;
    s.premier = c.premier;
    s.dernier = c.dernier;
    s.precision = c.precision;
    s.commentaire = QString::fromUtf8(c.nom);
    for (int w = c.premier; w <= c.dernier; ++w) s.spectre[w] = c.absorbance(w);
    const QString chemin = dossier.filePath(QStringLiteral("s%1.jdx").arg(spectres.size()));
    QString erreur;
    ASSERT_TRUE(EnregistreSpectre(chemin, s, FormatSpectre::Jcamp, {}, erreur)) << erreur.toStdString();
    spectres.push_back(s);
    fichiers << chemin;
  }
  const std::vector<TLuIndependant> lus = LitJcampIndependant(fichiers);
  ASSERT_EQ(lus.size(), spectres.size());
  for (std::size_t i = 0; i < lus.size(); ++i) {
    const TFichierSpectre& s = spectres[i];
    SCOPED_TRACE(s.commentaire.toStdString());
    EXPECT_EQ(lus[i].titre, s.commentaire);
    const double demiUnite = EcartEcrit(fichiers[int(i)]);
    ASSERT_EQ(lus[i].x.size(), std::size_t(s.dernier - s.premier + 1));
    ASSERT_EQ(lus[i].y.size(), lus[i].x.size());
    for (std::size_t k = 0; k < lus[i].x.size(); ++k) {
      const int w = s.premier + int(k);
      EXPECT_NEAR(lus[i].x[k], w, 1e-9);
      EXPECT_NEAR(lus[i].y[k], s.spectre[w], demiUnite) << w;
    }
  }
}

}  // namespace
