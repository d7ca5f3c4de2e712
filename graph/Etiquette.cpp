#include "graph/Etiquette.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr int ChiffresSignificatifs = 3;
// Decimal exponents written in fixed notation: 0.0001 up to below 1000.
constexpr int ExposantFixeMin = -4;
constexpr int ExposantFixeMax = 2;

// Appends to a bounded buffer; anything past the label limit is cut.
class Ecrivain {
 public:
  explicit Ecrivain(TexteEtiquette& tampon) : tampon_(tampon) {}
  void Ajoute(char c) {
    if (n_ < LongueurMaxEtiquette) tampon_[n_++] = c;
  }
  void Ajoute(std::string_view s) {
    for (char c : s) Ajoute(c);
  }
  std::string_view Fin() {
    tampon_[n_] = '\0';
    return {tampon_.data(), static_cast<size_t>(n_)};
  }

 private:
  TexteEtiquette& tampon_;
  int n_ = 0;
};

}  // namespace

std::string_view FormateEtiquette(double v, TexteEtiquette& sortie) {
  Ecrivain ecrit(sortie);
  if (!std::isfinite(v)) {
    ecrit.Ajoute('?');
    return ecrit.Fin();
  }
  if (v == 0) {
    ecrit.Ajoute('0');
    return ecrit.Fin();
  }
  // Rounds to 3 significant digits, locale-free: "-d.dde+XX".
  char brut[32];
  const auto r =
      std::to_chars(brut, brut + sizeof brut, v, std::chars_format::scientific, ChiffresSignificatifs - 1);
  const std::string_view s(brut, static_cast<size_t>(r.ptr - brut));
  const bool negatif = s.front() == '-';
  const std::string_view corps = negatif ? s.substr(1) : s;
  const size_t posE = corps.find('e');
  const std::array<char, ChiffresSignificatifs> chiffres{corps[0], corps[2], corps[3]};
  std::string_view texteExposant = corps.substr(posE + 1);
  if (texteExposant.front() == '+') texteExposant.remove_prefix(1);
  int exposant = 0;
  std::from_chars(texteExposant.data(), texteExposant.data() + texteExposant.size(), exposant);

  size_t significatifs = chiffres.size();
  while (significatifs > 1 && chiffres[significatifs - 1] == '0') --significatifs;

  if (negatif) ecrit.Ajoute('-');
  if (exposant >= ExposantFixeMin && exposant <= ExposantFixeMax) {
    if (exposant < 0) {
      ecrit.Ajoute("0.");
      for (int i = -1; i > exposant; --i) ecrit.Ajoute('0');
      ecrit.Ajoute(std::string_view(chiffres.data(), significatifs));
    } else {
      const size_t entiers = static_cast<size_t>(exposant) + 1;
      for (size_t i = 0; i < std::max(entiers, significatifs); ++i) {
        if (i == entiers) ecrit.Ajoute('.');
        ecrit.Ajoute(i < chiffres.size() ? chiffres[i] : '0');
      }
    }
  } else {
    ecrit.Ajoute(chiffres[0]);
    if (significatifs > 1) {
      ecrit.Ajoute('.');
      ecrit.Ajoute(std::string_view(chiffres.data() + 1, significatifs - 1));
    }
    ecrit.Ajoute('E');
    char texte[8];
    const auto fin = std::to_chars(texte, texte + sizeof texte, exposant).ptr;
    ecrit.Ajoute(std::string_view(texte, static_cast<size_t>(fin - texte)));
  }
  return ecrit.Fin();
}
