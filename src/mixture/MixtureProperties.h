#pragma once

#include "kelvoran/Constants.h"
#include "kelvoran/Correlations.h"
#include "numerics/Dual.h"

// Molar volume, specific enthalpy and isobaric heat capacity of one H2O–NaCl fluid phase of
// given temperature, pressure and composition (mixtureProperties, declared with the public
// correlations), mapped onto pure water at the same pressure and a scaled temperature: T*_V
// for the volume, T*_h for enthalpy and heat capacity. Two corner regions replace the plain
// mapping of the volume by extrapolations (high temperature, low pressure and salt-rich; low
// pressure near the boiling curve of water).

namespace kelvoran {

class WaterStateMemo;

// Every function below is defined for the scalars double and Dual (gradients through the
// arguments' gradients).

/// Scaled temperature of the molar volume, T*_V, in °C at (T °C, P bar, x mole fraction).
template <typename S>
S volumeScaledTemperature(S temperatureC, S pressureBar, S composition);
/// Pressure derivative of T*_V at constant T and x, K/bar.
template <typename S>
S volumeScaledTemperatureSlope(S temperatureC, S pressureBar, S composition);

/// How the molar volume of a phase was found.
enum class VolumeMapping {
    ScaledTemperature,  ///< water at T*_V and P
    LowPressureLiquid,  ///< extrapolated from the saturated liquid of water (P < 16 bar, liquids)
    HighTemperature,    ///< the curve through the pressure maximum of the three-phase curve and
                        ///< 1000 bar (T > 594.63 °C, P < 390.15 bar, x > 0.1)
};

/// Molar volume of a phase and how it was found.
template <typename S>
struct BasicMixtureVolume {
    S molarVolumeCm3Mol;  ///< cm³/mol
    VolumeMapping mapping;
};
using MixtureVolume = BasicMixtureVolume<double>;

/// Molar volume of a phase of the given kind; water states come through `water`, which also
/// collects the notes on them.
template <typename S>
BasicMixtureVolume<S> mixtureVolume(S temperatureC, S pressureBar, S composition, FluidKind kind,
                                    WaterStateMemo& water);

/// Molar volume of the phase, cm³/mol (mixtureVolume without how).
double mixtureMolarVolume(double temperatureC, double pressureBar, double composition,
                          WaterStateMemo& water, FluidKind kind = FluidKind::Liquid);

/// The scaled temperature of enthalpy and heat capacity at one pressure and composition:
/// T*_h = offsetC + slope · T (°C), the temperature at which pure water at the same pressure
/// gives the phase's enthalpy (divided by 1 + x). offsetC is 0 and slope 1 (to round-off) for
/// pure water.
template <typename S>
struct BasicEnthalpyScaledTemperature {
    S offsetC;  ///< °C
    S slope;    ///< dT*_h/dT, K/K
};
using EnthalpyScaledTemperature = BasicEnthalpyScaledTemperature<double>;
/// The scaling of T*_h at (P bar, x mole fraction NaCl).
template <typename S>
BasicEnthalpyScaledTemperature<S> enthalpyScaledTemperature(S pressureBar, S composition);

/// Specific enthalpy and isobaric heat capacity of one fluid phase (for a Dual, the heat
/// capacity has a NaN gradient).
template <typename S>
struct BasicMixtureThermalProperties {
    S specificEnthalpyJKg;  ///< J/kg
    S heatCapacityJKgK;     ///< isobaric, J/(kg K)
    /// The scaled temperature T*_h lies below the critical temperature of water and its water
    /// state on the vapor side of the boiling curve (a doubtful enthalpy for a liquid).
    bool onVaporSideOfBoilingCurve;
};
using MixtureThermalProperties = BasicMixtureThermalProperties<double>;
/// Enthalpy and heat capacity of the phase; water states come through `water`.
template <typename S>
BasicMixtureThermalProperties<S> mixtureThermalProperties(S temperatureC, S pressureBar,
                                                          S composition, WaterStateMemo& water);

/// Density of a phase of composition x (mole fraction NaCl) and molar volume (cm³/mol), kg/m³.
template <typename S>
S phaseDensityKgM3(S composition, S molarVolumeCm3Mol);

/// molarMass (g/mol) for a scalar S.
template <typename S>
S molarMassOf(S composition) {
    return (1.0 - composition) * kWaterMolarMass + composition * kSaltMolarMass;
}

}  // namespace kelvoran
