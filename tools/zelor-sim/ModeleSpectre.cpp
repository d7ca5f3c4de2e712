#include "tools/zelor-sim/ModeleSpectre.h"

#include <cmath>

namespace {

struct TBande {
  double centre;
  double largeur;  // standard deviation, nm
  double hauteur;
};

// A strong UV band, a visible one and a broad red one, so a scan shows peaks
// of different shapes and the adaptive step has curvature to follow.
constexpr TBande kBandes[] = {{260, 12, 1.4}, {420, 22, 0.65}, {640, 45, 0.35}};

// Solvent: nearly flat, rising steeply into its UV cut-off so the lowest
// wavelengths read over range.
constexpr double kSolvantFond = 0.045;
constexpr double kSolvantCoupure = 4.0;
constexpr double kSolvantDecroissanceNm = 12.0;
constexpr double kSolvantOrigineNm = 190.0;

// Scattering of the sample: a little more absorbance towards the blue.
constexpr double kDiffusionA = 0.08;
constexpr double kDiffusionPenteParNm = -0.00006;
constexpr double kDiffusionOrigineNm = 190.0;

}  // namespace

TModeleSpectre::TModeleSpectre(const TSimOptions& options)
    : lambdaMini_(options.lambdaMini),
      lambdaMaxi_(options.lambdaMaxi),
      plageInvalide_(options.plageInvalide) {}

double TModeleSpectre::Solvant(double nm) {
  return kSolvantFond + kSolvantCoupure * std::exp(-(nm - kSolvantOrigineNm) / kSolvantDecroissanceNm);
}

double TModeleSpectre::Bandes(double nm) {
  double a = kDiffusionA + kDiffusionPenteParNm * (nm - kDiffusionOrigineNm);
  for (const TBande& b : kBandes) {
    const double x = (nm - b.centre) / b.largeur;
    a += b.hauteur * std::exp(-0.5 * x * x);
  }
  return a;
}

std::optional<double> TModeleSpectre::Absorbance(double nm, TCuvette cuvette) const {
  if (nm < lambdaMini_ || nm > lambdaMaxi_) return std::nullopt;
  if (plageInvalide_ && plageInvalide_->Contient(nm)) return std::nullopt;
  const double solvant = Solvant(nm);
  return cuvette == TCuvette::Blanc ? solvant : solvant + Bandes(nm);
}
