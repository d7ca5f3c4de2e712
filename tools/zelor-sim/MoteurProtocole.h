// The instrument itself, without any I/O: it takes the bytes that arrive on
// the line with the time they arrive, and produces what the instrument sends
// back, what the log shows and what the line layer must do. Time is given by
// the caller, so tests drive the monochromator with a synthetic clock.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "tools/zelor-sim/DefautsReponse.h"
#include "tools/zelor-sim/ModeleSpectre.h"
#include "tools/zelor-sim/SimOptions.h"

using THorloge = std::chrono::steady_clock;
using TInstant = THorloge::time_point;

struct TEvenementSim {
  enum class Genre {
    Reponse,       // bytes to send on the line
    Journal,       // one log line, without its end of line
    AnnuleEnvoi,   // the reset byte arrived: drop what is not yet sent
    Statistiques,  // print the byte and command counts
    Deconnecte,    // send what is queued, then close the line
  };
  Genre genre;
  QByteArray octets;
};

class TMoteurProtocole {
 public:
  explicit TMoteurProtocole(const TSimOptions& options);

  // Bytes received from the program at `maintenant`.
  void Recoit(QByteArrayView octets, TInstant maintenant);
  // Lets the monochromator reach its target: a move that has arrived by
  // `maintenant` is acknowledged.
  void Avance(TInstant maintenant);
  // When Avance has something to do next, if anything.
  std::optional<TInstant> ProchaineEcheance() const;
  // The events produced since the last call, in order.
  std::vector<TEvenementSim> PrendEvenements();

  void BasculeCuvette();
  void ChoisitCuvette(TCuvette cuvette) { cuvette_ = cuvette; }
  TCuvette Cuvette() const { return cuvette_; }
  double Position(TInstant maintenant) const;
  bool Occupe(TInstant maintenant) const;

  std::uint64_t OctetsRecus() const { return octetsRecus_; }
  std::uint64_t Commandes() const { return commandes_; }

 private:
  TMoteurProtocole(const TSimOptions& options, std::uint64_t graine);

  struct TMouvement {
    double depart = 0;
    double cible = 0;
    TInstant debut;
    TInstant arrivee;
    bool ackDu = false;
  };

  void RecoitOctet(char octet, TInstant maintenant);
  void FinDeLigne(TInstant maintenant);
  void Execute(const QByteArray& commande, TInstant maintenant);
  bool ExecuteLecture(const QByteArray& commande, TInstant maintenant);
  bool ExecuteAcquittee(const QByteArray& commande, TInstant maintenant);
  void ExecuteControle(const QByteArray& commande);
  void AllerA(double nm, TInstant maintenant);
  QByteArray Lecture(TInstant maintenant);
  void RepondTexte(const QByteArray& corps);
  void RepondAck();
  void Emet(TEvenementSim::Genre genre, QByteArray octets = {});
  void Journalise(const char* quoi, QByteArrayView octets);

  TSimOptions options_;
  TModeleSpectre modele_;
  TDefautsReponse defauts_;
  std::mt19937_64 alea_;
  std::normal_distribution<double> bruit_;
  TCuvette cuvette_;
  double zero_ = 0;
  TMouvement mouvement_;
  std::optional<TInstant> occupeJusqua_;
  QByteArray ligne_;  // the command being received
  QByteArray unite_;  // raw bytes since the last logged unit
  std::vector<TEvenementSim> evenements_;
  std::uint64_t octetsRecus_ = 0;
  std::uint64_t commandes_ = 0;
  bool deconnecte_ = false;
};
