// The part of a pilot that talks to the instrument: the protocol's requests
// and the port's data triggers. The window and the command-line program both
// build their pilot on it, so a measurement drives the instrument the same
// way whoever shows it.
#pragma once

#include <functional>
#include <string>

#include "measure/Pilote.h"

class TCustomComPort;
class TProtocole;
class Tspectro;
struct TReglages;

// An error of the serial layer (port gone, transmit ring full, port not
// open) never leaves a pilot call: the call gives a neutral answer (no
// reading, no trigger) and `SurErreur` is told, so the owner can mark the
// link doubtful (the next command resets it), stop the measurement and say
// why.
class TPiloteVoie : public TPilote {
 public:
  TPiloteVoie(TProtocole& protocole, TCustomComPort& voie, const Tspectro& spectro)
      : protocole_(protocole), voie_(voie), spectro_(spectro) {}

  double LitValeur(const std::string& commande) override;
  void EnvoieLambda(int lambda) override;
  void DemandeAbs() override;
  void EnvoieCommande(const std::string& commande) override;
  std::string Reponse() const override;
  bool DecodeMesure(const std::string& reponse, double& valeur) const override;

  void DiscardInput() override;
  THandle AddMatchTrigger(char octet) override;
  void DeleteTrigger(THandle handle) override;

  std::function<void(const std::string& erreur)> SurErreur;

 private:
  // Runs `appel`; false when the serial layer failed (already reported).
  template <class F>
  bool Garde(F appel);

  TProtocole& protocole_;
  TCustomComPort& voie_;
  const Tspectro& spectro_;
};

// The settings the measurement procedures read, taken from the
// configuration each time a procedure starts.
TReglages ReglagesDe(const Tspectro& spectro);
