#pragma once

#include <limits>

namespace kelvoran {

/// Critical temperature of pure water, °C.
inline constexpr double kWaterCriticalTemperatureC = 373.976;
/// Critical pressure of pure water, bar.
inline constexpr double kWaterCriticalPressureBar = 220.54915;

/// Critical curve of the H2O–NaCl system: critical pressure and critical composition as
/// functions of temperature alone. Bound to a caller-owned temperature, which must outlive it.
class CriticalCurve {
  public:
    /// Binds to the caller's temperature (°C).
    explicit CriticalCurve(const double& temperatureC);

    /// Recomputes both results when the bound temperature differs from the one last computed at.
    void update();

    /// Critical pressure at the last computed temperature, bar.
    double criticalPressure() const { return criticalPressureBar_; }
    /// Critical composition at the last computed temperature, mole fraction NaCl.
    double criticalComposition() const { return criticalComposition_; }

  private:
    const double* boundTemperatureC_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();   // °C
    double criticalPressureBar_ = std::numeric_limits<double>::quiet_NaN();  // bar
    double criticalComposition_ = std::numeric_limits<double>::quiet_NaN();  // mole fraction
};

}  // namespace kelvoran
