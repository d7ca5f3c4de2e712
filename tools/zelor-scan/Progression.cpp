#include "tools/zelor-scan/Progression.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int Cent = 100;
constexpr int Dixieme = 10;
// Back to the start of the line and clear it.
constexpr char EffaceLigne[] = "\r\033[K";
}  // namespace

void TProgression::Debut(const QString& titre, int debut, int fin, int depart) {
  titre_ = titre;
  debut_ = debut;
  fin_ = fin;
  depart_ = depart;
  dixiemes_ = 0;
}

int TProgression::Pourcentage(int lambda) const {
  const int etendue = std::max(1, std::abs(fin_ - debut_));
  // From the bound the run started at, whichever it is.
  const int parcouru = std::abs(lambda - depart_);
  return std::clamp(parcouru * Cent / etendue, 0, Cent);
}

void TProgression::Point(int lambda, const QString& absorbance) {
  if (silencieux_) return;
  const int pourcentage = Pourcentage(lambda);
  const QString ligne =
      QStringLiteral("%1 : λ=%2 nm  %3  (%4 %)").arg(titre_).arg(lambda).arg(absorbance).arg(pourcentage);
  if (terminal_) {
    std::fputs(EffaceLigne, flux_);
    std::fputs(ligne.toUtf8().constData(), flux_);
    std::fflush(flux_);
    ligneOuverte_ = true;
    return;
  }
  // A stretch measured again may go back: only new tenths are told.
  const int dixiemes = pourcentage / Dixieme;
  if (dixiemes <= dixiemes_) return;
  dixiemes_ = dixiemes;
  Ecrit(ligne);
}

void TProgression::Fin() {
  if (!ligneOuverte_) return;
  std::fputc('\n', flux_);
  std::fflush(flux_);
  ligneOuverte_ = false;
}

void TProgression::Ecrit(const QString& ligne) {
  std::fprintf(flux_, "%s\n", ligne.toUtf8().constData());
  std::fflush(flux_);
}
