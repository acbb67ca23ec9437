// The derivative path of the phase-state evaluator: the records of evaluate() rebuilt from the
// same classification with dual numbers, through the templated correlations and the water
// states of the memo (each solved state differentiated by the implicit-function rule).
#include <limits>

#include "boundaries/CoexistingLiquid.h"
#include "boundaries/CoexistingVapor.h"
#include "kelvoran/Constants.h"
#include "mixture/MixtureProperties.h"
#include "phase/PhaseAmounts.h"
#include "phase/PhaseStateEvaluator.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteProperties.h"
#include "salt/HaliteSaturatedVapor.h"
#include "water/WaterStateDerivatives.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const Dual kUndefined(kNaN, kNaN, kNaN, kNaN);

Dual massFractionOf(const Dual& composition) { return massPercentOf(composition) * 0.01; }

// A point at (T, P, x) before any phase is filled: the bulk composition alone.
PointDerivatives pointAt(const Dual& t, const Dual& p, const Dual& x) {
    PointDerivatives d;
    d.temperature = t;
    d.pressure = p;
    d.liquid = d.vapor = d.halite = d.bulk = undefinedPhaseDerivatives();
    d.bulk.massFraction = massFractionOf(x);
    return d;
}

// Halite: its density; no enthalpy.
PhaseDerivatives halitePhaseDerivatives(const Dual& t, const Dual& p) {
    PhaseDerivatives r = undefinedPhaseDerivatives();
    r.massFraction = 1.0;
    r.density = haliteDensityKgM3(t, p);
    return r;
}

// A single fluid is the whole bulk.
void setSinglePhase(PhaseDerivatives& fluid, PhaseDerivatives& bulk) {
    fluid.phaseMassFraction = fluid.saturation = 1.0;
    bulk = fluid;
}

// The lever rule and the bulk values of two phases a and b, as setAmounts gives them.
void setTwoPhaseAmounts(PhaseDerivatives& a, PhaseDerivatives& b, PhaseDerivatives& bulk) {
    const TwoPhaseAmounts<Dual> m =
        twoPhaseAmounts(a.massFraction, b.massFraction, bulk.massFraction, a.density, b.density,
                        a.specificEnthalpy, b.specificEnthalpy);
    a.phaseMassFraction = m.massA;
    b.phaseMassFraction = m.massB;
    a.saturation = m.saturationA;
    b.saturation = m.saturationB;
    bulk.density = m.bulkDensity;
    bulk.specificEnthalpy = m.bulkSpecificEnthalpy;
    bulk.phaseMassFraction = bulk.saturation = 1.0;
}

}  // namespace

PhaseDerivatives undefinedPhaseDerivatives() {
    return {kUndefined, kUndefined, kUndefined, kUndefined, kUndefined};
}

PointDerivatives undefinedPointDerivatives() { return pointAt(kUndefined, kUndefined, kUndefined); }

// The composition of classify(), by the same functions.
Dual PhaseStateEvaluator::coexistingLiquid(const Dual& t, const Dual& p) {
    const Dual boilingPressureBar =
        t < kWaterCriticalTemperatureC ? waterSaturationPressurePa(t, water_) * 1e-05 : Dual(kNaN);
    return kelvoran::coexistingLiquidComposition(coexistingLiquidBranch(t, boilingPressureBar), p);
}

PhaseDerivatives PhaseStateEvaluator::fluidPhaseDerivatives(const Dual& t, const Dual& p,
                                                            const Dual& composition,
                                                            FluidKind kind) {
    PhaseDerivatives r = undefinedPhaseDerivatives();
    r.massFraction = massFractionOf(composition);
    const BasicMixtureVolume<Dual> volume = mixtureVolume(t, p, composition, kind, water_);
    r.density = phaseDensityKgM3(composition, volume.molarVolumeCm3Mol);
    r.specificEnthalpy = mixtureThermalProperties(t, p, composition, water_).specificEnthalpyJKg;
    return r;
}

