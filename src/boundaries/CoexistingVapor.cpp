#include "boundaries/CoexistingVapor.h"

namespace kelvoran {

CoexistingVapor::CoexistingVapor(const double& temperatureC, const double& pressureBar)
    : boundTemperatureC_(&temperatureC),
      boundPressureBar_(&pressureBar),
      liquidus_(cachedTemperatureC_, cachedPressureBar_),
      liquid_(cachedTemperatureC_, cachedPressureBar_),
      haliteSaturatedVapor_(cachedTemperatureC_, cachedPressureBar_) {}

void CoexistingVapor::update() {
    if (*boundTemperatureC_ == cachedTemperatureC_ && *boundPressureBar_ == cachedPressureBar_) {
        return;
    }
    cachedTemperatureC_ = *boundTemperatureC_;
    cachedPressureBar_ = *boundPressureBar_;

    liquid_.update();
    const double liquid = liquid_.composition();
    haliteSaturatedVapor_.update();
    const double vaporWithHalite = haliteSaturatedVapor_.composition();
    liquidus_.update();
    const double liquidWithHalite = liquidus_.composition();
    // The vapor is enriched over the liquid as the halite-saturated vapor is over the
    // halite-saturated liquid at the same T and P.
    composition_ = (vaporWithHalite * liquid) / liquidWithHalite;
}

}  // namespace kelvoran
