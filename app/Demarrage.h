// The steps of the program's start-up that main() runs in order.
#pragma once

#include <QString>

class QWidget;

// The application title: the program's name for the desktop, and the text by
// which a copy of the program is known.
inline const QString TitreApplication = QStringLiteral("Spectrophotomètre ZELOR 1000");

// Name of the marker that tells a running copy of the program.
inline const QString MarqueurInstance = QStringLiteral("Zelor1000");

// Saves the user's decimal separator for the export, then makes every other
// conversion of the program (C library, Qt's default locale, hence the spin
// boxes and edit boxes) use ".".
void InitialiseFormatNombres();

// The marker, or the one ZELOR_MARQUEUR names (lets tests run copies of the
// program beside a real one).
QString NomMarqueurInstance();

// Brings a window back as it was before it was minimised (maximised or
// normal) and to the front.
void RestaureFenetre(QWidget* fenetre);

// With ZELOR_TEMOIN_INSTANCE set, writes one line about the single-instance
// handling on standard output, so a test can follow it.
void SignaleInstance(const char* evenement);
