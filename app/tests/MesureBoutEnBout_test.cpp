// The whole program against the instrument simulator on a pseudo-terminal:
// identification, baseline, adaptive scan and manual control through the
// real windows, port and protocol, with the simulator's faults.
#include <gtest/gtest.h>

#include <QAction>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Fenetres.h"
#include "app/tests/FenetresSimulateur.h"
#include "export/FichiersSpectre.h"
#include "export/tests/LecteurJcampIndependant.h"
#include "graph/Graphker.h"
#include "instrument/Cfgspect.h"
#include "tools/zelor-sim/ModeleSpectre.h"
#include "tools/zelor-sim/Simulateur.h"
#include "tools/zelor-sim/tests/JournalSimulateur.h"

namespace {

constexpr uint16_t PortDeTest = 45;
// No new point for this long: the scan waits for a reply that will not come.
constexpr int DelaiBlocageMs = 1500;

class BoutEnBout : public FenetresSimulateur {
 protected:
  void Demarre(const std::function<void(TSimOptions&)>& regle = {}) {
    options.rapide = true;
    options.graine = 11;
    DemarreSur(PortDeTest, regle);
  }

  const Tgraphe& Graphe() { return *Principale().Graphe; }

  void Blanc(int debut, int fin) {
    TBlancDlg& d = *fenetres->BlancDlg;
    Execute(
        d, [&] { Principale().BlancBtnClick(); },
        [&] {
          d.DebutSE->setValue(debut);
          d.FinSE->setValue(fin);
          d.OKBtn->click();
        });
  }

  // Scans; `pendant` runs on every new point until it returns true.
  void Balaye(int debut, int fin, const std::function<bool(TSpectreDlg&)>& pendant = {}) {
    TSpectreDlg& d = *fenetres->SpectreDlg;
    QTimer suivi;
    if (pendant) {
      QObject::connect(&suivi, &QTimer::timeout, &d, [&] {
        if (d.isVisible() && pendant(d)) suivi.stop();
      });
    }
    Execute(
        d, [&] { Principale().SpectreBtnClick(); },
        [&] {
          d.DebutSE->setValue(debut);
          d.FinSE->setValue(fin);
          d.OKBtn->click();
          if (pendant) suivi.start(10);
        });
  }

  // The scan sits waiting: no new point for a while.
  static std::function<bool(TSpectreDlg&)> StopSiBloque() {
    auto dernier = std::make_shared<int>(-1);
    auto depuis = std::make_shared<QDeadlineTimer>(DelaiBlocageMs);
    return [dernier, depuis](TSpectreDlg& d) {
      if (d.Procedure().NbPoints() != *dernier) {
        *dernier = d.Procedure().NbPoints();
        *depuis = QDeadlineTimer(DelaiBlocageMs);
        return false;
      }
      if (!depuis->hasExpired()) return false;
      d.StopBtn->click();
      return true;
    };
  }

