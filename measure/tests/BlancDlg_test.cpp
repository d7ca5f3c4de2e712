#include "measure/ui/BlancDlg.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "app/Labutil.h"
#include "measure/Tables.h"
#include "measure/tests/FauxPilote.h"
#include "measure/tests/OutilsDialogue.h"

namespace {

// A baseline dialog over a configuration of its own, for an instrument that
// reports 190..1100 nm.
struct BlancBanc {
  BlancBanc() {
    reglages.MiniL = 190;
    reglages.MaxiL = 1100;
    pilote.lecture = [](int w) { return std::to_string(0.1 + w / 10000.0); };
  }

  TFauxPilote pilote;
  TReglages reglages;
  int BlancDebut = 500;
  int BlancFin = 800;
  std::array<double, NbCases> blanc{};
  int activations = 0;
  TBlancDlg dlg{pilote, TVueBlanc{BlancDebut, BlancFin, blanc}, [this] {
                  ++activations;
                  return reglages;
                }};
};

TEST(BlancDlgTest, ControlsFollowTheRecording) {
  BlancBanc b;
  Ouvre(b.dlg);
  EXPECT_EQ(b.dlg.LambdaBtn->text(), QString(QChar(0x03BB)));
  EXPECT_EQ(b.dlg.DebutSE->value(), 500);
  EXPECT_EQ(b.dlg.FinSE->value(), 800);
  EXPECT_EQ(b.dlg.Gauge->minimum(), 190);
  EXPECT_EQ(b.dlg.Gauge->maximum(), LambdaMaxTable) << "the gauge stays inside the table";
  EXPECT_FALSE(b.dlg.OKBtn->isHidden());

  b.dlg.LambdaBtn->click();
  b.dlg.SpeedButton2->click();
  EXPECT_EQ(Compte(b.pilote.journal, "CMD ?RNGnm  "), 1);
  EXPECT_EQ(Compte(b.pilote.journal, "CMD ?RNGA   "), 1);

  b.dlg.FinSE->setValue(540);  // below its limit: held at 551
  EXPECT_EQ(b.dlg.FinSE->value(), 551);
  b.dlg.FinSE->setValue(600);
  b.dlg.OKBtn->click();
  EXPECT_TRUE(b.dlg.OKBtn->isHidden());
  EXPECT_FALSE(b.dlg.DebutSE->isEnabled());
  EXPECT_FALSE(b.dlg.FinSE->isEnabled());
  EXPECT_FALSE(b.dlg.LambdaBtn->isEnabled()) << "their acknowledgement would be taken for a move";
  EXPECT_FALSE(b.dlg.SpeedButton2->isEnabled());
  EXPECT_EQ(b.BlancFin, 600);

  b.pilote.Pompe(b.dlg, 2);
  EXPECT_EQ(b.dlg.Gauge->value(), 500);
  b.pilote.Pompe(b.dlg, 2);
  EXPECT_EQ(b.dlg.Gauge->value(), 516);

  b.pilote.Pompe(b.dlg);
  EXPECT_TRUE(b.dlg.isHidden()) << "the recording closes the dialog when it is complete";
  EXPECT_EQ(b.dlg.result(), QDialog::Accepted);
  EXPECT_TRUE(b.pilote.blancFait);
  EXPECT_TRUE(b.pilote.actifs.empty());
  EXPECT_FALSE(b.pilote.fermeture.has_value()) << "the dialog closes itself, not the main window";
  EXPECT_NE(b.blanc[190], ValeurIndefinie);
  EXPECT_NE(b.blanc[1024], ValeurIndefinie);

  Ouvre(b.dlg);
  EXPECT_FALSE(b.dlg.OKBtn->isHidden()) << "a new showing is ready for a new recording";
  EXPECT_TRUE(b.dlg.DebutSE->isEnabled());
  EXPECT_EQ(b.dlg.FinSE->value(), 600) << "the bounds of the last recording";
}

TEST(BlancDlgTest, EveryWayOfClosingAbandonsTheRecording) {
  const std::vector<TFacon> facons = {
      {"Annuler", [](QDialog& d) { static_cast<TBlancDlg&>(d).EscBtn->click(); }},
      {"Echap", [](QDialog& d) { Echap(d); }},
      {"close", [](QDialog& d) { d.close(); }},
      {"hide", [](QDialog& d) { d.hide(); }},
  };
  for (const TFacon& facon : facons) {
    SCOPED_TRACE(facon.nom);
    auto b = std::make_unique<BlancBanc>();
    Ouvre(b->dlg);
    b->dlg.OKBtn->click();
    b->pilote.Pompe(b->dlg, 4);
    const THandle ack = b->pilote.HandleDe(TFauxPilote::Ack);
    const THandle fin = b->pilote.HandleDe(TFauxPilote::Etx);
    ASSERT_NE(ack, 0);

    facon.ferme(b->dlg);
    EXPECT_TRUE(b->dlg.isHidden());
    EXPECT_TRUE(b->pilote.actifs.empty()) << "no trigger outlives the dialog";
    EXPECT_FALSE(b->pilote.blancFait);

    const auto journal = b->pilote.journal;
    const auto table = b->blanc;
    const int gauge = b->dlg.Gauge->value();
    b->dlg.DonneeRecue(ack);
    b->dlg.DonneeRecue(fin);
    EXPECT_EQ(b->pilote.journal, journal) << "a late answer sends nothing";
    EXPECT_EQ(b->blanc, table);
    EXPECT_EQ(b->dlg.Gauge->value(), gauge);
    EXPECT_FALSE(b->pilote.blancFait);
  }
}

}  // namespace
