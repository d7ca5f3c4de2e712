// Number conventions shared by the whole program: the missing-value marker,
// the decimal separators and the tolerant text-to-number conversion.
#pragma once

#include <string_view>

// Marker of a missing value. It is neither zero nor a NaN and is always
// tested by exact equality.
inline constexpr double ValeurIndefinie = 1e-26;

// Wavelengths are whole nanometres, 0 to 1024: the index into the fixed
// tables of the baseline and of the spectrum.
inline constexpr int LambdaMaxTable = 1024;

// Separator of the program's own conversions: "." from start-up on, whatever
// the user's regional settings say.
inline constexpr char SeparateurConversion = '.';

// The user's decimal separator, saved at start-up; only the export uses it.
char SeparateurUtilisateur();

// Start-up set-up: reads the user's decimal separator from the system locale
// (LC_NUMERIC, then LC_ALL / LANG) and keeps it when it is not ".".
void InitialiseSeparateurs();

// For tests and for platforms where the locale is read elsewhere.
void FixeSeparateurUtilisateur(char separateur);

// Converts text to a double. The first "," counts as "."; leading and trailing
// blanks are allowed; anything else that is not a plain decimal number with an
// optional exponent (an "E" without digits means exponent 0) gives
// ValeurIndefinie, as does a value outside the range of a double.
// Independent of the process locale.
double TexteVersReel(std::string_view texte);

// Nearest integer, a half going to the even neighbour; a value that is not
// finite or lies outside the int range gives 0, like an unreadable reply.
int ArrondiEntier(double valeur);
