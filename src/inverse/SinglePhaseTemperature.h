#pragma once

#include "water/WaterProperties.h"

// The temperature at which one fluid phase has a given specific enthalpy: the model maps a
// phase of composition x at (T, P) onto pure water at P and the scaled temperature
// T*_h = offset + slope · T, with h = h_water(T*_h, P) / (1 + x), so the temperature follows
// from the pure-water temperature of enthalpy h (1 + x) at P. That temperature is found by
// Newton's method on the water equation of state, each density solve starting from the density
// of the step before, from a start on the branch the enthalpy implies: the saturated liquid or
// vapor of water at P below its critical pressure, a coarse table of water above it.

namespace kelvoran {

/// A temperature found for a single fluid phase, with the slope of its enthalpy there.
struct SinglePhaseTemperature {
    double temperatureC;      ///< °C; NaN when none was found
    double heatCapacityJKgK;  ///< dh/dT of the phase at that temperature, J/(kg K)
};

/// The temperature at which one fluid phase of composition x (mole fraction NaCl) at P (bar)
/// has the specific enthalpy h (J/kg) by the model's mapping onto pure water. Below the
/// critical pressure of water `saturation` holds its saturated states at P
/// (waterSaturatedStatesAtPressure); where h (1 + x) lies between their enthalpies no single
/// phase has h (water boils there) and the result is NaN, as it is where the water equation of
/// state refuses the states on the way or P lies below the triple-point pressure of water.
SinglePhaseTemperature singlePhaseTemperatureForEnthalpy(double pressureBar,
                                                         double specificEnthalpyJKg,
                                                         double composition,
                                                         const WaterSaturatedStates& saturation);

/// The temperature (°C) of pure water of specific enthalpy h (J/kg) at P (bar), with its
/// isobaric heat capacity there, as above for x = 0 in the water's own temperature.
SinglePhaseTemperature waterTemperatureForEnthalpy(double pressureBar, double specificEnthalpyJKg,
                                                   const WaterSaturatedStates& saturation);

}  // namespace kelvoran
