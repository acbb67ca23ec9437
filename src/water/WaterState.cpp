#include "water/WaterState.h"

#include <limits>
#include <stdexcept>

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The blocks a temperature–pressure record of the given level carries.
void allocateBlocks(WaterState& record) {
    if (record.derivLevel >= 1) {
        record.deriv[0] = std::make_unique<DerivativeBlock>();
        record.deriv[kPressureDerivativeSlot] = std::make_unique<DerivativeBlock>();
    }
    if (record.derivLevel == 2) {
        record.deriv[kHeatCapacityDerivativeSlot] = std::make_unique<DerivativeBlock>();
        DerivativeBlock& pressure = *record.deriv[kPressureDerivativeSlot];
        pressure.child[0] = std::make_unique<DerivativeBlock>();
        pressure.child[1] = std::make_unique<DerivativeBlock>();
        DerivativeBlock& first = *record.deriv[0];
        first.child[0] = std::make_unique<DerivativeBlock>();
        first.child[1] = std::make_unique<DerivativeBlock>();
    }
}

}  // namespace

std::unique_ptr<WaterState> newProp(WaterInputPair inputs, int derivLevel) {
    if (derivLevel < 0 || derivLevel > 2) {
        throw std::invalid_argument("newProp(): deriv out of range");
    }
    // Only the temperature–pressure pair is provided; other pairs would need derivative
    // transforms.
    if (inputs != WaterInputPair::TemperaturePressure) {
        throw std::invalid_argument("newProp(): only the temperature-pressure pair is provided");
    }
    auto record = std::make_unique<WaterState>();
    record->inputs = inputs;
    record->derivLevel = derivLevel;
    allocateBlocks(*record);
    return record;
}

void fillState(WaterState& record, EosWork& work) {
    record.T = work.T;
    record.rho = work.rho * 1000.0;
    record.p = work.p * 1e6;
    record.f = work.a * 1000.0;
    record.g = work.g * 1000.0;
    record.s = work.s * 1000.0;
    record.u = work.u * 1000.0;
    record.h = work.h * 1000.0;
    record.cv = work.cv * 1000.0;
    record.cp = work.cp * 1000.0;
    if (record.derivLevel > 0) {
        DerivativeBlock& pressure = *record.deriv[kPressureDerivativeSlot];
        pressure.d[0] = work.dpdT * 1e6;
        pressure.d[1] = work.dpdRho * 1000.0;
        if (record.derivLevel == 2) {
            computeSecondDerivatives(work);
            pressure.child[0]->d[0] = work.d2pdT2 * 1e6;
            pressure.child[0]->d[1] = work.d2pdRhodT * 1000.0;
            pressure.child[1]->d[0] = work.d2pdRhodT * 1000.0;
            pressure.child[1]->d[1] = work.d2pdRho2;
            record.deriv[kHeatCapacityDerivativeSlot]->d[0] = work.dcvdT * 1000.0;
        }
    }
    record.filled = 1;
    record.error = 0;
    record.fromBracketedSolve = false;
}

void fillTwoPhase(WaterState& record, const EosWork& liquid, const EosWork& vapor,
                  double saturationPressureMPa, double quality) {
    const double T = liquid.T;
    const double rhoL = liquid.rho;
    const double rhoV = vapor.rho;
    const double q = quality;
    record.quality = q;
    record.T = T;
    record.rho = rhoL * rhoV / (rhoV + (rhoL - rhoV) * q) * 1000.0;
    record.p = saturationPressureMPa * 1e6;
    record.s = (liquid.s + q * (vapor.s - liquid.s)) * 1000.0;
    record.u = (liquid.u + q * (vapor.u - liquid.u)) * 1000.0;
    record.h = (liquid.h + q * (vapor.h - liquid.h)) * 1000.0;
    record.f = record.u - T * record.s;
    record.g = record.h - T * record.s;
    record.cp = 0.0;

    // Clapeyron slope of the saturation curve, MPa/K.
    const double slope = (vapor.s - liquid.s) * rhoL * rhoV / (rhoL - rhoV);
    const double excessL = slope - liquid.dpdT;
    const double excessV = slope - vapor.dpdT;
    const double cvL = liquid.cv + T * (excessL * excessL) / (rhoL * rhoL * liquid.dpdRho);
    const double cvV = vapor.cv + T * (excessV * excessV) / (rhoV * rhoV * vapor.dpdRho);
    record.cv = ((1.0 - q) * cvL + q * cvV) * 1000.0;

    if (record.derivLevel > 0) {
        DerivativeBlock& pressure = *record.deriv[kPressureDerivativeSlot];
        pressure.d[0] = slope * 1e6;
        pressure.d[1] = 0.0;
        if (record.derivLevel == 2) {
            pressure.child[0]->d[0] = kNaN;
            pressure.child[0]->d[1] = kNaN;
            pressure.child[1]->d[0] = kNaN;
            pressure.child[1]->d[1] = kNaN;
            record.deriv[kHeatCapacityDerivativeSlot]->d[0] = kNaN;
        }
    }
    record.filled = 2;
    record.error = 0;
}

}  // namespace kelvoran
