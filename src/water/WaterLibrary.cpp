#include "water/WaterLibrary.h"

#include <cmath>

#include "water/WaterDensity.h"
#include "water/WaterSaturation.h"
#include "water/WaterValidity.h"

namespace kelvoran {

namespace {

// Flags both records (those that exist) as refused.
void refuseBoth(WaterState* liquid, WaterState* vapor) {
    if (liquid != nullptr) liquid->error = 1;
    if (vapor != nullptr) vapor->error = 1;
}

// Fills the vapor record, then the liquid record, from two solved saturated states; a solve
// that produced no finite state is refused rather than reported as a valid one.
void fillSaturated(const SaturationSolution& solution, EosWork& liquidWork, EosWork& vaporWork,
                   WaterState* liquid, WaterState* vapor) {
    if (!std::isfinite(solution.temperatureK) || !std::isfinite(liquidWork.p) ||
        !std::isfinite(vaporWork.p)) {
        refuseBoth(liquid, vapor);
        return;
    }
    fillState(*vapor, vaporWork);
    fillState(*liquid, liquidWork);
}

}  // namespace

void evaluateTP(double temperatureK, double pressurePa, double densityGuessKgm3,
                double relativeTolerance, WaterState* record) {
    if (record == nullptr) return;
    const double T = temperatureK;
    const double p = pressurePa * 1e-6;
    double rho = densityGuessKgm3 * 0.001;
    record->error = 1;
    if (!inRangeTP(T, p)) return;
    if (T < kWaterCriticalTemperatureK) {
        // Within round-off of the saturation pressure: the phase on the point's side of it.
        const int region = phaseRegion(T, p);
        // Start on the side of the phase the region test chose.
        if (region == kRegionLiquid && rho < kWaterCriticalDensityGcm3) {
            rho = kWaterCriticalDensityGcm3 * 1.01;
        } else if (region == kRegionVapor && rho > kWaterCriticalDensityGcm3) {
            rho = kWaterCriticalDensityGcm3 * 0.99;
        }
    }
    solveDensity(T, p, rho, relativeTolerance, *record);
}

void evaluateTRho(double temperatureK, double densityKgm3, WaterState* record) {
    if (record == nullptr) return;
    const double T = temperatureK;
    const double rho = densityKgm3 * 0.001;
    if (!inRangeTRho(T, rho)) {
        record->error = 1;
        return;
    }
    if (T >= kWaterTriplePointTemperatureK && T <= kWaterCriticalTemperatureK) {
        EosWork liquid;
        EosWork vapor;
        const SaturationSolution saturation = solveSaturationAtT(T, liquid, vapor);
        const double rhoL = saturation.liquidDensity;
        const double rhoV = saturation.vaporDensity;
        if (rhoV < rho && rho < rhoL) {
            const double quality = (1.0 / rho - 1.0 / rhoL) / (1.0 / rhoV - 1.0 / rhoL);
            fillTwoPhase(*record, liquid, vapor, saturation.pressureMPa, quality);
            return;
        }
    }
    EosWork work;
    computeHelmholtz(work, T, rho);
    fillState(*record, work);
}

void saturationAtT(double temperatureK, WaterState* liquid, WaterState* vapor) {
    const double T = temperatureK;
    if (liquid == nullptr || vapor == nullptr ||
        !(T >= kWaterTriplePointTemperatureK && T <= kWaterCriticalTemperatureK)) {
        refuseBoth(liquid, vapor);
        return;
    }
    EosWork liquidWork;
    EosWork vaporWork;
    const SaturationSolution solution = solveSaturationAtT(T, liquidWork, vaporWork);
    fillSaturated(solution, liquidWork, vaporWork, liquid, vapor);
}

void saturationAtP(double pressurePa, WaterState* liquid, WaterState* vapor) {
    const double p = pressurePa * 1e-6;
    if (liquid == nullptr || vapor == nullptr ||
        !(p >= kWaterTriplePointPressureMPa && p <= kWaterCriticalPressureMPa)) {
        refuseBoth(liquid, vapor);
        return;
    }
    EosWork liquidWork;
    EosWork vaporWork;
    const SaturationSolution solution = solveSaturationAtP(p, liquidWork, vaporWork);
    fillSaturated(solution, liquidWork, vaporWork, liquid, vapor);
}

}  // namespace kelvoran
