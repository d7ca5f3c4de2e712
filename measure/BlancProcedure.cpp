#include "measure/BlancProcedure.h"

#include <algorithm>
#include <cmath>

#include "app/Labutil.h"
#include "measure/Affichage.h"
#include "measure/Tables.h"

namespace {
// The spin limits keep the start below and the end above the 550 nm middle of
// the usual range; they do not follow the instrument.
constexpr int DebutMini = 325;
constexpr int DebutMaxi = 549;
constexpr int FinMini = 551;
constexpr int FinMaxi = 999;
// Stretch read every nanometre: strictly between these two wavelengths.
constexpr int FinDebutEtroit = 350;
constexpr int FinEtroit = 385;

int DernierIndice(std::span<double> table) {
  return static_cast<int>(table.size()) - 1;
}

// First defined entry above i, up to hi; -1 when there is none.
int SuivantDefini(std::span<double> blanc, int i, int hi) {
  for (int k = i + 1; k <= hi; ++k)
    if (blanc[k] != ValeurIndefinie) return k;
  return -1;
}
}  // namespace

void CompleteBlanc(std::span<double> blanc, int miniL, int maxiL) {
  const int lo = std::max(miniL, 0);
  const int hi = std::min(maxiL, DernierIndice(blanc));
  for (int i = lo; i <= hi; ++i) {
    if (blanc[i] != ValeurIndefinie) continue;
    const int k = SuivantDefini(blanc, i, hi);
    if (i == 0) {
      // No entry below the table: the first defined value is carried down.
      if (k > 0) blanc[0] = blanc[k];
      continue;
    }
    if (k > 0)
      blanc[i] = blanc[i - 1] + (blanc[k] - blanc[i - 1]) / (k - i + 1);
    else
      blanc[i] = blanc[i - 1];
  }
}

int LambdaSuivanteBlanc(int lambda, int blancFin, int pasMax) {
  if (lambda > FinDebutEtroit && lambda < FinEtroit) return lambda + 1;
  if (lambda < blancFin) return std::min(lambda + std::max(pasMax, 1), blancFin);
  return lambda + 1;
}

TBlancProcedure::TBlancProcedure(TPilote& pilote, TVueBlanc spectro)
    : pilote_(pilote),
      spectro_(spectro),
      DebutSE_(DebutMini, DebutMaxi, 500),
      FinSE_(FinMini, FinMaxi, 800),
      Gauge_(0, 1000, 0) {}

void TBlancProcedure::FormActivate(const TReglages& reglages) {
  reglages_ = reglages;
  reglages_.PasMax = std::max(reglages_.PasMax, 1);
  etat_ = TEtatMesure::Pret;
  pilote_.FixePanelLambda("");
  pilote_.FixePanelAbs("");
  LambdaCible_ = spectro_.BlancDebut;
  const int miniL = LambdaDansTable(reglages_.MiniL);
  Gauge_.FixeLimites(miniL, std::max(miniL, LambdaDansTable(reglages_.MaxiL)));
  Gauge_.FixeValeur(spectro_.BlancDebut);
  DebutSE_.FixeValeur(spectro_.BlancDebut);
  FinSE_.FixeValeur(spectro_.BlancFin);
  TrigAck_ = 0;
  TrigFin_ = 0;
  LambdaSpectro_ = ArrondiEntier(pilote_.LitValeur(reglages_.GetL));
}

void TBlancProcedure::OKBtnClick() {
  if (etat_ != TEtatMesure::Pret) return;
  pilote_.FixeBlancFait(false);
  pilote_.DiscardInput();
  TrigAck_ = pilote_.AddMatchTrigger(reglages_.AckCommande);
  TrigFin_ = pilote_.AddMatchTrigger(reglages_.FinMessage);
  LambdaCible_ = DebutSE_.Valeur();
  spectro_.BlancDebut = DebutSE_.Valeur();
  spectro_.BlancFin = FinSE_.Valeur();
  const int fin = std::min(spectro_.BlancFin, DernierIndice(spectro_.Blanc));
  for (int w = spectro_.BlancDebut; w <= fin; ++w) spectro_.Blanc[w] = ValeurIndefinie;
  if (LambdaCible_ == LambdaSpectro_) {
    etat_ = TEtatMesure::AttenteMesure;
    pilote_.DemandeAbs();
  } else {
    Envoie();
  }
}

void TBlancProcedure::DonneeRecue(THandle handle) {
  if (handle == 0) return;
  if (etat_ == TEtatMesure::AttenteAck && handle == TrigAck_) {
    etat_ = TEtatMesure::AttenteMesure;
    pilote_.DemandeAbs();
  } else if (etat_ == TEtatMesure::AttenteMesure && handle == TrigFin_) {
    LitMesure();
    Gauge_.FixeValeur(LambdaCible_);
    LambdaCible_ = LambdaSuivanteBlanc(LambdaCible_, spectro_.BlancFin, reglages_.PasMax);
    if (LambdaCible_ > spectro_.BlancFin)
      Termine();
    else
      Envoie();
  }
}

void TBlancProcedure::LitMesure() {
  double a = ValeurIndefinie;
  bool ok = pilote_.DecodeMesure(pilote_.Reponse(), a);
  if (!ok || !std::isfinite(a)) return;  // the entry stays undefined, CompleteBlanc fills it
  if (LambdaCible_ < 0 || LambdaCible_ > DernierIndice(spectro_.Blanc)) return;
  spectro_.Blanc[LambdaCible_] = a;
  pilote_.FixePanelLambda(TexteLambda(LambdaCible_));
  pilote_.FixePanelAbs(TexteAbs(a, reglages_.Precision));
}

void TBlancProcedure::Envoie() {
  etat_ = TEtatMesure::AttenteAck;
  pilote_.EnvoieLambda(LambdaCible_);
}

void TBlancProcedure::Termine() {
  etat_ = TEtatMesure::Fini;
  pilote_.FixeBlancFait(true);
  CompleteBlanc(spectro_.Blanc, reglages_.MiniL, reglages_.MaxiL);
  FormClose();
  pilote_.FermeDialogue(true);
}

void TBlancProcedure::EscBtnClick() {
  // The readings taken so far stay in the table; the rest stays undefined and
  // the baseline does not count as recorded.
  if (etat_ != TEtatMesure::Fini) etat_ = TEtatMesure::Abandonne;
  FormClose();
  pilote_.FermeDialogue(false);
}

void TBlancProcedure::FormClose() {
  if (EnCours(etat_)) etat_ = TEtatMesure::Abandonne;
  if (TrigAck_ != 0) pilote_.DeleteTrigger(TrigAck_);
  if (TrigFin_ != 0) pilote_.DeleteTrigger(TrigFin_);
  TrigAck_ = 0;
  TrigFin_ = 0;
  pilote_.FixePanelAbs("");
  pilote_.FixePanelLambda("");
}

void TBlancProcedure::LambdaBtnClick() {
  if (AffichageAutorise()) pilote_.EnvoieCommande(CommandeAffichage(reglages_.AffLambda));
}

void TBlancProcedure::SpeedButton2Click() {
  if (AffichageAutorise()) pilote_.EnvoieCommande(CommandeAffichage(reglages_.AffAbs));
}
