// Line faults applied to the text replies (STX ... ETX) before they are sent:
// garbled printable bytes, replies cut before their ETX, replies without ETX.
// Acknowledgements are a single control byte and pass unchanged.
#pragma once

#include <QByteArray>
#include <random>

#include "tools/zelor-sim/SimOptions.h"

class TDefautsReponse {
 public:
  TDefautsReponse(const TSimOptions& options, std::uint64_t graine);

  QByteArray Applique(QByteArray reponseTexte);

 private:
  void Altere(QByteArray& reponse);
  void Tronque(QByteArray& reponse);

  double probaAltere_;
  int tronqueTous_;
  bool sansEtx_;
  long long reponsesTexte_ = 0;
  std::mt19937_64 alea_;
};
