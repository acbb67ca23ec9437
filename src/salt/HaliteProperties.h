#pragma once

#include "kelvoran/Correlations.h"

// Density and isobaric heat capacity of halite (solid NaCl): haliteDensityKgM3(T, P) and
// haliteHeatCapacityJKgK(T, P), declared with the other public correlations.

namespace kelvoran {

/// haliteDensityKgM3 for a scalar S (double or Dual), kg/m³.
template <typename S>
S haliteDensityKgM3(S temperatureC, S pressureBar);

}  // namespace kelvoran
