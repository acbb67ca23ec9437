#pragma once

#include <limits>

namespace kelvoran {

/// Vapor pressure of pure NaCl, a Clausius–Clapeyron line in log10 P against 1/T through the
/// NaCl triple point (800.7 °C, 0.0005 bar). One piece of code serves the boiling curve of
/// liquid NaCl and the sublimation curve of halite, which differ only in the slope
/// `slopeK` (K) of the line: use them as SaltBoilingCurve and SaltSublimationCurve.
/// Bound to a caller-owned temperature and pressure, which must outlive it; the result depends
/// on the temperature only, but a change of either input recomputes.
template <double slopeK>
class SaltVaporPressureCurve {
  public:
    /// Binds to the caller's temperature (°C) and pressure (bar).
    SaltVaporPressureCurve(const double& temperatureC, const double& pressureBar);

    /// Recomputes when the bound temperature or pressure differs from the last computed pair.
    void update();

    /// Vapor pressure of NaCl at the last computed temperature, bar.
    double pressure() const { return pressureBar_; }

  private:
    const double* boundTemperatureC_;
    const double* boundPressureBar_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();  // °C
    double cachedPressureBar_ = std::numeric_limits<double>::quiet_NaN();   // bar
    double pressureBar_ = std::numeric_limits<double>::quiet_NaN();         // bar
};

}  // namespace kelvoran
