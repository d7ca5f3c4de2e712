#include "tools/zelor-sim/SimOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(SimOptions, ReadsTheOptionsThatShapeTheInstrument) {
  QString erreur;
  const auto o =
      LitOptions({"--fast", "--seed", "42", "--cuvette", "sample", "--bad-nm", "480-490", "--truncate",
                  "--lowest-nm", "200", "--highest-nm", "900", "--com", "3", "--chunk", "4"},
                 &erreur);
  ASSERT_TRUE(o) << erreur.toStdString();
  EXPECT_TRUE(o->rapide);
  EXPECT_EQ(o->MsParNmEffectif(), 0);
  EXPECT_EQ(o->graine, 42u);
  EXPECT_EQ(o->cuvette, TCuvette::Echantillon);
  ASSERT_TRUE(o->plageInvalide);
  EXPECT_EQ(o->plageInvalide->debut, 480);
  EXPECT_EQ(o->plageInvalide->fin, 490);
  EXPECT_EQ(o->tronqueTous, 3);
  EXPECT_EQ(o->lambdaMini, 200);
  EXPECT_EQ(o->lambdaMaxi, 900);
  EXPECT_EQ(o->com, 3);
  EXPECT_EQ(o->tranche, 4);
}

TEST(SimOptions, BadInputGivesAFrenchMessageNamingTheOption) {
  const struct {
    QStringList arguments;
    const char* dansMessage;
  } cas[] = {
      {{"--garble", "1.5"}, "--garble"},
      {{"--noise", "abc"}, "--noise"},
      {{"--cuvette", "water"}, "blank ou sample"},
      {{"--bad-nm", "490-480"}, "--bad-nm"},
      {{"--lowest-nm", "900", "--highest-nm", "800"}, "--highest-nm"},
      {{"--com", "0"}, "--com"},
      {{"--frobnicate"}, "Option inconnue"},
      {{"extra"}, "Argument inattendu"},
  };
  for (const auto& c : cas) {
    QString erreur;
    EXPECT_FALSE(LitOptions(c.arguments, &erreur)) << c.arguments.join(' ').toStdString();
    EXPECT_TRUE(erreur.contains(QString::fromUtf8(c.dansMessage))) << erreur.toStdString();
  }
}

}  // namespace
