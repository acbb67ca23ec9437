#include "phase/PhaseStateEvaluator.h"

#include <cstdint>
#include <limits>

#include "boundaries/CoexistingVapor.h"
#include "boundaries/CriticalCurve.h"
#include "kelvoran/Constants.h"
#include "mixture/MixtureProperties.h"
#include "numerics/BitCast.h"
#include "phase/PhaseAmounts.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteProperties.h"
#include "salt/HaliteSaturatedVapor.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The point and the composition of a record, with its mass percent and mass fraction.
PhaseRecord recordAt(double t, double p, double composition, Phases phases) {
    PhaseRecord r;
    r.phaseState = static_cast<std::int32_t>(phases);
    r.temperature = t;
    r.pressure = p;
    r.composition = composition;
    r.massPercent = massPercentOf(composition);
    r.massFraction = r.massPercent * 0.01;
    return r;
}

void setMolarVolume(PhaseRecord& r) {
    r.molarVolume = molarMass(r.composition) * (1000.0 / r.density);
}

}  // namespace

// The liquid branch at T, kept while T stays the same (bit for bit): along an isotherm only
// its pressure-dependent part is evaluated again.
const CoexistingLiquidBranch& PhaseStateEvaluator::liquidBranch(double t,
                                                                double waterBoilingPressureBar) {
    if (!haveBranch_ || bitCast<std::uint64_t>(branch_.temperatureC) != bitCast<std::uint64_t>(t)) {
        branch_ = coexistingLiquidBranch(t, waterBoilingPressureBar);
        haveBranch_ = true;
    }
    return branch_;
}

// The decision tree. The order of the tests and their strictness are part of the model: a
// comparison with NaN is false, which routes a NaN pressure past the three-phase tests and a
// NaN composition in the upper-pressure branch to vapor + liquid.
PhaseStateEvaluator::Classification PhaseStateEvaluator::classify(double t, double p, double x) {
    Classification c{Phases::Undetermined, kNaN, kNaN, kNaN, kNaN};
    const double threePhasePressure = threePhasePressureBar(t);

    if (p == threePhasePressure) {
        c.haliteSaturatedVapor = haliteSaturatedVaporComposition(t, p);
        c.phases = x > c.haliteSaturatedVapor ? Phases::VaporLiquidHalite : Phases::Vapor;
        return c;
    }
    if (p < threePhasePressure) {
        c.haliteSaturatedVapor = haliteSaturatedVaporComposition(t, p);
        c.phases = x > c.haliteSaturatedVapor ? Phases::VaporHalite : Phases::Vapor;
        return c;
    }

    c.haliteLiquidus = haliteLiquidusComposition(t, p);
    if (x > c.haliteLiquidus) {
        c.phases = Phases::LiquidHalite;
        return c;
    }

    double boilingPressureBar = kNaN;
    if (t < kWaterCriticalTemperatureC) {
        boilingPressureBar = water_.saturationPressurePa(t) * 1e-05;
        if (boilingPressureBar < p) {
            c.phases = Phases::Fluid;
            return c;
        }
    } else if (t >= kWaterCriticalTemperatureC) {
        if (p >= criticalPressureBar(t)) {
            c.phases = Phases::Fluid;
            return c;
        }
    }

    c.coexistingLiquid = coexistingLiquidComposition(liquidBranch(t, boilingPressureBar), p);
    if (x >= c.coexistingLiquid) {
        c.phases = Phases::Liquid;
        return c;
    }
    c.coexistingVapor = coexistingVaporComposition(t, p, c.coexistingLiquid);
    c.phases = x <= c.coexistingVapor ? Phases::Vapor : Phases::VaporLiquid;
    return c;
}

// A fluid phase of the given composition, all of its properties from the mixture model; the
// warnings its extrapolations call for are added to `warnings`.
PhaseRecord PhaseStateEvaluator::fluidPhase(double t, double p, double composition, Phases phases,
                                            FluidKind kind, std::uint32_t& warnings, Needs needs) {
    PhaseRecord r = recordAt(t, p, composition, phases);
    r.density = r.specificEnthalpy = r.heatCapacity = kNaN;
    if (needs.volumes) {
        const MixtureVolume volume = mixtureVolume(t, p, composition, kind, water_);
        r.density = phaseDensityKgM3(composition, volume.molarVolumeCm3Mol);
        if (volume.mapping == VolumeMapping::LowPressureLiquid) {
            warnings |= kWarningLowPressureVolume;
        }
        if (volume.mapping == VolumeMapping::HighTemperature) {
            warnings |= kWarningHighTemperatureVolume;
        }
    }
    if (needs.thermal) {
        const MixtureThermalProperties thermal =
            mixtureThermalProperties(t, p, composition, water_);
        r.specificEnthalpy = thermal.specificEnthalpyJKg;
        r.heatCapacity = thermal.heatCapacityJKgK;
        if (kind == FluidKind::Liquid && thermal.onVaporSideOfBoilingCurve) {
            warnings |= kWarningLiquidEnthalpyVaporSide;
        }
    }
    setMolarVolume(r);
    return r;
}

