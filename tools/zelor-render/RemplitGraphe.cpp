#include "tools/zelor-render/RemplitGraphe.h"

#include "app/Labutil.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double MargeHaute = 0.1;  // headroom above the highest absorbance

void Interpole(const std::vector<PointSpectre>& points, Tgraphe& graphe) {
  graphe.premier = static_cast<std::uint16_t>(std::ceil(points.front().longueurOnde));
  graphe.dernier = static_cast<std::uint16_t>(std::floor(points.back().longueurOnde));
  size_t j = 0;
  for (int w = graphe.premier; w <= graphe.dernier; ++w) {
    while (j + 2 < points.size() && points[j + 1].longueurOnde < w) ++j;
    const PointSpectre& a = points[j];
    const PointSpectre& b = points[j + 1];
    const double t =
        b.longueurOnde == a.longueurOnde ? 0 : (w - a.longueurOnde) / (b.longueurOnde - a.longueurOnde);
    graphe.PlaceSpectre(w, a.absorbance + t * (b.absorbance - a.absorbance));
  }
}

}  // namespace

bool RemplitGraphe(std::vector<PointSpectre> points, bool enPoints, double plafond, Tgraphe& graphe,
                   std::string& erreur) {
  if (points.size() < 2) {
    erreur = "Au moins deux points sont nécessaires";
    return false;
  }
  if (enPoints && points.size() > static_cast<size_t>(NbSlots)) {
    erreur = "Trop de points : au plus " + std::to_string(NbSlots);
    return false;
  }
  std::stable_sort(points.begin(), points.end(), [](const PointSpectre& a, const PointSpectre& b) {
    return a.longueurOnde < b.longueurOnde;
  });
  if (enPoints) {
    for (size_t i = 0; i < points.size(); ++i)
      graphe.PlacePoint(static_cast<int>(i), points[i].longueurOnde, points[i].absorbance);
    graphe.modeTrace = mtPoints;
  } else {
    Interpole(points, graphe);
    graphe.modeTrace = mtCourbe;
  }
  const auto [bas, haut] = std::minmax_element(
      points.begin(), points.end(),
      [](const PointSpectre& a, const PointSpectre& b) { return a.absorbance < b.absorbance; });
  const double ymin = std::min(0.0, bas->absorbance);
  const double ymax =
      plafond != ValeurIndefinie ? plafond : haut->absorbance + MargeHaute * (haut->absorbance - ymin);
  graphe.SetBornes(std::floor(points.front().longueurOnde), ymin, std::ceil(points.back().longueurOnde),
                   ymax);
  return true;
}
