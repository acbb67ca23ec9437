#include "inverse/TemperatureForEnthalpyNear.h"

#include <cmath>

#include "inverse/InverseDerivatives.h"

namespace kelvoran {

namespace {

constexpr double kResidual = 1e-10;  // relative residual of the enthalpy a solved state may have
// evaluatePH takes a single fluid whose enthalpy is the value to 1e-8 relative (100 residuals)
// before it looks at V + L: a V + L state whose enthalpy lies that close to the single fluid's
// (next to the bubble or dew point) is left to it. The margin is 100 times that.
constexpr double kSingleFluidReach = 1e-6;
constexpr int kMaxSteps = 8;

InverseResult notFound() {
    InverseResult r;
    r.status = InverseStatus::OutOfRange;
    return r;
}

}  // namespace

InverseResult temperatureForEnthalpyNear(PhaseStateEvaluator& evaluator, double pressureBar,
                                         double enthalpyJKg, double composition, Phases state,
                                         double estimateC, double reachC, double slopeKPerJKg,
                                         PointDerivatives* derivatives) {
    const double p = pressureBar, h = enthalpyJKg, x = composition;
    const double tolerance = kResidual * std::fabs(h);
    if (!std::isfinite(estimateC) || !(reachC > 0.0) || !(tolerance > 0.0)) return notFound();
    const double lowest = estimateC - 2.0 * reachC, highest = estimateC + 2.0 * reachC;
    const auto residual = [&](double t) { return evaluator.bulkSpecificEnthalpy(t, p, x) - h; };

    // The enthalpy rises with the temperature: the second place lies towards the root, a
    // Newton step on the estimated slope where there is one, else the reach.
    double t0 = estimateC, q0 = residual(t0);
    if (!std::isfinite(q0)) return notFound();
    double t1 = t0, q1 = q0;
    if (std::fabs(q0) > tolerance) {
        t1 = q0 > 0.0 ? t0 - reachC : t0 + reachC;
        if (slopeKPerJKg > 0.0 && std::isfinite(slopeKPerJKg)) {
            const double newton = t0 - q0 * slopeKPerJKg;
            if (newton != t0 && std::fabs(newton - t0) <= reachC) t1 = newton;
        }
        q1 = residual(t1);
        for (int step = 0; step < kMaxSteps && std::fabs(q1) > tolerance; ++step) {
            if (!std::isfinite(q1) || q1 == q0) return notFound();
            const double t2 = t1 - q1 * (t1 - t0) / (q1 - q0);
            if (!(t2 >= lowest && t2 <= highest)) return notFound();
            t0 = t1;
            q0 = q1;
            t1 = t2;
            q1 = residual(t1);
        }
        if (!(std::fabs(q1) <= tolerance)) return notFound();
    }

    // evaluatePH searches the fitted range alone: beyond it, no state has the enthalpy.
    const SearchRange range;
    if (!(t1 >= range.lowerC && t1 <= range.upperC)) return notFound();

    PointDerivatives d;
    const PointResult point =
        derivatives != nullptr ? evaluator.evaluate(t1, p, x, d) : evaluator.evaluate(t1, p, x);
    if (point.phases != state || !(std::fabs(point.bulk.specificEnthalpy - h) <= tolerance)) {
        return notFound();
    }
    if (state == Phases::VaporLiquid) {
        // How far in enthalpy the state lies from all liquid or all vapor at T.
        const double fewest =
            std::fmin(point.vapor.phaseMassFraction, point.liquid.phaseMassFraction);
        const double latent =
            std::fabs(point.vapor.specificEnthalpy - point.liquid.specificEnthalpy);
        if (!(fewest * latent > kSingleFluidReach * std::fabs(h))) return notFound();
    }
    InverseResult r;
    r.status = InverseStatus::Solved;
    r.point = point;
    r.temperatureC = point.bulk.temperature;
    r.pressureBar = point.bulk.pressure;
    if (derivatives != nullptr) {
        regularInverseDerivatives(d, InverseKind::PressureEnthalpy);
        *derivatives = d;
    }
    return r;
}

}  // namespace kelvoran