// Phase amounts by the lever rule on the NaCl mass fractions of the two phases present, their
// saturations, and the bulk values that follow: density 1 / Σ mᵢ/ρᵢ, its molar volume, and the
// enthalpy Σ mᵢ hᵢ (NaN with halite, whose enthalpy the model does not give). The heat capacity
// of a bulk of several phases is not defined. With three phases the amounts are undetermined.
void PhaseStateEvaluator::setAmounts(PointResult& r) {
    PhaseRecord& bulk = r.bulk;
    if (isSinglePhase(r.phases)) {
        PhaseRecord& fluid = r.phases == Phases::Vapor ? r.vapor : r.liquid;
        fluid.phaseMassFraction = fluid.saturation = 1.0;
        bulk.phaseMassFraction = bulk.saturation = 1.0;
        return;
    }
    if (r.phases == Phases::Undetermined) return;
    bulk.phaseMassFraction = bulk.saturation = 1.0;
    bulk.heatCapacity = kNaN;
    if (hasHalite(r.phases)) r.halite.specificEnthalpy = kNaN;
    if (r.phases == Phases::VaporLiquidHalite) {
        for (PhaseRecord* phase : {&r.vapor, &r.liquid, &r.halite}) {
            phase->phaseMassFraction = phase->saturation = kNaN;
        }
        bulk.density = bulk.molarVolume = bulk.specificEnthalpy = kNaN;
        return;
    }
    PhaseRecord& a = r.phases == Phases::LiquidHalite ? r.liquid : r.vapor;
    PhaseRecord& b = r.phases == Phases::VaporLiquid ? r.liquid : r.halite;
    const double wA = a.massPercent * 0.01;
    const double wB = b.massPercent * 0.01;
    const double w = bulk.massPercent * 0.01;
    const TwoPhaseAmounts<double> m =
        twoPhaseAmounts(wA, wB, w, a.density, b.density, a.specificEnthalpy, b.specificEnthalpy);
    a.phaseMassFraction = m.massA;
    b.phaseMassFraction = m.massB;
    a.saturation = m.saturationA;
    b.saturation = m.saturationB;
    bulk.density = m.bulkDensity;
    setMolarVolume(bulk);
    bulk.specificEnthalpy = m.bulkSpecificEnthalpy;
}

// A single fluid below the critical temperature of its composition is liquid-like (states L
// and F) or vapor-like (state V); above it, supercritical.
FluidType PhaseStateEvaluator::fluidTypeOf(Phases phases, double t, double x) {
    if (!isSinglePhase(phases)) return FluidType::None;
    if (t > criticalTemperatureC(x)) return FluidType::Supercritical;
    return phases == Phases::Vapor ? FluidType::VaporLike : FluidType::LiquidLike;
}

// The vapor coexisting with halite is so dilute that its density is that of pure water; its
// molar volume still uses its own composition. With halite alone (V + H) its enthalpy and heat
// capacity are those of pure water too; with liquid and halite (V + L + H) they come from the
// mixture model at its composition.
PhaseRecord PhaseStateEvaluator::vaporWithHalite(double t, double p, double composition,
                                                 Phases phases, Needs needs) {
    PhaseRecord r = recordAt(t, p, composition, phases);
    r.density = r.specificEnthalpy = r.heatCapacity = kNaN;
    if (!needs.volumes && !needs.thermal) {
        setMolarVolume(r);
        return r;
    }
    const WaterPoint water = water_.pureWater(t, p);
    if (needs.volumes) r.density = water.densityKgM3;
    if (!needs.thermal) {
        setMolarVolume(r);
        return r;
    }
    if (phases == Phases::VaporHalite) {
        r.specificEnthalpy = water.specificEnthalpyJKg;
        r.heatCapacity = water.heatCapacityJKgK;
    } else {
        const MixtureThermalProperties thermal =
            mixtureThermalProperties(t, p, composition, water_);
        r.specificEnthalpy = thermal.specificEnthalpyJKg;
        r.heatCapacity = thermal.heatCapacityJKgK;
    }
    setMolarVolume(r);
    return r;
}

PhaseRecord PhaseStateEvaluator::halitePhase(double t, double p, Phases phases, Needs needs) {
    PhaseRecord r;
    r.phaseState = static_cast<std::int32_t>(phases);
    r.temperature = t;
    r.pressure = p;
    r.composition = 1.0;
    r.massPercent = 100.0;
    r.density = needs.volumes ? haliteDensityKgM3(t, p) : kNaN;
    r.heatCapacity = needs.thermal ? haliteHeatCapacityJKgK(t, p) : kNaN;
    setMolarVolume(r);
    return r;
}