  int PointsEntre(double de, double a) {
    int n = 0;
    for (int i = 0; i < fenetres->SpectreDlg->Procedure().NbPoints(); ++i) {
      n += Graphe().pointX[i] >= de && Graphe().pointX[i] <= a;
    }
    return n;
  }
};

TEST_F(BoutEnBout, BlancPuisSpectreSuiventLeModele) {
  Demarre();
  // The simulated instrument reports 1100 nm; the tables stop at 1024.
  EXPECT_EQ(Spectro().MaxiL, 1100);
  EXPECT_EQ(fenetres->SpectreDlg->FinSE->maximum(), LambdaMaxTable);
  EXPECT_FALSE(Principale().SpectreAction->isEnabled());

  Blanc(400, 700);
  EXPECT_TRUE(Principale().BlancFait);
  EXPECT_TRUE(Principale().SpectreAction->isEnabled());
  const TModeleSpectre modele(options);
  for (int w = 400; w <= 700; w += 16)
    EXPECT_NEAR(Spectro().Blanc[w], TModeleSpectre::Solvant(w), 0.003) << w;

  simulateur->BasculeCuvette();
  Balaye(400, 700);
  ASSERT_EQ(Graphe().modeTrace, mtCourbe);
  EXPECT_TRUE(Principale().MesSaveAction->isEnabled());
  EXPECT_EQ(Graphe().premier, 400);
  EXPECT_EQ(Graphe().dernier, 700);
  // Noise of two readings, four significant digits, and the chord between
  // points that the step rule allows (PasMax x Yseconde / 2).
  const double tolerance = 4 * 2 * options.bruit + 0.0005 + Spectro().PasMax * Spectro().Yseconde / 2;
  double pire = 0;
  for (int w = 400; w <= 700; ++w) {
    const double attendu =
        *modele.Absorbance(w, TCuvette::Echantillon) - *modele.Absorbance(w, TCuvette::Blanc);
    EXPECT_NEAR(Graphe().spectre[w], attendu, tolerance) << w;
    pire = std::max(pire, std::fabs(Graphe().spectre[w] - attendu));
  }
  RecordProperty("ecart_maxi", std::to_string(pire));
  // Where the 420 nm band bends, more readings than on the gentle stretch
  // between the two bands.
  EXPECT_GT(PointsEntre(390, 450), 2 * PointsEntre(490, 550));
  EXPECT_LT(fenetres->SpectreDlg->Procedure().NbPoints(), 301 / 2);
  EXPECT_TRUE(messages.empty());
}

TEST_F(BoutEnBout, ReponseSansFinPuisStopGardeLesPoints) {
  // The 30th text reply, a dozen points into the scan, never ends: the
  // scan waits until Stop.
  Demarre([](TSimOptions& o) { o.tronqueTous = 30; });
  Blanc(500, 600);
  simulateur->BasculeCuvette();
  Balaye(400, 700, StopSiBloque());
  EXPECT_EQ(Graphe().modeTrace, mtCourbe);
  const int points = fenetres->SpectreDlg->Procedure().NbPoints();
  EXPECT_GT(points, 3);
  EXPECT_LT(Graphe().dernier - Graphe().premier, 300);
  EXPECT_TRUE(Principale().MesSaveAction->isEnabled());
}

TEST_F(BoutEnBout, DeconnexionEnCoursDeBalayage) {
  // The line goes away a few points into the scan.
  Demarre([](TSimOptions& o) { o.deconnecteApres = 40; });
  Blanc(500, 600);
  simulateur->BasculeCuvette();
  Balaye(400, 700);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }, DelaiMesureMs));
  EXPECT_TRUE(messages.front().contains("interrompue")) << messages.front().toStdString();
  EXPECT_GT(fenetres->SpectreDlg->Procedure().NbPoints(), 0);
  EXPECT_EQ(Graphe().modeTrace, mtCourbe);
  // The next command starts with a reset, and a port without its device
  // counts as a busy instrument instead of failing.
  EXPECT_FALSE(Principale().LiaisonOk);
  EXPECT_FALSE(Principale().SpectroPret());
}

TEST_F(BoutEnBout, HorsGammeSurLeSommetDUneBande) {
  // The top of the 420 nm band reads "OVER".
  Demarre([](TSimOptions& o) { o.surGamme = 0.6; });
  Blanc(400, 700);
  simulateur->BasculeCuvette();
  Balaye(380, 460);
  ASSERT_EQ(Graphe().modeTrace, mtCourbe);
  EXPECT_EQ(Graphe().premier, 380);
  EXPECT_EQ(Graphe().dernier, 460);
  // Over range, the highest absorbance stands in for the reading.
  EXPECT_GT(Graphe().spectre[420], 2);
  EXPECT_LT(Graphe().spectre[380], 1);
}

TEST_F(BoutEnBout, ReponsesOctetParOctet) {
  Demarre([](TSimOptions& o) { o.tranche = 1; });
  Blanc(400, 700);
  simulateur->BasculeCuvette();
  Balaye(600, 650);
  EXPECT_EQ(Graphe().modeTrace, mtCourbe);
  EXPECT_EQ(Graphe().premier, 600);
  EXPECT_EQ(Graphe().dernier, 650);
}

TEST_F(BoutEnBout, CommandeManuelleEnvoieLesOctetsExacts) {
  Demarre();
  TCommandeDlg& d = *fenetres->CommandeDlg;
  const std::size_t avant = RecuParSimulateur(options.journal).size();
  Execute(
      d, [&] { Principale().CommandeBtnClick(); },
      [&] {
        EXPECT_EQ(d.LambdaSB->maximum(), LambdaMaxTable);
        d.LambdaSB->setValue(512);
        d.GOTOBtn->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return d.GOTOBtn->isVisible(); }, DelaiMesureMs));
        d.AffLambdaBtn->click();
        d.AffAbsBtn->click();
        d.CloseBtn->click();
      });
  const std::string recu = RecuParSimulateur(options.journal).substr(avant);
  // The activation asks where the instrument stands, then the user's commands.
  EXPECT_EQ(recu, "?RPTL\r?GTO512.0\r?RNGnm  \r?RNGA   \r");
}

TEST_F(BoutEnBout, PortTenuParUnAutreProgrammeEstNomme) {
  Demarre();
  Principale().VoieSerie.SetOpen(false);
  // Another program (here the test itself) holds the line when the window
  // identifies the instrument again.
  TComPort autre;
  autre.SetComNumber(PortDeTest);
  autre.SetAutoOpen(false);
  autre.SetOpen(true);
  Principale().InitAppareil();
  EXPECT_FALSE(Principale().AppareilTrouve);
  ASSERT_EQ(messages.size(), 1u);
  const QString nous = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  EXPECT_TRUE(messages.front().contains("est déjà utilisé par " + nous + " (pid " +
                                        QString::number(QCoreApplication::applicationPid()) + ")"))
      << messages.front().toStdString();
}

