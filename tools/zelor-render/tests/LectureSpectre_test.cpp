#include "tools/zelor-render/LectureSpectre.h"
#include "app/Labutil.h"
#include "tools/zelor-render/RemplitGraphe.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

TEST(LitSpectre, ColonnesCommentairesEtVirgules) {
  std::istringstream texte("# lambda A\n\n400\t0.5\n  410 0,75   # virgule admise\n420 1e-1\n");
  std::vector<PointSpectre> points;
  std::string erreur;
  ASSERT_TRUE(LitSpectre(texte, points, erreur)) << erreur;
  ASSERT_EQ(points.size(), 3U);
  EXPECT_EQ(points[1].longueurOnde, 410);
  EXPECT_EQ(points[1].absorbance, 0.75);
  EXPECT_DOUBLE_EQ(points[2].absorbance, 0.1);
}

struct CasErreur {
  const char* texte;
  const char* message;
};

class LitSpectreErreurTest : public ::testing::TestWithParam<CasErreur> {};

TEST_P(LitSpectreErreurTest, MessageAvecLaLigne) {
  std::istringstream texte(GetParam().texte);
  std::vector<PointSpectre> points;
  std::string erreur;
  EXPECT_FALSE(LitSpectre(texte, points, erreur));
  EXPECT_EQ(erreur, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, LitSpectreErreurTest,
    ::testing::Values(
        CasErreur{"400 0.5\n410\n", "Ligne 2 : deux colonnes attendues (longueur d'onde, absorbance)"},
        CasErreur{"400 0.5 9\n", "Ligne 1 : deux colonnes attendues (longueur d'onde, absorbance)"},
        CasErreur{"#\n400 abc\n", "Ligne 2 : nombre illisible"},
        CasErreur{"1025 0.5\n", "Ligne 1 : longueur d'onde hors de 0 à 1024 nm"},
        CasErreur{"-1 0.5\n", "Ligne 1 : longueur d'onde hors de 0 à 1024 nm"}));

TEST(RemplitGraphe, InterpoleAuNanometre) {
  auto graphe = std::make_unique<Tgraphe>();
  std::string erreur;
  ASSERT_TRUE(RemplitGraphe({{410.5, 2}, {400, 0}, {420, 1}}, false, ValeurIndefinie, *graphe, erreur));
  EXPECT_EQ(graphe->modeTrace, mtCourbe);
  EXPECT_EQ(graphe->premier, 400);
  EXPECT_EQ(graphe->dernier, 420);
  EXPECT_DOUBLE_EQ(graphe->spectre[405], 5 * 2 / 10.5);
  EXPECT_DOUBLE_EQ(graphe->spectre[415], 2 - 4.5 / 9.5);
  EXPECT_EQ(graphe->mondeX.mini, 400);
  EXPECT_EQ(graphe->mondeX.maxi, 420);
  EXPECT_EQ(graphe->mondeY.mini, 0);
  EXPECT_DOUBLE_EQ(graphe->mondeY.maxi, 2.2);
}

TEST(RemplitGraphe, PointsDansLesSlots) {
  auto graphe = std::make_unique<Tgraphe>();
  std::string erreur;
  ASSERT_TRUE(RemplitGraphe({{500, 0.3}, {400, 0.1}}, true, 3, *graphe, erreur));
  EXPECT_EQ(graphe->modeTrace, mtPoints);
  EXPECT_EQ(graphe->pointX[0], 400);
  EXPECT_EQ(graphe->pointY[1], 0.3);
  EXPECT_EQ(graphe->pointX[2], 0);
  EXPECT_EQ(graphe->mondeY.maxi, 3);
  std::vector<PointSpectre> tropDePoints(NbSlots + 1, PointSpectre{500, 1});
  EXPECT_FALSE(RemplitGraphe(tropDePoints, true, 3, *graphe, erreur));
  EXPECT_EQ(erreur, "Trop de points : au plus 1025");
  EXPECT_FALSE(RemplitGraphe({{500, 1}}, false, 3, *graphe, erreur));
}

}  // namespace
