#include "salt/HaliteSaturatedVapor.h"

#include <cmath>

#include "salt/SaltVaporPressureCurve.h"

namespace kelvoran {

double haliteSaturatedVaporReducedPressure(double temperatureC, double pressureBar) {
    const double pCrit = criticalPressureBar(temperatureC);
    const double pSub = saltSublimationPressureBar(temperatureC);
    return (pressureBar - pSub) / (pCrit - pSub);
}

double haliteSaturatedVaporComposition(double temperatureC, double pressureBar) {
    const double t = temperatureC;
    const double p = pressureBar;
    const double pCrit = criticalPressureBar(t);
    const double pSub = saltSublimationPressureBar(t);
    const double reducedPressure = (p - pSub) / (pCrit - pSub);
    const double liquidAtP = haliteLiquidusComposition(t, p);

    // Temperature functions of the interpolation.
    const double j0 = std::exp(-0.004 * t) * -0.188838 + -0.235694;
    const double j1 = -0.6139334 / (std::exp((t - 396.848) / 45.0) + 1.0) + 0.66918 +
                      std::pow(t + 141.699, 2.0) * -3.2719e-07;
    const double j2 = ((-7.3653e-10 * t + 1.95965e-06) * t - 0.00139991) * t - 0.292631;
    const double j3 = (-1.18658e-06 * t + 0.000769766) * t + 0.904411;

    // log10 of the enrichment of the vapor over the halite-saturated liquid, interpolated
    // between its values at the vapor pressure of halite and at the critical pressure.
    const double liquidAtPSub = haliteLiquidusComposition(t, pSub);
    const double a = std::log10(liquidAtPSub);
    const double r = std::log10(pSub / pCrit);
    const double u = 1.0 - reducedPressure;
    const double f = ((std::pow(u, j1) * j0 + 1.0) + u * j2 + std::pow(u, 2.0) * j3) +
                     std::pow(u, 3.0) * (-1.0 - j0 - j2 - j3);
    const double l = (r - a) * f + a;
    const double q = std::log10(pSub / p);
    const double enrichment = std::pow(10.0, l - q);

    return liquidAtP / enrichment;
}

}  // namespace kelvoran
