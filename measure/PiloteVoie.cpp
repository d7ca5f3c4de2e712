#include "measure/PiloteVoie.h"

#include "app/Labutil.h"
#include "instrument/Cfgspect.h"
#include "instrument/Protocole.h"
#include "measure/Reglages.h"
#include "serial/ComPort.h"

template <class F>
bool TPiloteVoie::Garde(F appel) {
  try {
    appel();
    return true;
  } catch (const ESerialError& erreur) {
    if (SurErreur) SurErreur(erreur.what());
    return false;
  }
}

double TPiloteVoie::LitValeur(const std::string& commande) {
  double valeur = ValeurIndefinie;
  Garde([&] { valeur = protocole_.LitValeur(commande); });
  return valeur;
}

void TPiloteVoie::EnvoieLambda(int lambda) {
  Garde([&] { protocole_.EnvoieLambda(lambda); });
}

void TPiloteVoie::DemandeAbs() {
  Garde([&] { protocole_.DemandeAbs(); });
}

void TPiloteVoie::EnvoieCommande(const std::string& commande) {
  Garde([&] { protocole_.EnvoieCommande(commande); });
}

std::string TPiloteVoie::Reponse() const {
  return protocole_.Reponse;
}

bool TPiloteVoie::DecodeMesure(const std::string& reponse, double& valeur) const {
  return spectro_.DecodeMesure(reponse, valeur);
}

void TPiloteVoie::DiscardInput() {
  Garde([&] { voie_.DiscardInput(); });
}

THandle TPiloteVoie::AddMatchTrigger(char octet) {
  THandle handle = 0;
  Garde([&] { handle = voie_.AddMatchTrigger(std::string(1, octet), false); });
  return handle;
}

void TPiloteVoie::DeleteTrigger(THandle handle) {
  Garde([&] { voie_.DeleteTrigger(handle); });
}

TReglages ReglagesDe(const Tspectro& spectro) {
  TReglages r;
  r.MiniL = spectro.MiniL;
  r.MaxiL = spectro.MaxiL;
  r.PasMax = spectro.PasMax;
  r.Yseconde = spectro.Yseconde;
  r.Precision = spectro.Precision;
  r.MaxiA = spectro.MaxiA;
  r.AckCommande = static_cast<char>(spectro.AckCommande);
  r.FinMessage = static_cast<char>(spectro.FinMessage);
  r.GetL = spectro.GetL;
  r.AffLambda = spectro.AffLambda;
  r.AffAbs = spectro.AffAbs;
  return r;
}
