// The program's own texts are 8-bit: Latin-1 letters plus the codes of the
// "Mesurial" font, where 128..159 are Greek letters (136 is the wavelength
// symbol). That font is not installed here, so everything shown on screen goes
// through these helpers and gets the Unicode character instead.
#pragma once

#include <QChar>
#include <QString>
#include <string>
#include <string_view>

#include "graph/TexteMesurial.h"  // CodeLambda, the wavelength symbol

// The Unicode character shown for one code of the "Mesurial" font. Codes below
// 128 are ASCII and codes 160..255 Latin-1; the Greek codes 128..159 map to the
// letters of their key; the few unassigned codes give U+FFFD.
QChar CodeVersUnicode(unsigned char code);

// A whole 8-bit text, byte by byte through CodeVersUnicode.
QString TexteAffiche(std::string_view texte);

// The reverse of TexteAffiche for what the user typed in a box: each Greek
// letter of the font's table gives its code, other characters up to U+00FF
// their own byte, anything else "?".
std::string TexteHuitBits(const QString& texte);

