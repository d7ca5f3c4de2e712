#include "measure/Commande.h"

#include <gtest/gtest.h>

#include "measure/Tables.h"
#include "measure/tests/FauxPilote.h"

namespace {

class CommandeTest : public ::testing::Test {
 protected:
  void Active(int miniL = 190, int maxiL = 1100, double instrument = 500) {
    TReglages r;
    r.MiniL = miniL;
    r.MaxiL = maxiL;
    pilote.lambdaInitial = instrument;
    commande.FormActivate(r);
  }

  TFauxPilote pilote;
  TCommande commande{pilote};
};

TEST_F(CommandeTest, ScrollRangeFollowsTheInstrumentWithinTheTables) {
  Active(190, 1100);
  EXPECT_EQ(commande.LambdaSB().Mini(), 190);
  EXPECT_EQ(commande.LambdaSB().Maxi(), LambdaMaxTable);
  EXPECT_EQ(commande.LambdaSB().Valeur(), 500) << "the position of the last use is kept";
  commande.LambdaSBChange(650);
  EXPECT_EQ(commande.LambdaEdit(), "\x88=650 nm");
  EXPECT_TRUE(pilote.gotos.empty()) << "moving the bar sends nothing";
  Active(700, 900);
  EXPECT_EQ(commande.LambdaSB().Valeur(), 700);
  EXPECT_EQ(commande.LambdaEdit(), "\x88=700 nm");
}

TEST_F(CommandeTest, GoToTheCurrentPositionDoesNothing) {
  Active(190, 1100, 499.6);
  const std::size_t avant = pilote.journal.size();
  commande.GOTOBtnClick();
  EXPECT_EQ(pilote.journal.size(), avant);
  EXPECT_TRUE(commande.GOTOBtnVisible());
}

TEST_F(CommandeTest, AcknowledgementTakesTheScrollPositionOfThatMoment) {
  Active();
  commande.LambdaSBChange(600);
  commande.GOTOBtnClick();
  EXPECT_EQ(pilote.gotos, std::vector<int>{600});
  EXPECT_FALSE(commande.GOTOBtnVisible());
  commande.LambdaSBChange(610);
  commande.GOTOBtnClick();  // hidden button: no second move
  EXPECT_EQ(pilote.gotos.size(), 1u);
  commande.DonneeRecue(999);
  EXPECT_FALSE(commande.GOTOBtnVisible()) << "another trigger is not ours";
  pilote.Pompe(commande);
  EXPECT_TRUE(commande.GOTOBtnVisible());
  EXPECT_EQ(commande.LambdaSpectro(), 610);
  EXPECT_TRUE(pilote.actifs.empty());
}

TEST_F(CommandeTest, ClosingDuringAMoveRemovesItsTrigger) {
  Active();
  commande.LambdaSBChange(600);
  commande.GOTOBtnClick();
  const THandle ack = pilote.HandleDe(TFauxPilote::Ack);
  commande.FormClose();
  EXPECT_TRUE(pilote.actifs.empty());
  commande.DonneeRecue(ack);  // the late acknowledgement
  EXPECT_EQ(commande.LambdaSpectro(), 500);
}

TEST_F(CommandeTest, DisplayCommandsArePaddedToEightCharacters) {
  Active();
  commande.AffLambdaBtnClick();
  commande.AffAbsBtnClick();
  EXPECT_EQ(pilote.journal[pilote.journal.size() - 2], "CMD ?RNGnm  ");
  EXPECT_EQ(pilote.journal.back(), "CMD ?RNGA   ");
}

}  // namespace
