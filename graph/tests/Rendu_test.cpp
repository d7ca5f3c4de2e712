// The kernel drawn through QPainter on an image: checks what a user would see.
#include "app/Labutil.h"
#include "graph/Graphe.h"
#include "graph/QPainterCanvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr QRgb BleuPur = 0xff0000ff;

class RenduFixture : public ::testing::Test {
 protected:
  static constexpr int Largeur = 800;
  static constexpr int Hauteur = 500;

  RenduFixture() : image(Largeur, Hauteur, QImage::Format_RGB32) {
    image.fill(Qt::black);  // anything the kernel does not paint stays black
    graphe->mondeX.nom = "\x88";
    graphe->mondeX.unite = "nm";
    graphe->mondeY.nom = "A";
    graphe->SetBornes(300, 0, 800, 1);
    // A band centred on 550 nm above a 0.1 baseline, so the curve stays off the axis line.
    graphe->premier = 350;
    graphe->dernier = 750;
    for (int w = 350; w <= 750; ++w)
      graphe->spectre[w] = 0.1 + 0.8 * std::exp(-std::pow((w - 550) / 60.0, 2));
    graphe->modeTrace = mtCourbe;
  }

  void Peint() {
    QPainter peintre(&image);
    QPainterCanvas canvas(peintre);
    graphe->canvas = &canvas;
    graphe->cadre = {0, 0, Largeur, Hauteur};
    graphe->Dessine();
    graphe->canvas = nullptr;
  }

  bool BleuDansColonnes(int de, int a) const {
    for (int x = de; x <= a; ++x)
      for (int y = 0; y < Hauteur; ++y)
        if (image.pixel(x, y) == BleuPur) return true;
    return false;
  }

  std::unique_ptr<Tgraphe> graphe = std::make_unique<Tgraphe>();
  QImage image;
};

TEST_F(RenduFixture, CourbeBleueDansLaZoneDeTrace) {
  Peint();
  EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255)) << "cadre rempli de blanc";
  for (int w = 360; w <= 740; w += 20) {
    int px = 0;
    int py = 0;
    graphe->EcranXY(w, graphe->spectre[w], px, py);
    EXPECT_EQ(image.pixel(px, py), BleuPur) << "longueur d'onde " << w;
  }
  const Rect& z = graphe->zoneTrace;
  int bleusDehors = 0;
  int bleusDedans = 0;
  for (int x = 0; x < Largeur; ++x)
    for (int y = 0; y < Hauteur; ++y) {
      if (image.pixel(x, y) != BleuPur) continue;
      const bool dedans = x >= z.left && x <= z.right && y >= z.top && y <= z.bottom;
      ++(dedans ? bleusDedans : bleusDehors);
    }
  EXPECT_EQ(bleusDehors, 0);
  EXPECT_GT(bleusDedans, 400);
  // The grey of the axes and grid is there too.
  EXPECT_EQ(image.pixel(z.left, (z.top + z.bottom) / 2), qRgb(128, 128, 128));
}

TEST_F(RenduFixture, ValeurIndefinieCoupeLaCourbe) {
  for (int w = 500; w <= 519; ++w) graphe->spectre[w] = ValeurIndefinie;
  Peint();
  const int avant = graphe->mondeX.Ecran(499);
  const int apres = graphe->mondeX.Ecran(520);
  EXPECT_FALSE(BleuDansColonnes(avant + 1, apres - 1));
  EXPECT_TRUE(BleuDansColonnes(avant, avant));
  EXPECT_TRUE(BleuDansColonnes(apres, apres));
}

TEST_F(RenduFixture, MarqueDUnPointPendantLeBalayage) {
  graphe->modeTrace = mtPoints;
  Peint();
  graphe->PlacePoint(0, 550, 0.5);
  {
    QPainter peintre(&image);
    QPainterCanvas canvas(peintre);
    graphe->canvas = &canvas;
    graphe->DessinePoint(0);
    graphe->canvas = nullptr;
  }
  Rect zone;
  ASSERT_TRUE(graphe->RectMarque(0, zone));
  for (int x = zone.left; x < zone.right; ++x)
    for (int y = zone.top; y < zone.bottom; ++y) EXPECT_EQ(image.pixel(x, y), BleuPur) << x << "," << y;
  EXPECT_NE(image.pixel(zone.right, zone.bottom), BleuPur);
}

}  // namespace

namespace {

struct CasTrait {
  const char* nom;
  StylePlume style;
  int x1, y1, x2, y2;
  int pas;  // every `pas`-th pixel from (x1, y1) is painted, the others not
};

class TraitDroitTest : public ::testing::TestWithParam<CasTrait> {};

TEST_P(TraitDroitTest, PixelsCouvertsDeBoutEnBout) {
  const auto& c = GetParam();
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter peintre(&image);
    QPainterCanvas canvas(peintre);
    canvas.SetPen(c.style, QColor(0, 0, 255));
    canvas.Line(c.x1, c.y1, c.x2, c.y2);
  }
  const int n = std::max(std::abs(c.x2 - c.x1), std::abs(c.y2 - c.y1));
  const int dx = (c.x2 > c.x1) - (c.x2 < c.x1);
  const int dy = (c.y2 > c.y1) - (c.y2 < c.y1);
  int peints = 0;
  for (int i = 0; i <= n; ++i) {
    const bool attendu = i % c.pas == 0;
    EXPECT_EQ(image.pixel(c.x1 + i * dx, c.y1 + i * dy) == BleuPur, attendu) << i;
    peints += image.pixel(c.x1 + i * dx, c.y1 + i * dy) == BleuPur;
  }
  int total = 0;
  for (int x = 0; x < 40; ++x)
    for (int y = 0; y < 40; ++y) total += image.pixel(x, y) == BleuPur;
  EXPECT_EQ(total, peints) << "rien hors du trait";
}

INSTANTIATE_TEST_SUITE_P(
    Cas, TraitDroitTest,
    ::testing::Values(CasTrait{"pleinHorizontal", StylePlume::Plein, 5, 10, 30, 10, 1},
                      CasTrait{"pleinVerticalMontant", StylePlume::Plein, 7, 30, 7, 2, 1},
                      CasTrait{"pointilleHorizontal", StylePlume::Pointille, 3, 4, 33, 4, 3},
                      CasTrait{"pointilleVerticalMontant", StylePlume::Pointille, 9, 35, 9, 5, 3},
                      CasTrait{"pointilleGauche", StylePlume::Pointille, 30, 20, 2, 20, 3}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
