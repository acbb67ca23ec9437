#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "boundaries/CriticalCurve.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteSaturatedVapor.h"
#include "salt/SaltSublimationCurve.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

double vaporAt(double t, double p) {
    HaliteSaturatedVapor vapor(t, p);
    vapor.update();
    return vapor.composition();
}

double sublimationPressureAt(double t) {
    SaltSublimationCurve curve(t, t);
    curve.update();
    return curve.pressure();
}

double criticalPressureAt(double t) {
    CriticalCurve curve(t);
    curve.update();
    return curve.criticalPressure();
}

struct VaporPoint {
    double temperatureC;
    double pressureBar;
    double composition;  // 60-digit evaluation of the correlation
    double relTol;       // the logarithms of tiny pressures lose digits at low temperature
};

constexpr VaporPoint kPoints[] = {
    {25.0, 0.01, 7.8730897231001035e-25, 1e-9},    {300.0, 10.0, 5.7453297552735533e-12, 1e-13},
    {400.0, 100.0, 7.8078776095571729e-7, 1e-13},  {500.0, 200.0, 1.1727806849712263e-5, 1e-13},
    {600.0, 200.0, 9.1844537392079366e-6, 1e-13},  {700.0, 500.0, 7.94593117364715e-4, 1e-13},
    {800.7, 1000.0, 0.015175706847994189, 1e-13},  {900.0, 100.0, 1.6084116385842449e-4, 1e-13},
    {1000.0, 500.0, 0.0030936836116748634, 1e-13},
};

class HaliteSaturatedVaporValues : public ::testing::TestWithParam<VaporPoint> {};

TEST_P(HaliteSaturatedVaporValues, MatchesReference) {
    const VaporPoint& point = GetParam();
    EXPECT_TRUE(relativeNear(vaporAt(point.temperatureC, point.pressureBar), point.composition,
                             point.relTol));
}

INSTANTIATE_TEST_SUITE_P(Points, HaliteSaturatedVaporValues, ::testing::ValuesIn(kPoints));

TEST(HaliteSaturatedVaporTest, PureSaltAtTheVaporPressureOfHalite) {
    for (const double t : {300.0, 500.0, 700.0}) {
        const double p = sublimationPressureAt(t);
        HaliteSaturatedVapor vapor(t, p);
        vapor.update();
        EXPECT_EQ(vapor.reducedPressure(), 0.0) << t;
        EXPECT_TRUE(relativeNear(vapor.composition(), 1.0, 1e-13)) << t;
    }
}

TEST(HaliteSaturatedVaporTest, SaturatedLiquidCompositionAtTheCriticalPressure) {
    for (const double t : {400.0, 600.0, 800.0}) {
        const double p = criticalPressureAt(t);
        HaliteSaturatedVapor vapor(t, p);
        vapor.update();
        HaliteLiquidus liquidus(t, p);
        liquidus.update();
        EXPECT_EQ(vapor.reducedPressure(), 1.0) << t;
        EXPECT_TRUE(relativeNear(vapor.composition(), liquidus.composition(), 1e-13)) << t;
    }
}

TEST(HaliteSaturatedVaporTest, NanAboveTheCriticalPressure) {
    const double t = 400.0;
    EXPECT_TRUE(std::isnan(vaporAt(t, std::nextafter(criticalPressureAt(t), 1e4))));
    EXPECT_TRUE(std::isnan(vaporAt(t, 1000.0)));
}

TEST(HaliteSaturatedVaporTest, ReducedPressure) {
    HaliteSaturatedVapor vapor(400.0, 100.0);
    vapor.update();
    const double pSub = sublimationPressureAt(400.0);
    EXPECT_EQ(vapor.reducedPressure(), (100.0 - pSub) / (criticalPressureAt(400.0) - pSub));
}

// The liquidus member is moved to the vapor pressure of halite and back during every update;
// a sequence of points must give what fresh objects give.
TEST(HaliteSaturatedVaporTest, ResultsDoNotDependOnThePreviousPoint) {
    double t = 0.0;
    double p = 0.0;
    HaliteSaturatedVapor vapor(t, p);
    for (const VaporPoint& point : kPoints) {
        t = point.temperatureC;
        p = point.pressureBar;
        vapor.update();
        EXPECT_EQ(vapor.composition(), vaporAt(t, p)) << t << " " << p;
    }
    for (const double newP : {50.0, 100.0, 50.0}) {  // pressure-only changes
        p = newP;
        vapor.update();
        EXPECT_EQ(vapor.composition(), vaporAt(t, p)) << p;
    }
}

TEST(HaliteSaturatedVaporTest, RecomputesOnlyWhenAnInputChanges) {
    double t = 400.0;
    double p = 0.0;
    HaliteSaturatedVapor vapor(t, p);
    EXPECT_TRUE(std::isnan(vapor.composition()));
    EXPECT_TRUE(std::isnan(vapor.reducedPressure()));
    vapor.update();
    // At P = +0 the vapor pressure of halite over P is +inf and the composition +inf; at −0 it
    // is −inf, whose logarithm is NaN. −0.0 == +0.0, so the change test must keep +inf.
    ASSERT_EQ(vapor.composition(), std::numeric_limits<double>::infinity());
    p = -0.0;
    vapor.update();
    EXPECT_EQ(vapor.composition(), std::numeric_limits<double>::infinity());
    ASSERT_TRUE(std::isnan(vaporAt(t, p)));

    p = 100.0;
    vapor.update();
    const double at400 = vapor.composition();
    t = std::nextafter(400.0, 1000.0);
    EXPECT_EQ(vapor.composition(), at400);  // not yet updated
    vapor.update();
    EXPECT_EQ(vapor.composition(), vaporAt(t, p));
    EXPECT_NE(vapor.composition(), at400);
    p = std::nextafter(100.0, 0.0);
    const double before = vapor.composition();
    vapor.update();
    EXPECT_EQ(vapor.composition(), vaporAt(t, p));
    EXPECT_NE(vapor.composition(), before);
}

// With (bound value − 1) priming, the object itself skipped a first point at its construction
// values minus 1, its liquidus member at minus 2 and that member's melting curve at minus 3.
TEST(HaliteSaturatedVaporTest, FirstInputEqualToTheOldPrimingValueIsComputed) {
    for (const double offset : {1.0, 2.0, 3.0}) {
        double t = 400.0;
        double p = 100.0;
        HaliteSaturatedVapor vapor(t, p);
        t -= offset;
        p -= offset;
        vapor.update();
        EXPECT_EQ(vapor.composition(), vaporAt(t, p)) << offset;
        EXPECT_TRUE(std::isfinite(vapor.composition())) << offset;
    }
}

}  // namespace
}  // namespace kelvoran
