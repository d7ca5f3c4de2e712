#include "measure/Interpole.h"

#include <algorithm>

#include "measure/Affichage.h"

namespace {
constexpr std::uint16_t PremierVide = 1;
constexpr std::uint16_t DernierVide = 0;

std::uint16_t IndiceSpectre(double lambda, const TVueSpectre& graphe) {
  const int dernier = std::min(LambdaMaxTable, static_cast<int>(graphe.spectre.size()) - 1);
  return static_cast<std::uint16_t>(std::clamp(ArrondiEntier(lambda), 0, std::max(dernier, 0)));
}
}  // namespace

void Interpole(TVueSpectre& graphe, int nbPoints, bool croissant) {
  const int nb =
      std::clamp(nbPoints, 0, static_cast<int>(std::min(graphe.pointX.size(), graphe.pointY.size())));
  if (nb == 0 || graphe.spectre.empty()) {
    graphe.premier = PremierVide;
    graphe.dernier = DernierVide;
    return;
  }
  auto x = graphe.pointX.first(nb);
  auto y = graphe.pointY.first(nb);
  if (!croissant) {
    std::reverse(x.begin(), x.end());
    std::reverse(y.begin(), y.end());
  }
  graphe.premier = IndiceSpectre(x[0], graphe);
  graphe.dernier = IndiceSpectre(x[nb - 1], graphe);
  int j = 0;  // first point at or above w
  for (int w = graphe.premier; w <= graphe.dernier; ++w) {
    while (j < nb - 1 && x[j] < w) ++j;
    if (x[j] == w || j == 0)
      graphe.spectre[w] = y[j];
    else
      graphe.spectre[w] = y[j - 1] + (w - x[j - 1]) * (y[j] - y[j - 1]) / (x[j] - x[j - 1]);
  }
}
