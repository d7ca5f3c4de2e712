#include "measure/Commande.h"

#include <algorithm>

#include "measure/Affichage.h"
#include "measure/Tables.h"

TCommande::TCommande(TPilote& pilote) : pilote_(pilote), LambdaSB_(325, 1000, 500) {}

void TCommande::FormActivate(const TReglages& reglages) {
  reglages_ = reglages;
  const int mini = LambdaDansTable(reglages_.MiniL);
  LambdaSB_.FixeLimites(mini, std::max(mini, LambdaDansTable(reglages_.MaxiL)));
  LambdaSBChange(LambdaSB_.Valeur());
  AnnuleDeplacement();
  LambdaSpectro_ = ArrondiEntier(pilote_.LitValeur(reglages_.GetL));
}

void TCommande::LambdaSBChange(int position) {
  LambdaSB_.FixeValeur(position);
  LambdaEdit_ = TexteLambda(LambdaSB_.Valeur());
}

void TCommande::GOTOBtnClick() {
  if (TrigAck_ != 0) return;  // one move at a time
  if (LambdaSB_.Valeur() == LambdaSpectro_) return;
  TrigAck_ = pilote_.AddMatchTrigger(reglages_.AckCommande);
  pilote_.EnvoieLambda(LambdaSB_.Valeur());
}

void TCommande::DonneeRecue(THandle handle) {
  if (handle == 0 || handle != TrigAck_) return;
  AnnuleDeplacement();
  // The scroll bar may have moved while the instrument was moving.
  LambdaSpectro_ = LambdaSB_.Valeur();
}

void TCommande::AffLambdaBtnClick() {
  pilote_.EnvoieCommande(CommandeAffichage(reglages_.AffLambda));
}

void TCommande::AffAbsBtnClick() {
  pilote_.EnvoieCommande(CommandeAffichage(reglages_.AffAbs));
}

void TCommande::FormClose() {
  // A pending move's trigger goes with the dialog, so it cannot outlive it;
  // the next activation reads the instrument's wavelength anyway.
  AnnuleDeplacement();
}

void TCommande::AnnuleDeplacement() {
  if (TrigAck_ != 0) pilote_.DeleteTrigger(TrigAck_);
  TrigAck_ = 0;
}
