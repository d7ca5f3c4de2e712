#include "tools/zelor-sim/ModeleSpectre.h"

#include <gtest/gtest.h>

#include <QSet>

#include "tools/zelor-sim/MoteurProtocole.h"

namespace {

TSimOptions Options() {
  TSimOptions o;
  o.rapide = true;
  o.graine = 11;
  o.plageInvalide = TPlageNm{480, 490};
  return o;
}

double Echantillon(double nm) {
  return TModeleSpectre::Solvant(nm) + TModeleSpectre::Bandes(nm);
}
double Blanc(double nm) {
  return TModeleSpectre::Solvant(nm);
}

TEST(ModeleSpectre, BandsStandOutOfTheSampleMinusBlank) {
  struct {
    double pic, creux;
  } const bandes[] = {{260, 330}, {420, 340}, {640, 540}};
  for (const auto& b : bandes) {
    SCOPED_TRACE(b.pic);
    const double auPic = Echantillon(b.pic) - Blanc(b.pic);
    EXPECT_GT(auPic, Echantillon(b.pic - 5) - Blanc(b.pic - 5));
    EXPECT_GT(auPic, Echantillon(b.pic + 5) - Blanc(b.pic + 5));
    EXPECT_GT(auPic, 2 * (Echantillon(b.creux) - Blanc(b.creux)));
  }
}

TEST(ModeleSpectre, BlankIsSmoothAndDiffersFromTheSampleEverywhere) {
  for (double nm = 200; nm <= 1100; nm += 10) {
    SCOPED_TRACE(nm);
    EXPECT_GT(Echantillon(nm) - Blanc(nm), 0.01);
    EXPECT_LT(std::abs(Blanc(nm + 1) - Blanc(nm)), 0.5);
  }
}

TEST(ModeleSpectre, CuvettesReadTheirCurvesAndNothingOutsideTheRangeOrInTheBadRange) {
  const TModeleSpectre modele(Options());
  EXPECT_EQ(modele.Absorbance(300, TCuvette::Blanc), Blanc(300));
  EXPECT_EQ(modele.Absorbance(300, TCuvette::Echantillon), Echantillon(300));
  for (double nm : {189.9, 1100.1, 480.0, 485.0, 490.0})
    EXPECT_FALSE(modele.Absorbance(nm, TCuvette::Echantillon)) << nm;
  for (double nm : {190.0, 479.9, 490.1, 1100.0}) EXPECT_TRUE(modele.Absorbance(nm, TCuvette::Blanc)) << nm;
}

// What "?RPTA" reports where the model leaves the instrument's range.
TEST(ModeleSpectre, ReadingTokensWhereTheModelLeavesTheRange) {
  struct {
    const char* commandes;
    QByteArray lecture;
  } const cas[] = {
      {"?GTO192\r", "\x02RPTAOVERX\x03"},  // solvent cut-off
      {"?GTO189\r", "\x02RPTA***X\x03"},
      {"?GTO1101\r", "\x02RPTA***X\x03"},
      {"?GTO485\r", "\x02RPTA***X\x03"},
      // Zeroed on the strong band, the baseline elsewhere reads far below zero.
      {"!CUVE SAMPLE\r?GTO260\r?AZO\r?GTO900\r", "\x02RPTAUNDERX\x03"},
  };
  for (const auto& c : cas) {
    TMoteurProtocole moteur(Options());
    const TInstant t = THorloge::now();
    moteur.Recoit(c.commandes, t);
    moteur.PrendEvenements();
    moteur.Recoit("?RPTA\r", t);
    const auto evenements = moteur.PrendEvenements();
    QByteArray sortie;
    for (const auto& e : evenements)
      if (e.genre == TEvenementSim::Genre::Reponse) sortie += e.octets;
    EXPECT_EQ(sortie, c.lecture) << c.commandes;
  }
}

QByteArrayList Lectures(std::uint64_t graine) {
  TSimOptions o = Options();
  o.graine = graine;
  TMoteurProtocole moteur(o);
  QByteArrayList lectures;
  for (int i = 0; i < 20; ++i) {
    moteur.Recoit("?RPTA\r", THorloge::now());
    for (const auto& e : moteur.PrendEvenements())
      if (e.genre == TEvenementSim::Genre::Reponse) lectures.append(e.octets);
  }
  return lectures;
}

TEST(ModeleSpectre, SameSeedSameNoisyReadings) {
  const QByteArrayList a = Lectures(5);
  EXPECT_EQ(a, Lectures(5));
  EXPECT_NE(a, Lectures(6));
  EXPECT_GT(QSet<QByteArray>(a.begin(), a.end()).size(), 1);  // the noise is there
  for (const QByteArray& l : a) {
    const double v = l.mid(5, l.size() - 7).toDouble();
    EXPECT_NEAR(v, Blanc(500), 0.005) << l.toStdString();
  }
}

TEST(ModeleSpectre, FaultsDoNotChangeTheReadingsOfASeed) {
  TSimOptions o = Options();
  o.probaAltere = 0.5;
  TMoteurProtocole avecDefauts(o), sans(Options());
  for (int i = 0; i < 20; ++i) {
    avecDefauts.Recoit("?RPTA\r?RPTN\r", THorloge::now());
    sans.Recoit("?RPTA\r?RPTN\r", THorloge::now());
  }
  const auto ea = avecDefauts.PrendEvenements(), eb = sans.PrendEvenements();
  ASSERT_EQ(ea.size(), eb.size());
  for (size_t i = 0; i < ea.size(); ++i) {
    ASSERT_EQ(ea[i].octets.size(), eb[i].octets.size());
    int differences = 0;
    for (qsizetype k = 0; k < ea[i].octets.size(); ++k) differences += ea[i].octets[k] != eb[i].octets[k];
    // A garbled reply differs in one byte; a shared generator would shift every later reading.
    EXPECT_LE(differences, 1) << ea[i].octets.toStdString() << " / " << eb[i].octets.toStdString();
  }
}

}  // namespace
