#include "salt/SaltMeltingCurve.h"

namespace kelvoran {

SaltMeltingCurve::SaltMeltingCurve(const double& temperatureC, const double& pressureBar)
    : boundTemperatureC_(&temperatureC), boundPressureBar_(&pressureBar) {}

void SaltMeltingCurve::update() {
    if (*boundTemperatureC_ == cachedTemperatureC_ && *boundPressureBar_ == cachedPressureBar_) {
        return;
    }
    cachedTemperatureC_ = *boundTemperatureC_;
    cachedPressureBar_ = *boundPressureBar_;
    // A straight line of 0.024726 °C per bar through the triple point.
    meltingTemperatureC_ = kSaltTriplePointTemperatureC + cachedPressureBar_ * 0.024726;
}

}  // namespace kelvoran
