#include "inverse/SinglePhaseTemperature.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "kelvoran/Constants.h"
#include "mixture/MixtureProperties.h"
#include "water/WaterDensity.h"
#include "water/WaterValidity.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kKelvinOffset = 273.15;
constexpr double kLowestWaterC = 260.0 - kKelvinOffset;    // the water library's 260 K
constexpr double kHighestWaterC = 2500.0 - kKelvinOffset;  // and its 2500 K
constexpr double kDensityTolerance = 1e-10;                // relative pressure residual

// Pure water above its critical pressure at a coarse grid of temperatures and pressures, the
// start values of the Newton iteration there: the enthalpy and density at each node, linear in
// ln P between the rows of pressure and in T along them.
constexpr std::array<double, 17> kTablePressuresBar = {kWaterCriticalPressureBar,
                                                       225.0,
                                                       235.0,
                                                       250.0,
                                                       275.0,
                                                       300.0,
                                                       350.0,
                                                       400.0,
                                                       500.0,
                                                       650.0,
                                                       850.0,
                                                       1100.0,
                                                       1500.0,
                                                       2000.0,
                                                       2700.0,
                                                       3600.0,
                                                       5000.0};
constexpr std::size_t kTableTemperatures = 43;

struct WaterTable {
    std::array<double, kTableTemperatures> temperatureC{};
    std::array<std::array<double, kTableTemperatures>, kTablePressuresBar.size()> enthalpy{};
    std::array<std::array<double, kTableTemperatures>, kTablePressuresBar.size()> density{};
};

const WaterTable& waterTable() {
    static const WaterTable table = [] {
        WaterTable t;
        std::size_t j = 0;
        t.temperatureC[j++] = 0.01;
        for (int i = 1; i <= 12; ++i) t.temperatureC[j++] = 25.0 * i;                // to 300 °C
        for (int i = 1; i <= 17; ++i) t.temperatureC[j++] = 310.0 + 10.0 * (i - 1);  // to 470
        for (int i = 0; i < 13; ++i) t.temperatureC[j++] = 500.0 + 50.0 * i;         // to 1100 °C
        for (std::size_t k = 0; k < kTablePressuresBar.size(); ++k) {
            for (std::size_t n = 0; n < kTableTemperatures; ++n) {
                const WaterPoint w = pureWater(t.temperatureC[n], kTablePressuresBar[k]);
                t.enthalpy[k][n] = w.specificEnthalpyJKg;
                t.density[k][n] = w.densityKgM3;
            }
        }
        return t;
    }();
    return table;
}

struct Start {
    double temperatureC;
    double densityKgM3;
};

// Start values for water of enthalpy h (J/kg) at P (bar) above the critical pressure.
Start tableStart(double pressureBar, double h) {
    const WaterTable& t = waterTable();
    std::size_t k = 0;
    while (k + 2 < kTablePressuresBar.size() && pressureBar > kTablePressuresBar[k + 1]) ++k;
    const double w =
        std::fmin(1.0, (std::log(pressureBar) - std::log(kTablePressuresBar[k])) /
                           (std::log(kTablePressuresBar[k + 1]) - std::log(kTablePressuresBar[k])));
    Start below{kNaN, kNaN}, above{kNaN, kNaN};
    double hBelow = kNaN, hAbove = kNaN;
    for (std::size_t n = 0; n < kTableTemperatures; ++n) {
        const double hn = (1.0 - w) * t.enthalpy[k][n] + w * t.enthalpy[k + 1][n];
        const double rho = (1.0 - w) * t.density[k][n] + w * t.density[k + 1][n];
        if (!std::isfinite(hn) || !std::isfinite(rho)) continue;
        if (hn <= h) {
            below = {t.temperatureC[n], rho};
            hBelow = hn;
        } else {
            above = {t.temperatureC[n], rho};
            hAbove = hn;
            break;
        }
    }
    if (std::isnan(hBelow)) return above;  // below the table: its coldest node
    if (std::isnan(hAbove)) return below;  // above it: its hottest node
    const double f = (h - hBelow) / (hAbove - hBelow);
    return {below.temperatureC + f * (above.temperatureC - below.temperatureC),
            below.densityKgM3 + f * (above.densityKgM3 - below.densityKgM3)};
}

}  // namespace

