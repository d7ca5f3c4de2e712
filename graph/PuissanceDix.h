// Exact powers of ten for the graduation steps.
#pragma once

// 10^e by repeated squaring in extended precision; a negative exponent gives
// the reciprocal of the positive power. Exact for every e whose power fits the
// extended mantissa (|e| <= 27); the nearest extended value otherwise.
long double PuissanceDix(int e);
