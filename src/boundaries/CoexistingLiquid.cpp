#include "boundaries/CoexistingLiquid.h"

#include <cmath>

#include "salt/SaltMeltingCurve.h"

namespace kelvoran {

CoexistingLiquid::CoexistingLiquid(const double& temperatureC, const double& pressureBar)
    : boundTemperatureC_(&temperatureC),
      boundPressureBar_(&pressureBar),
      criticalCurve_(cachedTemperatureC_),
      threePhaseCurve_(cachedTemperatureC_),
      boilingCurve_(cachedTemperatureC_, cachedPressureBar_),
      water_(cachedTemperatureC_, cachedPressureBar_),
      liquidus_(privateTemperatureC_, privateAnchorPressureBar_) {}

void CoexistingLiquid::update() {
    if (*boundTemperatureC_ == cachedTemperatureC_ && *boundPressureBar_ == cachedPressureBar_) {
        return;
    }
    cachedTemperatureC_ = *boundTemperatureC_;
    cachedPressureBar_ = *boundPressureBar_;
    privateTemperatureC_ = cachedTemperatureC_;
    privateAnchorPressureBar_ = cachedPressureBar_;
    const double t = cachedTemperatureC_;
    const double p = cachedPressureBar_;

    criticalCurve_.update();
    criticalPressureBar_ = criticalCurve_.criticalPressure();
    criticalComposition_ = criticalCurve_.criticalComposition();
    const double pCrit = criticalPressureBar_;
    const double xCrit = criticalComposition_;

    linearCoefficient_ =
        0.000219379 + 0.001465481 / (1.0 + std::exp((t - 438.58) / 18.4508)) - 5.6765e-10 * (t * t);
    quadraticCoefficient_ = 1.44951e-07 +
                            6.592089000000001e-06 / (1.0 + std::exp((t - 384.904) / 7.07477)) +
                            6.06896e-05 * std::exp(-0.00762859 * t);
    const double g1 = linearCoefficient_;
    const double g2 = quadraticCoefficient_;

    // Lower anchor: the halite-saturated liquid on the three-phase curve up to the melting point
    // of NaCl, pure liquid NaCl at its boiling pressure above it (and for a NaN temperature).
    // Below the critical point of water the branch also passes through water's boiling point.
    waterSaturationPressureBar_ = std::numeric_limits<double>::quiet_NaN();
    if (t <= kSaltTriplePointTemperatureC) {
        threePhaseCurve_.update();
        anchorPressureBar_ = threePhaseCurve_.pressure();
        privateAnchorPressureBar_ = anchorPressureBar_;
        liquidus_.update();
        anchorComposition_ = liquidus_.composition();
        if (t < kWaterCriticalTemperatureC) {
            waterSaturationPressureBar_ = water_.saturationPressure() * 1e-05;
        }
    } else {
        boilingCurve_.update();
        anchorPressureBar_ = boilingCurve_.pressure();
        anchorComposition_ = 1.0;
    }
    const double pA = anchorPressureBar_;
    const double xA = anchorComposition_;

    const auto root = [pCrit](double pressure) { return std::sqrt(pCrit - pressure); };
    const auto polynomial = [pCrit, g1, g2](double pressure) {
        const double below = pCrit - pressure;
        return g1 * below + g2 * (below * below);
    };

    if (t < kWaterCriticalTemperatureC) {
        // Through the anchor and through the boiling point of pure water, where x_L = 0.
        const double pW = waterSaturationPressureBar_;
        composition_ =
            polynomial(p) - polynomial(pW) +
            (root(p) - root(pW)) * (xA - polynomial(pA) + polynomial(pW)) / (root(pA) - root(pW));
    } else {
        // Through the anchor and ending at the critical point of the system.
        composition_ = xCrit - (xCrit + polynomial(pA) - xA) * root(p) / root(pA) + polynomial(p);
    }
}

}  // namespace kelvoran