TEST_F(BoutEnBout, TraceImpossibleAEcrireNEmpechePasDeFermer) {
  Demarre();
  const QString absent = dossier.filePath("absent/");
  Principale().VoieSerie.SetTraceName((absent + "zelor.TRC").toStdString());
  Principale().VoieSerie.SetLogName((absent + "zelor.LOG").toStdString());
  Principale().VoieSerie.SetTracing(tlOn);
  Principale().VoieSerie.SetLogging(tlOn);
  Principale().VoieSerie.WriteString("?RPS\r");
  Principale().show();
  EXPECT_TRUE(Principale().close());
  EXPECT_FALSE(Principale().isVisible());
  // The port still closes and lets the device go, even though its log
  // cannot be written either.
  EXPECT_THROW(Principale().VoieSerie.SetOpen(false), EInOutError);
  EXPECT_FALSE(Principale().VoieSerie.Open());
}

TEST_F(BoutEnBout, SpectreEnregistrePuisRouvertDansChaqueFormat) {
  Demarre();
  Blanc(400, 700);
  simulateur->BasculeCuvette();
  TSpectreDlg& d = *fenetres->SpectreDlg;
  d.EditNom->setText("c");
  d.EditUnite->setText("mol/L");
  d.EditValeur->setText("0.0125");
  d.EditTitre->setText(QString::fromUtf8("Essai λ été"));
  Balaye(420, 680);
  ASSERT_EQ(Graphe().modeTrace, mtCourbe);
  const TableauSpectre mesure = Graphe().spectre;
  const double valeur = Graphe().valeurParam;
  TFichiersFenetre& fichiers = *fenetres->Fichiers;
  QStringList jcamp;
  for (const char* nom : {"scan.jdx", "scan.csv", "scan.txt"}) {
    SCOPED_TRACE(nom);
    const QString chemin = dossier.filePath(nom);
    ASSERT_TRUE(fichiers.EnregistreSous(chemin)) << (messages.empty() ? "" : messages.back().toStdString());
    if (chemin.endsWith(".jdx")) jcamp << chemin;

    // Another state before the file comes back.
    Principale().Graphe->modeTrace = mtRien;
    Principale().Graphe->spectre.fill(0);
    Principale().Graphe->valeurParam = ValeurIndefinie;
    for (QLineEdit* boite : {d.EditNom, d.EditUnite, d.EditValeur, d.EditTitre}) boite->clear();
    Principale().MajActions();
    ASSERT_FALSE(Principale().MesSaveAction->isEnabled());

    ASSERT_TRUE(fichiers.OuvreFichier(chemin)) << (messages.empty() ? "" : messages.back().toStdString());
    EXPECT_EQ(Graphe().modeTrace, mtCourbe);
    EXPECT_TRUE(Principale().MesSaveAction->isEnabled());
    EXPECT_TRUE(fichiers.EnregistrerAction->isEnabled());
    EXPECT_EQ(Graphe().premier, 420);
    EXPECT_EQ(Graphe().dernier, 680);
    for (int w = 420; w <= 680; ++w) {
      // Written with four significant digits (0.001 steps in JCAMP-DX).
      ASSERT_NEAR(Graphe().spectre[w], mesure[w], 0.0005 + 1e-12) << w;
    }
    EXPECT_DOUBLE_EQ(Graphe().valeurParam, valeur);
    EXPECT_EQ(d.EditNom->text(), "c");
    EXPECT_EQ(d.EditUnite->text(), "mol/L");
    EXPECT_EQ(d.EditValeur->text(), "0.0125");
    EXPECT_EQ(d.EditTitre->text(), QString::fromUtf8("Essai λ été"));
  }
  // The JCAMP-DX file also keeps the ranges and the instrument.
  const TLectureSpectre lu = OuvreSpectre(dossier.filePath("scan.jdx"));
  ASSERT_TRUE(lu.spectre);
  EXPECT_EQ(lu.spectre->balayage.debut, 420);
  EXPECT_EQ(lu.spectre->balayage.fin, 680);
  EXPECT_EQ(lu.spectre->blanc.debut, 400);
  EXPECT_EQ(lu.spectre->blanc.fin, 700);
  EXPECT_EQ(lu.spectre->appareil.numero, options.numero);
  EXPECT_EQ(lu.spectre->appareil.version, options.version);

  // And an independent reader finds the same data in it.
  const std::vector<TLuIndependant> independant = LitJcampIndependant(jcamp);
  ASSERT_EQ(independant.size(), 1u);
  ASSERT_EQ(independant[0].x.size(), 261u);
  for (int w = 420; w <= 680; ++w) {
    EXPECT_EQ(independant[0].x[w - 420], w);
    EXPECT_NEAR(independant[0].y[w - 420], mesure[w], EcartEcrit(jcamp[0])) << w;
  }
  EXPECT_TRUE(messages.empty());
}

}  // namespace
