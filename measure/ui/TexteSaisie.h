// What the user types in the dialogs' boxes, as the program's 8-bit text. The
// keyboard filter types Greek letters (Ctrl+letter) as Unicode characters on
// screen; the export and the procedures want the code of the "Mesurial" font
// for them (0x88 for lambda), and Latin-1 for everything else.
#pragma once

#include <QByteArray>
#include <QString>

// Latin-1 characters as they are, the Greek letters of the "Mesurial" font
// back to their code, any other character as "?".
QByteArray OctetsSaisis(const QString& texte);
