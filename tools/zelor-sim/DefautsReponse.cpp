#include "tools/zelor-sim/DefautsReponse.h"

#include "tools/zelor-sim/Trame.h"

namespace {
constexpr int kPremierImprimable = 33;
constexpr int kDernierImprimable = 126;
}  // namespace

TDefautsReponse::TDefautsReponse(const TSimOptions& options, std::uint64_t graine)
    : probaAltere_(options.probaAltere),
      tronqueTous_(options.tronqueTous),
      sansEtx_(options.sansEtx),
      alea_(graine) {}

QByteArray TDefautsReponse::Applique(QByteArray reponse) {
  ++reponsesTexte_;
  if (probaAltere_ > 0 && std::bernoulli_distribution(probaAltere_)(alea_)) Altere(reponse);
  if (tronqueTous_ > 0 && reponsesTexte_ % tronqueTous_ == 0)
    Tronque(reponse);
  else if (sansEtx_ && reponse.endsWith(trame::kEtx))
    reponse.chop(1);
  return reponse;
}

// One printable byte between STX and ETX becomes another printable byte, as a
// noisy line would do; the framing stays intact so the program cannot tell.
void TDefautsReponse::Altere(QByteArray& reponse) {
  if (reponse.size() < 3) return;
  const qsizetype i = std::uniform_int_distribution<qsizetype>(1, reponse.size() - 2)(alea_);
  const int ancien = static_cast<unsigned char>(reponse[i]);
  int nouveau = ancien;
  while (nouveau == ancien)
    nouveau = std::uniform_int_distribution<int>(kPremierImprimable, kDernierImprimable)(alea_);
  reponse[i] = static_cast<char>(nouveau);
}

// Keeps the STX and a random part of the text, never the ETX.
void TDefautsReponse::Tronque(QByteArray& reponse) {
  const qsizetype texte = reponse.size() - 2;
  if (texte < 1) {
    reponse.truncate(1);
    return;
  }
  reponse.truncate(1 + std::uniform_int_distribution<qsizetype>(0, texte - 1)(alea_));
}
