#include "boundaries/CoexistingLiquid.h"

#include <cmath>
#include <limits>

#include "kelvoran/Constants.h"

namespace kelvoran {

CoexistingLiquidBranch coexistingLiquidBranch(double temperatureC, double waterBoilingPressureBar) {
    const double t = temperatureC;
    CoexistingLiquidBranch b;
    b.temperatureC = t;
    b.criticalPressureBar = criticalPressureBar(t);
    b.criticalComposition = criticalComposition(t);
    b.linearCoefficient =
        0.000219379 + 0.001465481 / (1.0 + std::exp((t - 438.58) / 18.4508)) - 5.6765e-10 * (t * t);
    b.quadraticCoefficient = 1.44951e-07 +
                             6.592089000000001e-06 / (1.0 + std::exp((t - 384.904) / 7.07477)) +
                             6.06896e-05 * std::exp(-0.00762859 * t);

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

double coexistingLiquidComposition(const CoexistingLiquidBranch& b, double pressureBar) {
    const double p = pressureBar;
    const double pCrit = b.criticalPressureBar;
    const double g1 = b.linearCoefficient;
    const double g2 = b.quadraticCoefficient;
    const double pA = b.anchorPressureBar;
    const double xA = b.anchorComposition;

    const auto root = [pCrit](double pressure) { return std::sqrt(pCrit - pressure); };
    const auto polynomial = [pCrit, g1, g2](double pressure) {
        const double below = pCrit - pressure;
        return g1 * below + g2 * (below * below);
    };

    if (b.temperatureC < kWaterCriticalTemperatureC) {
        // Through the anchor and through the boiling point of pure water, where x_L = 0.
        const double pW = b.waterBoilingPressureBar;
        return polynomial(p) - polynomial(pW) +
               (root(p) - root(pW)) * (xA - polynomial(pA) + polynomial(pW)) /
                   (root(pA) - root(pW));
    }
    // Through the anchor and ending at the critical point of the system.
    const double xCrit = b.criticalComposition;
    return xCrit - (xCrit + polynomial(pA) - xA) * root(p) / root(pA) + polynomial(p);
}

double coexistingLiquidComposition(double temperatureC, double pressureBar) {
    const double boiling = temperatureC < kWaterCriticalTemperatureC
                               ? waterSaturationPressureBar(temperatureC)
                               : std::numeric_limits<double>::quiet_NaN();
    return coexistingLiquidComposition(coexistingLiquidBranch(temperatureC, boiling), pressureBar);
}

}  // namespace kelvoran
