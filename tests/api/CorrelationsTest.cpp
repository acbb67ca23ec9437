// The public correlation functions: published reference values, recorded model outputs, and the
// very numbers the phase-state evaluation puts into its records.
#include <gtest/gtest.h>

#include <functional>

#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using kelvoran::testing::relativeNear;

struct Case {
    const char* name;
    std::function<double()> value;
    double expected;
    double relative;
};

// Values from outside this code: what the model is built to reproduce.
TEST(CorrelationsTest, PublishedReferenceValues) {
    const Case cases[] = {
        // The critical point of water the model is built on (373.976 °C, 220.54915 bar), where
        // the critical curve of the binary starts.
        {"critical pressure at 373.976", [] { return criticalPressureBar(373.976); }, 220.54915, 0},
        // Handbook values for water: 997.05 kg/m³ at 25 °C and 1 bar, normal boiling point
        // 100 °C at 1.01325 bar (not re-read against a printed source).
        {"water density at 25 °C, 1 bar", [] { return pureWater(25.0, 1.0).densityKgM3; }, 997.05,
         1e-4},
        {"water boiling temperature at 1.01325 bar",
         [] { return waterSaturationTemperatureC(1.01325); }, 100.0, 1e-3},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(relativeNear(c.value(), c.expected, c.relative)) << c.name;
    }
}

// Recorded model outputs, six significant digits of what this code computed when they were
// written down: they catch a function wired to the wrong correlation or a changed coefficient,
// not an error of the correlation itself (docs/validation.md compares with measurements).
TEST(CorrelationsTest, RecordedModelOutputs) {
    const Case cases[] = {
        {"critical pressure at 500", [] { return criticalPressureBar(500.0); }, 581.01015, 1e-7},
        {"critical composition at 600", [] { return criticalComposition(600.0); }, 0.0777761, 0},
        {"three-phase pressure at 500", [] { return threePhasePressureBar(500.0); }, 322.00274,
         1e-7},
        {"liquidus at 25 °C, 1 bar", [] { return haliteLiquidusComposition(25.0, 1.0); }, 0.0998416,
         1e-5},
        {"halite-saturated vapor at 400 °C, 100 bar",
         [] { return haliteSaturatedVaporComposition(400.0, 100.0); }, 7.80788e-07, 1e-5},
        {"melting temperature at 1000 bar", [] { return saltMeltingTemperatureC(1000.0); }, 825.426,
         1e-12},
        {"boiling pressure at 500", [] { return saltBoilingPressureBar(500.0); }, 1.94045e-07,
         1e-5},
        {"sublimation pressure at 500", [] { return saltSublimationPressureBar(500.0); },
         2.64863e-08, 1e-5},
        {"water boiling pressure at 373.5", [] { return waterSaturationPressureBar(373.5); },
         219.298, 1e-5},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(relativeNear(c.value(), c.expected, c.relative)) << c.name;
    }
}

TEST(CorrelationsTest, TheEvaluationUsesTheSameNumbers) {
    Calculator calculator;
    const PointResult vl = calculator.evaluate(400.0, 250.0, 0.05);
    ASSERT_EQ(vl.phases, Phases::VaporLiquid);
    EXPECT_EQ(vl.liquid.composition, coexistingLiquidComposition(400.0, 250.0));
    EXPECT_EQ(vl.vapor.composition, coexistingVaporComposition(400.0, 250.0));
    const FluidPoint liquid = mixtureProperties(400.0, 250.0, vl.liquid.composition);
    EXPECT_EQ(vl.liquid.density, liquid.densityKgM3);
    EXPECT_EQ(vl.liquid.heatCapacity, liquid.heatCapacityJKgK);

    const PointResult vh = calculator.evaluate(500.0, 100.0, 0.05);
    ASSERT_EQ(vh.phases, Phases::VaporHalite);
    EXPECT_EQ(vh.vapor.composition, haliteSaturatedVaporComposition(500.0, 100.0));
    EXPECT_EQ(vh.vapor.density, pureWater(500.0, 100.0).densityKgM3);
    EXPECT_EQ(vh.halite.density, haliteDensityKgM3(500.0, 100.0));
    EXPECT_EQ(vh.halite.heatCapacity, haliteHeatCapacityJKgK(500.0, 100.0));

    const double p3 = threePhasePressureBar(500.0);
    const PointResult vlh = calculator.evaluate(500.0, p3, 0.1);
    ASSERT_EQ(vlh.phases, Phases::VaporLiquidHalite);
    EXPECT_EQ(vlh.liquid.composition, haliteLiquidusComposition(500.0, p3));
}

}  // namespace
}  // namespace kelvoran
