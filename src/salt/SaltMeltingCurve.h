#pragma once

#include <limits>

namespace kelvoran {

/// Temperature of the NaCl triple point, °C: the melting temperature of NaCl at zero pressure.
inline constexpr double kSaltTriplePointTemperatureC = 800.7;
/// Pressure of the NaCl triple point, bar.
inline constexpr double kSaltTriplePointPressureBar = 0.0005;

/// Melting temperature of pure NaCl (halite + liquid NaCl) as a function of pressure.
/// Bound to a caller-owned temperature and pressure, which must outlive it.
class SaltMeltingCurve {
  public:
    /// Binds to the caller's temperature (°C) and pressure (bar).
    SaltMeltingCurve(const double& temperatureC, const double& pressureBar);

    /// Recomputes when the bound temperature or pressure differs from the last computed pair.
    void update();

    /// Melting temperature of NaCl at the last computed pressure, °C.
    double meltingTemperature() const { return meltingTemperatureC_; }

  private:
    const double* boundTemperatureC_;
    const double* boundPressureBar_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();   // °C
    double cachedPressureBar_ = std::numeric_limits<double>::quiet_NaN();    // bar
    double meltingTemperatureC_ = std::numeric_limits<double>::quiet_NaN();  // °C
};

}  // namespace kelvoran
