#include "export/ReelVersTexte.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "app/Labutil.h"

namespace {

constexpr int kPrecisionMin = 2;
constexpr int kPrecisionMax = 18;

// x = 0.d1d2...dk x 10^E, digits without trailing zeros.
struct Decimal {
  bool negatif = false;
  std::string chiffres;
  int E = 0;
};

// The conversion never looks at the C library's numeric locale, whose
// decimal point need not be ".".
Decimal Decompose(double x, int P) {
  char tampon[64];
  const auto fin = std::to_chars(tampon, tampon + sizeof tampon, x, std::chars_format::scientific, P - 1).ptr;
  Decimal d;
  const char* p = tampon;
  if (*p == '-') {
    d.negatif = true;
    ++p;
  }
  for (; p != fin && *p != 'e'; ++p) {
    if (*p != '.') d.chiffres += *p;
  }
  int exposant = 0;
  if (p != fin) {
    ++p;
    if (*p == '+') ++p;
    std::from_chars(p, fin, exposant);
  }
  d.E = exposant + 1;
  while (d.chiffres.size() > 1 && d.chiffres.back() == '0') d.chiffres.pop_back();
  return d;
}

std::string Scientifique(const Decimal& d) {
  std::string s = d.negatif ? "-" : "";
  s += d.chiffres[0];
  if (d.chiffres.size() > 1) s += "." + d.chiffres.substr(1);
  const int exposant = d.E - 1;
  const std::string chiffres = std::to_string(std::abs(exposant));
  return s + "E" + (exposant < 0 ? "-" : "") + (chiffres.size() < 2 ? "0" : "") + chiffres;
}

std::string Fixe(const Decimal& d) {
  std::string s = d.negatif ? "-" : "";
  const int k = static_cast<int>(d.chiffres.size());
  if (d.E <= 0) return s + "0." + std::string(-d.E, '0') + d.chiffres;
  s += d.chiffres.substr(0, std::min(k, d.E));
  if (k < d.E) s += std::string(d.E - k, '0');
  if (k > d.E) s += "." + d.chiffres.substr(d.E);
  return s;
}

// Scientific notation with as many digits as fit; one digit always fits.
std::string ScientifiqueCourte(double x, int P) {
  std::string s;
  for (int p = P; p >= 1; --p) {
    s = Scientifique(Decompose(x, p));
    if (static_cast<int>(s.size()) <= kLongueurMaxReel) break;
  }
  return s;
}

std::string AvecPoint(int P, double x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  if (x == 0) return "0";
  const Decimal d = Decompose(x, P);
  if (d.E < -3 || d.E > P) {
    const std::string s = Scientifique(d);
    return static_cast<int>(s.size()) <= kLongueurMaxReel ? s : ScientifiqueCourte(x, P - 1);
  }
  const std::string s = Fixe(d);
  if (static_cast<int>(s.size()) <= kLongueurMaxReel) return s;
  // Cutting integer digits would change the magnitude; cutting decimals only
  // loses precision.
  const int partieEntiere = static_cast<int>(std::min(s.find('.'), s.size()));
  if (partieEntiere > kLongueurMaxReel) return ScientifiqueCourte(x, P);
  return s.substr(0, kLongueurMaxReel);
}

}  // namespace

std::string ReelVersTexte(int P, double x, char separateur) {
  std::string s = AvecPoint(std::clamp(P, kPrecisionMin, kPrecisionMax), x);
  if (separateur != '.') {
    const auto point = s.find('.');
    if (point != std::string::npos) s[point] = separateur;
  }
  return s;
}

std::string ReelVersTexte(int P, double x) {
  return ReelVersTexte(P, x, SeparateurUtilisateur());
}
