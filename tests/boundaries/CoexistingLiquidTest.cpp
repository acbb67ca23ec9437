#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "boundaries/CoexistingLiquid.h"
#include "boundaries/CriticalCurve.h"
#include "boundaries/ThreePhaseCurve.h"
#include "salt/HaliteLiquidus.h"
#include "salt/SaltBoilingCurve.h"
#include "support/RelativeNear.h"
#include "water/WaterProperties.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

double liquidAt(double t, double p) {
    CoexistingLiquid liquid(t, p);
    liquid.update();
    return liquid.composition();
}

double criticalPressureAt(double t) {
    CriticalCurve curve(t);
    curve.update();
    return curve.criticalPressure();
}

double criticalCompositionAt(double t) {
    CriticalCurve curve(t);
    curve.update();
    return curve.criticalComposition();
}

double threePhasePressureAt(double t) {
    ThreePhaseCurve curve(t);
    curve.update();
    return curve.pressure();
}

double liquidusAt(double t, double p) {
    HaliteLiquidus liquidus(t, p);
    liquidus.update();
    return liquidus.composition();
}

double waterBoilingPressureBarAt(double t) {
    const double p = 1.0;
    WaterProperties water(t, p);
    return water.saturationPressure() * 1e-05;
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
    CoexistingLiquid liquid(point.temperatureC, 1.0);
    liquid.update();
    EXPECT_TRUE(relativeNear(liquid.linearCoefficient(), point.linear, 1e-14));
    EXPECT_TRUE(relativeNear(liquid.quadraticCoefficient(), point.quadratic, 1e-14));
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
    EXPECT_TRUE(
        relativeNear(liquidAt(point.temperatureC, point.pressureBar), point.composition, 1e-13));
}

INSTANTIATE_TEST_SUITE_P(Points, CoexistingLiquidValues, ::testing::ValuesIn(kPoints));

// Below the critical point of water the branch runs from pure water at its boiling pressure to
// the halite-saturated liquid on the three-phase curve.
TEST(CoexistingLiquidTest, LowTemperatureBranchEndPoints) {
    for (const double t : {25.0, 100.0, 300.0, 373.5}) {
        double p = waterBoilingPressureBarAt(t);
        ASSERT_TRUE(std::isfinite(p)) << t;
        CoexistingLiquid liquid(t, p);
        liquid.update();
        EXPECT_EQ(liquid.composition(), 0.0) << t;

        const double anchorP = threePhasePressureAt(t);
        EXPECT_EQ(liquid.anchorPressure(), anchorP) << t;
        EXPECT_EQ(liquid.anchorComposition(), liquidusAt(t, anchorP)) << t;
        p = anchorP;
        liquid.update();
        EXPECT_TRUE(relativeNear(liquid.composition(), liquid.anchorComposition(), 1e-12)) << t;
    }
}

TEST(CoexistingLiquidTest, CriticalBranchEndPoints) {
    for (const double t : {kWaterCriticalTemperatureC, 400.0, 600.0, 800.7}) {
        double p = criticalPressureAt(t);
        CoexistingLiquid liquid(t, p);
        liquid.update();
        EXPECT_EQ(liquid.composition(), criticalCompositionAt(t)) << t;

        p = threePhasePressureAt(t);
        liquid.update();
        EXPECT_EQ(liquid.anchorComposition(), liquidusAt(t, p)) << t;
        EXPECT_TRUE(relativeNear(liquid.composition(), liquid.anchorComposition(), 1e-12)) << t;
    }
}

TEST(CoexistingLiquidTest, AnchorSwitchesToTheSaltBoilingCurveAboveTheMeltingPoint) {
    double t = 800.7;
    const double p = 1000.0;
    CoexistingLiquid liquid(t, p);
    liquid.update();
    EXPECT_EQ(liquid.anchorPressure(), threePhasePressureAt(800.7));
    EXPECT_EQ(liquid.anchorComposition(), liquidusAt(800.7, threePhasePressureAt(800.7)));
    EXPECT_NE(liquid.anchorComposition(), 1.0);

    for (const double above : {std::nextafter(800.7, 1000.0), 900.0, 1000.0}) {
        t = above;
        liquid.update();
        SaltBoilingCurve boiling(above, p);
        boiling.update();
        EXPECT_EQ(liquid.anchorPressure(), boiling.pressure()) << above;
        EXPECT_EQ(liquid.anchorComposition(), 1.0) << above;
    }
}

TEST(CoexistingLiquidTest, NanAboveTheCriticalPressure) {
    EXPECT_TRUE(std::isnan(liquidAt(25.0, 1.0)));  // Pcrit ≈ 0.093 bar at 25 °C
    for (const double t : {400.0, 700.0, 900.0}) {
        EXPECT_TRUE(std::isnan(liquidAt(t, std::nextafter(criticalPressureAt(t), 1e4)))) << t;
    }
}

// One object walked through points on all three branches, with temperature-only and
// pressure-only changes, gives what fresh objects give.
TEST(CoexistingLiquidTest, ResultsDoNotDependOnThePreviousPoint) {
    double t = 0.0;
    double p = 0.0;
    CoexistingLiquid liquid(t, p);
    EXPECT_TRUE(std::isnan(liquid.composition()));
    const double points[][2] = {{300.0, 80.0},   {300.0, 70.0}, {500.0, 70.0}, {900.0, 70.0},
                                {900.0, 1500.0}, {100.0, 0.5},  {600.0, 500.0}};
    for (const auto& point : points) {
        t = point[0];
        p = point[1];
        liquid.update();
        EXPECT_EQ(liquid.composition(), liquidAt(t, p)) << t << " " << p;
        EXPECT_TRUE(std::isfinite(liquid.composition())) << t << " " << p;
    }
}

TEST(CoexistingLiquidTest, RecomputesWhenEitherInputChanges) {
    double t = 450.0;
    double p = 300.0;
    CoexistingLiquid liquid(t, p);
    liquid.update();
    const double before = liquid.composition();
    liquid.update();
    EXPECT_EQ(liquid.composition(), before);
    t = std::nextafter(450.0, 1000.0);
    EXPECT_EQ(liquid.composition(), before);  // not yet updated
    liquid.update();
    EXPECT_EQ(liquid.composition(), liquidAt(t, p));
    EXPECT_NE(liquid.composition(), before);
    const double afterT = liquid.composition();
    p = std::nextafter(300.0, 1000.0);
    liquid.update();
    EXPECT_EQ(liquid.composition(), liquidAt(t, p));
    EXPECT_NE(liquid.composition(), afterT);
}

// With (bound value − 1) priming, the object skipped a first point at its construction values
// minus 1 and its liquidus member (bound to the private copies) one at minus 2.
TEST(CoexistingLiquidTest, FirstInputEqualToTheOldPrimingValueIsComputed) {
    for (const double offset : {1.0, 2.0, 3.0}) {
        double t = 400.0;
        double p = 250.0;
        CoexistingLiquid liquid(t, p);
        t -= offset;
        p -= offset;
        liquid.update();
        EXPECT_EQ(liquid.composition(), liquidAt(t, p)) << offset;
        EXPECT_TRUE(std::isfinite(liquid.composition())) << offset;
    }
}

}  // namespace
}  // namespace kelvoran
