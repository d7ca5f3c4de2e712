#include "measure/ui/SpectreDlg.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

#include "app/Labutil.h"
#include "measure/Tables.h"
#include "measure/tests/FauxPilote.h"
#include "measure/tests/OutilsDialogue.h"

namespace {

// A scan dialog over a graph and a configuration of its own; the instrument
// sits at 0 nm, so scans run upwards, and reads a flat 0.5.
struct SpectreBanc {
  explicit SpectreBanc(int cases = NbCases) : cases(cases) {
    reglages.MiniL = 190;
    reglages.MaxiL = 1100;
    pilote.lecture = [](int) { return std::string("0.5"); };
  }

  TVueSpectre Vue() {
    return {std::span<double>(pointX).first(static_cast<std::size_t>(cases)),
            std::span<double>(pointY).first(static_cast<std::size_t>(cases)),
            spectre,
            premier,
            dernier,
            valeurParam};
  }

  int cases;
  TFauxPilote pilote;
  TReglages reglages;
  std::array<double, NbCases> pointX{}, pointY{}, spectre{}, blanc{};
  std::uint16_t premier = 0, dernier = 0;
  double valeurParam = 0;
  int Debut = 400;
  int Fin = 500;
  TSpectreDlg dlg{pilote, Vue(), TVueSpectroBalayage{Debut, Fin, blanc}, [this] { return reglages; }};
};

TEST(SpectreDlgTest, BoundsNeverOfferMoreThanTheTables) {
  SpectreBanc b;
  b.dlg.LimitesInstrument(190, 1100);
  EXPECT_EQ(b.dlg.DebutSE->minimum(), 190);
  EXPECT_EQ(b.dlg.FinSE->maximum(), LambdaMaxTable);
  b.Debut = 190;
  b.Fin = 1100;
  Ouvre(b.dlg);
  EXPECT_EQ(b.dlg.DebutSE->value(), 190);
  EXPECT_EQ(b.dlg.FinSE->value(), LambdaMaxTable);
  b.dlg.FinSE->setValue(1100);
  EXPECT_EQ(b.dlg.FinSE->value(), LambdaMaxTable);

  // The two bounds stay 50 nm apart, through the widgets.
  b.dlg.FinSE->setValue(600);
  EXPECT_EQ(b.dlg.DebutSE->maximum(), 550);
  b.dlg.DebutSE->setValue(480);
  EXPECT_EQ(b.dlg.FinSE->minimum(), 530);
}

TEST(SpectreDlgTest, ControlsFollowTheScanToItsEnd) {
  SpectreBanc b;
  Ouvre(b.dlg);
  EXPECT_FALSE(b.dlg.OKBtn->isHidden());
  EXPECT_TRUE(b.dlg.DebutSE->isEnabled());
  b.dlg.EditValeur->setText(QStringLiteral("0,01"));
  b.dlg.OKBtn->click();
  EXPECT_TRUE(b.dlg.OKBtn->isHidden());
  EXPECT_FALSE(b.dlg.DebutSE->isEnabled());
  EXPECT_FALSE(b.dlg.FinSE->isEnabled());
  EXPECT_EQ(b.pilote.mode, TModeTrace::mtPoints);

  b.pilote.Pompe(b.dlg);
  EXPECT_TRUE(b.dlg.isHidden());
  EXPECT_EQ(b.dlg.result(), QDialog::Accepted);
  EXPECT_EQ(b.pilote.mode, TModeTrace::mtCourbe);
  EXPECT_EQ(b.premier, 400);
  EXPECT_EQ(b.dernier, 500);
  EXPECT_DOUBLE_EQ(b.valeurParam, 0.01) << "read from the dialog's own Valeur box";
  EXPECT_TRUE(b.pilote.actifs.empty());
  EXPECT_TRUE(b.dlg.Statut().isEmpty());
}

TEST(SpectreDlgTest, StopEndsTheScanWithWhatWasMeasured) {
  SpectreBanc b;
  Ouvre(b.dlg);
  b.dlg.OKBtn->click();
  b.pilote.Pompe(b.dlg, 8);
  b.dlg.StopBtn->click();
  EXPECT_TRUE(b.dlg.isHidden());
  EXPECT_EQ(b.dlg.result(), QDialog::Accepted);
  EXPECT_EQ(b.pilote.mode, TModeTrace::mtCourbe);
  EXPECT_EQ(b.premier, 400);
  EXPECT_EQ(b.dernier, 403);
  EXPECT_TRUE(b.pilote.actifs.empty());
}

TEST(SpectreDlgTest, FullPointMemoryIsTold) {
  SpectreBanc b(3);
  Ouvre(b.dlg);
  b.dlg.OKBtn->click();
  b.pilote.Pompe(b.dlg);
  EXPECT_TRUE(b.dlg.isHidden());
  EXPECT_EQ(b.pilote.mode, TModeTrace::mtCourbe);
  EXPECT_TRUE(b.dlg.Statut().startsWith(QStringLiteral("Mémoire des points pleine")))
      << b.dlg.Statut().toStdString();
  EXPECT_EQ(b.dlg.StatutLbl->text(), b.dlg.Statut());
  Ouvre(b.dlg);
  EXPECT_TRUE(b.dlg.Statut().isEmpty()) << "a new showing starts without the old reason";
}

TEST(SpectreDlgTest, EveryWayOfClosingDuringAScanAbandonsIt) {
  const std::vector<TFacon> facons = {
      {"Annuler", [](QDialog& d) { static_cast<TSpectreDlg&>(d).CancelBtn->click(); }},
      {"Echap", [](QDialog& d) { Echap(d); }},
      {"close", [](QDialog& d) { d.close(); }},
      {"hide", [](QDialog& d) { d.hide(); }},
  };
  for (const TFacon& facon : facons) {
    SCOPED_TRACE(facon.nom);
    auto b = std::make_unique<SpectreBanc>();
    Ouvre(b->dlg);
    b->dlg.OKBtn->click();
    b->pilote.Pompe(b->dlg, 6);
    const THandle ack = b->pilote.HandleDe(TFauxPilote::Ack);
    const THandle fin = b->pilote.HandleDe(TFauxPilote::Etx);
    ASSERT_NE(ack, 0);

    facon.ferme(b->dlg);
    EXPECT_TRUE(b->dlg.isHidden());
    EXPECT_TRUE(b->pilote.actifs.empty()) << "no trigger outlives the dialog";
    EXPECT_EQ(b->pilote.mode, TModeTrace::mtPoints) << "the points stay, nothing is interpolated";

    const auto journal = b->pilote.journal;
    const auto pointX = b->pointX;
    const int points = b->dlg.Procedure().NbPoints();
    b->dlg.DonneeRecue(ack);
    b->dlg.DonneeRecue(fin);
    EXPECT_EQ(b->pilote.journal, journal) << "a late answer sends nothing";
    EXPECT_EQ(b->pointX, pointX);
    EXPECT_EQ(b->dlg.Procedure().NbPoints(), points);
  }
}

TEST(SpectreDlgTest, CancelDiscardsAFinishedSpectrumButTheCloseBoxKeepsIt) {
  struct Cas {
    TFacon facon;
    QDialog::DialogCode resultat;
    TModeTrace mode;
  };
  const std::vector<Cas> cas = {
      {{"Annuler", [](QDialog& d) { static_cast<TSpectreDlg&>(d).CancelBtn->click(); }},
       QDialog::Rejected,
       TModeTrace::mtRien},
      {{"Echap", [](QDialog& d) { Echap(d); }}, QDialog::Rejected, TModeTrace::mtRien},
      {{"close", [](QDialog& d) { d.close(); }}, QDialog::Rejected, TModeTrace::mtCourbe},
      {{"Stop", [](QDialog& d) { static_cast<TSpectreDlg&>(d).StopBtn->click(); }},
       QDialog::Accepted,
       TModeTrace::mtCourbe},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.facon.nom);
    auto b = std::make_unique<SpectreBanc>();
    b->pilote.mode = TModeTrace::mtCourbe;
    b->premier = 450;
    b->dernier = 460;
    Ouvre(b->dlg);
    c.facon.ferme(b->dlg);
    EXPECT_TRUE(b->dlg.isHidden());
    EXPECT_EQ(b->dlg.result(), c.resultat);
    EXPECT_EQ(b->pilote.mode, c.mode);
    EXPECT_EQ(b->premier, 450) << "nothing was measured";
    EXPECT_EQ(b->dernier, 460);
  }
}

TEST(SpectreDlgTest, ExportTextsAreTheProgramsEightBitText) {
  SpectreBanc b;
  b.dlg.EditNom->setText(QString(QChar(0x03B5)) + QStringLiteral("é"));  // typed with Ctrl+E
  b.dlg.EditUnite->setText(QString(QChar(0x03BB)) + QStringLiteral(" ") + QString(QChar(0x20AC)));
  b.dlg.EditTitre->setText(QString(300, QLatin1Char('c')));
  EXPECT_EQ(b.dlg.NomParam(), QByteArray("\x84\xe9"));
  EXPECT_EQ(b.dlg.UniteParam(), QByteArray("\x88 ?")) << "no 8-bit code: a question mark";
  EXPECT_EQ(b.dlg.Commentaire(), QByteArray(255, 'c'));
}

}  // namespace
