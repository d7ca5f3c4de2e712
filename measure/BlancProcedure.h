// Baseline recording: one reading of the solvent cuvette every PasMax nm (every
// nanometre in the 350..385 nm stretch, where the lamp change makes the
// baseline bend), then the whole instrument range of the baseline table is
// completed by linear interpolation.
#pragma once

#include <span>

#include "measure/Borne.h"
#include "measure/EtatMesure.h"
#include "measure/Pilote.h"
#include "measure/Reglages.h"

// The configuration's baseline fields, owned by the configuration object.
struct TVueBlanc {
  int& BlancDebut;
  int& BlancFin;
  std::span<double> Blanc;  // indexed by the wavelength in nm
};

// Fills every undefined entry from miniL to maxiL (limited to the table) by
// the straight line between its defined neighbours; entries after the last
// defined one repeat it. The entry just below miniL is the left anchor.
void CompleteBlanc(std::span<double> blanc, int miniL, int maxiL);

// The wavelength read after `lambda`: every nanometre strictly between 350
// and 385 nm, else `pasMax` further but never past `blancFin`, which is
// always read; past `blancFin` the recording is over.
int LambdaSuivanteBlanc(int lambda, int blancFin, int pasMax);

class TBlancProcedure {
 public:
  TBlancProcedure(TPilote& pilote, TVueBlanc spectro);

  void FormActivate(const TReglages& reglages);
  void OKBtnClick();
  void DonneeRecue(THandle handle);
  void EscBtnClick();
  void FormClose();
  void LambdaBtnClick();
  void SpeedButton2Click();

  // The bound spin edits; their limits are fixed.
  TBorne& DebutSE() { return DebutSE_; }
  TBorne& FinSE() { return FinSE_; }
  const TBorne& Gauge() const { return Gauge_; }
  bool OKBtnVisible() const { return etat_ == TEtatMesure::Pret; }
  // The display buttons are refused while a recording runs: their
  // acknowledgement would be taken for the instrument reaching a wavelength.
  bool AffichageAutorise() const { return !EnCours(etat_); }
  TEtatMesure Etat() const { return etat_; }
  int LambdaCible() const { return LambdaCible_; }

 private:
  void LitMesure();
  void Termine();
  void Envoie();

  TPilote& pilote_;
  TVueBlanc spectro_;
  TReglages reglages_;
  TBorne DebutSE_;
  TBorne FinSE_;
  TBorne Gauge_;
  TEtatMesure etat_ = TEtatMesure::Pret;
  THandle TrigAck_ = 0;
  THandle TrigFin_ = 0;
  int LambdaCible_ = 0;
  int LambdaSpectro_ = 0;
};
