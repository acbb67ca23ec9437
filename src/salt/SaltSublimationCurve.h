#pragma once

#include "salt/SaltVaporPressureCurve.h"

namespace kelvoran {

/// Slope of the sublimation curve of halite in log10 P against 1/T, K.
inline constexpr double kSaltSublimationSlopeK = 11806.1;

/// Vapor pressure of halite (halite + NaCl vapor); pressure() in bar.
using SaltSublimationCurve = SaltVaporPressureCurve<kSaltSublimationSlopeK>;
extern template class SaltVaporPressureCurve<kSaltSublimationSlopeK>;

}  // namespace kelvoran
