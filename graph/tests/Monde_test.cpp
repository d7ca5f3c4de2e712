#include "graph/Monde.h"
#include "app/Labutil.h"
#include "graph/Enombre.h"
#include "graph/PuissanceDix.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace {

const double Nan = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

struct CasGraduation {
  double mini, maxi;
  bool dense;
  double pas, premiereGrad;
};

class GraduationTest : public ::testing::TestWithParam<CasGraduation> {};

TEST_P(GraduationTest, PasEtPremiereGraduation) {
  const auto& c = GetParam();
  Tmonde monde;
  monde.SetBornes(c.mini, c.maxi);
  monde.dense = c.dense;
  monde.Graduation();
  EXPECT_DOUBLE_EQ(monde.pas, c.pas);
  EXPECT_DOUBLE_EQ(monde.premiereGrad, c.premiereGrad);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, GraduationTest,
    ::testing::Values(CasGraduation{325, 1000, true, 100, 400}, CasGraduation{325, 1000, false, 200, 400},
                      CasGraduation{0, 3, true, 0.5, 0}, CasGraduation{0, 3, false, 1, 0},
                      CasGraduation{190, 1100, true, 100, 200}, CasGraduation{190, 1100, false, 200, 200},
                      // Exact powers of ten as the range: d must come out as 1, not 10.
                      CasGraduation{0, 1000, true, 200, 0}, CasGraduation{0, 1000, false, 500, 0},
                      CasGraduation{0, 0.001, true, 0.0002, 0}, CasGraduation{-3, -1, true, 0.5, -3},
                      CasGraduation{-3, -1, false, 0.5, -3}, CasGraduation{-7.5, 2.5, true, 2, -6},
                      CasGraduation{0, 1e-6, true, 2e-7, 0}, CasGraduation{1e-9, 4e-9, false, 1e-9, 1e-9},
                      CasGraduation{0, 5e12, false, 2e12, 0}, CasGraduation{-2e20, 9e20, true, 2e20, -2e20}));

TEST(PuissanceDix, ExacteParCarresSuccessifs) {
  for (int e = 0; e <= 27; ++e) {
    const long double attendu = std::strtold(("1e" + std::to_string(e)).c_str(), nullptr);
    EXPECT_EQ(PuissanceDix(e), attendu) << e;
    EXPECT_EQ(PuissanceDix(-e), 1.0L / attendu) << -e;
  }
  EXPECT_TRUE(std::isfinite(PuissanceDix(320)));
  EXPECT_GT(PuissanceDix(-320), 0.0L);
}

struct CasBornes {
  const char* nom;
  double ancienMini, ancienMaxi;
  double mini, maxi;
  double attenduMini, attenduMaxi;
};

class SetBornesTest : public ::testing::TestWithParam<CasBornes> {};

TEST_P(SetBornesTest, DonneUnAxeUtilisable) {
  const auto& c = GetParam();
  Tmonde monde;
  monde.mini = c.ancienMini;
  monde.maxi = c.ancienMaxi;
  monde.SetBornes(c.mini, c.maxi);
  EXPECT_DOUBLE_EQ(monde.mini, c.attenduMini);
  EXPECT_DOUBLE_EQ(monde.maxi, c.attenduMaxi);
  monde.Cale(0, 1000);
  monde.dense = true;
  monde.Graduation();
  EXPECT_TRUE(std::isfinite(monde.pente) && monde.pente > 0);
  EXPECT_TRUE(std::isfinite(monde.pas) && monde.pas > 0);
  EXPECT_TRUE(std::isfinite(monde.premiereGrad));
}

INSTANTIATE_TEST_SUITE_P(Cas, SetBornesTest,
                         ::testing::Values(CasBornes{"ordinaires", 0, 255, 190, 1100, 190, 1100},
                                           CasBornes{"etendueNulle", 0, 255, 5, 5, 4.5, 5.5},
                                           CasBornes{"zeroNul", 0, 255, 0, 0, -0.5, 0.5},
                                           CasBornes{"inversees", 0, 255, 3, -1, -1, 3},
                                           CasBornes{"miniIndefini", 0, 255, ValeurIndefinie, 3, 0, 3},
                                           CasBornes{"nonNombres", 10, 20, Nan, Inf, 10, 20},
                                           CasBornes{"infinis", 10, 20, -Inf, Inf, 10, 20},
                                           // The previous bounds are no better: the defaults stand in.
                                           CasBornes{"sansRecours", Nan, Nan, Nan, ValeurIndefinie, 0, 255},
                                           CasBornes{"etendueDebordante", 0, 255, -DBL_MAX, DBL_MAX, 0, 255},
                                           CasBornes{"etendueInfime", 0, 255, 0, 1e-320, -0.5, 0.5},
                                           // Too narrow for its magnitude: widened so pixels stay exact.
                                           CasBornes{"grandeValeur", 0, 255, 1e10, 1e10, 1e10 - 5, 1e10 + 5}),
                         [](const auto& info) { return std::string(info.param.nom); });

struct CasEcran {
  double v;
  int pixel;
};

class EcranTest : public ::testing::TestWithParam<CasEcran> {};

TEST_P(EcranTest, ArrondiAuPixelLePlusProche) {
  Tmonde horizontal;
  horizontal.SetBornes(0, 100);
  horizontal.Cale(10, 210);
  EXPECT_EQ(horizontal.Ecran(GetParam().v), GetParam().pixel);
}

INSTANTIATE_TEST_SUITE_P(Cas, EcranTest,
                         ::testing::Values(CasEcran{0, 10}, CasEcran{100, 210}, CasEcran{50.2, 110},
                                           CasEcran{50.3, 111}, CasEcran{-5, 0}, CasEcran{-6, -2}));

TEST(Ecran, AxeVerticalDescendVersLeHaut) {
  Tmonde vertical;
  vertical.SetBornes(0, 3);
  vertical.Cale(300, 0);
  EXPECT_EQ(vertical.Ecran(0), 300);
  EXPECT_EQ(vertical.Ecran(3), 0);
  EXPECT_EQ(vertical.Ecran(1.5), 150);
}

TEST(Ecran, ValeurIndefinieLeveEnombre) {
  Tmonde monde;
  try {
    monde.Ecran(ValeurIndefinie);
    FAIL() << "Enombre attendue";
  } catch (const Enombre& e) {
    EXPECT_STREQ(e.what(), "Valeur non initialisée");
  }
}

TEST(Ecran, PixelIncalculableLeveUneErreur) {
  Tmonde monde;
  monde.SetBornes(0, 100);
  monde.Cale(0, 1000);
  for (double v : {Nan, Inf, -Inf, 1e300, 1e9}) {
    EXPECT_THROW(monde.Ecran(v), std::range_error) << v;
    int pixel = 12345;
    EXPECT_FALSE(monde.PixelDe(v, pixel));
    EXPECT_EQ(pixel, 12345);
  }
}

}  // namespace
