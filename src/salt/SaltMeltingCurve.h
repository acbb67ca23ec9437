#pragma once

#include "kelvoran/Constants.h"
#include "kelvoran/Correlations.h"

// Melting curve of pure NaCl: saltMeltingTemperatureC(P), declared with the other public
// correlations.

namespace kelvoran {

/// saltMeltingTemperatureC for a scalar S (double or Dual), °C.
template <typename S>
S saltMeltingTemperatureC(S pressureBar);

}  // namespace kelvoran
