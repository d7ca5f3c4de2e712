#include "measure/Balayage.h"

#include <algorithm>
#include <cmath>

#include "app/Labutil.h"
#include "measure/Affichage.h"
#include "measure/Interpole.h"

namespace {
// The two bounds of a scan stay at least this far apart.
constexpr int EcartBornes = 50;
// The instrument is not sent to 1000 nm or beyond when a scan starts there.
constexpr int LambdaDepartMaxi = 999;
// Weight of the slope in the curvature: steep stretches need fewer points.
constexpr double PoidsPente = 1000;
// Longest text of a box the dialog hands over.
constexpr std::size_t LongueurTexteMaxi = 255;
// Part of an unusable reply shown in the absorbance panel.
constexpr std::size_t DebutMotReponse = 2;
constexpr std::size_t LongueurMotReponse = 7;

// Texts are 8-bit, like every text of the program (Latin-1, lambda at 0x88).
std::string MessagePlein(int lambda) {
  return "M\xe9moire des points pleine : balayage arr\xeat\xe9 \xe0 " + std::to_string(lambda) +
         " nm, spectre gard\xe9 jusque-l\xe0";
}
}  // namespace

TBalayage::TBalayage(TPilote& pilote, TVueSpectre graphe, TVueSpectroBalayage spectro)
    : pilote_(pilote), graphe_(graphe), spectro_(spectro), DebutSE_(325, 800, 500), FinSE_(500, 1000, 800) {
  BornesChange();
}

void TBalayage::LimitesInstrument(int miniL, int maxiL) {
  const int mini = LambdaDansTable(miniL);
  const int maxi = std::max(mini, LambdaDansTable(maxiL));
  FinSE_.FixeMaxi(maxi);
  FinSE_.FixeValeur(maxi);
  DebutSE_.FixeMini(mini);
  DebutSE_.FixeValeur(mini);
  BornesChange();
}

void TBalayage::ChangeDebut(int valeur) {
  DebutSE_.FixeValeur(valeur);
  BornesChange();
}

void TBalayage::ChangeFin(int valeur) {
  FinSE_.FixeValeur(valeur);
  BornesChange();
}

void TBalayage::BornesChange() {
  DebutSE_.FixeMaxi(FinSE_.Valeur() - EcartBornes);
  FinSE_.FixeMini(DebutSE_.Valeur() + EcartBornes);
}

void TBalayage::FormActivate(const TReglages& reglages) {
  reglages_ = reglages;
  reglages_.PasMax = std::max(reglages_.PasMax, 1);
  etat_ = TEtatMesure::Pret;
  Statut_.clear();
  pilote_.FixePanelLambda("");
  pilote_.FixePanelAbs("");
  ChangeDebut(spectro_.Debut);
  ChangeFin(spectro_.Fin);
  ChangeDebut(spectro_.Debut);  // once more, now that the end no longer holds it back
  PasCourant_ = 1;
  NbPoints_ = 0;
  TrigAck_ = 0;
  TrigFin_ = 0;
  Facteur_ = std::pow(10.0, reglages_.Precision - 1);
  LambdaSpectro_ = ArrondiEntier(pilote_.LitValeur(reglages_.GetL));
}

void TBalayage::OKBtnClick() {
  if (etat_ != TEtatMesure::Pret) return;
  pilote_.DiscardInput();
  TrigAck_ = pilote_.AddMatchTrigger(reglages_.AckCommande);
  TrigFin_ = pilote_.AddMatchTrigger(reglages_.FinMessage);
  DebutScan_ = DebutSE_.Valeur();
  FinScan_ = FinSE_.Valeur();
  // On a tie the scan starts at the end bound and runs downwards.
  Croissant_ = std::abs(LambdaSpectro_ - DebutScan_) < std::abs(LambdaSpectro_ - FinScan_);
  std::fill(graphe_.pointX.begin(), graphe_.pointX.end(), 0.0);
  LambdaCible_ = Croissant_ ? DebutScan_ : FinScan_;
  spectro_.Debut = DebutScan_;
  spectro_.Fin = FinScan_;
  LambdaAtteint_ = LambdaCible_;
  pilote_.FixeModeTrace(TModeTrace::mtPoints);
  LambdaCible_ = std::min(LambdaCible_, LambdaDepartMaxi);
  if (LambdaCible_ == LambdaSpectro_) {
    etat_ = TEtatMesure::AttenteMesure;
    pilote_.DemandeAbs();
  } else {
    Envoie();
  }
}

