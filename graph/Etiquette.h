// Text of a graduation label.
#pragma once

#include <array>
#include <string_view>

// Room for the longest label and a terminating zero.
inline constexpr int LongueurMaxEtiquette = 14;
using TexteEtiquette = std::array<char, LongueurMaxEtiquette + 1>;

// Writes v with 3 significant digits into `sortie` and returns the text:
// fixed notation without trailing zeros when the rounded magnitude lies in
// [0.0001, 1000), else mantissa "E" exponent (1E3, 5E-5, -1.25E-7); zero is
// "0". Always "." as separator, whatever the process locale; at most 14
// characters. Non-finite values give "?".
std::string_view FormateEtiquette(double v, TexteEtiquette& sortie);
