// The program's 8-bit texts as shown on screen. The companion's "Mesurial"
// font draws the byte 0x88 as a Greek lambda; without that font the byte is
// mapped to the Unicode lambda, every other byte is read as Latin-1.
#pragma once

#include <QString>
#include <string_view>

inline constexpr char CodeLambda = '\x88';
inline constexpr char16_t LambdaUnicode = u'\u03bb';
inline constexpr const char* NomPoliceMesurial = "Mesurial";

QString VersUnicode(std::string_view octets);
