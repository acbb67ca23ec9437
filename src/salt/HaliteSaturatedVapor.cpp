#include "salt/HaliteSaturatedVapor.h"

#include <cmath>

#include "boundaries/CriticalCurve.h"
#include "numerics/Dual.h"
#include "salt/HaliteLiquidus.h"
#include "salt/SaltVaporPressureCurve.h"

namespace kelvoran {

double haliteSaturatedVaporReducedPressure(double temperatureC, double pressureBar) {
    const double pCrit = criticalPressureBar(temperatureC);
    const double pSub = saltSublimationPressureBar(temperatureC);
    return (pressureBar - pSub) / (pCrit - pSub);
}

template <typename S>
S haliteSaturatedVaporComposition(S temperatureC, S pressureBar) {
    using std::exp;
    using std::log10;
    using std::pow;
    const S t = temperatureC;
    const S p = pressureBar;
    const S pCrit = criticalPressureBar(t);
    const S pSub = saltSublimationPressureBar(t);
    const S reducedPressure = (p - pSub) / (pCrit - pSub);
    const S liquidAtP = haliteLiquidusComposition(t, p);

    // Temperature functions of the interpolation.
    const S j0 = exp(-0.004 * t) * -0.188838 + -0.235694;
    const S j1 = -0.6139334 / (exp((t - 396.848) / 45.0) + 1.0) + 0.66918 +
                 pow(t + 141.699, 2.0) * -3.2719e-07;
    const S j2 = ((-7.3653e-10 * t + 1.95965e-06) * t - 0.00139991) * t - 0.292631;
    const S j3 = (-1.18658e-06 * t + 0.000769766) * t + 0.904411;

    // log10 of the enrichment of the vapor over the halite-saturated liquid, interpolated
    // between its values at the vapor pressure of halite and at the critical pressure.
    const S liquidAtPSub = haliteLiquidusComposition(t, pSub);
    const S a = log10(liquidAtPSub);
    const S r = log10(pSub / pCrit);
    const S u = 1.0 - reducedPressure;
    const S f =
        ((pow(u, j1) * j0 + 1.0) + u * j2 + pow(u, 2.0) * j3) + pow(u, 3.0) * (-1.0 - j0 - j2 - j3);
    const S l = (r - a) * f + a;
    const S q = log10(pSub / p);
    const S enrichment = pow(10.0, l - q);

    return liquidAtP / enrichment;
}

template Dual haliteSaturatedVaporComposition<Dual>(Dual, Dual);

double haliteSaturatedVaporComposition(double temperatureC, double pressureBar) {
    return haliteSaturatedVaporComposition<double>(temperatureC, pressureBar);
}

}  // namespace kelvoran
