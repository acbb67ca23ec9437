// Phase amounts by the lever rule and the bulk values that follow from them: mass balance,
// saturations, and continuity of the bulk density and enthalpy where a phase appears.
#include <gtest/gtest.h>

#include <cmath>

#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"

namespace kelvoran {
namespace {

TEST(PhaseAmountsTest, MassBalanceAndSaturationsOfEveryTwoPhasePoint) {
    Calculator calculator;
    int twoPhase = 0;
    for (double t = 20.0; t <= 1000.0; t += 35.0) {
        for (double p = 1.0; p <= 3000.0; p *= 1.7) {
            for (double x : {1e-6, 1e-3, 0.02, 0.1, 0.3, 0.6, 0.95}) {
                const PointResult r = calculator.evaluate(t, p, x);
                if (isSinglePhase(r.phases)) {
                    const PhaseRecord& fluid = r.phases == Phases::Vapor ? r.vapor : r.liquid;
                    EXPECT_EQ(fluid.phaseMassFraction, 1.0);
                    EXPECT_EQ(fluid.saturation, 1.0);
                    continue;
                }
                if (r.phases == Phases::VaporLiquidHalite) continue;
                ++twoPhase;
                SCOPED_TRACE(std::to_string(t) + " °C " + std::to_string(p) + " bar x " +
                             std::to_string(x));
                double mass = 0.0, salt = 0.0, saturation = 0.0, volume = 0.0;
                for (const PhaseRecord* ph : {&r.liquid, &r.vapor, &r.halite}) {
                    if (ph->phaseState == 0) continue;
                    EXPECT_GE(ph->phaseMassFraction, -1e-15);
                    EXPECT_GE(ph->saturation, 0.0);
                    EXPECT_LE(ph->saturation, 1.0);
                    mass += ph->phaseMassFraction;
                    salt += ph->phaseMassFraction * ph->massPercent * 0.01;
                    saturation += ph->saturation;
                    volume += ph->phaseMassFraction / ph->density;
                }
                EXPECT_NEAR(mass, 1.0, 1e-12);
                EXPECT_NEAR(salt, r.bulk.massPercent * 0.01, 1e-12);
                EXPECT_NEAR(saturation, 1.0, 1e-12);
                EXPECT_NEAR(r.bulk.density, 1.0 / volume, 1e-12 * r.bulk.density);
                EXPECT_TRUE(std::isnan(r.bulk.heatCapacity));
                // Halite has no enthalpy in the model, so neither has a bulk with halite.
                EXPECT_EQ(std::isnan(r.bulk.specificEnthalpy), r.hasHalite());
            }
        }
    }
    EXPECT_GT(twoPhase, 100);
}

TEST(PhaseAmountsTest, BulkValuesAreContinuousWhereAPhaseAppears) {
    Calculator calculator;
    const double eps = 1e-9;
    // Bubble and dew side of V + L at (T, P), and the halite liquidus (density only).
    const struct {
        double t, p, x;
        bool enthalpy;
    } boundaries[] = {
        {400.0, 250.0, coexistingLiquidComposition(400.0, 250.0), true},
        {400.0, 250.0, coexistingVaporComposition(400.0, 250.0), true},
        {700.0, 300.0, coexistingLiquidComposition(700.0, 300.0), true},
        {25.0, 1.0, haliteLiquidusComposition(25.0, 1.0), false},
        {300.0, 500.0, haliteLiquidusComposition(300.0, 500.0), false},
    };
    for (const auto& b : boundaries) {
        const PointResult below = calculator.evaluate(b.t, b.p, b.x * (1.0 - eps));
        const PointResult above = calculator.evaluate(b.t, b.p, b.x * (1.0 + eps));
        ASSERT_NE(below.phases, above.phases) << b.t << " " << b.x;
        EXPECT_NEAR(below.bulk.density, above.bulk.density, 1e-6 * above.bulk.density) << b.x;
        if (b.enthalpy) {
            EXPECT_NEAR(below.bulk.specificEnthalpy, above.bulk.specificEnthalpy,
                        1e-6 * std::fabs(above.bulk.specificEnthalpy))
                << b.x;
        }
    }
}

}  // namespace
}  // namespace kelvoran
