#include <gtest/gtest.h>

#include <cmath>

#include "boundaries/CoexistingVapor.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

struct VaporPoint {
    double temperatureC;
    double pressureBar;
    double composition;  // 60-digit evaluation of the scaled halite-saturated vapor
};

constexpr VaporPoint kPoints[] = {
    {373.976, 200.0, 9.8179867501063496e-5}, {400.0, 250.0, 3.1839531694363049e-4},
    {500.0, 400.0, 6.9445201763514469e-4},   {600.0, 500.0, 7.5749496163988289e-4},
    {700.0, 1000.0, 0.008829956781142665},   {800.7, 1000.0, 0.0062003017827038662},
    {900.0, 1500.0, 0.020796426237307151},   {1000.0, 100.0, 3.9704017574352476e-4},
};

class CoexistingVaporValues : public ::testing::TestWithParam<VaporPoint> {};

TEST_P(CoexistingVaporValues, MatchesReference) {
    const VaporPoint& point = GetParam();
    EXPECT_TRUE(relativeNear(coexistingVaporComposition(point.temperatureC, point.pressureBar),
                             point.composition, 1e-12));
}

INSTANTIATE_TEST_SUITE_P(Points, CoexistingVaporValues, ::testing::ValuesIn(kPoints));

TEST(CoexistingVaporTest, ScalesTheHaliteSaturatedVaporByTheLiquidRatio) {
    const double t = 350.0;
    const double p = 120.0;
    const double liquid = coexistingLiquidComposition(t, p);
    EXPECT_EQ(coexistingVaporComposition(t, p),
              haliteSaturatedVaporComposition(t, p) * liquid / haliteLiquidusComposition(t, p));
    EXPECT_EQ(coexistingVaporComposition(t, p, liquid), coexistingVaporComposition(t, p));
}

TEST(CoexistingVaporTest, PureWaterAtTheBoilingPointOfWater) {
    EXPECT_EQ(coexistingVaporComposition(300.0, waterSaturationPressureBar(300.0)), 0.0);
}

TEST(CoexistingVaporTest, NanAboveTheCriticalPressure) {
    for (const double t : {300.0, 400.0, 900.0}) {
        EXPECT_TRUE(
            std::isnan(coexistingVaporComposition(t, std::nextafter(criticalPressureBar(t), 1e4))))
            << t;
    }
}

}  // namespace
}  // namespace kelvoran
