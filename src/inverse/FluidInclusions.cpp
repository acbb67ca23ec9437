#include <cmath>
#include <limits>

#include "boundaries/CoexistingLiquid.h"
#include "boundaries/CoexistingVapor.h"
#include "inverse/BulkPropertySearch.h"
#include "kelvoran/Constants.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inclusions.h"
#include "numerics/BracketedRoot.h"
#include "salt/SaltVaporPressureCurve.h"
#include "water/WaterProperties.h"

namespace kelvoran {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

double salinityFromHaliteDissolution(double dissolutionTemperatureC) {
    const double t = dissolutionTemperatureC;
    return haliteLiquidusComposition(t, threePhasePressureBar(t));
}

double salinityFromHaliteDissolutionAt(double dissolutionTemperatureC, double pressureBar) {
    return haliteLiquidusComposition(dissolutionTemperatureC, pressureBar);
}

double salinityFromIceMelting(double iceMeltingTemperatureC) {
    const double t = iceMeltingTemperatureC;
    if (!(t <= 0.0 && t >= -21.2)) return kNaN;
    const double theta = 0.0 - t;  // freezing-point depression, °C (+0 at 0 °C)
    const double percent = ((0.000557 * theta - 0.0442) * theta + 1.78) * theta;
    return percent * 0.01;
}

Homogenization homogenization(double composition, double homogenizationTemperatureC,
                              HomogenizationKind kind) {
    const double t = homogenizationTemperatureC;
    const double x = composition;
    Homogenization h;
    h.pressureBar = h.densityKgM3 = kNaN;
    if (!std::isfinite(t) || !(x >= 0.0 && x <= 1.0)) return h;
    // The vapor–liquid surface at Th runs from its anchor (the three-phase curve, or the salt
    // boiling curve above 800.7 °C) up to the critical pressure, or below the critical point of
    // water up to the boiling pressure of water, where the liquid is pure water.
    const double boiling = t < kWaterCriticalTemperatureC ? waterSaturationPressureBar(t) : kNaN;
    const CoexistingLiquidBranch branch = coexistingLiquidBranch(t, boiling);
    const double lower = branch.anchorPressureBar;
    const double upper = t < kWaterCriticalTemperatureC ? boiling : branch.criticalPressureBar;
    const auto side = [&](double p) {
        const double liquid = coexistingLiquidComposition(branch, p);
        return kind == HomogenizationKind::ToLiquid ? liquid - x
                                                    : coexistingVaporComposition(t, p, liquid) - x;
    };
    const double atLower = side(lower);
    const double atUpper = side(upper);
    if (!((atLower <= 0.0 && atUpper >= 0.0) || (atLower >= 0.0 && atUpper <= 0.0))) {
        h.status = std::isfinite(atLower) && std::isfinite(atUpper) ? InverseStatus::OutOfRange
                                                                    : InverseStatus::InvalidInput;
        return h;
    }
    h.pressureBar = bracketedRoot(side, lower, upper, atLower, atUpper);
    h.status = InverseStatus::Solved;
    if (h.pressureBar == boiling) {
        // Pure water at its boiling pressure: the saturated liquid or vapor (the water state
        // at exactly that pressure would be the liquid for both).
        const WaterSaturatedStates states = waterSaturatedStatesAtTemperature(t);
        h.densityKgM3 = kind == HomogenizationKind::ToLiquid ? states.liquid.densityKgM3
                                                             : states.vapor.densityKgM3;
        return h;
    }
    h.densityKgM3 = mixtureProperties(
                        t, h.pressureBar, x,
                        kind == HomogenizationKind::ToLiquid ? FluidKind::Liquid : FluidKind::Vapor)
                        .densityKgM3;
    return h;
}

std::vector<InverseResult> isochore(double composition, double densityKgM3,
                                    std::span<const double> temperaturesC) {
    return isochore(composition, densityKgM3, temperaturesC, kIsochoreSearchRange);
}

std::vector<InverseResult> isochore(double composition, double densityKgM3,
                                    std::span<const double> temperaturesC,
                                    const SearchRange& range) {
    std::vector<InverseResult> path;
    path.reserve(temperaturesC.size());
    PhaseStateEvaluator evaluator;
    for (const double t : temperaturesC) {
        path.push_back(pressureForBulkDensity(evaluator, t, densityKgM3, composition, range));
    }
    return path;
}

}  // namespace kelvoran
