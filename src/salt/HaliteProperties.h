#pragma once

#include <limits>

namespace kelvoran {

/// Density and isobaric heat capacity of halite (solid NaCl) as plain functions of temperature
/// and pressure. Bound to a caller-owned temperature and pressure, which must outlive it.
class HaliteProperties {
  public:
    /// Binds to the caller's temperature (°C) and pressure (bar).
    HaliteProperties(const double& temperatureC, const double& pressureBar);

    /// Recomputes when the bound temperature or pressure differs from the last computed pair.
    void update();

    /// Density of halite, kg/m³.
    double density() const { return densityKgM3_; }
    /// Isobaric specific heat capacity of halite, J/(kg K).
    double heatCapacity() const { return heatCapacityJKgK_; }

  private:
    const double* boundTemperatureC_;
    const double* boundPressureBar_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();  // °C
    double cachedPressureBar_ = std::numeric_limits<double>::quiet_NaN();   // bar
    double densityKgM3_ = std::numeric_limits<double>::quiet_NaN();         // kg/m³
    double heatCapacityJKgK_ = std::numeric_limits<double>::quiet_NaN();    // J/(kg K)
};

}  // namespace kelvoran
