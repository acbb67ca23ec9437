#pragma once

#include <limits>

namespace kelvoran {

/// Pressure of the vapor + liquid + halite three-phase curve as a function of temperature.
/// Bound to a caller-owned temperature, which must outlive it.
class ThreePhaseCurve {
  public:
    /// Binds to the caller's temperature (°C).
    explicit ThreePhaseCurve(const double& temperatureC);

    /// Recomputes the pressure when the bound temperature differs from the one last computed at.
    void update();

    /// Three-phase pressure at the last computed temperature, bar.
    double pressure() const { return pressureBar_; }

    /// Temperature of the curve's pressure maximum, °C.
    static constexpr double maximumTemperature() { return 594.6324429298147; }
    /// Pressure at the curve's maximum, bar.
    static constexpr double maximumPressure() { return 390.1474443379598; }

  private:
    const double* boundTemperatureC_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();  // °C
    double scaledTemperature_ = std::numeric_limits<double>::quiet_NaN();   // T / 800.7 (°C/°C)
    double pressureBar_ = std::numeric_limits<double>::quiet_NaN();         // bar
};

}  // namespace kelvoran
