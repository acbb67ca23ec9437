#include "phase/PhaseStateEvaluator.h"

#include <limits>

namespace kelvoran {

namespace {
constexpr double kUnset = std::numeric_limits<double>::quiet_NaN();
}

PhaseStateEvaluator::PhaseStateEvaluator(const double& temperatureC, const double& pressureBar,
                                         const double& composition)
    : boundTemperatureC_(temperatureC),
      boundPressureBar_(pressureBar),
      boundComposition_(composition),
      temperatureC_(kUnset),
      pressureBar_(kUnset),
      composition_(kUnset),
      threePhaseCurve_(temperatureC_),
      haliteSaturatedVapor_(temperatureC_, pressureBar_),
      haliteLiquidus_(temperatureC_, pressureBar_),
      water_(temperatureC_, pressureBar_),
      criticalCurve_(temperatureC_),
      coexistingLiquid_(temperatureC_, pressureBar_),
      coexistingVapor_(temperatureC_, pressureBar_),
      haliteProperties_(temperatureC_, pressureBar_),
      mixture_(temperatureC_, pressureBar_, composition_) {}

void PhaseStateEvaluator::evaluate() {
    pressureBar_ = boundPressureBar_;
    temperatureC_ = boundTemperatureC_;
    composition_ = boundComposition_;

    switch (classify()) {
        case LiquidSinglePhase:
            fillLiquidSinglePhase();
            break;
        case VaporSinglePhase:
            fillVaporSinglePhase();
            break;
        case HighPressureSinglePhase:
            fillHighPressureSinglePhase();
            break;
        case VaporLiquid:
            fillVaporLiquid();
            break;
        case VaporHalite:
            fillVaporHalite();
            break;
        case LiquidHalite:
            fillLiquidHalite();
            break;
        case VaporLiquidHalite:
            fillVaporLiquidHalite();
            break;
    }
}

// The decision tree. The order of the tests and their strictness are part of the model: a
// comparison with NaN is false, which routes a NaN pressure past the three-phase tests and a
// NaN composition in the upper-pressure branch to vapor + liquid.
PhaseState PhaseStateEvaluator::classify() {
    threePhaseCurve_.update();
    const double threePhasePressure = threePhaseCurve_.pressure();

    if (pressureBar_ == threePhasePressure) {
        haliteSaturatedVapor_.update();
        return composition_ > haliteSaturatedVapor_.composition() ? VaporLiquidHalite
                                                                   : VaporSinglePhase;
    }
    if (pressureBar_ < threePhasePressure) {
        haliteSaturatedVapor_.update();
        return composition_ > haliteSaturatedVapor_.composition() ? VaporHalite
                                                                   : VaporSinglePhase;
    }

    haliteLiquidus_.update();
    if (composition_ > haliteLiquidus_.composition()) {
        return LiquidHalite;
    }

    if (temperatureC_ < kWaterCriticalTemperatureC) {
        const double boilingPressureBar = water_.saturationPressure() * 1e-05;
        if (boilingPressureBar < pressureBar_) {
            return HighPressureSinglePhase;
        }
    } else if (temperatureC_ >= kWaterCriticalTemperatureC) {
        criticalCurve_.update();
        if (pressureBar_ >= criticalCurve_.criticalPressure()) {
            return HighPressureSinglePhase;
        }
    }

    coexistingLiquid_.update();
    if (composition_ >= coexistingLiquid_.composition()) {
        return LiquidSinglePhase;
    }
    coexistingVapor_.update();
    if (composition_ <= coexistingVapor_.composition()) {
        return VaporSinglePhase;
    }
    return VaporLiquid;
}

// --- building blocks ------------------------------------------------------------------------

void PhaseStateEvaluator::clearRecords() {
    liquid_ = PhaseProperties{};
    vapor_ = PhaseProperties{};
    halite_ = PhaseProperties{};
    bulk_ = PhaseProperties{};
}

void PhaseStateEvaluator::setPoint(PhaseProperties& record) const {
    record.temperature = temperatureC_;
    record.pressure = pressureBar_;
}

void PhaseStateEvaluator::setComposition(PhaseProperties& record, double composition) {
    record.composition = composition;
    const double salt = composition * kSaltMolarMass;
    record.massPercent = salt / ((1.0 - composition) * kWaterMolarMass + salt) * 100.0;
}

void PhaseStateEvaluator::setMassFraction(PhaseProperties& record) {
    record.massFraction = record.massPercent * 0.01;
}

// A fluid phase of the given composition from the mixture model: the working composition is set
// to it for the moment and restored afterwards. Without `withDensity` only the enthalpy and the
// heat capacity are taken (the density comes from elsewhere).
void PhaseStateEvaluator::setMixtureAt(PhaseProperties& record, double composition,
                                       bool withDensity) {
    const double bulkComposition = composition_;
    composition_ = composition;
    mixture_.update();
    if (withDensity) {
        record.density = molarMass(mixture_.composition()) / mixture_.molarVolume() * 1000.0;
    }
    record.specificEnthalpy = mixture_.specificEnthalpy();
    record.heatCapacity = mixture_.heatCapacity();
    composition_ = bulkComposition;
}

void PhaseStateEvaluator::setPureWater(PhaseProperties& record, bool withHeatCapacityAndEnthalpy) {
    water_.update();
    record.density = water_.density();
    if (withHeatCapacityAndEnthalpy) {
        record.specificEnthalpy = water_.specificEnthalpy();
        record.heatCapacity = water_.heatCapacity();
    }
}

void PhaseStateEvaluator::setHalite(PhaseProperties& record) {
    record.composition = 1.0;
    record.massPercent = 100.0;
    haliteProperties_.update();
    record.density = haliteProperties_.density();
    record.heatCapacity = haliteProperties_.heatCapacity();
}

void PhaseStateEvaluator::setMolarVolume(PhaseProperties& record) {
    record.molarVolume = molarMass(record.composition) * (1000.0 / record.density);
}

// --- fill routines, one per state ---------------------------------------------------------
// Every routine starts from cleared records, so nothing of an earlier evaluation survives.
// Every fluid record that is filled also gets its mass fraction and specific enthalpy, from the
// same source as its other properties; the bulk record of a multi-phase state gets the mass
// fraction of the bulk composition but no enthalpy.

// The bulk fluid of a single-phase state: the mixture model at the bulk composition.
void PhaseStateEvaluator::fillSinglePhaseBulk(PhaseState state) {
    clearRecords();
    setPoint(bulk_);
    setComposition(bulk_, composition_);
    setMassFraction(bulk_);
    setMixtureAt(bulk_, composition_, true);
    setMolarVolume(bulk_);
    bulk_.phaseState = state;
}

// The bulk record of a state with two or three phases: the point and its composition only.
void PhaseStateEvaluator::fillBulkOfSeveralPhases(PhaseState state) {
    clearRecords();
    bulk_.phaseState = state;
    setPoint(bulk_);
    setComposition(bulk_, composition_);
    setMassFraction(bulk_);
}

// A fluid phase of the given composition, all of its properties from the mixture model.
void PhaseStateEvaluator::fillFluidPhase(PhaseProperties& record, double composition,
                                         PhaseState state) {
    record.phaseState = state;
    setPoint(record);
    setComposition(record, composition);
    setMassFraction(record);
    setMixtureAt(record, composition, true);
    setMolarVolume(record);
}

void PhaseStateEvaluator::fillHalitePhase(PhaseState state) {
    halite_.phaseState = state;
    setPoint(halite_);
    setHalite(halite_);
    setMolarVolume(halite_);
}

void PhaseStateEvaluator::fillLiquidSinglePhase() {
    fillSinglePhaseBulk(LiquidSinglePhase);
    liquid_ = bulk_;
}

void PhaseStateEvaluator::fillVaporSinglePhase() {
    fillSinglePhaseBulk(VaporSinglePhase);
    vapor_ = bulk_;
}

void PhaseStateEvaluator::fillHighPressureSinglePhase() {
    fillSinglePhaseBulk(HighPressureSinglePhase);
    vapor_.phaseState = HighPressureSinglePhase;
    halite_.phaseState = HighPressureSinglePhase;
    liquid_ = bulk_;
}

void PhaseStateEvaluator::fillVaporLiquid() {
    fillBulkOfSeveralPhases(VaporLiquid);
    coexistingLiquid_.update();
    fillFluidPhase(liquid_, coexistingLiquid_.composition(), VaporLiquid);
    coexistingVapor_.update();
    fillFluidPhase(vapor_, coexistingVapor_.composition(), VaporLiquid);
}

void PhaseStateEvaluator::fillVaporHalite() {
    fillBulkOfSeveralPhases(VaporHalite);

    // The vapor coexisting with halite is so dilute that its density, heat capacity and
    // enthalpy are those of pure water; its molar volume still uses its own composition.
    haliteSaturatedVapor_.update();
    vapor_.phaseState = VaporHalite;
    setPoint(vapor_);
    setComposition(vapor_, haliteSaturatedVapor_.composition());
    setMassFraction(vapor_);
    setPureWater(vapor_, true);
    setMolarVolume(vapor_);

    fillHalitePhase(VaporHalite);
}

void PhaseStateEvaluator::fillLiquidHalite() {
    fillBulkOfSeveralPhases(LiquidHalite);
    haliteLiquidus_.update();
    fillFluidPhase(liquid_, haliteLiquidus_.composition(), LiquidHalite);
    fillHalitePhase(LiquidHalite);
}

void PhaseStateEvaluator::fillVaporLiquidHalite() {
    fillBulkOfSeveralPhases(VaporLiquidHalite);

    // Vapor: density of pure water, enthalpy and heat capacity of the mixture at its composition.
    haliteSaturatedVapor_.update();
    vapor_.phaseState = VaporLiquidHalite;
    setPoint(vapor_);
    setComposition(vapor_, haliteSaturatedVapor_.composition());
    setMassFraction(vapor_);
    setPureWater(vapor_, false);
    setMolarVolume(vapor_);
    setMixtureAt(vapor_, vapor_.composition, false);

    haliteLiquidus_.update();
    fillFluidPhase(liquid_, haliteLiquidus_.composition(), VaporLiquidHalite);
    fillHalitePhase(VaporLiquidHalite);
}

PhaseProperties PhaseStateEvaluator::getLiquid() {
    evaluate();
    return liquid_;
}

PhaseProperties PhaseStateEvaluator::getVapor() {
    evaluate();
    return vapor_;
}

PhaseProperties PhaseStateEvaluator::getHalite() {
    evaluate();
    return halite_;
}

PhaseProperties PhaseStateEvaluator::getBulk() {
    evaluate();
    return bulk_;
}

}  // namespace kelvoran
