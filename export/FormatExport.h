// The text handed to Mesurial: header, one line per nanometre, optional
// parameter block and trailer; 8-bit characters, TAB between fields, CR LF
// after every line.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <cstdint>
#include <span>

#include "app/Labutil.h"

// Last slot of the spectrum table: wavelengths 0..1024 nm.
inline constexpr std::uint16_t kDernierIndexSpectre = 1024;

// The comment travels in the graph's title slot, 255 characters at most.
inline constexpr qsizetype kLongueurCommentaireExport = 255;

// What the export reads from the graph, the scan dialog and the settings.
struct SpectreExport {
  QByteArray cheminExecutable;
  QByteArray dateHeure;  // follows "Spectre Zelor "
  QByteArray commentaire;
  QByteArray nomX = "\x88";
  QByteArray nomY = "A";
  std::uint16_t premier = 0;
  std::uint16_t dernier = 0;
  std::span<const double> spectre;  // index = wavelength in nm
  QByteArray nomParam;
  QByteArray uniteParam;
  double valeurParam = ValeurIndefinie;
  int precision = 4;
  char separateur = SeparateurUtilisateur();
};

QByteArray TexteExport(const SpectreExport& s);

// The locale's short date, a space and its long time (without time zone);
// the time is left out at midnight sharp.
QByteArray DateHeureExport(const QDateTime& moment, const QLocale& locale = QLocale::system());

// A long time format as the export writes it: without its time-zone part
// (every run of "t" outside quotes goes, with the brackets that enclose it
// and the spaces around it), and with a day period the toolkit cannot write
// ("B") given as its morning or afternoon marker.
QString FormatHeureExport(const QString& format);

// Path of the running executable, as 8-bit text.
QByteArray CheminExecutableExport();