void TBalayage::DonneeRecue(THandle handle) {
  if (handle == 0) return;
  if (etat_ == TEtatMesure::AttenteAck && handle == TrigAck_) {
    etat_ = TEtatMesure::AttenteMesure;
    pilote_.DemandeAbs();
  } else if (etat_ == TEtatMesure::AttenteMesure && handle == TrigFin_) {
    TraiteMesure();
    if (EnCours(etat_)) LambdaSuivante();
  }
}

int TBalayage::Capacite() const {
  return static_cast<int>(std::min(graphe_.pointX.size(), graphe_.pointY.size()));
}

void TBalayage::TraiteMesure() {
  if (NbPoints_ >= Capacite()) {
    Statut_ = MessagePlein(LambdaCible_);
    Termine();
    return;
  }
  const std::string reponse = pilote_.Reponse();
  double a = ValeurIndefinie;
  bool ok = pilote_.DecodeMesure(reponse, a);
  if (!std::isfinite(a)) {
    ok = false;
    a = ValeurIndefinie;
  }
  if (ok)
    MesureLue(a);
  else
    MesureRefusee(a, reponse);
}

void TBalayage::MesureLue(double a) {
  const int n = NbPoints_;
  const double courbure = EvaluePoint(a);
  bool garde = true;
  if (courbure != 0) {
    PasCourant_ = PasAdapte(courbure);
    LambdaAtteint_ = LambdaCible_;
    const auto x = graphe_.pointX;
    if (n >= 2 && PasCourant_ < ArrondiEntier(std::fabs(x[n - 1] - x[n - 2]))) {
      // The bend started before the previous point: drop it and the new one.
      garde = false;
      LambdaCible_ = ArrondiEntier(x[n - 2]);
      NbPoints_ = n - 1;
      EffaceCases(n - 1, n);
    } else if (n >= 1 && PasCourant_ < std::fabs(x[n] - x[n - 1])) {
      garde = false;
      LambdaCible_ = ArrondiEntier(x[n - 1]);
      EffaceCases(n, n);
    }
  }
  if (!garde) return;
  pilote_.FixePanelLambda(TexteLambda(LambdaCible_));
  pilote_.FixePanelAbs(TexteAbs(graphe_.pointY[n], reglages_.Precision));
  pilote_.DessinePoint(n);
  NbPoints_ = n + 1;
}

void TBalayage::MesureRefusee(double a, const std::string& reponse) {
  if (PasCourant_ > 1 && NbPoints_ > 0) {
    // Approach the problem again from the last kept point with half the step.
    PasCourant_ /= 2;
    LambdaCible_ = ArrondiEntier(graphe_.pointX[NbPoints_ - 1]);
    return;
  }
  // At the finest step the point is kept as reported, without a marker.
  pilote_.FixePanelLambda(TexteLambda(LambdaCible_));
  pilote_.FixePanelAbs(reponse.size() > DebutMotReponse ? reponse.substr(DebutMotReponse, LongueurMotReponse)
                                                        : "");
  graphe_.pointY[NbPoints_] = a;
  graphe_.pointX[NbPoints_] = LambdaCible_;
  ++NbPoints_;
}

