#pragma once

#include <limits>

#include "boundaries/CriticalCurve.h"
#include "salt/HaliteLiquidus.h"
#include "salt/SaltSublimationCurve.h"

namespace kelvoran {

/// Composition of the vapor coexisting with halite at a temperature and a pressure: a
/// log-enrichment interpolation in the reduced pressure between pure NaCl at the vapor pressure
/// of halite and the halite-saturated liquid at the critical pressure of the system.
/// Meaningful for Psub ≤ P ≤ Pcrit; above Pcrit the composition is NaN. Bound to a caller-owned
/// temperature and pressure, which must outlive it. Neither copyable nor movable: its members
/// are bound to this object's own copies of the inputs.
class HaliteSaturatedVapor {
  public:
    /// Binds to the caller's temperature (°C) and pressure (bar).
    HaliteSaturatedVapor(const double& temperatureC, const double& pressureBar);
    HaliteSaturatedVapor(const HaliteSaturatedVapor&) = delete;
    HaliteSaturatedVapor& operator=(const HaliteSaturatedVapor&) = delete;

    /// Recomputes when the bound temperature or pressure differs from the last computed pair.
    void update();

    /// Composition of the halite-saturated vapor, mole fraction NaCl.
    double composition() const { return composition_; }
    /// (P − Psub) / (Pcrit − Psub): 0 at the vapor pressure of halite, 1 at the critical
    /// pressure (dimensionless).
    double reducedPressure() const { return reducedPressure_; }

  private:
    const double* boundTemperatureC_;
    const double* boundPressureBar_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();   // °C
    double cachedPressureBar_ = std::numeric_limits<double>::quiet_NaN();    // bar
    double workingTemperatureC_ = std::numeric_limits<double>::quiet_NaN();  // °C
    double workingPressureBar_ = std::numeric_limits<double>::quiet_NaN();   // bar
    SaltSublimationCurve sublimationCurve_;  // bound to the cached temperature and pressure
    CriticalCurve criticalCurve_;            // bound to the cached temperature
    HaliteLiquidus liquidus_;                // bound to the working temperature and pressure
    double criticalPressureBar_ = std::numeric_limits<double>::quiet_NaN();     // bar
    double sublimationPressureBar_ = std::numeric_limits<double>::quiet_NaN();  // bar
    double reducedPressure_ = std::numeric_limits<double>::quiet_NaN();         // dimensionless
    double composition_ = std::numeric_limits<double>::quiet_NaN();             // mole fraction
};

}  // namespace kelvoran