// Every record a state does not fill holds zeros; the records it fills hold its code. Every
// fluid record that is filled also gets its mass fraction and specific enthalpy, from the same
// source as its other properties; the bulk record of a multi-phase state starts from the point
// and the bulk composition, and setAmounts gives it the bulk values.
PointResult PhaseStateEvaluator::evaluate(double t, double p, double x) {
    water_.takeNotes();  // only the notes of this point's water states count
    return fill(classify(t, p, x), t, p, x, Needs{});
}

PointResult PhaseStateEvaluator::evaluate(double t, double p, double x, Needs needs) {
    water_.takeNotes();
    return fill(classify(t, p, x), t, p, x, needs);
}

Phases PhaseStateEvaluator::phasesAt(double t, double p, double x) {
    return classify(t, p, x).phases;
}

PointResult PhaseStateEvaluator::evaluateThreePhase(double t, double p, double x) {
    water_.takeNotes();
    const Classification c{Phases::VaporLiquidHalite, haliteSaturatedVaporComposition(t, p), kNaN,
                           kNaN, kNaN};
    return fill(c, t, p, x, Needs{});
}

double PhaseStateEvaluator::bulkSpecificEnthalpy(double t, double p, double x) {
    const Classification c = classify(t, p, x);
    if (isSinglePhase(c.phases)) {
        return mixtureThermalProperties(t, p, x, water_).specificEnthalpyJKg;
    }
    if (c.phases != Phases::VaporLiquid) return kNaN;  // with halite: no enthalpy
    const double hV = mixtureThermalProperties(t, p, c.coexistingVapor, water_).specificEnthalpyJKg;
    const double hL =
        mixtureThermalProperties(t, p, c.coexistingLiquid, water_).specificEnthalpyJKg;
    const LeverRule<double> m =
        leverRule(massPercentOf(c.coexistingVapor) * 0.01, massPercentOf(c.coexistingLiquid) * 0.01,
                  massPercentOf(x) * 0.01);
    return m.a * hV + m.b * hL;
}

PointResult PhaseStateEvaluator::fill(const Classification& c, double t, double p, double x,
                                      Needs n) {
    PointResult r;
    r.phases = c.phases;
    std::uint32_t& w = r.warnings;
    constexpr FluidKind liquid = FluidKind::Liquid;
    constexpr FluidKind vapor = FluidKind::Vapor;
    switch (c.phases) {
        case Phases::Liquid:
            r.bulk = fluidPhase(t, p, x, c.phases, liquid, w, n);
            r.liquid = r.bulk;
            break;
        case Phases::Vapor:
            r.bulk = fluidPhase(t, p, x, c.phases, vapor, w, n);
            r.vapor = r.bulk;
            break;
        case Phases::Fluid:
            r.bulk = fluidPhase(t, p, x, c.phases, liquid, w, n);
            r.liquid = r.bulk;
            r.vapor.phaseState = r.bulk.phaseState;
            r.halite.phaseState = r.bulk.phaseState;
            break;
        case Phases::VaporLiquid:
            r.bulk = recordAt(t, p, x, c.phases);
            r.liquid = fluidPhase(t, p, c.coexistingLiquid, c.phases, liquid, w, n);
            r.vapor = fluidPhase(t, p, c.coexistingVapor, c.phases, vapor, w, n);
            break;
        case Phases::VaporHalite:
            r.bulk = recordAt(t, p, x, c.phases);
            r.vapor = vaporWithHalite(t, p, c.haliteSaturatedVapor, c.phases, n);
            r.halite = halitePhase(t, p, c.phases, n);
            break;
        case Phases::LiquidHalite:
            r.bulk = recordAt(t, p, x, c.phases);
            r.liquid = fluidPhase(t, p, c.haliteLiquidus, c.phases, liquid, w, n);
            r.halite = halitePhase(t, p, c.phases, n);
            break;
        case Phases::VaporLiquidHalite:
            r.bulk = recordAt(t, p, x, c.phases);
            r.vapor = vaporWithHalite(t, p, c.haliteSaturatedVapor, c.phases, n);
            r.liquid = fluidPhase(t, p, haliteLiquidusComposition(t, p), c.phases, liquid, w, n);
            r.halite = halitePhase(t, p, c.phases, n);
            w |= kWarningAmountsUndetermined;
            break;
        case Phases::Undetermined:
            break;
    }
    setAmounts(r);
    const unsigned notes = water_.takeNotes();
    if ((notes & kWaterNoteIceField) != 0) w |= kWarningIceField;
    if ((notes & kWaterNoteBracketedSolve) != 0) w |= kWarningWaterFallbackSolve;
    if (!inFittedRange(t, p, x)) w |= kWarningOutsideFittedRange;
    r.fluidType = fluidTypeOf(c.phases, t, x);
    return r;
}

}  // namespace kelvoran
