#include "boundaries/CoexistingLiquid.h"

#include <cmath>
#include <limits>

#include "boundaries/CriticalCurve.h"
#include "boundaries/ThreePhaseCurve.h"
#include "kelvoran/Constants.h"
#include "numerics/Dual.h"
#include "salt/HaliteLiquidus.h"
#include "salt/SaltVaporPressureCurve.h"

namespace kelvoran {

template <typename S>
BasicCoexistingLiquidBranch<S> coexistingLiquidBranch(S temperatureC, S waterBoilingPressureBar) {
    using std::exp;
    const S t = temperatureC;
    BasicCoexistingLiquidBranch<S> b;
    b.temperatureC = t;
    b.criticalPressureBar = criticalPressureBar(t);
    b.criticalComposition = criticalComposition(t);
    b.linearCoefficient =
        0.000219379 + 0.001465481 / (1.0 + exp((t - 438.58) / 18.4508)) - 5.6765e-10 * (t * t);
    b.quadraticCoefficient = 1.44951e-07 +
                             6.592089000000001e-06 / (1.0 + exp((t - 384.904) / 7.07477)) +
                             6.06896e-05 * exp(-0.00762859 * t);

    // Lower anchor: the halite-saturated liquid on the three-phase curve up to the melting point
    // of NaCl, pure liquid NaCl at its boiling pressure above it (and for a NaN temperature).
    // Below the critical point of water the branch also passes through water's boiling point.
    b.waterBoilingPressureBar = std::numeric_limits<double>::quiet_NaN();
    if (t <= kSaltTriplePointTemperatureC) {
        b.anchorPressureBar = threePhasePressureBar(t);
        b.anchorComposition = haliteLiquidusComposition(t, b.anchorPressureBar);
        if (t < kWaterCriticalTemperatureC) {
            b.waterBoilingPressureBar = waterBoilingPressureBar;
        }
    } else {
        b.anchorPressureBar = saltBoilingPressureBar(t);
        b.anchorComposition = 1.0;
    }
    return b;
}

template <typename S>
S coexistingLiquidComposition(const BasicCoexistingLiquidBranch<S>& b, S pressureBar) {
    using std::sqrt;
    const S p = pressureBar;
    const S pCrit = b.criticalPressureBar;
    const S g1 = b.linearCoefficient;
    const S g2 = b.quadraticCoefficient;
    const S pA = b.anchorPressureBar;
    const S xA = b.anchorComposition;

    const auto root = [pCrit](S pressure) { return sqrt(pCrit - pressure); };
    const auto polynomial = [pCrit, g1, g2](S pressure) {
        const S below = pCrit - pressure;
        return g1 * below + g2 * (below * below);
    };

    if (b.temperatureC < kWaterCriticalTemperatureC) {
        // Through the anchor and through the boiling point of pure water, where x_L = 0.
        const S pW = b.waterBoilingPressureBar;
        return polynomial(p) - polynomial(pW) +
               (root(p) - root(pW)) * (xA - polynomial(pA) + polynomial(pW)) /
                   (root(pA) - root(pW));
    }
    // Through the anchor and ending at the critical point of the system.
    const S xCrit = b.criticalComposition;
    return xCrit - (xCrit + polynomial(pA) - xA) * root(p) / root(pA) + polynomial(p);
}

template CoexistingLiquidBranch coexistingLiquidBranch<double>(double, double);
template double coexistingLiquidComposition<double>(const CoexistingLiquidBranch&, double);
template BasicCoexistingLiquidBranch<Dual> coexistingLiquidBranch<Dual>(Dual, Dual);
template Dual coexistingLiquidComposition<Dual>(const BasicCoexistingLiquidBranch<Dual>&, Dual);

double coexistingLiquidComposition(double temperatureC, double pressureBar) {
    const double boiling = temperatureC < kWaterCriticalTemperatureC
                               ? waterSaturationPressureBar(temperatureC)
                               : std::numeric_limits<double>::quiet_NaN();
    return coexistingLiquidComposition(coexistingLiquidBranch(temperatureC, boiling), pressureBar);
}

}  // namespace kelvoran
