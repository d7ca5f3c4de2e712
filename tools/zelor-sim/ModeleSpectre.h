// The absorbance the simulated instrument "sees": a solvent curve for the
// blank cuvette and, for the sample, the same solvent plus a few Gaussian
// bands on a gently sloping scattering background. Smooth and deterministic;
// the noise is added by the reader, not here.
#pragma once

#include <optional>

#include "tools/zelor-sim/SimOptions.h"

class TModeleSpectre {
 public:
  explicit TModeleSpectre(const TSimOptions& options);

  // Absorbance at nm for the cuvette, or nothing where the instrument has no
  // reading (outside its range or inside the configured bad range).
  std::optional<double> Absorbance(double nm, TCuvette cuvette) const;

  static double Solvant(double nm);
  static double Bandes(double nm);

 private:
  double lambdaMini_;
  double lambdaMaxi_;
  std::optional<TPlageNm> plageInvalide_;
};
