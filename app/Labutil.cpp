#include "app/Labutil.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale>
#include <string>

namespace {

char separateurUtilisateur = '.';

bool EstChiffre(char c) { return c >= '0' && c <= '9'; }

// Checks the accepted form and returns the canonical text for from_chars:
// sign, digits, point, digits, and "e" with the exponent digits ("0" when none).
bool FormeCanonique(std::string_view t, std::string& sortie) {
  size_t i = 0;
  const size_t n = t.size();
  while (i < n && t[i] == ' ') ++i;
  size_t fin = n;
  while (fin > i && t[fin - 1] == ' ') --fin;
  if (i < fin && (t[i] == '+' || t[i] == '-')) {
    if (t[i] == '-') sortie += '-';
    ++i;
  }
  size_t chiffres = 0;
  bool point = false;
  while (i < fin && (EstChiffre(t[i]) || (t[i] == '.' && !point))) {
    if (t[i] == '.') {
      point = true;
    } else {
      ++chiffres;
    }
    sortie += t[i];
    ++i;
  }
  if (chiffres == 0) return false;
  if (i < fin && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    std::string exposant;
    if (i < fin && (t[i] == '+' || t[i] == '-')) {
      exposant += t[i];
      ++i;
    }
    size_t chiffresExposant = 0;
    while (i < fin && EstChiffre(t[i])) {
      exposant += t[i];
      ++i;
      ++chiffresExposant;
    }
    if (chiffresExposant == 0) exposant.assign(1, '0');  // not = "0": GCC 12 -Wrestrict false alarm
    sortie += 'e';
    sortie += exposant;
  }
  return i == fin;
}

}  // namespace

char SeparateurUtilisateur() { return separateurUtilisateur; }

void FixeSeparateurUtilisateur(char separateur) { separateurUtilisateur = separateur; }

void InitialiseSeparateurs() {
  // Ask the C library for the user's numeric conventions without changing
  // the process locale, so no other conversion is affected.
  try {
    const std::locale utilisateur("");
    const char sep = std::use_facet<std::numpunct<char>>(utilisateur).decimal_point();
    if (sep != '.') separateurUtilisateur = sep;
  } catch (const std::exception&) {
    // An unknown locale name in the environment: keep ".".
  }
}

double TexteVersReel(std::string_view texte) {
  std::string t(texte);
  if (const auto virgule = t.find(','); virgule != std::string::npos) t[virgule] = '.';
  std::string canonique;
  if (!FormeCanonique(t, canonique)) return ValeurIndefinie;
  double valeur = 0;
  const char* debut = canonique.data();
  const char* fin = debut + canonique.size();
  const auto [ptr, ec] = std::from_chars(debut, fin, valeur);
  if (ec != std::errc() || ptr != fin || !std::isfinite(valeur)) return ValeurIndefinie;
  return valeur;
}

int ArrondiEntier(double valeur) {
  if (!std::isfinite(valeur)) return 0;
  const double arrondi = std::nearbyint(valeur);
  if (arrondi < std::numeric_limits<int>::min() || arrondi > std::numeric_limits<int>::max()) return 0;
  return static_cast<int>(arrondi);
}
