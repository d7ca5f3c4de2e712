#include "graph/Graphe.h"
#include "app/Labutil.h"
#include "graph/TexteMesurial.h"
#include "graph/tests/CanvasEnregistreur.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using Textes = std::vector<std::string>;
const QColor Gris(128, 128, 128);
const QColor Bleu(0, 0, 255);

// A graph named as the main window names it, drawn on a recording canvas.
class GrapheFixture : public ::testing::Test {
 protected:
  GrapheFixture() {
    graphe->mondeX.nom = std::string(1, CodeLambda);
    graphe->mondeX.unite = "nm";
    graphe->mondeY.nom = "A";
    graphe->canvas = &canvas;
  }
  void Dessine(int largeur, int hauteur) {
    canvas = CanvasEnregistreur();
    graphe->cadre = {0, 0, largeur, hauteur};
    graphe->Dessine();
  }
  Textes EtiquettesX() const {
    Textes r;
    const int y = graphe->zoneTrace.bottom + graphe->marge;
    for (const auto& t : canvas.textes)
      if (t.y == y && t.texte != Titre(graphe->mondeX)) r.push_back(t.texte);
    return r;
  }
  Textes EtiquettesY() const {
    Textes r;
    for (const auto& t : canvas.textes)
      if (t.x == graphe->cadre.left + graphe->marge && t.y != graphe->cadre.top) r.push_back(t.texte);
    return r;
  }
  static std::string Titre(const Tmonde& m) {
    return m.unite.empty() ? m.nom.Texte() : m.nom.Texte() + "(" + m.unite.Texte() + ")";
  }

  std::unique_ptr<Tgraphe> graphe = std::make_unique<Tgraphe>();
  CanvasEnregistreur canvas;
};

TEST_F(GrapheFixture, NouveauGrapheVide) {
  Tgraphe g;
  EXPECT_EQ(g.modeTrace, mtRien);
  EXPECT_EQ(g.mondeX.mini, 0);
  EXPECT_EQ(g.mondeX.maxi, 255);
  EXPECT_EQ(g.mondeY.pente, 1);
  EXPECT_FALSE(g.mondeX.gradue);
  for (int i = 0; i < NbSlots; ++i) ASSERT_TRUE(g.pointX[i] == 0 && g.pointY[i] == 0 && g.spectre[i] == 0);
  EXPECT_EQ(g.premier, 0);
  EXPECT_EQ(g.dernier, 0);
  EXPECT_EQ(g.valeurParam, 0);
  EXPECT_TRUE(g.commentaire.empty());
}

struct CasTailles {
  int hauteur;
  int hauteurLigne, marge, largeurCar, demiMarque;
};

class TaillesTest : public GrapheFixture, public ::testing::WithParamInterface<CasTailles> {};

TEST_P(TaillesTest, TexteEtMarqueSelonLaHauteur) {
  const auto& c = GetParam();
  Dessine(800, c.hauteur);
  EXPECT_EQ(graphe->hauteurLigne, c.hauteurLigne);
  EXPECT_EQ(graphe->marge, c.marge);
  EXPECT_EQ(graphe->largeurCar, c.largeurCar);
  EXPECT_EQ(graphe->demiMarque, c.demiMarque);
  EXPECT_EQ(canvas.police, NomPoliceMesurial);
  EXPECT_EQ(canvas.hauteurPolice, c.hauteurLigne);
}

INSTANTIATE_TEST_SUITE_P(Cas, TaillesTest,
                         ::testing::Values(CasTailles{447, 13, 4, 8, 1}, CasTailles{448, 16, 5, 10, 1},
                                           CasTailles{511, 16, 5, 10, 1}, CasTailles{512, 16, 5, 10, 2},
                                           CasTailles{608, 20, 6, 13, 2}, CasTailles{40, 13, 4, 8, 1},
                                           CasTailles{-30, 13, 4, 8, 1}, CasTailles{1200, 20, 6, 13, 4}));

struct CasAxes {
  const char* nom;
  double xmin, xmax, ymin, ymax;
  int largeur, hauteur;
  bool denseX, denseY;
  Textes etiquettesX, etiquettesY;
};

class AxesTest : public GrapheFixture, public ::testing::WithParamInterface<CasAxes> {};

