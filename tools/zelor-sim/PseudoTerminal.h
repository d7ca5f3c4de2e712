// The pseudo-terminal that stands for the serial cable: the simulator keeps
// the master side, the program opens the slave device like a serial port.
#pragma once

#include <QString>

class TPseudoTerminal {
 public:
  TPseudoTerminal() = default;
  ~TPseudoTerminal();
  TPseudoTerminal(const TPseudoTerminal&) = delete;
  TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

  // Opens a new pair, slave raw 9600 baud 7E2, master non-blocking. Returns
  // false with a French message.
  bool Ouvre(QString* erreur);
  void Ferme();
  // Bytes written on the master that the program has not read yet.
  int EnAttenteDeLecture() const;

  int Maitre() const { return maitre_; }
  QString CheminEsclave() const { return cheminEsclave_; }

 private:
  int maitre_ = -1;
  // Held open for the simulator's whole life: without it the master reports
  // a hang-up each time the program closes its port, and bytes are lost.
  int esclave_ = -1;
  QString cheminEsclave_;
};

// Puts a terminal into raw mode at 9600 baud, 7 data bits, even parity,
// 2 stop bits: the line settings of the instrument.
bool ConfigureLigneInstrument(int fd);
