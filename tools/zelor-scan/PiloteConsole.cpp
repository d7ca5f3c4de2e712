#include "tools/zelor-scan/PiloteConsole.h"

#include <charconv>

void TPiloteConsole::FixePanelLambda(const std::string& texte) {
  // "λ=512 nm": the number after "=".
  lambda_ = -1;
  const auto egal = texte.find('=');
  if (egal == std::string::npos) return;
  int lambda = 0;
  const char* debut = texte.data() + egal + 1;
  if (std::from_chars(debut, texte.data() + texte.size(), lambda).ec == std::errc()) lambda_ = lambda;
}

void TPiloteConsole::FixePanelAbs(const std::string& texte) {
  // The procedures set the wavelength first, then the absorbance.
  if (texte.empty() || lambda_ < 0) return;
  if (SurLecture) SurLecture(lambda_, texte);
}

void TPiloteConsole::FermeDialogue(bool ok) {
  if (SurFin) SurFin(ok);
}
