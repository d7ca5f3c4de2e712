// The program's 8-bit texts as shown on screen. The companion's "Mesurial"
// font draws the byte 0x88 as a Greek lambda; without that font the byte is
// mapped to the Unicode lambda, every other byte is read as Latin-1.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <string_view>

inline constexpr char CodeLambda = '\x88';
inline constexpr char16_t LambdaUnicode = u'\u03bb';
inline constexpr const char* NomPoliceMesurial = "Mesurial";

QString VersUnicode(std::string_view octets);

// The Unicode character shown for one code of the "Mesurial" font. Codes below
// 128 are ASCII and codes 160..255 Latin-1; the Greek codes 128..159 map to the
// letters of their key; the few unassigned codes give U+FFFD.
QChar CodeVersUnicode(unsigned char code);

// What the user typed in a box, as the program's 8-bit text: Latin-1
// characters as they are, the Greek letters of the "Mesurial" font back to
// their code (lambda gives 0x88), any other character as "?".
QByteArray OctetsSaisis(const QString& texte);
