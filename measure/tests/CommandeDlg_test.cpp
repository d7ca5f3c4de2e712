#include "measure/ui/CommandeDlg.h"

#include <gtest/gtest.h>

#include <memory>

#include "measure/Tables.h"
#include "measure/tests/FauxPilote.h"
#include "measure/tests/OutilsDialogue.h"

namespace {

QString Lambda(int nm) {
  return QString(QChar(0x03BB)) + QStringLiteral("=%1 nm").arg(nm);
}

struct CommandeBanc {
  CommandeBanc() {
    reglages.MiniL = 190;
    reglages.MaxiL = 1100;
    pilote.lambdaInitial = 500;
  }

  TFauxPilote pilote;
  TReglages reglages;
  TCommandeDlg dlg{pilote, [this] { return reglages; }};
};

TEST(CommandeDlgTest, ScrollBarChoosesAndGoToMoves) {
  CommandeBanc b;
  Ouvre(b.dlg);
  EXPECT_EQ(b.dlg.LambdaSB->minimum(), 190);
  EXPECT_EQ(b.dlg.LambdaSB->maximum(), LambdaMaxTable);
  EXPECT_EQ(b.dlg.LambdaEdit->text(), Lambda(500));

  b.dlg.GOTOBtn->click();
  EXPECT_TRUE(b.pilote.gotos.empty()) << "already there";

  b.dlg.LambdaSB->setValue(650);
  EXPECT_EQ(b.dlg.LambdaEdit->text(), Lambda(650));
  EXPECT_TRUE(b.pilote.gotos.empty()) << "moving the bar sends nothing";

  b.dlg.GOTOBtn->click();
  EXPECT_EQ(b.pilote.gotos, std::vector<int>{650});
  EXPECT_TRUE(b.dlg.GOTOBtn->isHidden());
  b.dlg.LambdaSB->setValue(660);
  b.pilote.Pompe(b.dlg);
  EXPECT_FALSE(b.dlg.GOTOBtn->isHidden());
  EXPECT_EQ(b.dlg.Procedure().LambdaSpectro(), 660) << "the bar's position when the move ended";
  EXPECT_TRUE(b.pilote.actifs.empty());

  b.dlg.AffAbsBtn->click();
  b.dlg.AffLambdaBtn->click();
  EXPECT_EQ(Compte(b.pilote.journal, "CMD ?RNGA   "), 1);
  EXPECT_EQ(Compte(b.pilote.journal, "CMD ?RNGnm  "), 1);

  // The settings are read again at the next showing.
  b.dlg.CloseBtn->click();
  EXPECT_TRUE(b.dlg.isHidden());
  b.reglages.MiniL = 700;
  b.reglages.MaxiL = 900;
  Ouvre(b.dlg);
  EXPECT_EQ(b.dlg.LambdaSB->minimum(), 700);
  EXPECT_EQ(b.dlg.LambdaSB->maximum(), 900);
  EXPECT_EQ(b.dlg.LambdaSB->value(), 700);
  EXPECT_EQ(b.dlg.LambdaEdit->text(), Lambda(700));
}

TEST(CommandeDlgTest, ClosingDuringAMoveRemovesItsTrigger) {
  const std::vector<TFacon> facons = {
      {"Fermer", [](QDialog& d) { static_cast<TCommandeDlg&>(d).CloseBtn->click(); }},
      {"Echap", [](QDialog& d) { Echap(d); }},
      {"close", [](QDialog& d) { d.close(); }},
  };
  for (const TFacon& facon : facons) {
    SCOPED_TRACE(facon.nom);
    auto b = std::make_unique<CommandeBanc>();
    Ouvre(b->dlg);
    b->dlg.LambdaSB->setValue(600);
    b->dlg.GOTOBtn->click();
    const THandle ack = b->pilote.HandleDe(TFauxPilote::Ack);
    ASSERT_NE(ack, 0);
    facon.ferme(b->dlg);
    EXPECT_TRUE(b->dlg.isHidden());
    EXPECT_TRUE(b->pilote.actifs.empty());
    const int avant = b->dlg.Procedure().LambdaSpectro();
    b->dlg.DonneeRecue(ack);
    EXPECT_EQ(b->dlg.Procedure().LambdaSpectro(), avant) << "a late acknowledgement changes nothing";
    Ouvre(b->dlg);
    EXPECT_FALSE(b->dlg.GOTOBtn->isHidden());
  }
}

}  // namespace
