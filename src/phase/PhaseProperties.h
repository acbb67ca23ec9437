#pragma once

#include <cstdint>

namespace kelvoran {

/// Molar mass of water, g/mol.
inline constexpr double kWaterMolarMass = 18.015;
/// Molar mass of sodium chloride, g/mol.
inline constexpr double kSaltMolarMass = 58.443;

/// Molar mass of a water-salt mixture of NaCl mole fraction `composition`, in g/mol.
constexpr double molarMass(double composition) {
    return (1.0 - composition) * kWaterMolarMass + composition * kSaltMolarMass;
}

/// The properties of one phase (or of the bulk fluid) at an evaluated point. A plain value
/// record: every field starts at zero, and a field the phase state does not fill stays zero.
struct PhaseProperties {
    double temperature = 0.0;       ///< input temperature, °C
    double pressure = 0.0;          ///< input pressure, bar
    double composition = 0.0;       ///< mole fraction of NaCl in the phase
    double massPercent = 0.0;       ///< NaCl in percent by mass
    double massFraction = 0.0;      ///< NaCl mass fraction (massPercent × 0.01)
    double density = 0.0;           ///< kg/m³
    double molarVolume = 0.0;       ///< cm³/mol
    double specificEnthalpy = 0.0;  ///< J/kg
    double heatCapacity = 0.0;      ///< isobaric heat capacity, J/(kg K)
    std::int32_t phaseState = 0;    ///< PhaseState code of the evaluation that filled it, or 0

    friend bool operator==(const PhaseProperties&, const PhaseProperties&) = default;
};

}  // namespace kelvoran
