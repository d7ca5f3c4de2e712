// The export text of "Vers Mesurial" as a file (.txt): written byte for byte
// as the clipboard gets it, and read back.
#pragma once

#include <QByteArray>

#include "export/FichierSpectre.h"
#include "export/FormatExport.h"

// What the export text takes from the running program rather than from the
// spectrum.
struct TContexteExport {
  QByteArray cheminExecutable;
  QByteArray dateHeure;  // follows "Spectre Zelor "
  char separateur = '.';
};

// The running program's path and decimal separator, and `moment` as the
// export writes it.
TContexteExport ContexteDuProgramme(const QDateTime& moment);

// The export's view of `s`, which must outlive it: 8-bit texts (the
// program's own characters), the comment cut to 255 characters.
SpectreExport ExportDe(const TFichierSpectre& s, const TContexteExport& contexte);

QByteArray EcritTexteExport(const TFichierSpectre& s, const TContexteExport& contexte);

TLectureSpectre LitTexteExport(const QByteArray& octets);
