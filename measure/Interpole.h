// Turns the measured points of a scan into one absorbance per nanometre.
#pragma once

#include "measure/Tables.h"

// Puts the first nbPoints points in increasing wavelength (reversing them when
// the scan ran downwards), sets premier/dernier to the range they cover and
// fills spectre linearly between them. Without any point the spectrum is
// empty: dernier below premier, and nothing is read or written.
void Interpole(TVueSpectre& graphe, int nbPoints, bool croissant);