TEST_P(AxesTest, GraduationsEtiquetees) {
  const auto& c = GetParam();
  graphe->SetBornes(c.xmin, c.ymin, c.xmax, c.ymax);
  Dessine(c.largeur, c.hauteur);
  EXPECT_EQ(graphe->mondeX.dense, c.denseX);
  EXPECT_EQ(graphe->mondeY.dense, c.denseY);
  EXPECT_EQ(EtiquettesX(), c.etiquettesX);
  EXPECT_EQ(EtiquettesY(), c.etiquettesY);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, AxesTest,
    ::testing::Values(
        // The graduation at maxi (1000 nm, 3 A) and the one on the axis line (0 A) are not drawn.
        CasAxes{"large",
                325,
                1000,
                0,
                3,
                1000,
                600,
                true,
                true,
                {"400", "500", "600", "700", "800", "900"},
                {"0.5", "1", "1.5", "2", "2.5"}},
        CasAxes{"etroit", 325, 1000, 0, 3, 300, 150, false, false, {"400", "600", "800"}, {"1", "2"}},
        // Single-precision steps leave a tiny remainder near zero; it reads 0 and the
        // count goes on from exactly 0.
        CasAxes{"zeroVertical",
                325,
                1000,
                -0.25,
                0.5,
                1000,
                600,
                true,
                true,
                {"400", "500", "600", "700", "800", "900"},
                {"-0.2", "-0.1", "0", "0.1", "0.2", "0.3", "0.4"}},
        CasAxes{"zeroHorizontal",
                -0.3,
                1.2,
                0,
                3,
                1000,
                600,
                true,
                true,
                {"-0.2", "0", "0.2", "0.4", "0.6", "0.8", "1"},
                {"0.5", "1", "1.5", "2", "2.5"}},
        CasAxes{"negatif",
                -900,
                -100,
                -3,
                -1,
                1000,
                600,
                true,
                true,
                {"-800", "-700", "-600", "-500", "-400", "-300", "-200"},
                {"-2.5", "-2", "-1.5"}},
        CasAxes{"minuscule",
                0,
                1e-6,
                0,
                1.9e-5,
                1000,
                600,
                true,
                true,
                {"2E-7", "4E-7", "6E-7", "8E-7"},
                {"2E-6", "4E-6", "6E-6", "8E-6", "1E-5", "1.2E-5", "1.4E-5", "1.6E-5", "1.8E-5"}},
        CasAxes{"immense",
                0,
                5e12,
                0,
                3e4,
                1000,
                600,
                true,
                true,
                {"1E12", "2E12", "3E12", "4E12"},
                {"5E3", "1E4", "1.5E4", "2E4", "2.5E4"}}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST_F(GrapheFixture, TitresDesAxes) {
  graphe->SetBornes(325, 0, 1000, 3);
  Dessine(1000, 600);
  const int largeurTitreX = 5 * graphe->largeurCar;
  bool titreX = false;
  bool titreY = false;
  for (const auto& t : canvas.textes) {
    if (t.texte == "\x88(nm)")
      titreX = t.x == 1000 - largeurTitreX && t.y == graphe->zoneTrace.bottom + graphe->marge;
    // An empty unit: the name alone.
    if (t.texte == "A") titreY = t.x == graphe->marge && t.y == 0;
  }
  EXPECT_TRUE(titreX);
  EXPECT_TRUE(titreY);
  EXPECT_EQ(canvas.couleurTexte, Gris);
  ASSERT_EQ(canvas.remplis.size(), 1U);
  EXPECT_EQ(canvas.remplis[0], graphe->cadre);
  EXPECT_EQ(canvas.brosse, QColor(255, 255, 255));
}

TEST_F(GrapheFixture, EtiquetteProcheDuTitreOmiseMaisGrilleTracee) {
  graphe->mondeX.unite = "nanometres";
  graphe->SetBornes(0, 0, 1000, 3);
  Dessine(400, 300);
  // 13-pixel text: the plot runs from 36 to 396 and the 13-character title
  // starts at 400 - 13 * 8 = 296, which the label of 800 (at 324) would reach.
  EXPECT_EQ(EtiquettesX(), (Textes{"200", "400", "600"}));
  std::vector<int> grille;
  for (const auto& t : canvas.Traits(StylePlume::Pointille, Gris))
    if (t.x1 == t.x2 && t.y1 == graphe->zoneTrace.top && t.y2 == graphe->zoneTrace.bottom)
      grille.push_back(t.x1);
  EXPECT_EQ(grille, (std::vector<int>{108, 180, 252, 324}));
}

TEST_F(GrapheFixture, SansPlaceSeulesLesLignesDuZeroPleines) {
  graphe->SetBornes(-10, -1, 10, 1);
  Dessine(100, 60);
  EXPECT_FALSE(graphe->mondeX.gradue);
  EXPECT_FALSE(graphe->mondeY.gradue);
  EXPECT_TRUE(canvas.textes.empty());
  const Rect& z = graphe->zoneTrace;
  const int px0 = graphe->mondeX.Ecran(0);
  const int py0 = graphe->mondeY.Ecran(0);
  ASSERT_EQ(canvas.traits.size(), 2U);
  EXPECT_EQ(canvas.Traits(StylePlume::Plein, Gris).size(), 2U);
  EXPECT_EQ(canvas.traits[0].x1, px0);
  EXPECT_EQ(canvas.traits[0].y1, z.bottom);
  EXPECT_EQ(canvas.traits[0].y2, z.top);
  EXPECT_EQ(canvas.traits[1].y1, py0);
  EXPECT_EQ(canvas.traits[1].x1, z.left);
  EXPECT_EQ(canvas.traits[1].x2, z.right);
}

TEST_F(GrapheFixture, MiseEnPageDuCadre) {
  graphe->cadre = {10, 20, 1010, 620};
  canvas = CanvasEnregistreur();
  graphe->Dessine();
  // 16-pixel text: margin 5, character 10; room left for the vertical labels,
  // above for its title, below for the horizontal labels.
  EXPECT_EQ(graphe->zoneTrace, (Rect{10 + 5 + 40, 20 + 5 + 16, 1010 - 5, 620 - 5 - 16}));
  EXPECT_EQ(graphe->mondeX.Ecran(graphe->mondeX.mini), graphe->zoneTrace.left);
  EXPECT_EQ(graphe->mondeX.Ecran(graphe->mondeX.maxi), graphe->zoneTrace.right);
  EXPECT_EQ(graphe->mondeY.Ecran(graphe->mondeY.mini), graphe->zoneTrace.bottom);
  EXPECT_EQ(graphe->mondeY.Ecran(graphe->mondeY.maxi), graphe->zoneTrace.top);
}

struct CasDegenere {
  const char* nom;
  double xmin, xmax, ymin, ymax;
};

class BornesDegenereesTest : public GrapheFixture, public ::testing::WithParamInterface<CasDegenere> {};

TEST_P(BornesDegenereesTest, DessinSainEtFini) {
  const auto& c = GetParam();
  graphe->mondeX.mini = c.xmin;  // written directly, as the owner may
  graphe->mondeX.maxi = c.xmax;
  graphe->SetBornes(graphe->mondeX.mini, c.ymin, graphe->mondeX.maxi, c.ymax);
  graphe->modeTrace = mtCourbe;
  graphe->premier = 0;
  graphe->dernier = 1024;
  Dessine(1000, 600);
  EXPECT_LT(graphe->mondeX.mini, graphe->mondeX.maxi);
  EXPECT_LT(graphe->mondeY.mini, graphe->mondeY.maxi);
  EXPECT_LE(canvas.textes.size(), 40U);
  for (const auto& t : canvas.textes) EXPECT_EQ(t.texte.find('?'), std::string::npos) << t.texte;
  const Rect& z = graphe->zoneTrace;
  for (const auto& t : canvas.Traits(StylePlume::Pointille, Gris)) {
    EXPECT_TRUE(t.x1 >= z.left && t.x1 <= z.right && t.y1 >= z.top && t.y1 <= z.bottom);
  }
}

const double Nan = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Cas, BornesDegenereesTest,
                         ::testing::Values(CasDegenere{"egales", 500, 500, 2, 2},
                                           CasDegenere{"indefinies", ValeurIndefinie, 1000, 0,
                                                       ValeurIndefinie},
                                           CasDegenere{"nonNombres", Nan, Inf, -Inf, Nan},
                                           CasDegenere{"inversees", 1000, 200, 0, -1},
                                           // Single precision cannot step 20 past 1E9: the count stops.
                                           CasDegenere{"pasNoye", 1e9, 1e9 + 100, 0, 3},
                                           CasDegenere{"horsSimplePrecision", -1e300, 1e300, 0, 3},
                                           CasDegenere{"infime", 0, 1e-320, 0, 3}),
                         [](const auto& info) { return std::string(info.param.nom); });

TEST_F(GrapheFixture, EcranXYTrouSurValeurInvalide) {
  graphe->SetBornes(0, 0, 100, 3);
  graphe->cadre = {0, 0, 1000, 600};
  graphe->MiseEnPage();
  int px = 0;
  int py = 0;
  graphe->EcranXY(50, 1.5, px, py);
  EXPECT_EQ(px, graphe->mondeX.Ecran(50));
  EXPECT_EQ(py, graphe->mondeY.Ecran(1.5));
  const std::pair<double, double> invalides[] = {
      {ValeurIndefinie, 1}, {50, ValeurIndefinie}, {Nan, 1}, {50, Inf}, {1e30, 1}, {50, -1e300}};
  for (const auto& [x, y] : invalides) {
    graphe->EcranXY(x, y, px, py);
    EXPECT_EQ(px, -1) << x << ' ' << y;
    EXPECT_EQ(py, -1) << x << ' ' << y;
  }
}

TEST_F(GrapheFixture, CourbeCoupeeParValeurIndefinie) {
  graphe->SetBornes(400, 0, 500, 1);
  graphe->premier = 410;
  graphe->dernier = 490;
  for (int w = 410; w <= 490; ++w) graphe->spectre[w] = 0.5;
  graphe->spectre[450] = ValeurIndefinie;
  graphe->spectre[451] = Nan;
  graphe->modeTrace = mtCourbe;
  Dessine(1000, 600);
  const auto bleus = canvas.Traits(StylePlume::Plein, Bleu);
  EXPECT_EQ(canvas.levers, 2);
  // 410..449 and 452..490: one segment fewer than points in each piece.
  EXPECT_EQ(bleus.size(), 39U + 38U);
  const int x449 = graphe->mondeX.Ecran(449);
  const int x452 = graphe->mondeX.Ecran(452);
  for (const auto& t : bleus) EXPECT_FALSE(t.x1 < x452 && t.x2 > x449) << t.x1 << "-" << t.x2;
}

struct CasPlage {
  int premier, dernier;
  size_t segments;
};

class PlageCourbeTest : public GrapheFixture, public ::testing::WithParamInterface<CasPlage> {};

TEST_P(PlageCourbeTest, BorneeAuxTableaux) {
  graphe->SetBornes(0, 0, 1024, 1);
  graphe->premier = static_cast<std::uint16_t>(GetParam().premier);
  graphe->dernier = static_cast<std::uint16_t>(GetParam().dernier);
  graphe->spectre.fill(0.5);
  graphe->modeTrace = mtCourbe;
  Dessine(1000, 600);
  EXPECT_EQ(canvas.Traits(StylePlume::Plein, Bleu).size(), GetParam().segments);
}

INSTANTIATE_TEST_SUITE_P(Cas, PlageCourbeTest,
                         ::testing::Values(CasPlage{0, 1024, 1024}, CasPlage{1000, 65535, 24},
                                           CasPlage{1024, 65535, 0}, CasPlage{2000, 3000, 0},
                                           CasPlage{600, 500, 0}, CasPlage{0, 0, 0}));

TEST_F(GrapheFixture, MarquesDesPointsMesures) {
  graphe->SetBornes(400, 0, 600, 1);
  graphe->PlacePoint(0, 450, 0.5);
  graphe->PlacePoint(1, 500, ValeurIndefinie);  // cannot be placed: left out
  graphe->PlacePoint(1024, 550, 0.25);
  graphe->modeTrace = mtPoints;
  Dessine(1000, 600);
  ASSERT_EQ(canvas.rectangles.size(), 2U);
  const int dm = graphe->demiMarque;
  const int px = graphe->mondeX.Ecran(450);
  const int py = graphe->mondeY.Ecran(0.5);
  EXPECT_EQ(canvas.rectangles[0], (Rect{px - dm, py - dm, px + dm, py + dm}));
  EXPECT_EQ(canvas.rectangles[1].left, graphe->mondeX.Ecran(550) - dm);
}

TEST_F(GrapheFixture, DessinePointRefuseLesSlotsHorsTableau) {
  graphe->SetBornes(400, 0, 600, 1);
  Dessine(1000, 600);
  graphe->PlacePoint(5, 500, 0.5);
  graphe->PlacePoint(6, 900, 0.5);  // right of the cadre
  EXPECT_FALSE(graphe->PlacePoint(1025, 500, 0.5));
  EXPECT_FALSE(graphe->PlacePoint(-1, 500, 0.5));
  EXPECT_FALSE(graphe->PlaceSpectre(1025, 0.5));
  EXPECT_TRUE(graphe->PlaceSpectre(1024, 0.5));
  canvas.rectangles.clear();
  for (int slot : {-1, 1025, 65535, 70000, 6}) graphe->DessinePoint(slot);
  EXPECT_TRUE(canvas.rectangles.empty());
  graphe->DessinePoint(5);
  ASSERT_EQ(canvas.rectangles.size(), 1U);
  Rect zone;
  ASSERT_TRUE(graphe->RectMarque(5, zone));
  EXPECT_EQ(canvas.rectangles[0], zone);
  graphe->canvas = nullptr;
  graphe->DessinePoint(5);
  graphe->Dessine();
}

TEST(TexteMesurial, LambdaEtLatin1) {
  EXPECT_EQ(VersUnicode("\x88(nm)"), QString::fromUtf8("\u03bb(nm)"));
  EXPECT_EQ(VersUnicode("\xe9t\xe9"), QString::fromUtf8("\u00e9t\u00e9"));
}

TEST(ChaineCourte, CoupeALaCapacite) {
  Tmonde m;
  m.nom = "Absorbance";
  EXPECT_EQ(m.nom.Vue(), "Absorban");
  m.unite = std::string(30, 'u');
  EXPECT_EQ(m.unite.size(), 20U);
}

}  // namespace
