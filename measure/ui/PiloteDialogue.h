// The pilot a dialog hands to its procedure: everything goes to the main
// window's pilot, except the two things only the dialog knows, the text of
// its parameter value box and how to close itself.
#pragma once

#include <functional>
#include <string>

#include "measure/Pilote.h"

class TPiloteDialogue final : public TPilote {
 public:
  TPiloteDialogue(TPilote& fenetre, std::function<std::string()> editValeur, std::function<void(bool)> ferme);

  double LitValeur(const std::string& commande) override { return fenetre_.LitValeur(commande); }
  void EnvoieLambda(int lambda) override { fenetre_.EnvoieLambda(lambda); }
  void DemandeAbs() override { fenetre_.DemandeAbs(); }
  void EnvoieCommande(const std::string& commande) override { fenetre_.EnvoieCommande(commande); }
  std::string Reponse() const override { return fenetre_.Reponse(); }
  bool DecodeMesure(const std::string& reponse, double& valeur) const override {
    return fenetre_.DecodeMesure(reponse, valeur);
  }

  void DiscardInput() override { fenetre_.DiscardInput(); }
  THandle AddMatchTrigger(char octet) override { return fenetre_.AddMatchTrigger(octet); }
  void DeleteTrigger(THandle handle) override { fenetre_.DeleteTrigger(handle); }

  void FixePanelLambda(const std::string& texte) override { fenetre_.FixePanelLambda(texte); }
  void FixePanelAbs(const std::string& texte) override { fenetre_.FixePanelAbs(texte); }
  void DessinePoint(int slot) override { fenetre_.DessinePoint(slot); }
  TModeTrace LitModeTrace() const override { return fenetre_.LitModeTrace(); }
  void FixeModeTrace(TModeTrace mode) override { fenetre_.FixeModeTrace(mode); }
  void FixeBlancFait(bool fait) override { fenetre_.FixeBlancFait(fait); }

  std::string EditValeur() const override { return editValeur_ ? editValeur_() : std::string(); }
  void FermeDialogue(bool ok) override { ferme_(ok); }

 private:
  TPilote& fenetre_;
  std::function<std::string()> editValeur_;
  std::function<void(bool)> ferme_;
};
