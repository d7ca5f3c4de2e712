// Texts and number conversions shared by the three measurement procedures.
#pragma once

#include <string>

#include "app/Labutil.h"  // ArrondiEntier

// The byte that the "Mesurial" font draws as the Greek letter lambda.
inline constexpr char CaractereLambda = '\x88';

// "λ=512 nm", with the lambda byte of the "Mesurial" font.
std::string TexteLambda(int lambda);

// "A=" followed by the absorbance in general format with `precision`
// significant digits, always with "." as decimal separator.
std::string TexteAbs(double absorbance, int precision);

// Display-switch commands go out cut or padded with spaces to exactly
// 8 characters, the length the instrument expects.
std::string CommandeAffichage(const std::string& commande);

