// One axis of the graph in world coordinates: bounds, mapping to pixels and
// graduation step.
#pragma once

#include "graph/ChaineCourte.h"

class Tmonde {
 public:
  double mini = 0;
  double maxi = 255;
  double pente = 1;    // pixels per world unit
  double origine = 0;  // pixel of world value 0
  bool gradue = false;
  bool dense = false;
  ChaineCourte<8> nom;
  ChaineCourte<20> unite;
  double pas = 0;
  double premiereGrad = 0;

  // Stores usable bounds: a bound that is not a number (ValeurIndefinie, NaN,
  // an infinity) keeps the previous one, reversed bounds are swapped and a
  // span too narrow to draw is widened around its centre.
  void SetBornes(double nouveauMini, double nouveauMaxi);

  // The same repair with the defaults as fallback, for bounds that the owner
  // wrote directly into the fields.
  void AssainitBornes();

  // Pixel of world value v. Raises Enombre on ValeurIndefinie and
  // std::range_error when the pixel cannot be computed.
  int Ecran(double v) const;

  // Non-raising form of Ecran: false where Ecran would raise.
  bool PixelDe(double v, int& pixel) const noexcept;

  // Maps mini to pixel `debut` and maxi to pixel `fin` (fin < debut for the
  // vertical axis, whose pixels grow downwards).
  void Cale(int debut, int fin);

  // Step of 1, 2 or 5 times a power of ten (5 to 10 intervals when dense,
  // 2 to 5 otherwise) and the first multiple of it not below mini.
  void Graduation();

  double Etendue() const { return maxi - mini; }
};
