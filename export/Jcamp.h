// JCAMP-DX 5.01 UV/VIS spectra: the writer (absorbance per nanometre, plain
// AFFN ordinates scaled by ##YFACTOR) and a reader for files of any origin:
// ##XYDATA=(X++(Y..Y)) in AFFN, PAC, SQZ, DIF and DUP forms with their Y
// checks, ##XYPOINTS=(XY..XY), X in nm, µm or 1/cm, Y in absorbance or
// transmittance.
#pragma once

#include <QByteArray>
#include <QString>

#include "export/FichierSpectre.h"

// A spectrum past this many points is refused (the 1 nm tables hold 1025).
inline constexpr long kPointsMaxJcamp = 1'000'000;

// The whole file, UTF-8, lines ending in CR LF. An empty spectrum gives an
// empty text.
QByteArray EcritJcamp(const TFichierSpectre& s);

TLectureSpectre LitJcamp(const QString& texte);
