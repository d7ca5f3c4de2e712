// A whole scan against a model spectrum: a sloping background with two
// absorption bands, read through a baseline that bends near 360 nm.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>

#include "measure/Balayage.h"
#include "measure/tests/FauxPilote.h"

namespace {

double Bande(double w, double centre, double hauteur, double largeur) {
  const double u = (w - centre) / largeur;
  return hauteur * std::exp(-u * u / 2);
}

double Echantillon(int w) {
  return 0.05 + 0.0002 * (w - 400) + Bande(w, 520, 0.8, 9) + Bande(w, 660, 0.4, 12);
}

double Ligne(int w) {
  return 0.02 + 0.03 * std::exp(-std::pow((w - 360) / 20.0, 2));
}

bool DansUneBande(int w) {
  return std::abs(w - 520) <= 30 || std::abs(w - 660) <= 40;
}

TEST(BalayageModele, SpectrumFollowsTheModelWithFewPointsOnFlatStretches) {
  std::array<double, NbCases> pointX{}, pointY{}, spectre{}, blanc{};
  std::uint16_t premier = 0, dernier = 0;
  double valeurParam = 0;
  for (int w = 0; w < NbCases; ++w) blanc[w] = Ligne(w);
  int debut = 400, fin = 800;
  TFauxPilote pilote;
  TBalayage balayage(pilote, {pointX, pointY, spectre, premier, dernier, valeurParam}, {debut, fin, blanc});
  pilote.lecture = [](int w) {
    char texte[32];
    std::snprintf(texte, sizeof texte, "%.5f", Echantillon(w) + Ligne(w));
    return std::string(texte);
  };
  pilote.lambdaInitial = 300;
  TReglages reglages;  // the defaults: PasMax 16, Yseconde 0.002, Precision 4
  reglages.MiniL = 200;
  reglages.MaxiL = 1000;
  balayage.FormActivate(reglages);
  balayage.OKBtnClick();
  pilote.Pompe(balayage);

  ASSERT_EQ(pilote.fermeture, std::optional<bool>(true));
  ASSERT_EQ(premier, 400);
  ASSERT_EQ(dernier, 800);
  EXPECT_EQ(pilote.mode, TModeTrace::mtCourbe);
  // Measured points: the model rounded to the instrument's precision.
  const double arrondi = 0.5e-3 + 1e-9;
  for (int i = 0; i < balayage.NbPoints(); ++i)
    EXPECT_NEAR(pointY[i], Echantillon(static_cast<int>(pointX[i])), arrondi) << pointX[i];
  // Between them the straight lines stay within what the step rule allows:
  // it lets the step grow until step x curvature reaches about Yseconde, so
  // the chord error stays below PasMax x Yseconde / 2, far below the bands.
  const double ecartPermis = reglages.PasMax * reglages.Yseconde / 2 + arrondi;
  for (int w = 400; w <= 800; ++w) EXPECT_NEAR(spectre[w], Echantillon(w), ecartPermis) << w;

  int pointsBandes = 0, pointsPlats = 0;
  for (int i = 0; i < balayage.NbPoints(); ++i)
    (DansUneBande(static_cast<int>(pointX[i])) ? pointsBandes : pointsPlats)++;
  const double nmBandes = 61 + 81, nmPlats = 401 - nmBandes;
  EXPECT_GT(pointsBandes / nmBandes, 2 * pointsPlats / nmPlats)
      << pointsBandes << " points on the bands, " << pointsPlats << " elsewhere";
  EXPECT_LT(balayage.NbPoints(), 401 / 2) << "the adaptive step must save readings";
}

}  // namespace
