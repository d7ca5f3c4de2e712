#include "tools/zelor-render/LectureSpectre.h"

#include "app/Labutil.h"

#include <sstream>

namespace {

constexpr double LongueurOndeMax = 1024;

std::string SansCommentaire(const std::string& ligne) {
  return ligne.substr(0, ligne.find('#'));
}

}  // namespace

bool LitSpectre(std::istream& entree, std::vector<PointSpectre>& points, std::string& erreur) {
  std::string ligne;
  for (int numero = 1; std::getline(entree, ligne); ++numero) {
    std::istringstream champs(SansCommentaire(ligne));
    std::string x;
    std::string y;
    std::string reste;
    if (!(champs >> x)) continue;  // blank or comment line
    const std::string ou = "Ligne " + std::to_string(numero) + " : ";
    if (!(champs >> y) || (champs >> reste)) {
      erreur = ou + "deux colonnes attendues (longueur d'onde, absorbance)";
      return false;
    }
    const double lambda = TexteVersReel(x);
    const double a = TexteVersReel(y);
    if (lambda == ValeurIndefinie || a == ValeurIndefinie) {
      erreur = ou + "nombre illisible";
      return false;
    }
    if (lambda < 0 || lambda > LongueurOndeMax) {
      erreur = ou + "longueur d'onde hors de 0 à 1024 nm";
      return false;
    }
    points.push_back({lambda, a});
  }
  return true;
}
