// Reading a spectrum given as text: one "wavelength absorbance" pair a line,
// blank or tab separated, "#" starting a comment.
#pragma once

#include <istream>
#include <string>
#include <vector>

struct PointSpectre {
  double longueurOnde;
  double absorbance;
};

// Fills `points` in file order. On a bad line, returns false with a French
// message naming the line in `erreur`; wavelengths must lie within 0..1024 nm.
bool LitSpectre(std::istream& entree, std::vector<PointSpectre>& points, std::string& erreur);
