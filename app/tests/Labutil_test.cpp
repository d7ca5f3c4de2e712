#include "app/Labutil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace {

struct Conversion {
  const char* texte;
  double attendu;
};

class TexteVersReelTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(TexteVersReelTest, ConvertitOuDonneValeurIndefinie) {
  const auto& c = GetParam();
  const double v = TexteVersReel(c.texte);
  if (c.attendu == ValeurIndefinie) {
    EXPECT_EQ(v, ValeurIndefinie) << '"' << c.texte << '"';
  } else {
    EXPECT_DOUBLE_EQ(v, c.attendu) << '"' << c.texte << '"';
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, TexteVersReelTest,
    ::testing::Values(Conversion{"1,5", 1.5}, Conversion{"1.5", 1.5}, Conversion{"1,2,3", ValeurIndefinie},
                      Conversion{"  2.5  ", 2.5}, Conversion{"-.5", -0.5}, Conversion{"5.", 5},
                      Conversion{"1e3", 1000}, Conversion{"1E", 1}, Conversion{"+7", 7}, Conversion{"2e-3", 0.002},
                      Conversion{"1E+2", 100}, Conversion{"", ValeurIndefinie}, Conversion{"E5", ValeurIndefinie},
                      Conversion{"abc", ValeurIndefinie}, Conversion{"1.2.3", ValeurIndefinie},
                      Conversion{".", ValeurIndefinie}, Conversion{"-", ValeurIndefinie},
                      Conversion{"1 2", ValeurIndefinie}, Conversion{"\t1", ValeurIndefinie},
                      Conversion{"1e999", ValeurIndefinie}, Conversion{"9E99", 9e99},
                      Conversion{"1e-26", ValeurIndefinie}, Conversion{"0x10", ValeurIndefinie},
                      Conversion{"nan", ValeurIndefinie}, Conversion{"inf", ValeurIndefinie}));

TEST(TexteVersReel, IgnoreLaLocaleDuProcessus) {
  // A process locale with "," must not change the program's own conversions.
  if (std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr) GTEST_SKIP() << "fr_FR.UTF-8 absent";
  EXPECT_DOUBLE_EQ(TexteVersReel("3.25"), 3.25);
  EXPECT_DOUBLE_EQ(TexteVersReel("3,25"), 3.25);
  std::setlocale(LC_NUMERIC, "C");
}

TEST(SeparateurUtilisateur, PrisDeLaLocaleDeLUtilisateur) {
  FixeSeparateurUtilisateur('.');
  ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
  InitialiseSeparateurs();
  const char sep = SeparateurUtilisateur();
  ::unsetenv("LC_ALL");
  if (sep == '.') GTEST_SKIP() << "fr_FR.UTF-8 absent";
  EXPECT_EQ(sep, ',');
  // The program's own conversions still use ".".
  EXPECT_DOUBLE_EQ(TexteVersReel("0.5"), 0.5);
  FixeSeparateurUtilisateur('.');
}

TEST(SeparateurUtilisateur, ResteLePointSousUneLocaleAPoint) {
  FixeSeparateurUtilisateur('.');
  ::setenv("LC_ALL", "C", 1);
  InitialiseSeparateurs();
  ::unsetenv("LC_ALL");
  EXPECT_EQ(SeparateurUtilisateur(), '.');
}

}  // namespace
