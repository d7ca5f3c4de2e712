// The program's own texts are 8-bit: Latin-1 letters plus the codes of the
// "Mesurial" font, where 128..159 are Greek letters (136 is the wavelength
// symbol). That font is not installed here, so everything shown on screen goes
// through these helpers and gets the Unicode character instead.
#pragma once

#include <QChar>
#include <QString>
#include <string>
#include <string_view>

#include "graph/TexteMesurial.h"  // CodeLambda, CodeVersUnicode, OctetsSaisis

// A whole 8-bit text, byte by byte through CodeVersUnicode.
QString TexteAffiche(std::string_view texte);
