#include "graph/Etiquette.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace {

struct Format {
  double valeur;
  const char* texte;
};

class FormateEtiquetteTest : public ::testing::TestWithParam<Format> {};

TEST_P(FormateEtiquetteTest, TroisChiffresSignificatifs) {
  TexteEtiquette tampon;
  EXPECT_EQ(FormateEtiquette(GetParam().valeur, tampon), GetParam().texte) << GetParam().valeur;
}

INSTANTIATE_TEST_SUITE_P(Cas, FormateEtiquetteTest,
                         ::testing::Values(Format{0.5, "0.5"}, Format{12.5, "12.5"}, Format{400, "400"},
                                           Format{1000, "1E3"}, Format{5e-5, "5E-5"}, Format{0, "0"},
                                           Format{-0.0, "0"}, Format{-0.5, "-0.5"}, Format{-1500, "-1.5E3"},
                                           Format{0.0001, "0.0001"}, Format{0.00012345, "0.000123"},
                                           // Rounding to 3 digits decides the notation.
                                           Format{999.4, "999"}, Format{999.6, "1E3"},
                                           Format{0.000099996, "0.0001"}, Format{1.23456, "1.23"},
                                           Format{2.0000001, "2"}, Format{100.4, "100"},
                                           Format{0.30000001192092896, "0.3"}, Format{1e300, "1E300"},
                                           Format{-1.2345e-300, "-1.23E-300"}, Format{123456789, "1.23E8"},
                                           // The longest form, still within 14 characters.
                                           Format{-1.23e-307, "-1.23E-307"}, Format{std::nan(""), "?"},
                                           Format{std::numeric_limits<double>::infinity(), "?"}));

TEST(FormateEtiquette, IgnoreLaLocaleDuProcessus) {
  const std::string avant = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) GTEST_SKIP() << "locale fr_FR.UTF-8 absente";
  TexteEtiquette tampon;
  const std::string texte(FormateEtiquette(1.5, tampon));
  std::setlocale(LC_ALL, avant.c_str());
  EXPECT_EQ(texte, "1.5");
}

}  // namespace
