#include "app/TexteAffiche.h"

QString TexteAffiche(std::string_view texte) {
  QString resultat;
  resultat.reserve(static_cast<qsizetype>(texte.size()));
  for (char c : texte) resultat.append(CodeVersUnicode(static_cast<unsigned char>(c)));
  return resultat;
}
