// The fixed per-wavelength tables: the baseline, the graph's points and its
// spectrum all hold wavelengths 0 to 1024 nm.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "app/Labutil.h"  // LambdaMaxTable

inline constexpr int NbCases = LambdaMaxTable + 1;

// The graph's spectrum fields, owned by the graph. The number of point slots
// is the size of pointX (normally NbCases).
struct TVueSpectre {
  std::span<double> pointX;
  std::span<double> pointY;
  std::span<double> spectre;  // indexed by the wavelength in nm
  std::uint16_t& premier;
  std::uint16_t& dernier;
  double& valeurParam;
};

// An instrument may report a range beyond the tables (1100 nm, say): the
// procedures work on the part the tables can hold.
inline int LambdaDansTable(int lambda) {
  return std::clamp(lambda, 0, LambdaMaxTable);
}
