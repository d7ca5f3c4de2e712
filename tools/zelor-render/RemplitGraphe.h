// Puts a read spectrum into the graph, as the scan leaves it: either the
// measured points, or one value per nanometre for the curve.
#pragma once

#include "graph/Graphe.h"
#include "tools/zelor-render/LectureSpectre.h"

#include <string>
#include <vector>

// Curve: `spectre` over the whole nanometres covered, linearly interpolated
// between the given points (sorted by wavelength). Points: the first 1025
// points in slots; more is an error. Sets the bounds to the data (absorbance
// from 0 or below, with a tenth of headroom, or up to `plafond` when it is
// given) and the mode. Returns false with a French message on failure.
bool RemplitGraphe(std::vector<PointSpectre> points, bool enPoints, double plafond, Tgraphe& graphe,
                   std::string& erreur);
