// Talking to the instrument over the serial port: command framing, the
// synchronous exchange that waits for a reply while the user interface keeps
// running, the asynchronous requests whose replies arrive through the port's
// trigger events, the reset after a missed answer, and the identification
// that opens the link.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>

#include "serial/SerialError.h"

class TCustomComPort;
class Tspectro;

// A request made while another one waits for its reply (from a handler run
// during that wait). Nothing goes out: the caller fails as on a dead line,
// instead of taking an empty reply for an answer.
class EEchangeEnCours : public ESerialError {
 public:
  EEchangeEnCours();
  [[noreturn]] void Raise() const override { throw *this; }
};

class TProtocole {
 public:
  // Time limits are counted in units of 18 ticks of 55 ms.
  static constexpr std::chrono::milliseconds DureeTick{55};
  static constexpr int TicksParUnite = 18;
  // How long the reset byte may take to leave before the output is dropped.
  static constexpr std::chrono::milliseconds DelaiEnvoiReset{1000};
  // Longest reply kept, and longest command line with its reset byte.
  static constexpr std::size_t LongueurReponse = 255;
  static constexpr std::size_t LongueurLigneStatut = 21;
  // The instrument's range is never taken below this.
  static constexpr int LambdaMiniAppareil = 200;
  static constexpr int EtendueParDefaut = 500;
  // A lowest wavelength read above this leaves no room for the default span.
  static constexpr int LambdaMiniLue = std::numeric_limits<int>::max() - EtendueParDefaut;

  struct TIdentification {
    bool trouve = false;
    std::string titre;  // 8-bit, at most 255 characters
    // The instrument's own answers, 8-bit, for the files that keep them.
    std::string nom, numero, version;
  };

  TProtocole(TCustomComPort& voie, Tspectro& spectro);

  // The last synchronous exchange saw its terminator in time.
  bool LiaisonOk = true;
  // Printable bytes of the current asynchronous reply (at most 255).
  std::string Reponse;

  void ResetLiaison();
  // Sends `commande` and collects the printable reply until `terminateur` or
  // the limit (in units of 18 ticks). Every request asked for while an
  // exchange waits (from a handler run meanwhile) is refused: it sends
  // nothing, leaves LiaisonOk false for its caller and throws
  // EEchangeEnCours.
  std::string Echange(const std::string& commande, std::uint8_t terminateur, std::uint16_t limite);
  std::string LitTexte(const std::string& commande);
  double LitValeur(const std::string& commande);
  bool SpectroPret();
  void EnvoieLambda(int lambda);
  void DemandeAbs();
  void EnvoieCommande(const std::string& commande);
  // The port's avail-trigger event: gathers the reply in Reponse.
  void TriggerAvail(TCustomComPort& voie, std::uint16_t count);
  bool EchangeEnCours() const { return echangeEnCours_; }

  // Programs the port from the configuration (number, line, flow control).
  void ConfigureVoie();
  // Opens the port, asks the status with a reset and, when the instrument
  // answers, reads its number, name, version and range (into MiniL and MaxiL
  // of the configuration). Errors of the serial layer are not caught here.
  TIdentification Identifie();

  // The go-to-wavelength line for `lambda`, without its line end.
  std::string CommandeLambda(int lambda) const;
  // Keeps characters DebutReponse to the next-to-last of a synchronous reply.
  std::string TrimReponse(const std::string& reponse) const;

 private:
  void Envoie(const std::string& ligne);
  void RefuseSiEchangeEnCours();
  void AvantCommande();

  TCustomComPort& voie_;
  Tspectro& spectro_;
  bool echangeEnCours_ = false;
};
