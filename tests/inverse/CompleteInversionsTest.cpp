// Every inversion over random and log-random points (pure water and traces of salt included)
// finds a state with the given value, and the same state unless it reports others; a value
// inside the jump of boiling water, pure or nearly, gives the two-phase state at the model's own
// boiling point; several roots are reported and a search range picks among them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inclusions.h"
#include "kelvoran/Inverse.h"
#include "water/WaterProperties.h"

namespace kelvoran {
namespace {

// The returned state reproduces the value to 1e-10 relative, or to the steps of the model's own
// values where it cannot (each water state is solved to 1e-8 in pressure).
constexpr double kTolerance = 1e-9;

std::string where(double t, double p, double x) {
    char text[96];
    std::snprintf(text, sizeof text, "%.17g °C, %.17g bar, x = %.17g", t, p, x);
    return text;
}

bool multiple(const InverseResult& r) {
    return (r.point.warnings & kWarningMultipleSolutions) != 0;
}

// Checks the state found for a value taken from the state at (t, p, x): solved, reproducing the
// value, at the original temperature (or pressure) or flagged as one of several.
void expectRoundTrip(const InverseResult& r, double value, double original, double found,
                     bool byDensity) {
    ASSERT_EQ(r.status, InverseStatus::Solved);
    const double got = byDensity ? r.point.bulk.density : r.point.bulk.specificEnthalpy;
    EXPECT_NEAR(got, value, kTolerance * std::fabs(value));
    if (!multiple(r)) {
        EXPECT_NEAR(found, original, 1e-6 * std::fmax(std::fabs(original), 1.0));
    }
}

TEST(CompleteInversionsTest, RoundTripsOverRandomAndLogRandomPoints) {
    std::mt19937_64 random(2112);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Calculator calculator;
    int states[8] = {}, traces = 0, flagged = 0;
    for (int i = 0; i < 600; ++i) {
        const bool logRandom = i % 2 == 1;
        const double t = 1000.0 * unit(random);
        const double p = logRandom ? std::pow(5000.0, unit(random)) : 1.0 + 4999.0 * unit(random);
        const double x = !logRandom    ? unit(random)
                         : i % 10 == 1 ? 0.0
                                       : std::pow(10.0, -12.0 + 11.0 * unit(random));
        SCOPED_TRACE(where(t, p, x));
        const PointResult direct = calculator.evaluate(t, p, x);
        ++states[static_cast<int>(direct.phases)];
        traces += x > 0.0 && x < 1e-5;
        const double h = direct.bulk.specificEnthalpy;
        if (std::isfinite(h)) {
            const InverseResult r = evaluatePH(p, h, x);
            expectRoundTrip(r, h, t, r.temperatureC, false);
            EXPECT_FALSE(multiple(r));  // the enthalpy rises with T
        }
        const double rho = direct.bulk.density;
        if (!std::isfinite(rho)) continue;  // V + L + H: no bulk density at (T, P, x)
        const InverseResult byP = evaluatePRho(p, rho, x);
        expectRoundTrip(byP, rho, t, byP.temperatureC, true);
        const InverseResult byT = evaluateTRho(t, rho, x);
        expectRoundTrip(byT, rho, p, byT.pressureBar, true);
        flagged += multiple(byP) + multiple(byT);
    }
    for (int s : {1, 2, 3, 4, 5, 6}) EXPECT_GT(states[s], 0) << "no point of state " << s;
    EXPECT_GT(traces, 100);
    EXPECT_GT(flagged, 0);  // salt-rich states meet their density on both sides of a jump
}

TEST(CompleteInversionsTest, BoilingPureWaterAtTheModelsSaturation) {
    for (const double p : {1.0, 15.5, 100.0, 200.0}) {
        const WaterSaturatedStates s = waterSaturatedStatesAtPressure(p);
        ASSERT_EQ(s.temperatureC, waterSaturationTemperatureC(p));
        for (const double m : {0.0, 0.2, 0.5, 1.0}) {
            SCOPED_TRACE(std::to_string(p) + " bar, vapor mass fraction " + std::to_string(m));
            const double h = s.liquid.specificEnthalpyJKg +
                             m * (s.vapor.specificEnthalpyJKg - s.liquid.specificEnthalpyJKg);
            const double rho = 1.0 / ((1.0 - m) / s.liquid.densityKgM3 + m / s.vapor.densityKgM3);
            for (const InverseResult& r : {evaluatePH(p, h, 0.0), evaluatePRho(p, rho, 0.0)}) {
                ASSERT_EQ(r.status, InverseStatus::Solved);
                EXPECT_TRUE(r.amountsFromBulkProperty);
                EXPECT_EQ(r.point.phases, Phases::VaporLiquid);
                EXPECT_EQ(r.temperatureC, s.temperatureC);
                EXPECT_EQ(r.point.liquid.density, s.liquid.densityKgM3);
                EXPECT_EQ(r.point.vapor.density, s.vapor.densityKgM3);
                EXPECT_EQ(r.point.liquid.specificEnthalpy, s.liquid.specificEnthalpyJKg);
                EXPECT_EQ(r.point.vapor.specificEnthalpy, s.vapor.specificEnthalpyJKg);
                EXPECT_NEAR(r.point.vapor.phaseMassFraction, m, 1e-12);
                EXPECT_NEAR(r.point.bulk.specificEnthalpy, h, 1e-12 * h);
                EXPECT_NEAR(r.point.bulk.density, rho, 1e-12 * rho);
                const double vaporVolume = m / s.vapor.densityKgM3;
                EXPECT_NEAR(r.point.vapor.saturation, vaporVolume * rho, 1e-12);
                EXPECT_NEAR(r.point.vapor.saturation + r.point.liquid.saturation, 1.0, 1e-15);
            }
        }
    }
    // Along an isotherm the jump lies at the boiling pressure of the phase classification.
    for (const double t : {50.0, 200.0, 350.0}) {
        const WaterSaturatedStates s = waterSaturatedStatesAtTemperature(t);
        ASSERT_EQ(s.pressureBar, waterSaturationPressureBar(t));
        const double rho = std::sqrt(s.liquid.densityKgM3 * s.vapor.densityKgM3);
        const InverseResult r = evaluateTRho(t, rho, 0.0, SearchRange{0.0, 1000.0, 0.01, 5000.0});
        ASSERT_EQ(r.status, InverseStatus::Solved) << t;
        EXPECT_EQ(r.point.phases, Phases::VaporLiquid);
        EXPECT_EQ(r.pressureBar, s.pressureBar);
        EXPECT_NEAR(r.point.bulk.density, rho, 1e-12 * rho);
    }
    // The inputs that found nothing before: boiling water at 15.5 bar and 200 °C.
    for (const double h : {1e6, 1.5e6, 2e6}) {
        EXPECT_EQ(evaluatePH(15.5, h, 0.0).point.phases, Phases::VaporLiquid);
    }
    for (const double rho : {100.0, 500.0}) {
        EXPECT_EQ(evaluatePRho(15.5, rho, 0.0).point.phases, Phases::VaporLiquid);
    }
    for (const double rho : {100.0, 500.0, 800.0}) {
        EXPECT_EQ(evaluateTRho(200.0, rho, 0.0).point.phases, Phases::VaporLiquid);
    }
}

TEST(CompleteInversionsTest, TracesOfSaltInsideTheBoilingJump) {
    // The vapor + liquid field of a dilute fluid is far narrower than a degree: a value between
    // water's saturated liquid and vapor is a two-phase state at the boiling point of water.
    for (const double x : {1e-12, 1e-10, 1e-8, 1e-6, 1e-5}) {
        for (const double p : {1.5, 15.5, 100.0, 210.0}) {
            const WaterSaturatedStates s = waterSaturatedStatesAtPressure(p);
            for (const double m : {0.1, 0.5, 0.9}) {
                SCOPED_TRACE(std::to_string(p) + " bar, x = " + std::to_string(x));
                const double h = s.liquid.specificEnthalpyJKg +
                                 m * (s.vapor.specificEnthalpyJKg - s.liquid.specificEnthalpyJKg);
                const double rho =
                    1.0 / ((1.0 - m) / s.liquid.densityKgM3 + m / s.vapor.densityKgM3);
                const InverseResult byH = evaluatePH(p, h, x);
                const InverseResult byRho = evaluatePRho(p, rho, x);
                for (const InverseResult& r : {byH, byRho}) {
                    ASSERT_EQ(r.status, InverseStatus::Solved);
                    EXPECT_EQ(r.point.phases, Phases::VaporLiquid);
                    EXPECT_NEAR(r.temperatureC, s.temperatureC, 0.5);
                }
                EXPECT_NEAR(byH.point.bulk.specificEnthalpy, h, kTolerance * h);
                EXPECT_NEAR(byRho.point.bulk.density, rho, kTolerance * rho);
            }
        }
        const WaterSaturatedStates s = waterSaturatedStatesAtTemperature(150.0);
        const double rho = std::sqrt(s.liquid.densityKgM3 * s.vapor.densityKgM3);
        const InverseResult r = evaluateTRho(150.0, rho, x);
        ASSERT_EQ(r.status, InverseStatus::Solved) << x;
        EXPECT_NEAR(r.pressureBar, s.pressureBar, 0.01 * s.pressureBar);
        EXPECT_NEAR(r.point.bulk.density, rho, kTolerance * rho);
    }
}

TEST(CompleteInversionsTest, SeveralRootsAndSearchRanges) {
    Calculator calculator;
    struct Case {
        double t, p, x;
        bool alongPressure;
    };
    // A salt-rich L + H state whose density V + L + H also has at two lower temperatures; cold
    // brine beside its density maximum; a liquid with halite at low pressure, whose
    // extrapolated volume lets the density dip as the pressure rises.
    for (const Case& c : {Case{795.52, 38.879, 0.98058, false}, Case{12.52, 1.0, 0.0061, false},
                          Case{113.32645944485863, 5.8509621858518699, 0.2773106782171329, true}}) {
        SCOPED_TRACE(where(c.t, c.p, c.x));
        const double rho = calculator.evaluate(c.t, c.p, c.x).bulk.density;
        const auto invert = [&](const SearchRange& range) {
            return c.alongPressure ? evaluateTRho(c.t, rho, c.x, range)
                                   : evaluatePRho(c.p, rho, c.x, range);
        };
        const auto found = [&](const InverseResult& r) {
            return c.alongPressure ? r.pressureBar : r.temperatureC;
        };
        const double original = c.alongPressure ? c.p : c.t;
        const InverseResult lowest = invert(SearchRange{});
        ASSERT_EQ(lowest.status, InverseStatus::Solved);
        EXPECT_TRUE(multiple(lowest));
        EXPECT_LT(found(lowest), original - 1e-3 * original);
        EXPECT_NEAR(lowest.point.bulk.density, rho, kTolerance * rho);
        // A range from just below the original state finds it.
        SearchRange range;
        (c.alongPressure ? range.lowerBar : range.lowerC) = original - 1e-3 * original;
        const InverseResult r = invert(range);
        ASSERT_EQ(r.status, InverseStatus::Solved);
        EXPECT_NEAR(found(r), original, 1e-6 * original);
        EXPECT_NEAR(r.point.bulk.density, rho, kTolerance * rho);
    }
    // The batch takes the range, and says which amounts the value fixed.
    const std::vector<double> p = {15.5, 15.5}, h = {1.5e6, 1.5e6}, x = {0.0, 0.0};
    std::vector<double> t(2);
    std::vector<std::int32_t> status(2);
    bool fixed[2] = {false, false};
    BatchOptions options;
    options.searchRange.upperC = 150.0;  // below the boiling point at 15.5 bar
    InverseColumns inverse;
    inverse.temperatureC = t.data();
    inverse.status = status.data();
    inverse.amountsFromBulkProperty = fixed;
    evaluateBatchPH(std::span(p).first(1), std::span(h).first(1), std::span(x).first(1), {},
                    inverse, options);
    EXPECT_EQ(status[0], static_cast<std::int32_t>(InverseStatus::OutOfRange));
    EXPECT_FALSE(fixed[0]);
    evaluateBatchPH(p, h, x, {}, inverse);
    EXPECT_EQ(status[1], 0);
    EXPECT_TRUE(fixed[1]);
    EXPECT_EQ(t[1], waterSaturationTemperatureC(15.5));
    // Ranges without lower < upper are invalid input.
    EXPECT_EQ(evaluatePH(15.5, 1e6, 0.0, SearchRange{200.0, 100.0}).status,
              InverseStatus::InvalidInput);
    EXPECT_EQ(evaluateTRho(200.0, 500.0, 0.0, SearchRange{0.0, 1000.0, 0.0, 10.0}).status,
              InverseStatus::InvalidInput);
}

TEST(CompleteInversionsTest, InclusionsOfPureWaterAndBelowOneBar) {
    // Pure water homogenizes at its boiling pressure, into its saturated liquid or vapor.
    const WaterSaturatedStates s = waterSaturatedStatesAtTemperature(250.0);
    const Homogenization vapor = homogenization(0.0, 250.0, HomogenizationKind::ToVapor);
    const Homogenization liquid = homogenization(0.0, 250.0, HomogenizationKind::ToLiquid);
    ASSERT_EQ(vapor.status, InverseStatus::Solved);
    EXPECT_NEAR(vapor.densityKgM3, 19.956, 5e-4);
    EXPECT_EQ(vapor.densityKgM3, s.vapor.densityKgM3);
    EXPECT_EQ(liquid.densityKgM3, s.liquid.densityKgM3);
    EXPECT_EQ(liquid.pressureBar, s.pressureBar);
    // The isochore from there, at Th and above, for water and a dilute brine homogenizing below
    // 1 bar.
    for (const auto& [x, th, kind] : {std::tuple{0.0, 250.0, HomogenizationKind::ToLiquid},
                                      std::tuple{0.0, 250.0, HomogenizationKind::ToVapor},
                                      std::tuple{0.001, 97.0, HomogenizationKind::ToLiquid}}) {
        {
            const Homogenization start = homogenization(x, th, kind);
            ASSERT_EQ(start.status, InverseStatus::Solved) << x;
            const std::vector<double> temperatures = {th, th + 10.0, th + 100.0};
            for (const InverseResult& r : isochore(x, start.densityKgM3, temperatures)) {
                SCOPED_TRACE(where(r.temperatureC, r.pressureBar, x));
                ASSERT_EQ(r.status, InverseStatus::Solved);
                EXPECT_NEAR(r.point.bulk.density, start.densityKgM3,
                            kTolerance * start.densityKgM3);
                if (r.point.bulk.temperature == th) {
                    EXPECT_NEAR(r.pressureBar, start.pressureBar, 1e-6 * start.pressureBar);
                }
            }
        }
    }
    EXPECT_LT(homogenization(0.001, 97.0, HomogenizationKind::ToLiquid).pressureBar, 1.0);
}

}  // namespace
}  // namespace kelvoran
