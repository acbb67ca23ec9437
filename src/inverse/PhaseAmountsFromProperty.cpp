#include "inverse/PhaseAmountsFromProperty.h"

#include <cmath>
#include <limits>

#include "kelvoran/Constants.h"
#include "phase/PhaseAmounts.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void setMolarVolume(PhaseRecord& r) {
    r.molarVolume = molarMass(r.composition) * (1000.0 / r.density);
}

// A record of pure water at (T, P) with the values of one saturated state, in a V + L point.
PhaseRecord saturatedRecord(const WaterSaturatedStates& states, const WaterSaturatedPhase& phase) {
    PhaseRecord r;
    r.phaseState = static_cast<std::int32_t>(Phases::VaporLiquid);
    r.temperature = states.temperatureC;
    r.pressure = states.pressureBar;
    r.density = phase.densityKgM3;
    r.specificEnthalpy = phase.specificEnthalpyJKg;
    r.heatCapacity = phase.heatCapacityJKgK;
    setMolarVolume(r);
    return r;
}

// A fluid record moved into a V + L point at (T, P).
PhaseRecord inVaporLiquid(PhaseRecord r, double t, double p) {
    r.phaseState = static_cast<std::int32_t>(Phases::VaporLiquid);
    r.temperature = t;
    r.pressure = p;
    return r;
}

}  // namespace

double bulkValue(const PointResult& r, BulkProperty property) {
    return property == BulkProperty::Enthalpy ? r.bulk.specificEnthalpy : r.bulk.density;
}

bool fixThreePhaseAmounts(PointResult& r, double densityKgM3) {
    PhaseRecord* phases[3] = {&r.vapor, &r.liquid, &r.halite};
    double w[3], v[3];
    for (int i = 0; i < 3; ++i) {
        w[i] = phases[i]->massPercent * 0.01;
        v[i] = 1.0 / phases[i]->density;
    }
    const double bulkW = r.bulk.massPercent * 0.01;
    const double bulkV = 1.0 / densityKgM3;
    double m[3];
    threePhaseAmounts(w, v, bulkW, bulkV, m);
    for (const double amount : m) {
        if (!(amount >= -1e-12 && amount <= 1.0 + 1e-12)) return false;
    }
    for (int i = 0; i < 3; ++i) {
        phases[i]->phaseMassFraction = m[i];
        phases[i]->saturation = m[i] * v[i] / bulkV;
    }
    r.bulk.density = densityKgM3;
    r.bulk.molarVolume = molarMass(r.bulk.composition) * (1000.0 / densityKgM3);
    r.warnings &= ~static_cast<std::uint32_t>(kWarningAmountsUndetermined);  // fixed now
    return true;
}

double vaporMassFractionFor(BulkProperty property, double liquidValue, double vaporValue,
                            double target) {
    if (liquidValue == vaporValue) return kNaN;
    if (property == BulkProperty::Enthalpy) {
        return (target - liquidValue) / (vaporValue - liquidValue);
    }
    const double liquidVolume = 1.0 / liquidValue;  // m³/kg
    return (1.0 / target - liquidVolume) / (1.0 / vaporValue - liquidVolume);
}

void setVaporLiquidAmounts(PointResult& r, double vaporMassFraction) {
    PhaseRecord& vapor = r.vapor;
    PhaseRecord& liquid = r.liquid;
    PhaseRecord& bulk = r.bulk;
    vapor.phaseMassFraction = vaporMassFraction;
    liquid.phaseMassFraction = 1.0 - vaporMassFraction;
    const double vaporVolume = vapor.phaseMassFraction / vapor.density;  // m³ per kg of bulk
    const double liquidVolume = liquid.phaseMassFraction / liquid.density;
    const double volume = vaporVolume + liquidVolume;
    vapor.saturation = vaporVolume / volume;
    liquid.saturation = liquidVolume / volume;
    bulk.phaseMassFraction = bulk.saturation = 1.0;
    bulk.heatCapacity = kNaN;  // not defined for several phases
    bulk.density = 1.0 / volume;
    setMolarVolume(bulk);
    bulk.specificEnthalpy = vapor.phaseMassFraction * vapor.specificEnthalpy +
                            liquid.phaseMassFraction * liquid.specificEnthalpy;
}

PointResult boilingWaterPoint(const WaterSaturatedStates& states) {
    PointResult r;
    r.phases = Phases::VaporLiquid;
    r.liquid = saturatedRecord(states, states.liquid);
    r.vapor = saturatedRecord(states, states.vapor);
    r.bulk.phaseState = static_cast<std::int32_t>(Phases::VaporLiquid);
    r.bulk.temperature = states.temperatureC;
    r.bulk.pressure = states.pressureBar;
    if (!inFittedRange(states.temperatureC, states.pressureBar, 0.0)) {
        r.warnings |= kWarningOutsideFittedRange;
    }
    return r;
}

bool vaporLiquidFromSides(const PointResult& liquidSide, const PointResult& vaporSide,
                          PointResult& out) {
    if ((liquidSide.phases != Phases::Liquid && liquidSide.phases != Phases::Fluid) ||
        vaporSide.phases != Phases::Vapor) {
        return false;
    }
    const double t = liquidSide.bulk.temperature;
    const double p = liquidSide.bulk.pressure;
    out = PointResult{};
    out.phases = Phases::VaporLiquid;
    out.warnings = liquidSide.warnings | vaporSide.warnings;
    out.liquid = inVaporLiquid(liquidSide.liquid, t, p);
    out.vapor = inVaporLiquid(vaporSide.vapor, t, p);
    out.bulk = inVaporLiquid(liquidSide.bulk, t, p);
    return true;
}

bool boilingDiluteFluid(const PointResult& liquidSide, const WaterSaturatedStates& water,
                        PointResult& out) {
    if (!isSinglePhase(liquidSide.phases)) return false;
    // Near the critical point the classification and the water states may place the boiling
    // point a little apart: a state V there may still hold liquid water.
    const PhaseRecord& fluid =
        liquidSide.phases == Phases::Vapor ? liquidSide.vapor : liquidSide.liquid;
    if (!(fluid.density > water.vapor.densityKgM3)) return false;
    const double t = liquidSide.bulk.temperature;
    const double p = liquidSide.bulk.pressure;
    out = PointResult{};
    out.phases = Phases::VaporLiquid;
    out.warnings = liquidSide.warnings;
    out.liquid = inVaporLiquid(fluid, t, p);
    out.vapor = inVaporLiquid(saturatedRecord(water, water.vapor), t, p);
    out.bulk = inVaporLiquid(liquidSide.bulk, t, p);
    return std::isfinite(out.vapor.density);
}

}  // namespace kelvoran
