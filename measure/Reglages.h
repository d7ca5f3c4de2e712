// Instrument settings the measurement procedures read. The dialog copies them
// from the configuration object each time it is activated.
#pragma once

#include <string>

struct TReglages {
  int MiniL = 0;
  int MaxiL = 1;
  int PasMax = 16;
  double Yseconde = 0.002;
  int Precision = 4;
  double MaxiA = 3;
  char AckCommande = 6;
  char FinMessage = 3;
  std::string GetL = "?RPTL";
  std::string AffLambda = "?RNGnm";
  std::string AffAbs = "?RNGA";
};
