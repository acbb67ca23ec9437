#include "water/WaterDensity.h"

#include <cmath>
#include <limits>

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
        computeDensityParts(work, rho);
        const double delta = work.p - p;
        if (std::fabs(delta / p) <= relativeTolerance) {
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
    record.error = 1;
    return DensitySolveResult::Refused;
}

}  // namespace kelvoran