PhaseDerivatives PhaseStateEvaluator::vaporWithHaliteDerivatives(const Dual& t, const Dual& p,
                                                                 const Dual& composition,
                                                                 Phases phases) {
    PhaseDerivatives r = undefinedPhaseDerivatives();
    r.massFraction = massFractionOf(composition);
    const DualWaterPoint water = pureWater(t, p, water_);
    r.density = water.densityKgM3;
    r.specificEnthalpy =
        phases == Phases::VaporHalite
            ? water.specificEnthalpyJKg
            : mixtureThermalProperties(t, p, composition, water_).specificEnthalpyJKg;
    return r;
}

PointDerivatives PhaseStateEvaluator::differentiate(const Classification& c, const Dual& t,
                                                    const Dual& p, const Dual& x) {
    PointDerivatives d = pointAt(t, p, x);
    constexpr FluidKind liquid = FluidKind::Liquid;
    constexpr FluidKind vapor = FluidKind::Vapor;
    switch (c.phases) {
        case Phases::Liquid:
        case Phases::Fluid:
            d.liquid = fluidPhaseDerivatives(t, p, x, liquid);
            setSinglePhase(d.liquid, d.bulk);
            break;
        case Phases::Vapor:
            d.vapor = fluidPhaseDerivatives(t, p, x, vapor);
            setSinglePhase(d.vapor, d.bulk);
            break;
        case Phases::VaporLiquid: {
            const Dual xL = coexistingLiquid(t, p);
            const Dual xV = kelvoran::coexistingVaporComposition(t, p, xL);
            d.liquid = fluidPhaseDerivatives(t, p, xL, liquid);
            d.vapor = fluidPhaseDerivatives(t, p, xV, vapor);
            setTwoPhaseAmounts(d.vapor, d.liquid, d.bulk);
            break;
        }
        case Phases::VaporHalite:
            d.vapor =
                vaporWithHaliteDerivatives(t, p, haliteSaturatedVaporComposition(t, p), c.phases);
            d.halite = halitePhaseDerivatives(t, p);
            setTwoPhaseAmounts(d.vapor, d.halite, d.bulk);
            break;
        case Phases::LiquidHalite:
            d.liquid = fluidPhaseDerivatives(t, p, haliteLiquidusComposition(t, p), liquid);
            d.halite = halitePhaseDerivatives(t, p);
            setTwoPhaseAmounts(d.liquid, d.halite, d.bulk);
            break;
        case Phases::VaporLiquidHalite:  // on the three-phase curve alone: no partial derivatives
        case Phases::Undetermined:
            break;
    }
    return d;
}

PointResult PhaseStateEvaluator::evaluate(double t, double p, double x,
                                          PointDerivatives& derivatives) {
    water_.takeNotes();
    const Classification c = classify(t, p, x);
    PointResult r = fill(c, t, p, x, Needs{});
    derivatives =
        differentiate(c, Dual::variable(t, 0), Dual::variable(p, 1), Dual::variable(x, 2));
    return r;
}

PointDerivatives PhaseStateEvaluator::derivatives(double t, double p, double x) {
    return differentiate(classify(t, p, x), Dual::variable(t, 0), Dual::variable(p, 1),
                         Dual::variable(x, 2));
}

PointDerivatives PhaseStateEvaluator::threePhaseDerivatives(const Dual& t, const Dual& p,
                                                            const Dual& x) {
    PointDerivatives d = pointAt(t, p, x);
    const Phases phases = Phases::VaporLiquidHalite;
    d.vapor = vaporWithHaliteDerivatives(t, p, haliteSaturatedVaporComposition(t, p), phases);
    d.liquid = fluidPhaseDerivatives(t, p, haliteLiquidusComposition(t, p), FluidKind::Liquid);
    d.halite = halitePhaseDerivatives(t, p);
    return d;
}

}  // namespace kelvoran
