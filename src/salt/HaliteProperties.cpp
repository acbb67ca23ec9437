#include "salt/HaliteProperties.h"

#include <cmath>

#include "kelvoran/Constants.h"
#include "numerics/Dual.h"

namespace kelvoran {

template <typename S>
S haliteDensityKgM3(S temperatureC, S pressureBar) {
    using std::exp;
    const S t = temperatureC;
    // The zero-pressure density plus a linear compression term (kg/m³ per bar).
    const S densityAtZeroPressure = t * (t * -9.5797e-05 + -0.24599) + 2170.4;
    const S compression = exp(t / 733.4) * 0.002715 + 0.005727;
    return densityAtZeroPressure + compression * pressureBar;
}

template Dual haliteDensityKgM3<Dual>(Dual, Dual);

double haliteDensityKgM3(double temperatureC, double pressureBar) {
    return haliteDensityKgM3<double>(temperatureC, pressureBar);
}

double haliteHeatCapacityJKgK(double temperatureC, double pressureBar) {
    const double t = temperatureC;
    const double p = pressureBar;
    // Quadratic in pressure, its zero-pressure term centred on the melting temperature of NaCl.
    const double d = t - kSaltTriplePointTemperatureC;
    const double c1 = (-0.0017099 - 3.82734e-06 * t) - 8.65455e-09 * t * t;
    const double c0 = d * (d * 0.000264309) + (d * 0.551548 + 1148.81);
    const double c2 = 6.50745e-13 * t * t + (5.29063e-08 - 9.63084e-11 * t);
    return (c1 * p + c0) + c2 * p * p;
}

}  // namespace kelvoran
