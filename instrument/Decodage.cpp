// Reading numbers out of the instrument's replies.
#include "app/Labutil.h"
#include "instrument/Cfgspect.h"

namespace {

constexpr std::string_view CaracteresNombre = "+-.0123456789Ee";

bool EstCaractereNombre(char c) {
  return CaracteresNombre.find(c) != std::string_view::npos;
}

}  // namespace

double Tspectro::ExtraitNombre(std::string_view reponse) const {
  const std::size_t n = reponse.size();
  if (n == 0) return ValeurIndefinie;
  // The search for the first number character stops on the last character,
  // which is taken as it is.
  std::size_t i = 0;
  while (i + 1 < n && !EstCaractereNombre(reponse[i])) ++i;
  std::size_t j = i + 1;
  while (j < n && EstCaractereNombre(reponse[j])) ++j;
  return TexteVersReel(reponse.substr(i, j - i));
}

bool Tspectro::DecodeMesure(std::string_view reponse, double& valeur) const {
  if (reponse.find("UNDER") != std::string_view::npos) {
    valeur = MiniA;
    return false;
  }
  if (reponse.find("OVER") != std::string_view::npos) {
    valeur = MaxiA;
    return false;
  }
  if (reponse.find("***") != std::string_view::npos) {
    valeur = ValeurIndefinie;
    return false;
  }
  valeur = ExtraitNombre(reponse);
  return valeur != ValeurIndefinie;
}
