// The simulated instrument on its line: a protocol engine behind the master
// side of a pseudo-terminal, with the pacing of a real serial line, chunked
// writes and the line going away on request. Run() serves until Stop(), a
// disconnection or the idle limit; Start() runs it on a thread of its own so
// tests can talk to it in-process over the slave device.
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <deque>
#include <thread>

#include "tools/zelor-sim/Journal.h"
#include "tools/zelor-sim/MoteurProtocole.h"
#include "tools/zelor-sim/PseudoTerminal.h"
#include "tools/zelor-sim/SimOptions.h"

struct TStatistiques {
  std::uint64_t octetsRecus = 0;
  std::uint64_t octetsEnvoyes = 0;
  std::uint64_t commandes = 0;
};

class TSimulateur {
 public:
  // Opens its own pseudo-terminal in Prepare.
  explicit TSimulateur(const TSimOptions& options);
  // Serves on an already open master side; takes ownership of the fd.
  TSimulateur(const TSimOptions& options, int maitre);
  ~TSimulateur();
  TSimulateur(const TSimulateur&) = delete;
  TSimulateur& operator=(const TSimulateur&) = delete;

  // Opens the log and, unless a master was given, the pseudo-terminal.
  // Returns false with a French message.
  bool Prepare(QString* erreur);
  // The device the program opens; empty when a master fd was given.
  QString CheminEsclave() const { return pty_.CheminEsclave(); }

  void Run();
  void Start();
  void Attend();

  // These three only write one byte to a pipe: safe from a signal handler
  // and from any thread.
  void Stop();
  void BasculeCuvette();
  void DemandeStatistiques();

  bool LigneFermee() const { return ligneFermee_; }
  TStatistiques Statistiques() const;

 private:
  struct TEnvoi {
    QByteArray octets;
    qsizetype envoyes = 0;
  };

  bool Attente(TInstant maintenant);
  bool LitControles();
  void LitLigne(TInstant maintenant);
  void TraiteEvenements(TInstant maintenant);
  void Envoie(TInstant maintenant);
  qsizetype OctetsAEcrire(TInstant maintenant, TInstant* prochain) const;
  void FinEnvoi(const char* suffixe);
  void LaisseLire();
  void FermeLigne();
  void EcritStatistiques();
  void Signale(char code);
  bool Inactif(TInstant maintenant) const;

  TSimOptions options_;
  TMoteurProtocole moteur_;
  TJournal journal_;
  TPseudoTerminal pty_;
  int maitre_ = -1;
  int controle_[2] = {-1, -1};
  std::thread fil_;
  std::deque<TEnvoi> file_;
  THorloge::duration dureeOctet_;
  TInstant ligneLibre_;
  TInstant derniereActivite_;
  bool ecritureBloquee_ = false;
  bool deconnexion_ = false;
  std::atomic<bool> ligneFermee_ = false;
  std::atomic<std::uint64_t> octetsRecus_ = 0;
  std::atomic<std::uint64_t> octetsEnvoyes_ = 0;
  std::atomic<std::uint64_t> commandes_ = 0;
};
