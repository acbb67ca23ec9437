// The inverse evaluations: round trips (T, P, x) → bulk property → (P, property, x) → T over
// every halite-free state for the enthalpy and every state for the density, the three-phase
// plateau, isochore points, documented errors, and the fluid-inclusion helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inclusions.h"
#include "kelvoran/Inverse.h"

namespace kelvoran {
namespace {

// A returned state reproduces the given property to 1e-10 relative, or to the size of the
// steps of the model's own values (each water state is solved to 1e-8 in pressure).
constexpr double kTolerance = 3e-10;

std::string where(double t, double p, double x) {
    return std::to_string(t) + " °C, " + std::to_string(p) + " bar, x = " + std::to_string(x);
}

TEST(InverseEvaluationTest, RoundTripsThroughEnthalpyAndDensity) {
    Calculator calculator;
    int states[8] = {};
    for (double t = 5.0; t <= 995.0; t += 45.0) {
        for (double p : {1.0, 10.0, 100.0, 250.0, 600.0, 2000.0}) {
            for (double x : {0.0, 1e-4, 0.01, 0.05, 0.2, 0.5}) {
                SCOPED_TRACE(where(t, p, x));
                const PointResult r = calculator.evaluate(t, p, x);
                ++states[static_cast<int>(r.phases)];
                const double h = r.bulk.specificEnthalpy;
                if (std::isfinite(h)) {
                    const InverseResult byH = evaluatePH(p, h, x);
                    ASSERT_EQ(byH.status, InverseStatus::Solved);
                    EXPECT_NEAR(byH.point.bulk.specificEnthalpy, h, kTolerance * std::fabs(h));
                    EXPECT_EQ(byH.pressureBar, p);
                    EXPECT_EQ(byH.point.bulk.temperature, byH.temperatureC);
                }
                const double rho = r.bulk.density;
                if (std::isfinite(rho)) {
                    const InverseResult byRho = evaluatePRho(p, rho, x);
                    ASSERT_EQ(byRho.status, InverseStatus::Solved);
                    EXPECT_NEAR(byRho.point.bulk.density, rho, kTolerance * rho);
                }
            }
        }
    }
    for (int s : {1, 2, 3, 4, 5, 6}) EXPECT_GT(states[s], 0) << "no point of state " << s;
}

TEST(InverseEvaluationTest, ThreePhasePlateauFromTheDensity) {
    const double t = 500.0;
    const double p3 = threePhasePressureBar(t);
    const double x = 0.1;
    Calculator calculator;
    // Just off the curve in pressure: V + H below, L + H above; a density in between is V+L+H.
    const double below = calculator.evaluate(t, std::nextafter(p3, 0.0), x).bulk.density;
    const double above = calculator.evaluate(t, std::nextafter(p3, 1e4), x).bulk.density;
    ASSERT_LT(below, above);
    const double rho = std::sqrt(below * above);
    for (const InverseResult& r : {evaluateTRho(t, rho, x), evaluatePRho(p3, rho, x)}) {
        ASSERT_EQ(r.status, InverseStatus::Solved);
        EXPECT_EQ(r.point.phases, Phases::VaporLiquidHalite);
        EXPECT_NEAR(r.temperatureC, t, 1e-9 * t);
        EXPECT_NEAR(r.pressureBar, p3, 1e-9 * p3);
        double mass = 0.0, salt = 0.0, volume = 0.0;
        for (const PhaseRecord* phase : {&r.point.vapor, &r.point.liquid, &r.point.halite}) {
            EXPECT_GE(phase->phaseMassFraction, 0.0);
            mass += phase->phaseMassFraction;
            salt += phase->phaseMassFraction * phase->massPercent * 0.01;
            volume += phase->phaseMassFraction / phase->density;
        }
        EXPECT_NEAR(mass, 1.0, 1e-12);
        EXPECT_NEAR(salt, r.point.bulk.massPercent * 0.01, 1e-12);
        EXPECT_NEAR(1.0 / volume, rho, 1e-10 * rho);
    }
}

TEST(InverseEvaluationTest, DocumentedErrors) {
    // Hotter than any state in 0–1000 °C, and NaN in.
    EXPECT_EQ(evaluatePH(100.0, 1e8, 0.01).status, InverseStatus::OutOfRange);
    EXPECT_EQ(evaluatePH(100.0, -1e8, 0.01).status, InverseStatus::OutOfRange);
    EXPECT_EQ(evaluatePH(std::nan(""), 1e6, 0.01).status, InverseStatus::InvalidInput);
    EXPECT_EQ(evaluatePRho(100.0, -5.0, 0.01).status, InverseStatus::InvalidInput);
    EXPECT_EQ(evaluatePH(100.0, 1e6, 1.5).status, InverseStatus::InvalidInput);
    // At 100 bar and x = 0.1 the states between the liquid and the vapor hold halite, whose
    // enthalpy the model does not give: an enthalpy between the two is undefined.
    Calculator calculator;
    double hLiquid = std::nan(""), hVapor = std::nan("");
    bool haliteSeen = false;
    for (double t = 200.0; t <= 990.0; t += 10.0) {
        const PointResult r = calculator.evaluate(t, 100.0, 0.1);
        haliteSeen = haliteSeen || r.hasHalite();
        if (r.hasHalite()) continue;
        if (!haliteSeen) hLiquid = r.bulk.specificEnthalpy;
        if (haliteSeen && std::isnan(hVapor)) hVapor = r.bulk.specificEnthalpy;
    }
    ASSERT_LT(hLiquid, hVapor);
    EXPECT_EQ(evaluatePH(100.0, 0.5 * (hLiquid + hVapor), 0.1).status, InverseStatus::Undefined);
    EXPECT_FALSE(describe(InverseStatus::Undefined).empty());
}

TEST(InverseEvaluationTest, FluidInclusions) {
    // Salinity from halite dissolution: the liquidus on the three-phase curve, or at a pressure.
    for (double t : {100.0, 300.0, 500.0}) {
        EXPECT_EQ(salinityFromHaliteDissolution(t),
                  haliteLiquidusComposition(t, threePhasePressureBar(t)));
        EXPECT_EQ(salinityFromHaliteDissolutionAt(t, 1000.0), haliteLiquidusComposition(t, 1000.0));
    }
    // Ice melting: Bodnar's table gives 13.94 wt % at −10 °C and 23.18 wt % at −21.2 °C.
    EXPECT_NEAR(salinityFromIceMelting(-10.0), 0.1394, 5e-5);
    EXPECT_NEAR(salinityFromIceMelting(-21.2), 0.2318, 5e-5);
    EXPECT_EQ(salinityFromIceMelting(0.0), 0.0);
    EXPECT_TRUE(std::isnan(salinityFromIceMelting(-25.0)));

    // Homogenization to the liquid and to the vapor: the branch has the composition there, and
    // the isochore from there keeps the density and stays single-phase above Th.
    const double x = 0.05;
    for (const auto& [th, kind] : {std::pair{250.0, HomogenizationKind::ToLiquid},
                                   std::pair{420.0, HomogenizationKind::ToLiquid},
                                   std::pair{550.0, HomogenizationKind::ToVapor}}) {
        SCOPED_TRACE(th);
        const Homogenization h = homogenization(x, th, kind);
        ASSERT_EQ(h.status, InverseStatus::Solved);
        const double branch = kind == HomogenizationKind::ToLiquid
                                  ? coexistingLiquidComposition(th, h.pressureBar)
                                  : coexistingVaporComposition(th, h.pressureBar);
        EXPECT_NEAR(branch, x, 1e-12);
        const std::vector<double> temperatures = {th + 20.0, th + 100.0, th + 200.0};
        for (const InverseResult& r : isochore(x, h.densityKgM3, temperatures)) {
            ASSERT_EQ(r.status, InverseStatus::Solved);
            EXPECT_NEAR(r.point.bulk.density, h.densityKgM3, kTolerance * h.densityKgM3);
            EXPECT_TRUE(isSinglePhase(r.point.phases)) << r.temperatureC;
            EXPECT_GT(r.pressureBar, h.pressureBar);
        }
    }
}

}  // namespace
}  // namespace kelvoran
