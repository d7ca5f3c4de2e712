// The cached background gives the picture a full repaint gives, pixel for
// pixel, and a new point repaints just its marker.
#include "graph/GrapheEnCache.h"
#include "graph/QPainterCanvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <functional>
#include <string>

namespace {

std::unique_ptr<Tgraphe> Spectre(int largeur, int hauteur) {
  auto graphe = std::make_unique<Tgraphe>();
  graphe->mondeX.nom = "\x88";
  graphe->mondeX.unite = "nm";
  graphe->mondeY.nom = "A";
  graphe->SetBornes(300, 0, 800, 1.2);
  graphe->premier = 300;
  graphe->dernier = 800;
  for (int w = 300; w <= 800; ++w) graphe->spectre[w] = 0.1 + 0.8 * std::exp(-std::pow((w - 550) / 60.0, 2));
  for (int i = 0; i < 200; ++i) graphe->PlacePoint(i, 300 + 2.5 * i, 0.5 + 0.4 * std::sin(i / 9.0));
  graphe->cadre = {0, 0, largeur, hauteur};
  return graphe;
}

// Today's way: everything drawn at each paint.
QImage Ancien(Tgraphe& graphe, QImage::Format format) {
  QImage image(graphe.cadre.right, graphe.cadre.bottom, format);
  image.fill(Qt::black);
  QPainter peintre(&image);
  QPainterCanvas canvas(peintre);
  graphe.canvas = &canvas;
  graphe.Dessine();
  graphe.canvas = nullptr;
  return image;
}

void PeintEnCache(TGrapheEnCache& cache, Tgraphe& graphe, QImage& image, const Rect& zone) {
  QPainter peintre(&image);
  cache.Peint(graphe, peintre, zone);
}

// The whole frame as a window would get it in small pieces (each copied
// from the cached background), one after the other.
void PeintParMorceaux(TGrapheEnCache& cache, Tgraphe& graphe, QImage& image) {
  constexpr int Morceaux = 3;
  const Rect& c = graphe.cadre;
  for (int i = 0; i < Morceaux; ++i)
    for (int j = 0; j < Morceaux; ++j) {
      PeintEnCache(cache, graphe, image,
                   {c.left + c.Largeur() * i / Morceaux, c.top + c.Hauteur() * j / Morceaux,
                    c.left + c.Largeur() * (i + 1) / Morceaux, c.top + c.Hauteur() * (j + 1) / Morceaux});
    }
}

// Number of pixels that differ, and the first of them.
std::string Ecarts(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return "sizes differ";
  int n = 0;
  std::string premier;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y) && n++ == 0) premier = " first at " + std::to_string(x) + "," + std::to_string(y);
  return n == 0 ? "" : std::to_string(n) + " pixels differ" + premier;
}

TEST(GrapheEnCache, MemesPixelsQuUnDessinComplet) {
  struct TCas {
    const char* nom;
    ModeTrace mode;
    int largeur;
    int hauteur;
    // Changes the state between two paints with the same cache.
    std::function<void(Tgraphe&)> change;
    int fondsApres;  // backgrounds drawn once both paints are done
  } const cas[] = {
      {"curve, nothing changed", mtCourbe, 1280, 800, [](Tgraphe&) {}, 1},
      {"points, nothing changed", mtPoints, 800, 500, [](Tgraphe&) {}, 1},
      {"curve, new bounds", mtCourbe, 800, 500, [](Tgraphe& g) { g.SetBornes(200, -0.5, 900, 2); }, 2},
      {"points, resized", mtPoints, 640, 400, [](Tgraphe& g) { g.cadre = {0, 0, 1000, 300}; }, 2},
      {"small window without graduations", mtCourbe, 150, 90, [](Tgraphe& g) { g.mondeY.unite = "%"; }, 2},
      {"curve, new data only", mtCourbe, 800, 500, [](Tgraphe& g) { g.spectre[550] = 0.2; }, 1},
  };
  for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
    for (const TCas& c : cas) {
      SCOPED_TRACE(std::string(c.nom) + " format " + std::to_string(format));
      auto graphe = Spectre(c.largeur, c.hauteur);
      graphe->modeTrace = c.mode;
      TGrapheEnCache cache;
      for (int peinture = 0; peinture < 2; ++peinture) {
        if (peinture == 1) c.change(*graphe);
        const QImage attendu = Ancien(*graphe, format);
        QImage image(graphe->cadre.right, graphe->cadre.bottom, format);
        image.fill(Qt::black);
        PeintParMorceaux(cache, *graphe, image);
        EXPECT_EQ(Ecarts(image, attendu), "") << "paint " << peinture << " in pieces";
        image.fill(Qt::black);
        PeintEnCache(cache, *graphe, image, graphe->cadre);
        EXPECT_EQ(Ecarts(image, attendu), "") << "paint " << peinture << " whole";
      }
      EXPECT_EQ(cache.FondsDessines(), c.fondsApres);
    }
  }
}

// During a scan each new point asks for its marker's rectangle alone: that
// repaint leaves the picture a full repaint of the new state would give.
TEST(GrapheEnCache, UnNouveauPointNeRepeintQueSaMarque) {
  auto graphe = Spectre(800, 500);
  graphe->modeTrace = mtPoints;
  TGrapheEnCache cache;
  QImage image(800, 500, QImage::Format_ARGB32_Premultiplied);
  PeintEnCache(cache, *graphe, image, graphe->cadre);
  for (int slot = 200; slot < 210; ++slot) {
    SCOPED_TRACE(slot);
    ASSERT_TRUE(graphe->PlacePoint(slot, 551 + 7.5 * (slot - 200), 0.3 + 0.07 * (slot - 200)));
    Rect zone;
    ASSERT_TRUE(graphe->RectMarque(slot, zone));
    const QImage avant = image;
    PeintEnCache(cache, *graphe, image, zone);
    EXPECT_EQ(Ecarts(image, Ancien(*graphe, image.format())), "");
    // Nothing outside the marker's rectangle was touched.
    QImage hors = image;
    QPainter(&hors).drawImage(QPoint(zone.left, zone.top), avant.copy(zone.left, zone.top, zone.Largeur(), zone.Hauteur()));
    EXPECT_EQ(Ecarts(hors, avant), "");
  }
  EXPECT_EQ(cache.FondsDessines(), 1);
}

}  // namespace
