#include "app/PiloteFenetre.h"

#include <QLabel>

#include "app/Labutil.h"
#include "app/Specmain.h"
#include "app/TexteAffiche.h"
#include "graph/Graphker.h"
#include "instrument/Cfgspect.h"
#include "measure/Reglages.h"

template <class F>
bool TPiloteFenetre::Garde(F appel) {
  try {
    appel();
    return true;
  } catch (const ESerialError& erreur) {
    if (SurErreur) SurErreur(erreur.what());
    return false;
  }
}

double TPiloteFenetre::LitValeur(const std::string& commande) {
  double valeur = ValeurIndefinie;
  Garde([&] { valeur = fenetre_.Protocole.LitValeur(commande); });
  return valeur;
}

void TPiloteFenetre::EnvoieLambda(int lambda) {
  Garde([&] { fenetre_.Protocole.EnvoieLambda(lambda); });
}

void TPiloteFenetre::DemandeAbs() {
  Garde([&] { fenetre_.Protocole.DemandeAbs(); });
}

void TPiloteFenetre::EnvoieCommande(const std::string& commande) {
  Garde([&] { fenetre_.Protocole.EnvoieCommande(commande); });
}

std::string TPiloteFenetre::Reponse() const {
  return fenetre_.Reponse;
}

bool TPiloteFenetre::DecodeMesure(const std::string& reponse, double& valeur) const {
  return spectro_.DecodeMesure(reponse, valeur);
}

void TPiloteFenetre::DiscardInput() {
  Garde([&] { fenetre_.VoieSerie.DiscardInput(); });
}

THandle TPiloteFenetre::AddMatchTrigger(char octet) {
  THandle handle = 0;
  Garde([&] { handle = fenetre_.VoieSerie.AddMatchTrigger(std::string(1, octet), false); });
  return handle;
}

void TPiloteFenetre::DeleteTrigger(THandle handle) {
  Garde([&] { fenetre_.VoieSerie.DeleteTrigger(handle); });
}

void TPiloteFenetre::FixePanelLambda(const std::string& texte) {
  fenetre_.PanelLambda->setText(TexteAffiche(texte));
}

void TPiloteFenetre::FixePanelAbs(const std::string& texte) {
  fenetre_.PanelAbs->setText(TexteAffiche(texte));
}

void TPiloteFenetre::DessinePoint(int slot) {
  Rect zone;
  if (fenetre_.Graphe->RectMarque(slot, zone)) {
    fenetre_.PaintBox->update(zone.left, zone.top, zone.Largeur(), zone.Hauteur());
  } else {
    fenetre_.PaintBox->update();
  }
}

TModeTrace TPiloteFenetre::LitModeTrace() const {
  return static_cast<TModeTrace>(fenetre_.Graphe->modeTrace);
}

void TPiloteFenetre::FixeModeTrace(TModeTrace mode) {
  fenetre_.Graphe->modeTrace = static_cast<ModeTrace>(mode);
  fenetre_.PaintBox->update();
}

void TPiloteFenetre::FixeBlancFait(bool fait) {
  fenetre_.BlancFait = fait;
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
