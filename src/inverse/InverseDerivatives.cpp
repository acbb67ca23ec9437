#include "inverse/InverseDerivatives.h"

#include <limits>

#include "boundaries/CoexistingVapor.h"
#include "boundaries/ThreePhaseCurve.h"
#include "phase/PhaseAmounts.h"
#include "water/WaterProperties.h"
#include "water/WaterStateDerivatives.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Every dual of a point, for one operation on all of them.
template <typename Apply>
void forEachDual(PointDerivatives& d, const Apply& apply) {
    apply(d.temperature);
    apply(d.pressure);
    for (PhaseDerivatives* phase : {&d.liquid, &d.vapor, &d.halite, &d.bulk}) {
        for (Dual* q : {&phase->massFraction, &phase->density, &phase->specificEnthalpy,
                        &phase->phaseMassFraction, &phase->saturation}) {
            apply(*q);
        }
    }
}

// Gradients with respect to (T, P, x) turned into gradients with respect to new variables:
// jacobian[i][j] = ∂(old variable i)/∂(new variable j).
void changeVariables(PointDerivatives& d, const double (&jacobian)[3][3]) {
    forEachDual(d, [&](Dual& q) {
        const double old[3] = {q.d[0], q.d[1], q.d[2]};
        for (int j = 0; j < 3; ++j) {
            q.d[j] = old[0] * jacobian[0][j] + old[1] * jacobian[1][j] + old[2] * jacobian[2][j];
        }
    });
}

// V + L + H on the three-phase curve, its amounts fixed by the bulk density ρ (input 1).
PointDerivatives threePhase(PhaseStateEvaluator& evaluator, const InverseResult& result,
                            InverseKind kind, double density, double composition) {
    const double t = result.temperatureC;
    const double p = result.pressureBar;
    // The curve P = p3(T): dT/dP = 1/p3'(T) with P given (input 0), dP/dT = p3'(T) with T given.
    const double slope = threePhasePressureBar(Dual::variable(t, 0)).d[0];  // bar/K
    const bool pressureGiven = kind == InverseKind::PressureDensity;
    const Dual T = pressureGiven ? Dual(t, 1.0 / slope, 0.0, 0.0) : Dual::variable(t, 0);
    const Dual P = pressureGiven ? Dual::variable(p, 0) : Dual(p, slope, 0.0, 0.0);
    const Dual rho = Dual::variable(density, 1);
    PointDerivatives d = evaluator.threePhaseDerivatives(T, P, Dual::variable(composition, 2));
    PhaseDerivatives* phases[3] = {&d.vapor, &d.liquid, &d.halite};
    Dual w[3], v[3], m[3];
    for (int i = 0; i < 3; ++i) {
        w[i] = phases[i]->massFraction;
        v[i] = 1.0 / phases[i]->density;
    }
    const Dual bulkV = 1.0 / rho;
    threePhaseAmounts(w, v, d.bulk.massFraction, bulkV, m);
    for (int i = 0; i < 3; ++i) {
        phases[i]->phaseMassFraction = m[i];
        phases[i]->saturation = m[i] * v[i] / bulkV;
    }
    d.bulk.density = rho;
    d.bulk.phaseMassFraction = d.bulk.saturation = 1.0;
    return d;
}

// A record of V + L inside a jump as a dual: a saturated state of pure water (composition 0)
// from its own values, which lie on the boiling curve of water at the given P (or T) — (tw, pw)
// with their gradients along the curve; otherwise a fluid phase of its composition at the state's
// (T, P), the bulk's or that of the vapor–liquid surface there.
PhaseDerivatives phaseInJump(PhaseStateEvaluator& evaluator, const PhaseRecord& record,
                             const Dual& t, const Dual& p, const Dual& x, const Dual& tw,
                             const Dual& pw, bool vapor) {
    if (record.composition == 0.0) {
        PhaseDerivatives r = undefinedPhaseDerivatives();
        const WaterPoint values{record.density, record.specificEnthalpy, record.heatCapacity};
        const DualWaterPoint w = waterStateWithGradients(
            values, waterPressureSlopes(tw.v + kZeroCelsiusK, record.density), tw, pw);
        r.massFraction = 0.0;
        r.density = w.densityKgM3;
        r.specificEnthalpy = w.specificEnthalpyJKg;
        return r;
    }
    const FluidKind kind = vapor ? FluidKind::Vapor : FluidKind::Liquid;
    if (record.composition == x.v) return evaluator.fluidPhaseDerivatives(t, p, x, kind);
    const Dual xL = evaluator.coexistingLiquid(t, p);
    const Dual c = vapor ? coexistingVaporComposition(t, p, xL) : xL;
    if (record.composition != c.v) return undefinedPhaseDerivatives();
    return evaluator.fluidPhaseDerivatives(t, p, c, kind);
}

