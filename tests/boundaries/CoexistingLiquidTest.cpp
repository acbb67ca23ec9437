#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "boundaries/CoexistingLiquid.h"
#include "boundaries/CriticalCurve.h"
#include "support/RelativeNear.h"
#include "support/SameValue.h"

namespace kelvoran {
namespace {

using testing::relativeNear;
using testing::sameValue;

// The branch at T as the evaluator builds it: with the boiling pressure of water below its
// critical temperature, NaN above.
CoexistingLiquidBranch branchAt(double t) {
    return coexistingLiquidBranch(t, t < kWaterCriticalTemperatureC
                                         ? waterSaturationPressureBar(t)
                                         : std::numeric_limits<double>::quiet_NaN());
}

struct CoefficientPoint {
    double temperatureC;
    double linear;     // g1, 60-digit evaluation
    double quadratic;  // g2, likewise
};

constexpr CoefficientPoint kCoefficients[] = {
    {25.0, 0.0016845052184801365, 5.6889000128309914e-5},
    {400.0, 0.0014328653893421214, 3.7128376759101309e-6},
    {600.0, 1.5257493733180485e-5, 7.6909032952303479e-7},
};

class CoexistingLiquidCoefficients : public ::testing::TestWithParam<CoefficientPoint> {};

TEST_P(CoexistingLiquidCoefficients, MatchReference) {
    const CoefficientPoint& point = GetParam();
    const CoexistingLiquidBranch branch = branchAt(point.temperatureC);
    EXPECT_TRUE(relativeNear(branch.linearCoefficient, point.linear, 1e-14));
    EXPECT_TRUE(relativeNear(branch.quadraticCoefficient, point.quadratic, 1e-14));
}

INSTANTIATE_TEST_SUITE_P(Temperatures, CoexistingLiquidCoefficients,
                         ::testing::ValuesIn(kCoefficients));

struct LiquidPoint {
    double temperatureC;
    double pressureBar;
    double composition;  // 60-digit evaluation of the branch (critical-point end)
};

constexpr LiquidPoint kPoints[] = {
    {373.976, 200.0, 0.042224217880970736}, {400.0, 250.0, 0.064412789257532791},
    {500.0, 400.0, 0.23195621296119736},    {600.0, 500.0, 0.36981747285425011},
    {700.0, 1000.0, 0.23709546307810414},   {800.7, 1000.0, 0.37970738003504321},
    {900.0, 1500.0, 0.33149331252071642},   {1000.0, 100.0, 0.94235582419541329},
};

class CoexistingLiquidValues : public ::testing::TestWithParam<LiquidPoint> {};

TEST_P(CoexistingLiquidValues, MatchesReference) {
    const LiquidPoint& point = GetParam();
    EXPECT_TRUE(relativeNear(coexistingLiquidComposition(point.temperatureC, point.pressureBar),
                             point.composition, 1e-13));
}

INSTANTIATE_TEST_SUITE_P(Points, CoexistingLiquidValues, ::testing::ValuesIn(kPoints));

// Below the critical point of water the branch runs from pure water at its boiling pressure to
// the halite-saturated liquid on the three-phase curve.
TEST(CoexistingLiquidTest, LowTemperatureBranchEndPoints) {
    for (const double t : {25.0, 100.0, 300.0, 373.5}) {
        const double boiling = waterSaturationPressureBar(t);
        ASSERT_TRUE(std::isfinite(boiling)) << t;
        EXPECT_EQ(coexistingLiquidComposition(t, boiling), 0.0) << t;

        const CoexistingLiquidBranch branch = branchAt(t);
        EXPECT_EQ(branch.waterBoilingPressureBar, boiling) << t;
        const double anchorP = threePhasePressureBar(t);
        EXPECT_EQ(branch.anchorPressureBar, anchorP) << t;
        EXPECT_EQ(branch.anchorComposition, haliteLiquidusComposition(t, anchorP)) << t;
        EXPECT_TRUE(
            relativeNear(coexistingLiquidComposition(t, anchorP), branch.anchorComposition, 1e-12))
            << t;
    }
}

TEST(CoexistingLiquidTest, CriticalBranchEndPoints) {
    for (const double t : {kWaterCriticalTemperatureC, 400.0, 600.0, 800.7}) {
        EXPECT_EQ(coexistingLiquidComposition(t, criticalPressureBar(t)), criticalComposition(t))
            << t;

        const CoexistingLiquidBranch branch = branchAt(t);
        const double p = threePhasePressureBar(t);
        EXPECT_EQ(branch.anchorComposition, haliteLiquidusComposition(t, p)) << t;
        EXPECT_TRUE(
            relativeNear(coexistingLiquidComposition(t, p), branch.anchorComposition, 1e-12))
            << t;
    }
}

TEST(CoexistingLiquidTest, AnchorSwitchesToTheSaltBoilingCurveAboveTheMeltingPoint) {
    const CoexistingLiquidBranch atMelting = branchAt(800.7);
    EXPECT_EQ(atMelting.anchorPressureBar, threePhasePressureBar(800.7));
    EXPECT_EQ(atMelting.anchorComposition,
              haliteLiquidusComposition(800.7, threePhasePressureBar(800.7)));
    EXPECT_NE(atMelting.anchorComposition, 1.0);

    for (const double above : {std::nextafter(800.7, 1000.0), 900.0, 1000.0}) {
        const CoexistingLiquidBranch branch = branchAt(above);
        EXPECT_EQ(branch.anchorPressureBar, saltBoilingPressureBar(above)) << above;
        EXPECT_EQ(branch.anchorComposition, 1.0) << above;
    }
}

TEST(CoexistingLiquidTest, NanAboveTheCriticalPressure) {
    EXPECT_TRUE(std::isnan(coexistingLiquidComposition(25.0, 1.0)));  // Pcrit ≈ 0.093 bar
    for (const double t : {400.0, 700.0, 900.0}) {
        EXPECT_TRUE(
            std::isnan(coexistingLiquidComposition(t, std::nextafter(criticalPressureBar(t), 1e4))))
            << t;
    }
}

// The evaluator builds the branch once per temperature and evaluates it at each pressure: on
// all three branches that gives the public function's numbers, and from the critical
// temperature of water on the boiling pressure handed in is not read.
TEST(CoexistingLiquidTest, OneBranchServesEveryPressureOfItsTemperature) {
    for (const double t : {100.0, 300.0, 373.5, kWaterCriticalTemperatureC, 500.0, 800.7, 900.0}) {
        const CoexistingLiquidBranch branch = branchAt(t);
        for (const double p : {0.5, 70.0, 80.0, 200.0, 500.0, 1500.0}) {
            EXPECT_TRUE(sameValue(coexistingLiquidComposition(branch, p),
                                  coexistingLiquidComposition(t, p)))
                << t << " °C, " << p << " bar";
        }
        if (t >= kWaterCriticalTemperatureC) {
            const CoexistingLiquidBranch other = coexistingLiquidBranch(t, 123.0);
            EXPECT_TRUE(std::isnan(other.waterBoilingPressureBar)) << t;
            EXPECT_TRUE(sameValue(coexistingLiquidComposition(other, 200.0),
                                  coexistingLiquidComposition(branch, 200.0)))
                << t;
        }
    }
}

}  // namespace
}  // namespace kelvoran
