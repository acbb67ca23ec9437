#include "water/WaterDensity.h"

#include <cmath>
#include <limits>

#include "numerics/BracketedRoot.h"
#include "water/WaterEvaluationCounts.h"
#include "water/WaterSaturation.h"

namespace kelvoran {

DensityBounds densityBounds(double temperatureK, double densityGuessGcm3) {
    const double T = temperatureK;
    DensityBounds bounds{2.220446049250313e-16, 1.8};
    if (T >= kWaterCriticalTemperatureK) return bounds;
    const bool vapor = densityGuessGcm3 < kWaterCriticalDensityGcm3;
    if (T <= 620.0) {
        if (vapor) {
            bounds.upper = std::exp(0.013 * T - 10.1);
        } else {
            bounds.lower = 1.2925 - 0.00117 * T;
        }
    } else {
        const double e = 0.657128 * std::pow(1.0 - T / kWaterCriticalTemperatureK, 0.325) +
                         (T - kWaterCriticalTemperatureK) * 0.03 / 27.126;
        if (vapor) {
            bounds.upper = kWaterCriticalDensityGcm3 - e;
        } else {
            bounds.lower = kWaterCriticalDensityGcm3 + e;
        }
    }
    return bounds;
}

DensitySolveResult solveDensity(double temperatureK, double pressureMPa, double densityGuessGcm3,
                                double relativeTolerance, WaterState& record) {
    countWater(&WaterEvaluationCounts::densitySolves);
    const double p = pressureMPa;
    const DensityBounds bounds = densityBounds(temperatureK, densityGuessGcm3);
    EosWork work;
    computeTemperatureParts(work, temperatureK);

    double rho = densityGuessGcm3;
    double bestResidual = std::numeric_limits<double>::infinity();
    double bestDensity = 0.0;
    double bestStep = std::numeric_limits<double>::quiet_NaN();
    for (int pass = 0; pass < 20; ++pass) {
        if (rho < bounds.lower) {
            rho = bounds.lower;
        } else if (rho > bounds.upper) {
            rho = bounds.upper;
        }
        computePressureParts(work, rho);
        const double delta = work.p - p;
        if (std::fabs(delta / p) <= relativeTolerance) {
            computeDensityParts(work, rho);  // the whole state at the density found
            fillState(record, work);
            return DensitySolveResult::Converged;
        }
        const double step = delta / work.dpdRho;
        if (std::fabs(delta) < bestResidual) {
            bestResidual = std::fabs(delta);
            bestDensity = rho;
            bestStep = step;
        }
        rho = rho - step;
    }
    // The tolerance can lie below the round-off of the pressure (cold liquid at low pressure):
    // accept the best iterate when Newton would no longer move it by more than 1e-12.
    if (std::fabs(bestStep) <= 1e-12 * bestDensity) {
        computeDensityParts(work, bestDensity);
        fillState(record, work);
        return DensitySolveResult::AcceptedAtRoundOff;
    }
    if (solveDensityBracketed(temperatureK, p, densityGuessGcm3 >= kWaterCriticalDensityGcm3,
                              record)) {
        return DensitySolveResult::Bracketed;
    }
    record.error = 1;
    return DensitySolveResult::Refused;
}

bool solveDensityBracketed(double temperatureK, double pressureMPa, bool liquidSide,
                           WaterState& record) {
    const double T = temperatureK;
    const double p = pressureMPa;
    constexpr double kLowest = 2.220446049250313e-16;  // g/cm³, the formulation's bounds
    constexpr double kHighest = 1.8;
    EosWork work;
    computeTemperatureParts(work, T);
    const auto excess = [&](double rho) {
        computePressureParts(work, rho);
        return work.p - p;
    };

    // The stable branch of the chosen side, between the saturated density and the end of the
    // density range; the Newton bounds of that side where no saturation exists to solve.
    double lower = kLowest;
    double upper = kHighest;
    if (T < kWaterCriticalTemperatureK) {
        if (T >= kWaterTriplePointTemperatureK) {
            EosWork liquid;
            EosWork vapor;
            const SaturationSolution saturation = solveSaturationAtT(T, liquid, vapor);
            if (liquidSide) {
                lower = saturation.liquidDensity;
            } else {
                upper = saturation.vaporDensity;
            }
        } else {
            const DensityBounds bounds =
                densityBounds(T, liquidSide ? kWaterCriticalDensityGcm3 : 0.0);
            lower = bounds.lower;
            upper = bounds.upper;
        }
    }
    if (!(lower < upper)) return false;
    const double atLower = excess(lower);
    const double atUpper = excess(upper);
    if (!(atLower <= 0.0 && atUpper >= 0.0)) return false;  // no root on this side (or NaN)

    const double rho = bracketedRoot(excess, lower, upper, atLower, atUpper);
    computeDensityParts(work, rho);
    fillState(record, work);
    record.fromBracketedSolve = true;
    return true;
}

}  // namespace kelvoran
