#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "salt/HaliteSaturatedVapor.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

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
    EXPECT_TRUE(relativeNear(haliteSaturatedVaporComposition(point.temperatureC, point.pressureBar),
                             point.composition, point.relTol));
}

INSTANTIATE_TEST_SUITE_P(Points, HaliteSaturatedVaporValues, ::testing::ValuesIn(kPoints));

TEST(HaliteSaturatedVaporTest, PureSaltAtTheVaporPressureOfHalite) {
    for (const double t : {300.0, 500.0, 700.0}) {
        const double p = saltSublimationPressureBar(t);
        EXPECT_EQ(haliteSaturatedVaporReducedPressure(t, p), 0.0) << t;
        EXPECT_TRUE(relativeNear(haliteSaturatedVaporComposition(t, p), 1.0, 1e-13)) << t;
    }
}

TEST(HaliteSaturatedVaporTest, SaturatedLiquidCompositionAtTheCriticalPressure) {
    for (const double t : {400.0, 600.0, 800.0}) {
        const double p = criticalPressureBar(t);
        EXPECT_EQ(haliteSaturatedVaporReducedPressure(t, p), 1.0) << t;
        EXPECT_TRUE(relativeNear(haliteSaturatedVaporComposition(t, p),
                                 haliteLiquidusComposition(t, p), 1e-13))
            << t;
    }
    const double pSub = saltSublimationPressureBar(400.0);
    EXPECT_EQ(haliteSaturatedVaporReducedPressure(400.0, 100.0),
              (100.0 - pSub) / (criticalPressureBar(400.0) - pSub));
}

TEST(HaliteSaturatedVaporTest, NanAboveTheCriticalPressure) {
    const double t = 400.0;
    EXPECT_TRUE(std::isnan(
        haliteSaturatedVaporComposition(t, std::nextafter(criticalPressureBar(t), 1e4))));
    EXPECT_TRUE(std::isnan(haliteSaturatedVaporComposition(t, 1000.0)));
}

// The sign of a zero pressure shows in the result: at +0 the vapor pressure of halite over P is
// +inf and the composition +inf; at −0 it is −inf, whose logarithm is NaN. A memo that took
// −0 for +0 would hand out the wrong one.
TEST(HaliteSaturatedVaporTest, ZeroPressureOfEitherSign) {
    EXPECT_EQ(haliteSaturatedVaporComposition(400.0, 0.0), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(haliteSaturatedVaporComposition(400.0, -0.0)));
}

}  // namespace
}  // namespace kelvoran
