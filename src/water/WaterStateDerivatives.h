#pragma once

#include "numerics/Dual.h"
#include "water/WaterStateMemo.h"

// Pure water with the gradients of its values: the states the double evaluation solved (taken
// from the memo, bit for bit), differentiated by the implicit-function rule with the analytic
// derivatives of the equation of state at the density found, and the saturation curve by
// Clapeyron's equation where it is solved (the derivative of its explicit approximations
// elsewhere). Each function mirrors the double function of the same name; the gradient is with
// respect to whatever the arguments' gradients are taken against.

namespace kelvoran {

/// pureWater with gradients: dρ = ((dP) − (∂p/∂T)ρ dT) / (∂p/∂ρ)T, dh = cp dT + (∂h/∂p)T dP with
/// (∂h/∂p)T = 1/ρ − T (∂p/∂T)ρ / (ρ² (∂p/∂ρ)T). The heat capacity carries its value only (its
/// gradient is NaN: the model's derivatives stop at first order).
struct DualWaterPoint {
    Dual densityKgM3;          ///< kg/m³
    Dual specificEnthalpyJKg;  ///< J/kg
    Dual heatCapacityJKgK;     ///< isobaric, J/(kg K)
};
DualWaterPoint pureWater(const Dual& temperatureC, const Dual& pressureBar, WaterStateMemo& water);

/// The same for a water state of known values at (T °C, P bar), such as a saturated state: its
/// values with the gradients the equation of state's `slopes` at its density give them.
DualWaterPoint waterStateWithGradients(const WaterPoint& values, const WaterPressureSlopes& slopes,
                                       const Dual& temperatureC, const Dual& pressureBar);

/// waterSaturationPressurePa with its gradient (see waterSaturationPressureSlopePaK), Pa.
Dual waterSaturationPressurePa(const Dual& temperatureC, WaterStateMemo& water);

/// waterSaturationAtPressure with gradients (see waterSaturationSlopesAtPressure).
struct DualWaterSaturationAtPressure {
    Dual temperatureC;       ///< saturation temperature, °C
    Dual liquidDensityKgM3;  ///< density of the saturated liquid, kg/m³
};
DualWaterSaturationAtPressure waterSaturationAtPressure(const Dual& pressureBar,
                                                        WaterStateMemo& water);

// The same calls for either scalar, for the functions templated on it: through the memo for a
// double, through the functions above for a Dual.
inline WaterPoint pureWaterAt(WaterStateMemo& water, double temperatureC, double pressureBar) {
    return water.pureWater(temperatureC, pressureBar);
}
inline DualWaterPoint pureWaterAt(WaterStateMemo& water, const Dual& temperatureC,
                                  const Dual& pressureBar) {
    return pureWater(temperatureC, pressureBar, water);
}
inline WaterSaturationAtPressure saturationAtPressure(WaterStateMemo& water, double pressureBar) {
    return water.saturationAtPressure(pressureBar);
}
inline DualWaterSaturationAtPressure saturationAtPressure(WaterStateMemo& water,
                                                          const Dual& pressureBar) {
    return waterSaturationAtPressure(pressureBar, water);
}

}  // namespace kelvoran
