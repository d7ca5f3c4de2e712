#include "measure/Affichage.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {
constexpr std::size_t LongueurCommandeAffichage = 8;
}

std::string TexteLambda(int lambda) {
  return std::string(1, CaractereLambda) + "=" + std::to_string(lambda) + " nm";
}

std::string TexteAbs(double absorbance, int precision) {
  std::array<char, 64> tampon{};
  if (absorbance == 0) absorbance = 0.0;  // -0 is shown as 0
  const int chiffres = std::clamp(precision, 1, 17);
  auto [fin, erreur] = std::to_chars(tampon.data(), tampon.data() + tampon.size(), absorbance,
                                     std::chars_format::general, chiffres);
  std::string texte(tampon.data(), erreur == std::errc() ? fin : tampon.data());
  std::replace(texte.begin(), texte.end(), 'e', 'E');
  return "A=" + texte;
}

std::string CommandeAffichage(const std::string& commande) {
  std::string texte = commande.substr(0, LongueurCommandeAffichage);
  texte.resize(LongueurCommandeAffichage, ' ');
  return texte;
}
