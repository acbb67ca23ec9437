#pragma once

#include "kelvoran/Correlations.h"

// Composition of the vapor coexisting with halite: haliteSaturatedVaporComposition(T, P),
// declared with the other public correlations. A log-enrichment interpolation in the reduced
// pressure between pure NaCl at the vapor pressure of halite and the halite-saturated liquid at
// the critical pressure of the system; meaningful for Psub ≤ P ≤ Pcrit, NaN above Pcrit.

namespace kelvoran {

/// (P − Psub) / (Pcrit − Psub) at (T °C, P bar): 0 at the vapor pressure of halite, 1 at the
/// critical pressure of the system (dimensionless).
double haliteSaturatedVaporReducedPressure(double temperatureC, double pressureBar);

/// haliteSaturatedVaporComposition for a scalar S (double or Dual), mole fraction NaCl.
template <typename S>
S haliteSaturatedVaporComposition(S temperatureC, S pressureBar);

}  // namespace kelvoran
