#pragma once

#include "water/WaterProperties.h"

namespace kelvoran {

/// Molar volume, specific enthalpy and isobaric heat capacity of one H2O-NaCl fluid phase of
/// given temperature, pressure and composition, mapped onto pure water at the same pressure and
/// a scaled temperature: T*_V for the volume, T*_h for enthalpy and heat capacity. Two corner
/// regions replace the plain mapping of the volume by extrapolations (high temperature, low
/// pressure and salt-rich; low pressure near the boiling curve of water).
class MixtureProperties {
public:
    /// Binds to the caller's temperature (°C), pressure (bar) and composition (mole fraction).
    MixtureProperties(const double& temperatureC, const double& pressureBar,
                      const double& composition);

    MixtureProperties(const MixtureProperties&) = delete;
    MixtureProperties& operator=(const MixtureProperties&) = delete;

    /// Recomputes when any bound input differs from the values of the last recomputation.
    void update();

    double composition() const { return composition_; }            ///< mole fraction NaCl
    double molarVolume() const { return molarVolume_; }            ///< cm³/mol
    double specificEnthalpy() const { return specificEnthalpy_; }  ///< J/kg
    double heatCapacity() const { return heatCapacity_; }          ///< isobaric, J/(kg K)

    /// Scaled temperature of the molar volume, T*_V, in °C at (T °C, P bar, x).
    static double volumeScaledTemperature(double temperatureC, double pressureBar,
                                          double composition);
    /// Pressure derivative of T*_V at constant T and x, in K/bar.
    static double volumeScaledTemperatureSlope(double temperatureC, double pressureBar,
                                               double composition);

private:
    double computeMolarVolume();
    // Molar volume of water (cm³/mol) at a scaled temperature (°C) and pressure (bar).
    double waterMolarVolumeAt(double scaledTemperatureC, double pressureBar);
    // Pressure slope (cm³/mol/bar) of the mapped volume at (T °C, P bar), read from the water
    // member just updated at (T*_V, P).
    double waterMolarVolumeSlope(double temperatureC, double pressureBar) const;

    const double& boundTemperatureC_;
    const double& boundPressureBar_;
    const double& boundComposition_;

    double temperatureC_;  // °C, input of the last recomputation
    double pressureBar_;   // bar, input of the last recomputation
    double composition_;   // mole fraction, input of the last recomputation

    double scaledTemperatureC_;  // °C, the temperature handed to the water member
    double evaluationPressureBar_;  // bar, the pressure handed to the water member
    WaterProperties water_;

    double molarVolume_;       // cm³/mol
    double specificEnthalpy_;  // J/kg
    double heatCapacity_;      // J/(kg K)
};

}  // namespace kelvoran