SinglePhaseTemperature waterTemperatureForEnthalpy(double pressureBar, double specificEnthalpyJKg,
                                                   const WaterSaturatedStates& saturation) {
    constexpr SinglePhaseTemperature none{kNaN, kNaN};
    const double p = pressureBar;
    const double h = specificEnthalpyJKg;
    const double pressureMPa = p * 0.1;
    // The bracket of the temperature: below `lower` the enthalpy lies under h, above `upper`
    // over it (the water enthalpy rises with temperature along an isobar).
    double lower = kLowestWaterC;
    double upper = kHighestWaterC;
    Start start{kNaN, kNaN};
    if (p < kWaterCriticalPressureBar) {
        if (!std::isfinite(saturation.temperatureC)) return none;
        const WaterSaturatedPhase& liquid = saturation.liquid;
        const WaterSaturatedPhase& vapor = saturation.vapor;
        // The tangent at the saturated state of the branch: the enthalpy of the liquid is
        // convex and that of the vapor concave in T, so Newton's steps approach from one side.
        if (h < liquid.specificEnthalpyJKg) {
            upper = saturation.temperatureC;
            start = {saturation.temperatureC +
                         (h - liquid.specificEnthalpyJKg) / liquid.heatCapacityJKgK,
                     liquid.densityKgM3};
        } else if (h > vapor.specificEnthalpyJKg) {
            lower = saturation.temperatureC;
            start = {
                saturation.temperatureC + (h - vapor.specificEnthalpyJKg) / vapor.heatCapacityJKgK,
                vapor.densityKgM3};
        } else {
            return none;  // between the saturated liquid and vapor: water boils
        }
    } else {
        start = tableStart(p, h);
    }
    if (!std::isfinite(start.temperatureC) || !std::isfinite(start.densityKgM3)) return none;

    double t = std::fmin(std::fmax(start.temperatureC, lower), upper);
    double rho = start.densityKgM3 * 1e-3;  // g/cm³
    const bool liquidBranch = upper < kHighestWaterC;
    for (int step = 0; step < 40; ++step) {
        // In an ice field of water (the bracket keeps t below 2500 K): halfway to the warm end
        // of the bracket until out of it.
        for (int k = 0; k < 60 && !inRangeTP(t + kKelvinOffset, pressureMPa); ++k) {
            t = 0.5 * (t + upper);
        }
        if (!inRangeTP(t + kKelvinOffset, pressureMPa)) return none;
        // Below the critical temperature above the critical pressure the fluid is liquid-like:
        // keep the density iteration on the liquid side there.
        if (!liquidBranch && p >= kWaterCriticalPressureBar &&
            t + kKelvinOffset < kWaterCriticalTemperatureK && rho < kWaterCriticalDensityGcm3) {
            rho = 1.01 * kWaterCriticalDensityGcm3;
        }
        WaterState state;
        const DensitySolveResult solved =
            solveDensity(t + kKelvinOffset, pressureMPa, rho, kDensityTolerance, state);
        if (solved == DensitySolveResult::Refused || state.error != 0) return none;
        const double q = state.h - h;
        if (q == 0.0) return {t, state.cp};
        if (q < 0.0) {
            lower = t;
        } else {
            upper = t;
        }
        double next = t - q / state.cp;
        if (!(next > lower && next < upper)) next = 0.5 * (lower + upper);
        // Newton's steps shrink quadratically: after a step of 1e-7 K the next would be far
        // below the round-off of the temperature.
        if (std::fabs(next - t) <= 1e-7) return {next, state.cp};
        t = next;
        rho = state.rho * 1e-3;
    }
    return none;
}

SinglePhaseTemperature singlePhaseTemperatureForEnthalpy(double pressureBar,
                                                         double specificEnthalpyJKg,
                                                         double composition,
                                                         const WaterSaturatedStates& saturation) {
    const double x = composition;
    const SinglePhaseTemperature water =
        waterTemperatureForEnthalpy(pressureBar, specificEnthalpyJKg * (1.0 + x), saturation);
    const EnthalpyScaledTemperature scaling = enthalpyScaledTemperature(pressureBar, x);
    return {(water.temperatureC - scaling.offsetC) / scaling.slope,
            water.heatCapacityJKgK * scaling.slope / (1.0 + x)};
}

}  // namespace kelvoran
