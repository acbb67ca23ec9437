#pragma once

#include "kelvoran/Correlations.h"

// Vapor + liquid + halite curve: threePhasePressureBar(T), declared with the other public
// correlations, and the curve's pressure maximum.

namespace kelvoran {

/// Temperature of the three-phase curve's pressure maximum, °C.
inline constexpr double kThreePhaseMaximumTemperatureC = 594.6324429298147;
/// Pressure at the three-phase curve's maximum, bar.
inline constexpr double kThreePhaseMaximumPressureBar = 390.1474443379598;

/// threePhasePressureBar for a scalar S (double or Dual), bar.
template <typename S>
S threePhasePressureBar(S temperatureC);

}  // namespace kelvoran
