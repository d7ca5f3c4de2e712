// The main window as the measurement dialogs see it: the instrument link, the
// port's data triggers, the status panels and the graph. Each dialog wraps it
// with what only the dialog knows (its parameter box, how it closes).
#pragma once

#include <functional>
#include <string>

#include "measure/Pilote.h"

class TSpectreMain;
class Tspectro;

// An error of the serial layer (port gone, transmit ring full, port not
// open) never leaves a pilot call: the call gives a neutral answer (no
// reading, no trigger) and `SurErreur` is told, so the window can mark the
// link doubtful (the next command resets it), stop the measurement and say
// why.
class TPiloteFenetre : public TPilote {
 public:
  TPiloteFenetre(TSpectreMain& fenetre, const Tspectro& spectro) : fenetre_(fenetre), spectro_(spectro) {}

  double LitValeur(const std::string& commande) override;
  void EnvoieLambda(int lambda) override;
  void DemandeAbs() override;
  void EnvoieCommande(const std::string& commande) override;
  std::string Reponse() const override;
  bool DecodeMesure(const std::string& reponse, double& valeur) const override;

  void DiscardInput() override;
  THandle AddMatchTrigger(char octet) override;
  void DeleteTrigger(THandle handle) override;

  void FixePanelLambda(const std::string& texte) override;
  void FixePanelAbs(const std::string& texte) override;
  void DessinePoint(int slot) override;
  TModeTrace LitModeTrace() const override;
  void FixeModeTrace(TModeTrace mode) override;
  void FixeBlancFait(bool fait) override;

  std::string EditValeur() const override { return {}; }
  void FermeDialogue(bool) override {}

  std::function<void(const std::string& erreur)> SurErreur;

 private:
  // Runs `appel`; false when the serial layer failed (already reported).
  template <class F>
  bool Garde(F appel);

  TSpectreMain& fenetre_;
  const Tspectro& spectro_;
};

struct TReglages;

// The settings the measurement procedures read, taken from the
// configuration at each activation of a dialog.
TReglages ReglagesDe(const Tspectro& spectro);
