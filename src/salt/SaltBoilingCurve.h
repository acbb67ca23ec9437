#pragma once

#include "salt/SaltVaporPressureCurve.h"

namespace kelvoran {

/// Slope of the boiling curve of liquid NaCl in log10 P against 1/T, K.
inline constexpr double kSaltBoilingSlopeK = 9418.12;

/// Vapor pressure of liquid NaCl (liquid NaCl + NaCl vapor); pressure() in bar.
using SaltBoilingCurve = SaltVaporPressureCurve<kSaltBoilingSlopeK>;
extern template class SaltVaporPressureCurve<kSaltBoilingSlopeK>;

}  // namespace kelvoran