// The amounts of V + L fixed by the given value (input 1), by the lever rule on it (the
// enthalpy, or the specific volume), and the bulk values that follow.
void setAmountsFromValue(PointDerivatives& d, InverseKind kind, double given) {
    const Dual b = Dual::variable(given, 1);
    const Dual m =
        kind == InverseKind::PressureEnthalpy
            ? (b - d.liquid.specificEnthalpy) /
                  (d.vapor.specificEnthalpy - d.liquid.specificEnthalpy)
            : (1.0 / b - 1.0 / d.liquid.density) / (1.0 / d.vapor.density - 1.0 / d.liquid.density);
    d.vapor.phaseMassFraction = m;
    d.liquid.phaseMassFraction = 1.0 - m;
    const Dual vaporVolume = m / d.vapor.density;  // m³ per kg of bulk
    const Dual liquidVolume = d.liquid.phaseMassFraction / d.liquid.density;
    const Dual volume = vaporVolume + liquidVolume;
    d.vapor.saturation = vaporVolume / volume;
    d.liquid.saturation = liquidVolume / volume;
    d.bulk.density = 1.0 / volume;
    d.bulk.specificEnthalpy =
        m * d.vapor.specificEnthalpy + d.liquid.phaseMassFraction * d.liquid.specificEnthalpy;
    d.bulk.phaseMassFraction = d.bulk.saturation = 1.0;
}

// V + L inside a jump of the given property (input 1): T (or P) where the liquid side of the
// vapor–liquid surface reaches x, the amounts by the lever rule on the property.
PointDerivatives vaporLiquidInJump(PhaseStateEvaluator& evaluator, const InverseResult& result,
                                   InverseKind kind, double given, double composition) {
    const double t = result.temperatureC;
    const double p = result.pressureBar;
    const Dual xL = evaluator.coexistingLiquid(Dual::variable(t, 0), Dual::variable(p, 1));
    const double gT = xL.d[0], gP = xL.d[1];
    const double perX = composition == 0.0 ? kNaN : 1.0;  // pure water: no x derivatives
    const bool temperatureGiven = kind == InverseKind::TemperatureDensity;
    const Dual T = temperatureGiven ? Dual::variable(t, 0) : Dual(t, -gP / gT, 0.0, perX / gT);
    const Dual P = temperatureGiven ? Dual(p, -gT / gP, 0.0, perX / gP) : Dual::variable(p, 0);
    const Dual X(composition, 0.0, 0.0, perX);
    // The boiling curve of water at the given P (T): where the saturated states of water lie.
    const double noX = perX * 0.0;  // NaN for pure water, else 0
    const Dual tw = temperatureGiven
                        ? Dual(t, 1.0, 0.0, noX)
                        : Dual(waterSaturationTemperatureC(p),
                               waterSaturationSlopesAtPressure(p).temperatureKPerBar, 0.0, noX);
    const Dual pw = temperatureGiven ? Dual(waterSaturationPressureBar(t),
                                            waterSaturationPressureSlopePaK(t) * 1e-5, 0.0, noX)
                                     : Dual(p, 1.0, 0.0, noX);
    PointDerivatives d = undefinedPointDerivatives();
    d.temperature = T;
    d.pressure = P;
    d.bulk.massFraction = massPercentOf(X) * 0.01;
    d.liquid = phaseInJump(evaluator, result.point.liquid, T, P, X, tw, pw, false);
    d.vapor = phaseInJump(evaluator, result.point.vapor, T, P, X, tw, pw, true);
    setAmountsFromValue(d, kind, given);
    return d;
}

// The gradients of a state at (T, P, x) turned into those of the regular solution of
// B(T, P, x) = given value, B the given property: by the implicit-function rule on the searched
// variable.
void regularSolution(PointDerivatives& d, InverseKind kind) {
    const Dual& b =
        kind == InverseKind::PressureEnthalpy ? d.bulk.specificEnthalpy : d.bulk.density;
    const double bT = b.d[0], bP = b.d[1], bX = b.d[2];
    if (kind == InverseKind::TemperatureDensity) {
        // P(T, ρ, x): the rows of T, P and x.
        const double jacobian[3][3] = {
            {1.0, 0.0, 0.0}, {-bT / bP, 1.0 / bP, -bX / bP}, {0.0, 0.0, 1.0}};
        changeVariables(d, jacobian);
    } else {
        // T(P, B, x).
        const double jacobian[3][3] = {
            {-bP / bT, 1.0 / bT, -bX / bT}, {1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}};
        changeVariables(d, jacobian);
    }
}

}  // namespace

PointDerivatives inverseDerivatives(PhaseStateEvaluator& evaluator, const InverseResult& result,
                                    InverseKind kind, double givenValue, double composition,
                                    bool amountsFromBulkProperty) {
    if (result.status != InverseStatus::Solved) return undefinedPointDerivatives();
    if (result.point.phases == Phases::VaporLiquidHalite) {
        if (kind == InverseKind::PressureEnthalpy)
            return undefinedPointDerivatives();  // no bulk enthalpy
        return threePhase(evaluator, result, kind, givenValue, composition);
    }
    if (amountsFromBulkProperty) {
        if (result.point.phases != Phases::VaporLiquid) return undefinedPointDerivatives();
        return vaporLiquidInJump(evaluator, result, kind, givenValue, composition);
    }
    PointDerivatives d =
        evaluator.derivatives(result.temperatureC, result.pressureBar, composition);
    regularSolution(d, kind);
    return d;
}

void regularInverseDerivatives(PointDerivatives& d, InverseKind kind) { regularSolution(d, kind); }

}  // namespace kelvoran
