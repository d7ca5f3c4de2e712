// A bounded integer value, as held by a spin edit or a scroll bar: the value
// always lies inside its limits, and moving one limit past the other drags
// the other along.
#pragma once

class TBorne {
 public:
  TBorne(int mini, int maxi, int valeur);

  int Mini() const { return mini_; }
  int Maxi() const { return maxi_; }
  int Valeur() const { return valeur_; }

  void FixeMini(int mini);
  void FixeMaxi(int maxi);
  void FixeLimites(int mini, int maxi);
  void FixeValeur(int valeur);

 private:
  int mini_;
  int maxi_;
  int valeur_;
};
