// A scripted instrument and window for the procedure tests: go-to and
// absorbance requests are answered by trigger events queued in the order a
// real instrument would send them, and every outgoing action is journaled.
#pragma once

#include <cmath>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Labutil.h"
#include "measure/Pilote.h"

class TFauxPilote : public TPilote {
 public:
  static constexpr char Ack = 6;
  static constexpr char Etx = 3;
  static constexpr double MiniA = -0.3;
  static constexpr double MaxiA = 3;

  // Reply text of the absorbance request at a wavelength.
  std::function<std::string(int)> lecture = [](int) { return std::string("0"); };
  double lambdaInitial = 0;  // answer to the current-wavelength request
  int position = -1;

  std::vector<std::string> journal;  // "GTO 500", "ABS", "CMD ?RNGA   ", "DEL 41"...
  std::vector<int> gotos;
  std::vector<int> dessines;
  std::deque<THandle> evenements;
  std::map<THandle, char> actifs;
  THandle prochain = 41;  // not 1: the procedures must use the handles they are given
  std::string reponse, panelLambda, panelAbs, editValeur;
  TModeTrace mode = TModeTrace::mtRien;
  std::optional<bool> fermeture;
  bool blancFait = false;

  double LitValeur(const std::string& commande) override {
    journal.push_back("LIT " + commande);
    return lambdaInitial;
  }
  void EnvoieLambda(int lambda) override {
    journal.push_back("GTO " + std::to_string(lambda));
    gotos.push_back(lambda);
    position = lambda;
    reponse.clear();
    Emet(Ack);
  }
  void DemandeAbs() override {
    journal.push_back("ABS");
    reponse = lecture(position);
    Emet(Etx);
  }
  void EnvoieCommande(const std::string& commande) override { journal.push_back("CMD " + commande); }
  std::string Reponse() const override { return reponse; }
  bool DecodeMesure(const std::string& texte, double& valeur) const override {
    if (texte.find("UNDER") != std::string::npos) return valeur = MiniA, false;
    if (texte.find("OVER") != std::string::npos) return valeur = MaxiA, false;
    if (texte.find("***") != std::string::npos) return valeur = ValeurIndefinie, false;
    if (texte == "INF!") return valeur = std::numeric_limits<double>::infinity(), true;
    valeur = TexteVersReel(texte);
    return valeur != ValeurIndefinie;
  }
  void DiscardInput() override { journal.push_back("DISCARD"); }
  THandle AddMatchTrigger(char octet) override {
    actifs[prochain] = octet;
    return prochain++;
  }
  void DeleteTrigger(THandle handle) override {
    journal.push_back("DEL " + std::to_string(handle));
    actifs.erase(handle);
  }
  void FixePanelLambda(const std::string& texte) override { panelLambda = texte; }
  void FixePanelAbs(const std::string& texte) override { panelAbs = texte; }
  void DessinePoint(int slot) override { dessines.push_back(slot); }
  TModeTrace LitModeTrace() const override { return mode; }
  void FixeModeTrace(TModeTrace m) override { mode = m; }
  void FixeBlancFait(bool fait) override { blancFait = fait; }
  std::string EditValeur() const override { return editValeur; }
  void FermeDialogue(bool ok) override { fermeture = ok; }

  THandle HandleDe(char octet) const {
    for (auto [h, o] : actifs)
      if (o == octet) return h;
    return 0;
  }

  // Delivers queued events, as the port does, to the triggers still present.
  template <class Procedure>
  void Pompe(Procedure& procedure, int maxEvenements = 100000) {
    while (!evenements.empty() && maxEvenements-- > 0) {
      const THandle h = evenements.front();
      evenements.pop_front();
      if (actifs.count(h)) procedure.DonneeRecue(h);
    }
  }

 private:
  void Emet(char octet) {
    for (auto [h, o] : actifs)
      if (o == octet) evenements.push_back(h);
  }
};