double TBalayage::EvaluePoint(double a) {
  const int n = NbPoints_;
  const int lambda = LambdaCible_;
  const bool derriere = Croissant_ ? lambda < LambdaAtteint_ : lambda > LambdaAtteint_;
  auto x = graphe_.pointX;
  auto y = graphe_.pointY;
  if (a == reglages_.MaxiA) {
    y[n] = reglages_.MaxiA;
  } else {
    const bool dansTable = lambda >= 0 && lambda < static_cast<int>(spectro_.Blanc.size());
    const double blanc = dansTable ? spectro_.Blanc[lambda] : 0.0;
    const double corrige = std::nearbyint((a - blanc) * Facteur_) / Facteur_;
    // A reading just below the baseline rounds to -0, which is not below 0
    // and would show as "A=-0".
    y[n] = corrige <= 0 ? 0.0 : corrige;
  }
  x[n] = lambda;
  if (derriere || n < 2) return 0;
  const double s1 = (y[n] - y[n - 1]) / (x[n] - x[n - 1]);
  const double s0 = (y[n - 1] - y[n - 2]) / (x[n - 1] - x[n - 2]);
  return std::fabs((s0 - s1) / (x[n] - x[n - 2])) / (PoidsPente * s1 * s1 + 1);
}

int TBalayage::PasAdapte(double courbure) const {
  // Limited while still a double: a tiny curvature (next to a point stored as
  // ValeurIndefinie, say) would overflow an int.
  double pas = reglages_.Yseconde / courbure;
  if (std::isnan(pas)) pas = 1;
  pas = std::clamp(pas, 1.0, static_cast<double>(reglages_.PasMax));
  return std::clamp(ArrondiEntier(pas), 1, reglages_.PasMax);
}

void TBalayage::EffaceCases(int depuis, int jusqua) {
  // Dropped points must not come back on the next repaint of the markers.
  for (int i = depuis; i <= jusqua && i < Capacite(); ++i) graphe_.pointX[i] = 0;
}

void TBalayage::LambdaSuivante() {
  const int fin = Croissant_ ? FinScan_ : DebutScan_;
  if (LambdaCible_ == fin) {
    Termine();
    return;
  }
  if (NbPoints_ >= Capacite()) {
    Statut_ = MessagePlein(LambdaCible_);
    Termine();
    return;
  }
  LambdaCible_ = Croissant_ ? std::min(LambdaCible_ + PasCourant_, FinScan_)
                            : std::max(LambdaCible_ - PasCourant_, DebutScan_);
  Envoie();
}

void TBalayage::Envoie() {
  etat_ = TEtatMesure::AttenteAck;
  pilote_.EnvoieLambda(LambdaCible_);
}

void TBalayage::StopBtnClick() {
  // Before the start the graph is left as it is: nothing was measured.
  if (!EnCours(etat_)) {
    FormClose();
    pilote_.FermeDialogue(true);
    return;
  }
  Termine();
}

void TBalayage::Termine() {
  etat_ = TEtatMesure::Fini;
  std::string valeur = pilote_.EditValeur();
  if (valeur.size() > LongueurTexteMaxi) valeur.resize(LongueurTexteMaxi);
  graphe_.valeurParam = TexteVersReel(valeur);
  Interpole(graphe_, NbPoints_, Croissant_);
  // An empty spectrum is no finished spectrum: nothing to draw or export.
  pilote_.FixeModeTrace(NbPoints_ > 0 ? TModeTrace::mtCourbe : TModeTrace::mtRien);
  FormClose();
  pilote_.FermeDialogue(true);
}

void TBalayage::CancelBtnClick() {
  if (pilote_.LitModeTrace() == TModeTrace::mtCourbe) pilote_.FixeModeTrace(TModeTrace::mtRien);
  if (etat_ != TEtatMesure::Fini) etat_ = TEtatMesure::Abandonne;
  FormClose();
  pilote_.FermeDialogue(false);
}

void TBalayage::FormClose() {
  if (EnCours(etat_)) etat_ = TEtatMesure::Abandonne;
  if (TrigAck_ != 0) pilote_.DeleteTrigger(TrigAck_);
  if (TrigFin_ != 0) pilote_.DeleteTrigger(TrigFin_);
  TrigAck_ = 0;
  TrigFin_ = 0;
  pilote_.FixePanelAbs("");
  pilote_.FixePanelLambda("");
}
