#pragma once

#include "kelvoran/Correlations.h"

// Molar volume, specific enthalpy and isobaric heat capacity of one H2O–NaCl fluid phase of
// given temperature, pressure and composition (mixtureProperties, declared with the public
// correlations), mapped onto pure water at the same pressure and a scaled temperature: T*_V
// for the volume, T*_h for enthalpy and heat capacity. Two corner regions replace the plain
// mapping of the volume by extrapolations (high temperature, low pressure and salt-rich; low
// pressure near the boiling curve of water).

namespace kelvoran {

class WaterStateMemo;

/// Scaled temperature of the molar volume, T*_V, in °C at (T °C, P bar, x mole fraction).
double volumeScaledTemperature(double temperatureC, double pressureBar, double composition);
/// Pressure derivative of T*_V at constant T and x, K/bar.
double volumeScaledTemperatureSlope(double temperatureC, double pressureBar, double composition);

/// Molar volume of the phase, cm³/mol; water states come through `water`.
double mixtureMolarVolume(double temperatureC, double pressureBar, double composition,
                          WaterStateMemo& water);

/// Specific enthalpy and isobaric heat capacity of one fluid phase.
struct MixtureThermalProperties {
    double specificEnthalpyJKg;  ///< J/kg
    double heatCapacityJKgK;     ///< isobaric, J/(kg K)
};
/// Enthalpy and heat capacity of the phase; water states come through `water`.
MixtureThermalProperties mixtureThermalProperties(double temperatureC, double pressureBar,
                                                  double composition, WaterStateMemo& water);

/// Density of a phase of composition x (mole fraction NaCl) and molar volume (cm³/mol), kg/m³.
double phaseDensityKgM3(double composition, double molarVolumeCm3Mol);

}  // namespace kelvoran
