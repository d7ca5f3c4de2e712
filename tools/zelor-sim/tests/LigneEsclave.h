// The program's end of the simulated cable, for tests: the slave device
// opened raw, with exchanges that wait for a terminator under a deadline.
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

class TLigneEsclave {
 public:
  // Generous: the tests run on a loaded machine.
  static constexpr std::chrono::seconds kDelai{10};

  explicit TLigneEsclave(const QString& chemin);
  ~TLigneEsclave();
  bool Ouverte() const { return fd_ >= 0; }

  void Ecrit(const QByteArray& octets);
  // Reads until the last byte read is `terminateur` or the deadline passes.
  QByteArray LitJusqua(char terminateur, std::chrono::milliseconds delai = kDelai);
  QByteArray Echange(const QByteArray& commande, char terminateur) {
    Ecrit(commande);
    return LitJusqua(terminateur);
  }
  // True once the other side has gone away.
  bool AttendRaccrochage(std::chrono::milliseconds delai = kDelai);

  long long OctetsEcrits() const { return ecrits_; }
  long long OctetsLus() const { return lus_; }

 private:
  int fd_ = -1;
  long long ecrits_ = 0;
  long long lus_ = 0;
};
