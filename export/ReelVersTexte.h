// Number format of every value the export writes.
#pragma once

#include <string>

inline constexpr int kLongueurMaxReel = 14;

// x rounded to P significant digits (P clamped into 2..18), in fixed notation
// for decimal exponents -3..P and in scientific notation otherwise, at most
// 14 characters, the first "." replaced by `separateur`. A text that would be
// too long keeps its exponent and its integer digits: the mantissa is rounded
// to fewer digits instead; only decimals of a fixed notation are cut.
std::string ReelVersTexte(int P, double x, char separateur);

// The same with the user's separator saved at start-up.
std::string ReelVersTexte(int P, double x);
