// Spectrum scan: drives the instrument point by point between two bounds with
// a step that adapts to the curvature of the spectrum (1 nm where it bends, up
// to PasMax where it is straight), goes back to measure a stretch again when a
// bend is found late, and at the end interpolates the kept points to one
// absorbance per nanometre.
#pragma once

#include <span>
#include <string>

#include "measure/Borne.h"
#include "measure/EtatMesure.h"
#include "measure/Pilote.h"
#include "measure/Reglages.h"
#include "measure/Tables.h"

// The configuration fields the scan uses, owned by the configuration object.
struct TVueSpectroBalayage {
  int& Debut;
  int& Fin;
  std::span<const double> Blanc;  // indexed by the wavelength in nm
};

class TBalayage {
 public:
  TBalayage(TPilote& pilote, TVueSpectre graphe, TVueSpectroBalayage spectro);

  // The identified instrument's range, limited to the tables.
  void LimitesInstrument(int miniL, int maxiL);
  // A bound changed in its spin edit; the other bound's limit follows.
  void ChangeDebut(int valeur);
  void ChangeFin(int valeur);
  const TBorne& DebutSE() const { return DebutSE_; }
  const TBorne& FinSE() const { return FinSE_; }

  void FormActivate(const TReglages& reglages);
  void OKBtnClick();
  void DonneeRecue(THandle handle);
  void StopBtnClick();
  void CancelBtnClick();
  void FormClose();

  bool OKBtnVisible() const { return etat_ == TEtatMesure::Pret; }
  bool BornesModifiables() const { return etat_ == TEtatMesure::Pret; }
  TEtatMesure Etat() const { return etat_; }
  bool Croissant() const { return Croissant_; }
  int NbPoints() const { return NbPoints_; }
  int PasCourant() const { return PasCourant_; }
  int LambdaCible() const { return LambdaCible_; }
  // Why the scan ended early, for the dialog to show; empty otherwise.
  const std::string& Statut() const { return Statut_; }

 private:
  void BornesChange();
  int Capacite() const;
  void TraiteMesure();
  void MesureLue(double a);
  void MesureRefusee(double a, const std::string& reponse);
  double EvaluePoint(double a);
  int PasAdapte(double courbure) const;
  void EffaceCases(int depuis, int jusqua);
  void LambdaSuivante();
  void Termine();
  void Envoie();

  TPilote& pilote_;
  TVueSpectre graphe_;
  TVueSpectroBalayage spectro_;
  TReglages reglages_;
  TBorne DebutSE_;
  TBorne FinSE_;
  TEtatMesure etat_ = TEtatMesure::Pret;
  std::string Statut_;

  THandle TrigAck_ = 0;
  THandle TrigFin_ = 0;
  int LambdaCible_ = 0;
  int LambdaSpectro_ = 0;
  int PasCourant_ = 1;
  int LambdaAtteint_ = 0;
  double Facteur_ = 1000;
  int NbPoints_ = 0;
  bool Croissant_ = true;
  int DebutScan_ = 0;
  int FinScan_ = 0;
};
