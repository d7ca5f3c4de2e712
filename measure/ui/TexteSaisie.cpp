#include "measure/ui/TexteSaisie.h"

#include <array>

namespace {

constexpr unsigned char PremierCodeGrec = 128;
constexpr char CaractereInconnu = '?';

// Unicode letter of each Greek code 128..159 of the "Mesurial" font, in code
// order; 0 where the font has no letter.
constexpr std::array<char16_t, 32> GrecUnicode = {
    u'\u03B1', u'\u03B2', u'\u03C7', u'\u03B4', u'\u03B5', u'\u03C6', u'\u03B3', u'\u03B7',
    u'\u03BB', 0,         u'\u03BD', u'\u03C0', u'\u03B8', u'\u03C1', u'\u03C3', u'\u03C4',
    u'\u03C9', 0,         0,         u'\u03BE', u'\u03D5', u'\u03B6', u'\u0394', u'\u03A6',
    u'\u0393', u'\u039B', u'\u03A0', u'\u0398', u'\u03A3', u'\u03A9', u'\u039E', u'\u03D1',
};

char Octet(QChar c) {
  if (c.unicode() <= 0xFF) return static_cast<char>(c.unicode());
  for (std::size_t i = 0; i < GrecUnicode.size(); ++i)
    if (GrecUnicode[i] != 0 && GrecUnicode[i] == c.unicode()) return static_cast<char>(PremierCodeGrec + i);
  return CaractereInconnu;
}

}  // namespace

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
