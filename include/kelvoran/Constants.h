#pragma once

// kelvoran: the physical constants the model is built on, each named once, with its unit.

namespace kelvoran {

/// Molar mass of water, g/mol.
inline constexpr double kWaterMolarMass = 18.015;
/// Molar mass of sodium chloride, g/mol.
inline constexpr double kSaltMolarMass = 58.443;

/// Molar mass of a water–salt mixture of NaCl mole fraction `composition`, g/mol.
constexpr double molarMass(double composition) {
    return (1.0 - composition) * kWaterMolarMass + composition * kSaltMolarMass;
}

/// Critical temperature of pure water as the binary correlations use it, °C.
inline constexpr double kWaterCriticalTemperatureC = 373.976;
/// Critical pressure of pure water as the binary correlations use it, bar.
inline constexpr double kWaterCriticalPressureBar = 220.54915;
/// Critical temperature of the water equation of state, K (373.976 °C).
inline constexpr double kWaterCriticalTemperatureK = 647.126;
/// Critical pressure of the water equation of state, MPa (220.54915 bar).
inline constexpr double kWaterCriticalPressureMPa = 22.054915;
/// Critical density of the water equation of state, g/cm³.
inline constexpr double kWaterCriticalDensityGcm3 = 0.32189;

/// Temperature of the NaCl triple point, °C: the melting temperature of NaCl at zero pressure.
inline constexpr double kSaltTriplePointTemperatureC = 800.7;
/// Pressure of the NaCl triple point, bar.
inline constexpr double kSaltTriplePointPressureBar = 0.0005;

}  // namespace kelvoran
