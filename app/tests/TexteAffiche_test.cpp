#include "app/TexteAffiche.h"
#include "measure/Affichage.h"

#include <gtest/gtest.h>

namespace {

TEST(TexteAffiche, FontCodesBecomeUnicodeAndLatin1Stays) {
  struct Cas {
    std::string huitBits;
    const char16_t* affiche;
  };
  const Cas cas[] = {
      {"\x88", u"λ"},
      {"Spectro non trouv\xe9", u"Spectro non trouvé"},
      {"Zelor N\xb0"
       "12  Version:1.0",
       u"Zelor N°12  Version:1.0"},
      {"\x80\x95\x96\x9f", u"αζΔϑ"},
      {"\xb5\xd8\xf8", u"µØø"},
      {"\x89", u"\uFFFD"},
      {"", u""},
  };
  for (const Cas& c : cas) EXPECT_EQ(TexteAffiche(c.huitBits), QString::fromUtf16(c.affiche)) << c.huitBits;
}

TEST(TexteAffiche, TypedTextGoesBackToFontCodes) {
  // Every code with a glyph survives the round trip, whatever byte it is.
  for (int code = 1; code < 256; ++code) {
    const std::string octet(1, static_cast<char>(code));
    if (TexteAffiche(octet) == QString(QChar::ReplacementCharacter)) continue;
    EXPECT_EQ(OctetsSaisis(TexteAffiche(octet)).toStdString(), octet) << code;
  }
  EXPECT_EQ(OctetsSaisis(QString::fromUtf16(u"c en mol/L, λ=µm")).toStdString(), "c en mol/L, \x88=\xb5m");
  // Outside the 8-bit range and the font's Greek letters.
  EXPECT_EQ(OctetsSaisis(QString::fromUtf16(u"€ \uFFFD ψ")).toStdString(), "? ? ?");
}

TEST(TexteAffiche, WavelengthPanelText) {
  EXPECT_EQ(TexteLambda(500), "\x88=500 nm");
  EXPECT_EQ(TexteAffiche(TexteLambda(190)), QString("λ=190 nm"));
}

}  // namespace
