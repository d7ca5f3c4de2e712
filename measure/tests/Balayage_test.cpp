#include "measure/Balayage.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/Labutil.h"
#include "measure/tests/FauxPilote.h"

namespace {

std::vector<int> Plage(int de, int a, int pas = 1) {
  std::vector<int> v;
  for (int w = de; pas > 0 ? w <= a : w >= a; w += pas) v.push_back(w);
  return v;
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string Texte(double v) {
  char tampon[64];
  std::snprintf(tampon, sizeof tampon, "%.7f", v);
  return tampon;
}

// A scan over a graph and a configuration of its own; the point arrays are
// followed by guard slots that must never be written.
class BalayageTest : public ::testing::Test {
 protected:
  static constexpr int Garde = 4;
  static constexpr double Temoin = -777;

  BalayageTest() {
    pointX.fill(Temoin);
    pointY.fill(Temoin);
    spectre.fill(Temoin);
  }

  TVueSpectre Vue(int cases = NbCases) {
    return {std::span<double>(pointX).first(cases),
            std::span<double>(pointY).first(cases),
            std::span<double>(spectre).first(NbCases),
            premier,
            dernier,
            valeurParam};
  }

  // Precision 7 keeps the scripted readings exact.
  TReglages Reglages(int precision = 7) {
    TReglages r;
    r.MiniL = 200;
    r.MaxiL = 1000;
    r.Precision = precision;
    return r;
  }

  void Lance(int debut, int fin, std::function<double(int)> f, double lambdaInitial = 0, int precision = 7) {
    pilote.lecture = [f](int w) { return Texte(f(w)); };
    Lance(debut, fin, lambdaInitial, precision);
  }

  void Lance(int debut, int fin, double lambdaInitial = 0, int precision = 7) {
    Debut = debut;
    Fin = fin;
    pilote.lambdaInitial = lambdaInitial;
    balayage.FormActivate(Reglages(precision));
    balayage.OKBtnClick();
  }

  void GardesIntactes() {
    for (int i = NbCases; i < NbCases + Garde; ++i) {
      EXPECT_EQ(pointX[i], Temoin) << i;
      EXPECT_EQ(pointY[i], Temoin) << i;
      EXPECT_EQ(spectre[i], Temoin) << i;
    }
  }

  std::array<double, NbCases + Garde> pointX, pointY, spectre;
  std::uint16_t premier = 7, dernier = 9;
  double valeurParam = 0;
  std::array<double, NbCases> Blanc{};
  int Debut = 400, Fin = 800;
  TFauxPilote pilote;
  TBalayage balayage{pilote, Vue(), {Debut, Fin, Blanc}};
};

TEST_F(BalayageTest, StartsAtTheNearerBoundWithTheDocumentedTieAndCeiling) {
  struct Cas {
    double instrument;
    int debut, fin;
    std::string premiereCommande;
    bool croissant;
  } cas[] = {
      {520, 400, 800, "GTO 400", true},    // nearer the start
      {700, 400, 800, "GTO 800", false},   // nearer the end
      {600, 400, 800, "GTO 800", false},   // halfway: end bound, downwards
      {400, 400, 800, "ABS", true},        // already there: read at once
      {900, 400, 1000, "GTO 999", false},  // never sent to 1000 nm
  };
  for (const auto& c : cas) {
    TFauxPilote p;
    int debut = c.debut, fin = c.fin;
    TBalayage b(p, Vue(), {debut, fin, Blanc});
    p.lambdaInitial = c.instrument;
    b.FormActivate(Reglages());
    b.OKBtnClick();
    ASSERT_FALSE(p.journal.empty());
    EXPECT_EQ(p.journal.back(), c.premiereCommande) << c.instrument;
    EXPECT_EQ(b.Croissant(), c.croissant) << c.instrument;
    EXPECT_EQ(p.mode, TModeTrace::mtPoints);
    EXPECT_FALSE(b.BornesModifiables());
    EXPECT_EQ(debut, c.debut);
    EXPECT_EQ(fin, c.fin);
  }
}

TEST_F(BalayageTest, BoundsStayFiftyApartAndInsideTheTables) {
  balayage.ChangeFin(600);
  EXPECT_EQ(balayage.DebutSE().Maxi(), 550);
  balayage.ChangeDebut(480);
  EXPECT_EQ(balayage.FinSE().Mini(), 530);
  balayage.ChangeDebut(700);  // beyond what the end allows
  EXPECT_EQ(balayage.DebutSE().Valeur(), 550);

  // An instrument reporting 1100 nm is offered no more than the tables hold.
  balayage.LimitesInstrument(190, 1100);
  EXPECT_EQ(balayage.FinSE().Maxi(), LambdaMaxTable);
  EXPECT_EQ(balayage.FinSE().Valeur(), LambdaMaxTable);
  EXPECT_EQ(balayage.DebutSE().Mini(), 190);

  // Stored bounds outside the limits come back inside them.
  Debut = 100;
  Fin = 2000;
  balayage.FormActivate(Reglages());
  EXPECT_EQ(balayage.DebutSE().Valeur(), 190);
  EXPECT_EQ(balayage.FinSE().Valeur(), LambdaMaxTable);
}

TEST_F(BalayageTest, FirstPointIsCorrectedRoundedAndClamped) {
  struct Cas {
    std::string reponse;
    double blanc;
    double attendu;
    bool marque;
  } cas[] = {
      {"3", 0.2, 3, true},          // exactly MaxiA: no baseline subtraction
      {"0.1", 0.2, 0, true},        // below the baseline
      {"0.19996", 0.2, 0, true},    // just below: rounds to zero, never to "-0"
      {"0.12345", 0, 0.123, true},  // Precision 4
      {"0.6", 0.1, 0.5, true},
      {"A=OVER", 0.2, TFauxPilote::MaxiA, false},
      {"A=UNDER", 0.2, TFauxPilote::MiniA, false},
      {"A=***", 0.2, ValeurIndefinie, false},
      {"INF!", 0.2, ValeurIndefinie, false},  // a reading that is not finite is no reading
      {"", 0.2, ValeurIndefinie, false},
  };
  for (const auto& c : cas) {
    TFauxPilote p;
    Blanc[450] = c.blanc;
    int debut = 450, fin = 800;
    TBalayage b(p, Vue(), {debut, fin, Blanc});
    p.lecture = [&](int) { return c.reponse; };
    p.lambdaInitial = 450;
    b.FormActivate(Reglages(4));
    b.OKBtnClick();
    p.Pompe(b, 1);
    EXPECT_EQ(pointY[0], c.attendu) << c.reponse;
    EXPECT_FALSE(std::signbit(pointY[0]) && pointY[0] == 0) << c.reponse;
    if (c.attendu == 0) {
      EXPECT_EQ(p.panelAbs, "A=0") << c.reponse;
    }
    EXPECT_EQ(pointX[0], 450) << c.reponse;
    EXPECT_EQ(b.NbPoints(), 1);
    EXPECT_EQ(p.dessines.size(), c.marque ? 1u : 0u) << c.reponse;
    EXPECT_EQ(p.gotos, std::vector<int>{451}) << c.reponse;
  }
}

// Readings that steer the adaptive step: a small bend at 484 opens the step
// to 16 nm, then the slope changes at a chosen place.
double Rampe(int w) {
  return w <= 484 ? 0.001 * (w - 482) + (w == 484 ? 0.0001 : 0) : 0.0021 + 0.0011 * (w - 484);
}

TEST_F(BalayageTest, AdaptiveStepGoesBackWhenABendIsFoundLate) {
  struct Cas {
    const char* nom;
    std::function<double(int)> f;
    std::vector<int> debutAttendu;
  } cas[] = {
      {"bend behind the previous point: both dropped, 504.. re-measured without adapting",
       [](int w) { return w <= 516 ? Rampe(w) : Rampe(516) + 0.0291 * (w - 516); },
       Concat({483, 484, 500, 516, 532}, Plage(504, 532, 4))},
      {"bend behind the new point only: it is dropped, 488.. re-measured",
       [](int w) { return w <= 484 ? Rampe(w) : Rampe(484) + 0.0105 * (w - 484); },
       {483, 484, 500, 488, 492, 496, 500}},
      {"a '***' point: the tiny curvature beside it opens the step, no overflow",
       [](int w) { return w == 482 ? ValeurIndefinie : 0.0; },
       {483, 484, 500, 516}},
  };
  for (const auto& c : cas) {
    TFauxPilote p;
    int debut = 482, fin = 800;
    TBalayage b(p, Vue(), {debut, fin, Blanc});
    p.lecture = [&](int w) { return c.f(w) == ValeurIndefinie ? std::string("***") : Texte(c.f(w)); };
    b.FormActivate(Reglages());
    b.OKBtnClick();
    p.Pompe(b, 2 * (static_cast<int>(c.debutAttendu.size()) + 1));
    std::vector<int> attendu = Concat({482}, c.debutAttendu);
    ASSERT_GE(p.gotos.size(), attendu.size()) << c.nom;
    EXPECT_EQ(std::vector<int>(p.gotos.begin(), p.gotos.begin() + attendu.size()), attendu) << c.nom;
  }
}

TEST_F(BalayageTest, RemeasuredStretchKeepsItsStepAndDropsTheOldPoints) {
  Lance(482, 800, [](int w) { return w <= 516 ? Rampe(w) : Rampe(516) + 0.0291 * (w - 516); });
  // Readings at 482 483 484 500 516 532: the bend found at 532 drops 516 too.
  pilote.Pompe(balayage, 2 * 6);
  EXPECT_EQ(pilote.gotos.back(), 504);
  EXPECT_EQ(balayage.NbPoints(), 4);
  EXPECT_EQ(pointX[4], 0) << "a dropped point must not be drawn again";
  EXPECT_EQ(pointX[5], 0);
  // Then 504 .. 528, every point kept at the step found at 532.
  pilote.Pompe(balayage, 2 * 7);
  EXPECT_EQ(pilote.gotos.back(), 532);
  EXPECT_EQ(balayage.PasCourant(), 4);
  const std::vector<double> attendu{482, 483, 484, 500, 504, 508, 512, 516, 520, 524, 528};
  ASSERT_EQ(balayage.NbPoints(), static_cast<int>(attendu.size()));
  for (std::size_t i = 0; i < attendu.size(); ++i) EXPECT_EQ(pointX[i], attendu[i]) << i;
}

TEST_F(BalayageTest, UnreadableStretchHalvesTheStepThenStoresRawValues) {
  pilote.lecture = [](int w) { return w > 500 ? std::string("RPOVER") : Texte(Rampe(w)); };
  Lance(482, 540);
  pilote.Pompe(balayage);
  EXPECT_EQ(std::vector<int>(pilote.gotos.begin(), pilote.gotos.begin() + 9),
            (std::vector<int>{482, 483, 484, 500, 516, 508, 504, 502, 501}));
  EXPECT_EQ(pilote.gotos.back(), 540);
  ASSERT_EQ(balayage.NbPoints(), 4 + 40);
  EXPECT_EQ(pointX[4], 501);
  EXPECT_EQ(pointY[4], TFauxPilote::MaxiA);
  EXPECT_EQ(pilote.dessines.size(), 4u) << "no marker for a raw value";
  EXPECT_EQ(pilote.panelAbs, "");  // emptied when the dialog closes
  EXPECT_EQ(pilote.mode, TModeTrace::mtCourbe);
  EXPECT_EQ(spectre[520], TFauxPilote::MaxiA);
}

// A slow bend everywhere: the step reaches 16 nm after the third point.
double Parabole(int w) {
  return 0.0001 * (w - 300) * (w - 300) / 100;
}

TEST_F(BalayageTest, LastStepIsShortenedAndDownwardScansAreReversed) {
  struct Cas {
    double instrument;
    std::vector<int> gotos;
  } cas[] = {
      {0, {400, 401, 402, 418, 434, 450, 455}},
      {900, {455, 454, 453, 437, 421, 405, 400}},
  };
  for (const auto& c : cas) {
    TFauxPilote p;
    int debut = 400, fin = 455;
    TBalayage b(p, Vue(), {debut, fin, Blanc});
    p.lecture = [](int w) { return Texte(Parabole(w)); };
    p.lambdaInitial = c.instrument;
    b.FormActivate(Reglages());
    b.OKBtnClick();
    p.Pompe(b);
    EXPECT_EQ(p.gotos, c.gotos) << c.instrument;
    EXPECT_EQ(p.fermeture, std::optional<bool>(true));
    EXPECT_EQ(p.mode, TModeTrace::mtCourbe);
    EXPECT_EQ(premier, 400);
    EXPECT_EQ(dernier, 455);
    for (int i = 1; i < b.NbPoints(); ++i) EXPECT_LT(pointX[i - 1], pointX[i]) << c.instrument;
    for (int w : c.gotos) EXPECT_NEAR(spectre[w], Parabole(w), 1e-9) << w;
    EXPECT_TRUE(p.actifs.empty()) << "triggers removed at the end";
  }
}

TEST_F(BalayageTest, StopKeepsWhatWasMeasuredAndReadsTheParameter) {
  struct Cas {
    int evenements;
    std::string valeur;
    double valeurParam;
    TModeTrace mode;
    int premier, dernier;
  } cas[] = {
      {0, "12,5", 12.5, TModeTrace::mtRien, 1, 0},  // no point yet: empty spectrum
      {6, "abc", ValeurIndefinie, TModeTrace::mtCourbe, 798, 800},
  };
  for (const auto& c : cas) {
    TFauxPilote p;
    int debut = 400, fin = 800;
    TBalayage b(p, Vue(), {debut, fin, Blanc});
    p.lecture = [](int w) { return Texte(Parabole(w)); };
    p.lambdaInitial = 900;
    p.editValeur = c.valeur;
    b.FormActivate(Reglages());
    b.OKBtnClick();
    p.Pompe(b, c.evenements);
    const std::size_t commandes = p.journal.size();
    const THandle fin_ = p.HandleDe(TFauxPilote::Etx);
    b.StopBtnClick();
    EXPECT_EQ(valeurParam, c.valeurParam);
    EXPECT_EQ(p.mode, c.mode);
    EXPECT_EQ(premier, c.premier);
    EXPECT_EQ(dernier, c.dernier);
    EXPECT_EQ(p.fermeture, std::optional<bool>(true));
    // A late answer after Stop changes nothing.
    b.DonneeRecue(fin_);
    EXPECT_EQ(p.journal.size(), commandes + 2) << "only the two trigger deletions";
    EXPECT_EQ(b.Etat(), TEtatMesure::Fini);
  }
}

TEST_F(BalayageTest, CancelLeavesAPartialScanAndRemovesAFinishedSpectrum) {
  Lance(400, 800, Parabole);
  pilote.Pompe(balayage, 6);
  balayage.CancelBtnClick();
  EXPECT_EQ(pilote.mode, TModeTrace::mtPoints) << "the partial points stay on the plot";
  EXPECT_EQ(balayage.NbPoints(), 3);
  EXPECT_EQ(premier, 7) << "nothing interpolated";
  EXPECT_EQ(pilote.fermeture, std::optional<bool>(false));
  EXPECT_TRUE(pilote.actifs.empty());

  TFauxPilote p;
  p.mode = TModeTrace::mtCourbe;
  TBalayage b(p, Vue(), {Debut, Fin, Blanc});
  b.FormActivate(Reglages());
  b.CancelBtnClick();
  EXPECT_EQ(p.mode, TModeTrace::mtRien);
}

TEST_F(BalayageTest, OnlyItsOwnTriggersInTheirTurnMoveTheScan) {
  Lance(400, 800, Parabole, 0);
  const THandle ack = pilote.HandleDe(TFauxPilote::Ack);
  const THandle fin = pilote.HandleDe(TFauxPilote::Etx);
  const std::size_t avant = pilote.journal.size();
  balayage.DonneeRecue(999);
  balayage.DonneeRecue(fin);  // no reading was asked for yet
  EXPECT_EQ(pilote.journal.size(), avant);
  balayage.DonneeRecue(ack);
  balayage.DonneeRecue(ack);  // a stray acknowledgement must not ask twice
  EXPECT_EQ(pilote.journal.size(), avant + 1);
  EXPECT_EQ(pilote.journal.back(), "ABS");
}

TEST_F(BalayageTest, FullPointSlotsFinishTheScanAndSaySo) {
  TFauxPilote p;
  TBalayage b(p, Vue(8), {Debut, Fin, Blanc});
  p.lecture = [](int) { return std::string("0.5"); };  // flat: the step stays at 1
  b.FormActivate(Reglages());
  b.OKBtnClick();
  p.Pompe(b);
  EXPECT_EQ(b.NbPoints(), 8);
  EXPECT_EQ(p.gotos.back(), 407);
  EXPECT_EQ(p.fermeture, std::optional<bool>(true));
  EXPECT_EQ(p.mode, TModeTrace::mtCourbe);
  EXPECT_EQ(dernier, 407);
  EXPECT_NE(b.Statut().find("pleine"), std::string::npos);
  EXPECT_EQ(pointX[8], Temoin);
}

TEST_F(BalayageTest, WidestRangeFillsEverySlotAndNothingBeyond) {
  balayage.LimitesInstrument(0, 1100);
  pilote.lecture = [](int) { return std::string("0.5"); };
  Lance(0, 1100, 0);
  pilote.Pompe(balayage);
  EXPECT_EQ(balayage.NbPoints(), NbCases);
  EXPECT_EQ(premier, 0);
  EXPECT_EQ(dernier, LambdaMaxTable);
  EXPECT_EQ(spectre[LambdaMaxTable], 0.5);
  EXPECT_TRUE(balayage.Statut().empty());
  GardesIntactes();
}

}  // namespace
