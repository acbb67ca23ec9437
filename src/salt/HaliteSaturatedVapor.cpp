#include "salt/HaliteSaturatedVapor.h"

#include <cmath>

namespace kelvoran {

HaliteSaturatedVapor::HaliteSaturatedVapor(const double& temperatureC, const double& pressureBar)
    : boundTemperatureC_(&temperatureC),
      boundPressureBar_(&pressureBar),
      sublimationCurve_(cachedTemperatureC_, cachedPressureBar_),
      criticalCurve_(cachedTemperatureC_),
      liquidus_(workingTemperatureC_, workingPressureBar_) {}

void HaliteSaturatedVapor::update() {
    if (*boundTemperatureC_ == cachedTemperatureC_ && *boundPressureBar_ == cachedPressureBar_) {
        return;
    }
    cachedTemperatureC_ = *boundTemperatureC_;
    cachedPressureBar_ = *boundPressureBar_;
    workingTemperatureC_ = cachedTemperatureC_;
    workingPressureBar_ = cachedPressureBar_;
    const double t = cachedTemperatureC_;
    const double p = cachedPressureBar_;

    criticalCurve_.update();
    criticalPressureBar_ = criticalCurve_.criticalPressure();
    sublimationCurve_.update();
    sublimationPressureBar_ = sublimationCurve_.pressure();
    const double pCrit = criticalPressureBar_;
    const double pSub = sublimationPressureBar_;
    reducedPressure_ = (p - pSub) / (pCrit - pSub);

    liquidus_.update();
    const double liquidAtP = liquidus_.composition();

    // Temperature functions of the interpolation.
    const double j0 = std::exp(-0.004 * t) * -0.188838 + -0.235694;
    const double j1 = -0.6139334 / (std::exp((t - 396.848) / 45.0) + 1.0) + 0.66918 +
                      std::pow(t + 141.699, 2.0) * -3.2719e-07;
    const double j2 = ((-7.3653e-10 * t + 1.95965e-06) * t - 0.00139991) * t - 0.292631;
    const double j3 = (-1.18658e-06 * t + 0.000769766) * t + 0.904411;

    // The liquidus at the vapor pressure of halite: move the working pressure there for the
    // moment, then put it back so that the member's next update sees (T, P) again.
    workingPressureBar_ = pSub;
    liquidus_.update();
    const double liquidAtPSub = liquidus_.composition();
    const double a = std::log10(liquidAtPSub);
    const double r = std::log10(pSub / pCrit);
    const double u = 1.0 - reducedPressure_;
    const double f = ((std::pow(u, j1) * j0 + 1.0) + u * j2 + std::pow(u, 2.0) * j3) +
                     std::pow(u, 3.0) * (-1.0 - j0 - j2 - j3);
    const double l = (r - a) * f + a;
    const double q = std::log10(pSub / p);
    const double enrichment = std::pow(10.0, l - q);
    workingPressureBar_ = p;

    composition_ = liquidAtP / enrichment;
}

}  // namespace kelvoran
