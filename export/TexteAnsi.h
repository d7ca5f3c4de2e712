// The 8-bit text the DDE exchanges carry (Windows' ANSI code page, read here
// as Latin-1 so that every byte, 0x88 included, survives the round trip).
#pragma once

#include <QByteArray>
#include <QString>

// Clipboard format holding the exact bytes of an 8-bit text (the export's
// axis name 0x88 included); other readers get Unicode text beside it.
inline constexpr char kFormatTexteAnsi[] = "text/plain;charset=windows-1252";

inline QString DepuisAnsi(const QByteArray& octets) {
  return QString::fromLatin1(octets);
}
