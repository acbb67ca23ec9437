#pragma once

#include "kelvoran/Correlations.h"

// Vapor branch of the vapor–liquid surface: coexistingVaporComposition(T, P), declared with the
// other public correlations: the halite-saturated vapor scaled by the ratio of the coexisting
// liquid to the halite-saturated liquid at the same T and P. NaN above the critical pressure.

namespace kelvoran {

/// The vapor branch at (T °C, P bar) from the liquid branch's composition there (mole fraction).
double coexistingVaporComposition(double temperatureC, double pressureBar,
                                  double coexistingLiquidComposition);
/// The same for a scalar S (double or Dual).
template <typename S>
S coexistingVaporComposition(S temperatureC, S pressureBar, S coexistingLiquidComposition);

}  // namespace kelvoran
