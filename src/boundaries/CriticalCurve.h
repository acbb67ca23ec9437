#pragma once

#include "kelvoran/Constants.h"
#include "kelvoran/Correlations.h"

// Critical curve of the H2O–NaCl system: criticalPressureBar(T) and criticalComposition(T),
// declared with the other public correlations.

namespace kelvoran {

/// criticalPressureBar for a scalar S (double or Dual), bar.
template <typename S>
S criticalPressureBar(S temperatureC);
/// criticalComposition for a scalar S (double or Dual), mole fraction NaCl.
template <typename S>
S criticalComposition(S temperatureC);

}  // namespace kelvoran
