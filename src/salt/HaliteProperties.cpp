#include "salt/HaliteProperties.h"

#include <cmath>

#include "salt/SaltMeltingCurve.h"

namespace kelvoran {

HaliteProperties::HaliteProperties(const double& temperatureC, const double& pressureBar)
    : boundTemperatureC_(&temperatureC), boundPressureBar_(&pressureBar) {}

void HaliteProperties::update() {
    if (*boundTemperatureC_ == cachedTemperatureC_ && *boundPressureBar_ == cachedPressureBar_) {
        return;
    }
    cachedTemperatureC_ = *boundTemperatureC_;
    cachedPressureBar_ = *boundPressureBar_;
    const double t = cachedTemperatureC_;
    const double p = cachedPressureBar_;

    // Density: the zero-pressure density plus a linear compression term (kg/m³ per bar).
    const double densityAtZeroPressure = t * (t * -9.5797e-05 + -0.24599) + 2170.4;
    const double compression = std::exp(t / 733.4) * 0.002715 + 0.005727;
    densityKgM3_ = densityAtZeroPressure + compression * p;

    // Heat capacity: quadratic in pressure, its zero-pressure term centred on the melting
    // temperature of NaCl.
    const double d = t - kSaltTriplePointTemperatureC;
    const double c1 = (-0.0017099 - 3.82734e-06 * t) - 8.65455e-09 * t * t;
    const double c0 = d * (d * 0.000264309) + (d * 0.551548 + 1148.81);
    const double c2 = 6.50745e-13 * t * t + (5.29063e-08 - 9.63084e-11 * t);
    heatCapacityJKgK_ = (c1 * p + c0) + c2 * p * p;
}

}  // namespace kelvoran
