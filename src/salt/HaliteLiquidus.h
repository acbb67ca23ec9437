#pragma once

#include <limits>

#include "salt/SaltMeltingCurve.h"

namespace kelvoran {

/// Halite liquidus: composition of the liquid saturated with halite at a temperature and a
/// pressure, a polynomial of degree five in T / Tm(P) whose pressure-dependent coefficients sum
/// to 1, so that it reaches pure NaCl at the melting point. Not clamped: above the melting point
/// it exceeds 1. Bound to a caller-owned temperature and pressure, which must outlive it.
/// Neither copyable nor movable: its melting-curve member is bound to this object's own cache.
class HaliteLiquidus {
  public:
    /// Binds to the caller's temperature (°C) and pressure (bar).
    HaliteLiquidus(const double& temperatureC, const double& pressureBar);
    HaliteLiquidus(const HaliteLiquidus&) = delete;
    HaliteLiquidus& operator=(const HaliteLiquidus&) = delete;

    /// Recomputes when the bound temperature or pressure differs from the last computed pair.
    void update();

    /// Composition of the halite-saturated liquid, mole fraction NaCl.
    double composition() const { return composition_; }
    /// Temperature reduced by the melting temperature of NaCl at the same pressure (°C / °C).
    double reducedTemperature() const { return reducedTemperature_; }

  private:
    const double* boundTemperatureC_;
    const double* boundPressureBar_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();  // °C
    double cachedPressureBar_ = std::numeric_limits<double>::quiet_NaN();   // bar
    SaltMeltingCurve meltingCurve_;  // bound to the cached temperature and pressure
    double meltingTemperatureC_ = std::numeric_limits<double>::quiet_NaN();  // °C
    double reducedTemperature_ = std::numeric_limits<double>::quiet_NaN();   // dimensionless
    double composition_ = std::numeric_limits<double>::quiet_NaN();          // mole fraction
};

}  // namespace kelvoran
