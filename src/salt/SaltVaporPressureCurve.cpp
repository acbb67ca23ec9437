#include "salt/SaltVaporPressureCurve.h"

#include <cmath>

#include "salt/SaltBoilingCurve.h"
#include "salt/SaltMeltingCurve.h"
#include "salt/SaltSublimationCurve.h"

namespace kelvoran {

template <double slopeK>
SaltVaporPressureCurve<slopeK>::SaltVaporPressureCurve(const double& temperatureC,
                                                       const double& pressureBar)
    : boundTemperatureC_(&temperatureC), boundPressureBar_(&pressureBar) {}

template <double slopeK>
void SaltVaporPressureCurve<slopeK>::update() {
    if (*boundTemperatureC_ == cachedTemperatureC_ && *boundPressureBar_ == cachedPressureBar_) {
        return;
    }
    cachedTemperatureC_ = *boundTemperatureC_;
    cachedPressureBar_ = *boundPressureBar_;
    const double temperatureK = cachedTemperatureC_ + 273.15;
    // No guard at 0 K: 1/TK is then +inf and the pressure 0.
    pressureBar_ = std::pow(
        10.0, std::log10(kSaltTriplePointPressureBar) +
                  slopeK * (1.0 / (kSaltTriplePointTemperatureC + 273.15) - 1.0 / temperatureK));
}

// The two curves; their declarations in the headers keep every other unit from instantiating.
template class SaltVaporPressureCurve<kSaltBoilingSlopeK>;
template class SaltVaporPressureCurve<kSaltSublimationSlopeK>;

}  // namespace kelvoran
