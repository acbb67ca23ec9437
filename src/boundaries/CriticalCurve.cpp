#include "boundaries/CriticalCurve.h"

#include <cmath>
#include <limits>

#include "numerics/Dual.h"

namespace kelvoran {

namespace {

constexpr double kTc = kWaterCriticalTemperatureC;  // °C
constexpr double kPc = kWaterCriticalPressureBar;   // bar

// c1 … c7 of the critical composition between the water critical point and 600 °C.
constexpr double kCompositionCoefficients[] = {8e-05,        1e-05,       -1.37125e-07, 9.46822e-10,
                                               -3.50549e-12, 6.57369e-15, -4.89423e-18};

// Critical pressure (bar) from the water critical point up to 500 °C; d = T − Tc ≥ 0 in K.
template <typename S>
S pressureAboveWaterCritical(S d) {
    using std::pow;
    return kPc + 2.36 * d - 0.0131417 * (d * d) + 0.00298491 * pow(d, 2.5) -
           0.000130114 * (d * d * d);
}

}  // namespace

template <typename S>
S criticalPressureBar(S temperatureC) {
    using std::pow;
    const S t = temperatureC;
    if (kTc <= t && t <= 500.0) {
        return pressureAboveWaterCritical(t - kTc);
    }
    if (t > 500.0) {
        // Quadratic extension that continues the curve at 500 °C in value and slope.
        const double d5 = 500.0 - kTc;
        const double p5 = pressureAboveWaterCritical<double>(d5);
        const double s5 =
            2.36 - 0.0262834 * d5 + 0.007462275 * std::pow(d5, 1.5) - 0.000390342 * (d5 * d5);
        const S e = t - 500.0;
        return p5 + s5 * e - 0.000488336 * (e * e);
    }
    // Below the water critical point (and NaN): the curve runs down towards water's boiling
    // curve.
    const S d = kTc - t;
    return kPc - 2.36 * d + 0.128534 * pow(d, 1.5) - 0.023707 * (d * d) + 0.00320089 * pow(d, 2.5) -
           0.000138917 * (d * d * d) + 1.02789e-07 * (d * d * d * d) -
           4.8376e-11 * (d * d * d * d * d);
}

double criticalTemperatureC(double composition) {
    const double x = composition;
    if (std::isnan(x)) return x;
    if (x <= 0.0) return kTc;
    // The critical composition rises with temperature (but for a step of −6.5e-6 at 600 °C):
    // bisect for the lowest temperature that reaches x.
    double lo = kTc;
    double hi = 2000.0;
    if (criticalComposition(hi) < x) return std::numeric_limits<double>::infinity();
    while (hi - lo > 1e-12 * hi) {
        const double mid = 0.5 * (lo + hi);
        if (criticalComposition(mid) >= x) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return hi;
}

template <typename S>
S criticalComposition(S temperatureC) {
    const S t = temperatureC;
    if (t <= kTc) {
        return 0.0;
    }
    if (t < 600.0) {
        const S d = t - kTc;
        // c1·d + c2·d² + … + c7·d⁷ in Horner form from c7 down.
        S x = kCompositionCoefficients[6];
        for (int i = 5; i >= 0; --i) x = x * d + kCompositionCoefficients[i];
        return x * d;
    }
    if (t >= 600.0) {
        const S e = t - 600.0;
        return 0.0777761 + 0.00027042 * e - 4.244821e-07 * (e * e) + 2.580872e-10 * (e * e * e);
    }
    return 0.0;  // NaN temperature
}

template Dual criticalPressureBar<Dual>(Dual);
template Dual criticalComposition<Dual>(Dual);

double criticalPressureBar(double temperatureC) {
    return criticalPressureBar<double>(temperatureC);
}

double criticalComposition(double temperatureC) {
    return criticalComposition<double>(temperatureC);
}

}  // namespace kelvoran
