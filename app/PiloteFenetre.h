// The main window as the measurement dialogs see it: the instrument link, the
// port's data triggers, the status panels and the graph. Each dialog wraps it
// with what only the dialog knows (its parameter box, how it closes).
#pragma once

#include <string>

#include "measure/PiloteVoie.h"

class TSpectreMain;
class Tspectro;

// Serial errors reach the window through `SurErreur` (TPiloteVoie).
class TPiloteFenetre : public TPiloteVoie {
 public:
  TPiloteFenetre(TSpectreMain& fenetre, TProtocole& protocole, TCustomComPort& voie, const Tspectro& spectro)
      : TPiloteVoie(protocole, voie, spectro), fenetre_(fenetre) {}

  void FixePanelLambda(const std::string& texte) override;
  void FixePanelAbs(const std::string& texte) override;
  void DessinePoint(int slot) override;
  TModeTrace LitModeTrace() const override;
  void FixeModeTrace(TModeTrace mode) override;
  void FixeBlancFait(bool fait) override;

  std::string EditValeur() const override { return {}; }
  void FermeDialogue(bool) override {}

 private:
  TSpectreMain& fenetre_;
};
