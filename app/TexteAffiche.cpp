#include "app/TexteAffiche.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr unsigned char PremierCodeGrec = 128;
constexpr unsigned char DernierCodeGrec = 159;

// Greek codes 128..159 of the font, as the symbol keyboard layout places them
// on the letters of the Ctrl and Ctrl+Shift keys; 0 = no glyph.
constexpr std::array<char16_t, DernierCodeGrec - PremierCodeGrec + 1> GrecUnicode = {
    u'\u03B1',  // 128 Ctrl+A alpha
    u'\u03B2',  // 129 Ctrl+B beta
    u'\u03C7',  // 130 Ctrl+C chi
    u'\u03B4',  // 131 Ctrl+D delta
    u'\u03B5',  // 132 Ctrl+E epsilon
    u'\u03C6',  // 133 Ctrl+F phi
    u'\u03B3',  // 134 Ctrl+G gamma
    u'\u03B7',  // 135 Ctrl+H eta
    u'\u03BB',  // 136 Ctrl+L lambda, the wavelength symbol
    0,          // 137
    u'\u03BD',  // 138 Ctrl+N nu
    u'\u03C0',  // 139 Ctrl+P pi
    u'\u03B8',  // 140 Ctrl+Q theta
    u'\u03C1',  // 141 Ctrl+R rho
    u'\u03C3',  // 142 Ctrl+S sigma
    u'\u03C4',  // 143 Ctrl+T tau
    u'\u03C9',  // 144 Ctrl+W omega
    0,          // 145
    0,          // 146
    u'\u03BE',  // 147 Ctrl+X xi
    u'\u03D5',  // 148 Ctrl+J phi symbol
    u'\u03B6',  // 149 Ctrl+Z zeta
    u'\u0394',  // 150 Ctrl+Shift+D Delta
    u'\u03A6',  // 151 Ctrl+Shift+F Phi
    u'\u0393',  // 152 Ctrl+Shift+G Gamma
    u'\u039B',  // 153 Ctrl+Shift+L Lambda
    u'\u03A0',  // 154 Ctrl+Shift+P Pi
    u'\u0398',  // 155 Ctrl+Shift+Q Theta
    u'\u03A3',  // 156 Ctrl+Shift+S Sigma
    u'\u03A9',  // 157 Ctrl+Shift+W Omega
    u'\u039E',  // 158 Ctrl+Shift+X Xi
    u'\u03D1',  // 159 Ctrl+Shift+J theta symbol
};

}  // namespace

QChar CodeVersUnicode(unsigned char code) {
  if (code < PremierCodeGrec || code > DernierCodeGrec) return QChar(code);
  const char16_t c = GrecUnicode[code - PremierCodeGrec];
  return c == 0 ? QChar(QChar::ReplacementCharacter) : QChar(c);
}

QString TexteAffiche(std::string_view texte) {
  QString resultat;
  resultat.reserve(static_cast<qsizetype>(texte.size()));
  for (char c : texte) resultat.append(CodeVersUnicode(static_cast<unsigned char>(c)));
  return resultat;
}

std::string TexteHuitBits(const QString& texte) {
  std::string resultat;
  resultat.reserve(static_cast<std::size_t>(texte.size()));
  for (const QChar c : texte) {
    const char16_t u = c.unicode();
    const auto grec = std::find(GrecUnicode.begin(), GrecUnicode.end(), u);
    if (u != 0 && grec != GrecUnicode.end()) {
      resultat += static_cast<char>(PremierCodeGrec + (grec - GrecUnicode.begin()));
    } else {
      resultat += u <= 0xFF ? static_cast<char>(u) : '?';
    }
  }
  return resultat;
}
