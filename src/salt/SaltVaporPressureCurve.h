#pragma once

#include "kelvoran/Correlations.h"

// Vapor pressure of pure NaCl: saltBoilingPressureBar(T) over liquid NaCl and
// saltSublimationPressureBar(T) over halite, declared with the other public correlations.

namespace kelvoran {

/// Slope of the boiling curve of liquid NaCl in log10 P against 1/T, K.
inline constexpr double kSaltBoilingSlopeK = 9418.12;
/// Slope of the sublimation curve of halite in log10 P against 1/T, K.
inline constexpr double kSaltSublimationSlopeK = 11806.1;

/// Vapor pressure of NaCl (bar) at T (°C) on a Clausius–Clapeyron line in log10 P against 1/T
/// of slope `slopeK` (K) through the NaCl triple point (800.7 °C, 0.0005 bar).
double saltVaporPressureBar(double temperatureC, double slopeK);
/// saltVaporPressureBar for a scalar S (double or Dual).
template <typename S>
S saltVaporPressureBar(S temperatureC, double slopeK);
/// saltBoilingPressureBar for a scalar S (double or Dual), bar.
template <typename S>
S saltBoilingPressureBar(S temperatureC);
/// saltSublimationPressureBar for a scalar S (double or Dual), bar.
template <typename S>
S saltSublimationPressureBar(S temperatureC);

}  // namespace kelvoran
