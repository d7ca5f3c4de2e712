#include "app/Labutil.h"
#include "instrument/Cfgspect.h"

#include <gtest/gtest.h>

namespace {

struct TCasNombre {
  const char* reponse;
  double attendu;
};

TEST(ExtraitNombre, PremiereSuiteDeCaracteresNumeriques) {
  const TCasNombre cas[] = {
      {"A=0.123", 0.123},
      {"abc", ValeurIndefinie},  // the last character is tried, and fails
      {"1,5", 1},                // the comma ends the number
      {"", ValeurIndefinie},
      {"-0.05E", -0.05},  // an exponent mark without digits
      {"+-1", ValeurIndefinie},
      {"RPTA0.1234X", 0.1234},
      {"l190X", 190},
      {"7", 7},
      {"x1E999", ValeurIndefinie},  // beyond a double
  };
  const Tspectro s;
  for (const auto& c : cas) EXPECT_EQ(s.ExtraitNombre(c.reponse), c.attendu) << c.reponse;
}

struct TCasMesure {
  const char* reponse;
  double valeur;
  bool lue;
};

TEST(DecodeMesure, JetonsHorsGammeEtLectures) {
  Tspectro s;
  s.MiniA = -0.3;
  s.MaxiA = 3;
  const TCasMesure cas[] = {
      {"OVERFLOW", 3, false},
      {"UNDER", -0.3, false},
      {"A***X", ValeurIndefinie, false},
      {"1.234", 1.234, true},
      {"RPTA-0.0012X", -0.0012, true},
      {"rien", ValeurIndefinie, false},
      {"under", ValeurIndefinie, false},  // tokens are case-sensitive
  };
  for (const auto& c : cas) {
    double valeur = 0;
    EXPECT_EQ(s.DecodeMesure(c.reponse, valeur), c.lue) << c.reponse;
    EXPECT_EQ(valeur, c.valeur) << c.reponse;
  }
}

}  // namespace
