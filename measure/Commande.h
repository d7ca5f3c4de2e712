// Manual control: moves the instrument to the wavelength chosen on a scroll
// bar and switches the instrument's own display between absorbance and
// wavelength.
#pragma once

#include <string>

#include "measure/Borne.h"
#include "measure/Pilote.h"
#include "measure/Reglages.h"

class TCommande {
 public:
  explicit TCommande(TPilote& pilote);

  void FormActivate(const TReglages& reglages);
  void LambdaSBChange(int position);
  void GOTOBtnClick();
  void DonneeRecue(THandle handle);
  void AffLambdaBtnClick();
  void AffAbsBtnClick();
  void FormClose();

  const TBorne& LambdaSB() const { return LambdaSB_; }
  const std::string& LambdaEdit() const { return LambdaEdit_; }
  bool GOTOBtnVisible() const { return TrigAck_ == 0; }
  int LambdaSpectro() const { return LambdaSpectro_; }

 private:
  void AnnuleDeplacement();

  TPilote& pilote_;
  TReglages reglages_;
  TBorne LambdaSB_;
  std::string LambdaEdit_;
  THandle TrigAck_ = 0;  // set while a move is pending
  int LambdaSpectro_ = 0;
};
