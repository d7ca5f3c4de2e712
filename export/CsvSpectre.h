// Spectra as CSV: "#" lines with the same facts as the JCAMP-DX header, a
// header line, then one line a nanometre, "," between fields and "." as the
// decimal point, UTF-8, so that a spreadsheet in any locale and a script both
// read it.
#pragma once

#include <QByteArray>
#include <QString>

#include "export/FichierSpectre.h"

inline constexpr char kEnteteColonnesCsv[] = "longueur_onde_nm,absorbance";

// An empty spectrum gives an empty text.
QByteArray EcritCsv(const TFichierSpectre& s);

// Also reads ";" between fields (with "," or "." as decimal point) and tabs,
// x in the unit of a "# XUNITS=" line (nm without one).
TLectureSpectre LitCsv(const QString& texte);
