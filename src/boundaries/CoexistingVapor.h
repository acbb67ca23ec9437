#pragma once

#include <limits>

#include "boundaries/CoexistingLiquid.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteSaturatedVapor.h"

namespace kelvoran {

/// Vapor branch of the vapor–liquid surface: the NaCl mole fraction of the vapor that coexists
/// with liquid at a temperature and a pressure, the halite-saturated vapor scaled by the ratio
/// of the coexisting liquid to the halite-saturated liquid. NaN above the critical pressure.
/// Bound to a caller-owned temperature and pressure, which must outlive it. Neither copyable nor
/// movable: its members are bound to this object's own copies of the inputs.
class CoexistingVapor {
  public:
    /// Binds to the caller's temperature (°C) and pressure (bar).
    CoexistingVapor(const double& temperatureC, const double& pressureBar);
    CoexistingVapor(const CoexistingVapor&) = delete;
    CoexistingVapor& operator=(const CoexistingVapor&) = delete;

    /// Recomputes when the bound temperature or pressure differs from the last computed pair.
    void update();

    /// Composition of the vapor on the vapor–liquid surface, mole fraction NaCl.
    double composition() const { return composition_; }

  private:
    const double* boundTemperatureC_;
    const double* boundPressureBar_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();  // °C
    double cachedPressureBar_ = std::numeric_limits<double>::quiet_NaN();   // bar

    // All three bound to the cached temperature and pressure.
    HaliteLiquidus liquidus_;
    CoexistingLiquid liquid_;
    HaliteSaturatedVapor haliteSaturatedVapor_;

    double composition_ = std::numeric_limits<double>::quiet_NaN();  // mole fraction
};

}  // namespace kelvoran
