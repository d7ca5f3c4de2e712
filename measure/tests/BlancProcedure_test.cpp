#include "measure/BlancProcedure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Labutil.h"
#include "measure/Tables.h"
#include "measure/tests/FauxPilote.h"

namespace {

std::vector<int> Plage(int de, int a, int pas = 1) {
  std::vector<int> v;
  for (int w = de; w <= a; w += pas) v.push_back(w);
  return v;
}

std::vector<int> Concat(std::vector<std::vector<int>> parts) {
  std::vector<int> v;
  for (auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

double Droite(int w) {
  return 0.1 + 0.001 * w;
}

std::string Texte(double v) {
  char tampon[32];
  std::snprintf(tampon, sizeof tampon, "%.6f", v);
  return tampon;
}

// A baseline table followed by guard entries that must never be written.
class BlancTest : public ::testing::Test {
 protected:
  static constexpr int Garde = 4;
  static constexpr double Temoin = -777;

  // Undefined everywhere, as a configuration file without a baseline leaves it.
  BlancTest() {
    table.fill(ValeurIndefinie);
    for (int i = NbCases; i < NbCases + Garde; ++i) table[i] = Temoin;
    pilote.lecture = [](int w) { return Texte(Droite(w)); };
  }

  TReglages Reglages(int pasMax = 16) {
    TReglages r;
    r.MiniL = 200;
    r.MaxiL = 1100;  // beyond the table: limited to it
    r.PasMax = pasMax;
    return r;
  }

  void Lance(int debut, int fin, double instrument = 0) {
    BlancDebut = debut;
    BlancFin = fin;
    pilote.lambdaInitial = instrument;
    blanc.FormActivate(Reglages());
    blanc.OKBtnClick();
  }

  std::span<double> Table() { return std::span<double>(table).first(NbCases); }

  std::array<double, NbCases + Garde> table;
  int BlancDebut = 400, BlancFin = 800;
  TFauxPilote pilote;
  TBlancProcedure blanc{pilote, {BlancDebut, BlancFin, Table()}};
};

const std::vector<int> Lectures500a800 = Concat({Plage(500, 788, 16), {800}});

TEST(LambdaSuivanteBlanc, ReadsEveryPasMaxAndEveryNanometreInTheFineStretch) {
  struct Cas {
    int debut, fin;
    std::vector<int> lectures;
  } cas[] = {
      {500, 800, Lectures500a800},
      // Entered where the coarse steps land in the stretch, left at 385.
      {332, 500, Concat({{332, 348}, Plage(364, 385), Plage(401, 497, 16), {500}})},
      {340, 351, {340, 351}},
  };
  for (const auto& c : cas) {
    std::vector<int> lectures;
    for (int w = c.debut; w <= c.fin; w = LambdaSuivanteBlanc(w, c.fin, 16)) lectures.push_back(w);
    EXPECT_EQ(lectures, c.lectures) << c.debut;
  }
}

TEST_F(BlancTest, RecordingWalksTheRangeThenCompletesAndCloses) {
  Lance(500, 800);
  pilote.Pompe(blanc);
  EXPECT_EQ(pilote.gotos, Lectures500a800);
  EXPECT_TRUE(pilote.blancFait);
  EXPECT_EQ(pilote.fermeture, std::optional<bool>(true));
  EXPECT_TRUE(pilote.actifs.empty());
  EXPECT_EQ(pilote.panelLambda, "");
}

TEST_F(BlancTest, CompletedTableIsLinearAndDefinedOverTheWholeRange) {
  pilote.lecture = [](int w) { return w == 516 ? std::string("OVER") : Texte(Droite(w)); };
  Lance(500, 800);
  pilote.Pompe(blanc);
  for (int w = 500; w <= 800; ++w) EXPECT_NEAR(table[w], Droite(w), 1e-9) << w;
  EXPECT_NEAR(table[516], (table[500] + table[532]) / 2, 1e-12) << "an unreadable point is interpolated";
  for (int w = 200; w <= LambdaMaxTable; ++w) EXPECT_NE(table[w], ValeurIndefinie) << w;
  for (int w = 801; w <= LambdaMaxTable; ++w) EXPECT_EQ(table[w], table[800]) << w;
  for (int i = NbCases; i < NbCases + Garde; ++i) EXPECT_EQ(table[i], Temoin);
  EXPECT_EQ(blanc.Gauge().Valeur(), 800);
  EXPECT_EQ(blanc.Gauge().Maxi(), LambdaMaxTable);
}

TEST(CompleteBlanc, FillsGapsBetweenAnchorsAndRepeatsTheLastValue) {
  const double U = ValeurIndefinie;
  struct Cas {
    const char* nom;
    int miniL, maxiL;
    std::vector<double> avant, apres;
  } cas[] = {
      {"gap between two readings", 1, 5, {9, 1, U, U, U, 5}, {9, 1, 2, 3, 4, 5}},
      {"undefined first entry leans on the one below", 1, 3, {0, U, U, 3}, {0, 1, 2, 3}},
      {"nothing defined above: the last value repeats", 0, 4, {2, 4, U, U, U}, {2, 4, 4, 4, 4}},
      {"entry 0 has no left neighbour", 0, 3, {U, U, 6, 8}, {6, 6, 6, 8}},
      {"range beyond the table stops at its end", 0, 50, {1, U, 3}, {1, 2, 3}},
  };
  for (auto c : cas) {
    CompleteBlanc(c.avant, c.miniL, c.maxiL);
    EXPECT_EQ(c.avant, c.apres) << c.nom;
  }
}

TEST_F(BlancTest, CancelKeepsThePartialTableWithoutCompletingIt) {
  std::fill(table.begin(), table.begin() + NbCases, 0.5);
  Lance(500, 800);
  pilote.Pompe(blanc, 6);  // readings at 500, 516, 532
  const THandle fin = pilote.HandleDe(TFauxPilote::Etx);
  blanc.EscBtnClick();
  EXPECT_FALSE(pilote.blancFait);
  EXPECT_EQ(pilote.fermeture, std::optional<bool>(false));
  EXPECT_NEAR(table[516], Droite(516), 1e-9);
  EXPECT_EQ(table[517], ValeurIndefinie);
  EXPECT_EQ(table[800], ValeurIndefinie);
  EXPECT_EQ(table[801], 0.5);
  EXPECT_TRUE(pilote.actifs.empty());
  const std::size_t avant = pilote.journal.size();
  blanc.DonneeRecue(fin);  // the answer to the last request, after the cancel
  EXPECT_EQ(pilote.journal.size(), avant);
  EXPECT_EQ(table[548], ValeurIndefinie);
}

TEST_F(BlancTest, StoredBoundsComeBackInsideTheFixedSpinLimits) {
  BlancDebut = 300;
  BlancFin = 1200;
  blanc.FormActivate(Reglages());
  EXPECT_EQ(blanc.DebutSE().Valeur(), 325);
  EXPECT_EQ(blanc.FinSE().Valeur(), 999);
  blanc.OKBtnClick();
  EXPECT_EQ(BlancDebut, 325);
  EXPECT_EQ(BlancFin, 999);
}

TEST_F(BlancTest, InstrumentAlreadyThereIsReadAtOnce) {
  Lance(500, 800, 500.2);
  EXPECT_EQ(pilote.journal.back(), "ABS");
  EXPECT_TRUE(pilote.gotos.empty());
  EXPECT_FALSE(pilote.blancFait);
}

TEST_F(BlancTest, ReadingOfMinusZeroShowsAsZero) {
  pilote.lecture = [](int) { return std::string("-0.0000"); };
  Lance(500, 800, 500);
  pilote.Pompe(blanc, 1);  // the first reading
  EXPECT_EQ(pilote.panelAbs, "A=0");
  EXPECT_EQ(table[500], 0);
}

TEST_F(BlancTest, DisplayButtonsSendPaddedCommandsOnlyWhenNoRecordingRuns) {
  blanc.FormActivate(Reglages());
  blanc.LambdaBtnClick();
  blanc.SpeedButton2Click();
  EXPECT_EQ(pilote.journal[pilote.journal.size() - 2], "CMD ?RNGnm  ");
  EXPECT_EQ(pilote.journal.back(), "CMD ?RNGA   ");
  blanc.OKBtnClick();
  const std::size_t avant = pilote.journal.size();
  blanc.LambdaBtnClick();  // its acknowledgement would be taken for the move's
  EXPECT_EQ(pilote.journal.size(), avant);
  EXPECT_FALSE(blanc.AffichageAutorise());
}

}  // namespace
