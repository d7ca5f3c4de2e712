#include "graph/Monde.h"

#include "app/Labutil.h"
#include "graph/Enombre.h"
#include "graph/PuissanceDix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace {

constexpr double MiniParDefaut = 0;
constexpr double MaxiParDefaut = 255;
// A zero span becomes one world unit around its value.
constexpr double EtendueNulleElargie = 1;
// Spans below this are treated as zero: their pixels per unit would overflow.
constexpr double EtendueAbsolueMin = 1e-290;
// Narrowest span relative to the magnitude of the bounds for which
// pente * v + origine still resolves single pixels in double precision.
constexpr double EtendueRelativeMin = 1e-9;
// Pixels beyond this are an arithmetic error: far outside any paint surface,
// and kept within what the rasterisers handle exactly.
constexpr double PixelMax = 1 << 22;

constexpr std::array<double, 6> Facteurs = {0.1, 0.2, 0.5, 1, 2, 5};
constexpr double LimiteDense = 10;
constexpr double LimiteClairsemee = 5;

bool Utilisable(double v) {
  return std::isfinite(v) && v != ValeurIndefinie;
}

double Choisit(double v, double precedent, double defaut) {
  if (Utilisable(v)) return v;
  return Utilisable(precedent) ? precedent : defaut;
}

void Repare(double& mini, double& maxi) {
  if (maxi < mini) std::swap(mini, maxi);
  if (!std::isfinite(maxi - mini)) {
    mini = MiniParDefaut;
    maxi = MaxiParDefaut;
    return;
  }
  const double centre = mini / 2 + maxi / 2;
  double demi = (maxi - mini) / 2;
  if (maxi - mini < EtendueAbsolueMin) demi = EtendueNulleElargie / 2;
  demi = std::max(demi, std::abs(centre) * EtendueRelativeMin / 2);
  if (demi != (maxi - mini) / 2) {
    mini = centre - demi;
    maxi = centre + demi;
  }
}

}  // namespace

void Tmonde::SetBornes(double nouveauMini, double nouveauMaxi) {
  mini = Choisit(nouveauMini, mini, MiniParDefaut);
  maxi = Choisit(nouveauMaxi, maxi, MaxiParDefaut);
  Repare(mini, maxi);
}

void Tmonde::AssainitBornes() {
  SetBornes(mini, maxi);
}

bool Tmonde::PixelDe(double v, int& pixel) const noexcept {
  if (v == ValeurIndefinie) return false;
  const double p = std::round(pente * v + origine);
  if (!(std::abs(p) <= PixelMax)) return false;  // also refuses NaN
  pixel = static_cast<int>(p);
  return true;
}

int Tmonde::Ecran(double v) const {
  if (v == ValeurIndefinie) throw Enombre(MessageValeurNonInitialisee);
  int pixel = 0;
  if (!PixelDe(v, pixel)) throw std::range_error("pixel hors limites");
  return pixel;
}

void Tmonde::Cale(int debut, int fin) {
  pente = (fin - debut) / (maxi - mini);
  origine = debut - mini * pente;
}

void Tmonde::Graduation() {
  const double r = maxi - mini;
  int e = static_cast<int>(std::floor(std::log10(r)));
  double d = static_cast<double>(r * PuissanceDix(-e));
  // log10 may land one off next to an exact power of ten.
  if (d >= 10) {
    ++e;
    d = static_cast<double>(r * PuissanceDix(-e));
  } else if (d < 1) {
    --e;
    d = static_cast<double>(r * PuissanceDix(-e));
  }
  const double limite = dense ? LimiteDense : LimiteClairsemee;
  size_t k = 0;
  while (d / Facteurs[k] >= limite && k < Facteurs.size() - 1) ++k;
  pas = static_cast<double>(PuissanceDix(e) * Facteurs[k]);
  premiereGrad = std::ceil(mini / pas) * pas;
}
