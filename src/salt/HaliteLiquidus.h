#pragma once

#include "kelvoran/Correlations.h"

// Halite liquidus: haliteLiquidusComposition(T, P), declared with the other public
// correlations. A polynomial of degree five in T / Tm(P), Tm the melting temperature of NaCl,
// whose pressure-dependent coefficients sum to 1, so that it reaches pure NaCl at the melting
// point; not clamped, so above the melting point it exceeds 1.

namespace kelvoran {

/// haliteLiquidusComposition for a scalar S (double or Dual), mole fraction NaCl.
template <typename S>
S haliteLiquidusComposition(S temperatureC, S pressureBar);

}  // namespace kelvoran
