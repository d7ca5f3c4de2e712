#include "measure/Borne.h"

#include <algorithm>

TBorne::TBorne(int mini, int maxi, int valeur) : mini_(mini), maxi_(std::max(mini, maxi)), valeur_(mini) {
  FixeValeur(valeur);
}

void TBorne::FixeMini(int mini) {
  mini_ = mini;
  maxi_ = std::max(maxi_, mini_);
  FixeValeur(valeur_);
}

void TBorne::FixeMaxi(int maxi) {
  maxi_ = maxi;
  mini_ = std::min(mini_, maxi_);
  FixeValeur(valeur_);
}

void TBorne::FixeLimites(int mini, int maxi) {
  mini_ = mini;
  maxi_ = std::max(mini, maxi);
  FixeValeur(valeur_);
}

void TBorne::FixeValeur(int valeur) {
  valeur_ = std::clamp(valeur, mini_, maxi_);
}
