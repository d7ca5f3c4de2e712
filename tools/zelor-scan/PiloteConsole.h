// The measurement procedures' pilot without a window: the link of
// TPiloteVoie, the readings told to a progress display instead of the
// status panels, the end of a run told to whoever waits for it.
#pragma once

#include <functional>
#include <string>

#include "measure/PiloteVoie.h"

class TPiloteConsole : public TPiloteVoie {
 public:
  using TPiloteVoie::TPiloteVoie;

  void FixePanelLambda(const std::string& texte) override;
  void FixePanelAbs(const std::string& texte) override;
  void DessinePoint(int) override {}
  TModeTrace LitModeTrace() const override { return mode_; }
  void FixeModeTrace(TModeTrace mode) override { mode_ = mode; }
  void FixeBlancFait(bool fait) override { blancFait_ = fait; }
  std::string EditValeur() const override { return valeurParam_; }
  void FermeDialogue(bool ok) override;

  bool BlancFait() const { return blancFait_; }
  // The parameter value as typed (8-bit text), read by the scan at its end.
  void FixeValeurParam(std::string valeur) { valeurParam_ = std::move(valeur); }

  // A reading shown: wavelength in nm and the absorbance panel's text.
  std::function<void(int lambda, const std::string& absorbance)> SurLecture;
  // The procedure is over (ok: finished or stopped, false: cancelled).
  std::function<void(bool ok)> SurFin;

 private:
  TModeTrace mode_ = TModeTrace::mtRien;
  bool blancFait_ = false;
  std::string valeurParam_;
  int lambda_ = -1;  // of the last wavelength panel text; -1 when emptied
};
