#include "graph/TexteMesurial.h"

#include <array>

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
constexpr char CaractereInconnu = '?';

char Octet(QChar c) {
  if (c.unicode() <= 0xFF) return static_cast<char>(c.unicode());
  for (std::size_t i = 0; i < GrecUnicode.size(); ++i)
    if (GrecUnicode[i] != 0 && GrecUnicode[i] == c.unicode()) return static_cast<char>(PremierCodeGrec + i);
  return CaractereInconnu;
}

}  // namespace

QString VersUnicode(std::string_view octets) {
  QString texte(static_cast<qsizetype>(octets.size()), Qt::Uninitialized);
  for (qsizetype i = 0; i < texte.size(); ++i) {
    const char c = octets[static_cast<size_t>(i)];
    texte[i] = c == CodeLambda ? QChar(LambdaUnicode) : QChar(static_cast<uchar>(c));
  }
  return texte;
}

QChar CodeVersUnicode(unsigned char code) {
  if (code < PremierCodeGrec || code > DernierCodeGrec) return QChar(code);
  const char16_t c = GrecUnicode[code - PremierCodeGrec];
  return c == 0 ? QChar(QChar::ReplacementCharacter) : QChar(c);
}

QByteArray OctetsSaisis(const QString& texte) {
  QByteArray octets;
  octets.reserve(texte.size());
  for (qsizetype i = 0; i < texte.size(); ++i) {
    octets.append(Octet(texte[i]));
    // A character beyond the 16-bit plane is one unknown character, not two.
    if (texte[i].isHighSurrogate() && i + 1 < texte.size() && texte[i + 1].isLowSurrogate()) ++i;
  }
  return octets;
}
