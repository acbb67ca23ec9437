#include <gtest/gtest.h>

#include <cmath>

#include "salt/HaliteLiquidus.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

struct LiquidusPoint {
    double temperatureC;
    double pressureBar;
    double composition;  // 60-digit evaluation of the correlation
};

constexpr LiquidusPoint kPoints[] = {
    {0.0, 1000.0, 0.101830601},
    {25.0, 1.0, 0.099841583847618716},
    {100.0, 1.0, 0.10726834543807851},
    {300.0, 100.0, 0.15737662007599996},
    {400.0, 300.0, 0.21553148993072392},
    {500.0, 500.0, 0.31446376824713808},
    {600.0, 200.0, 0.47350336092565323},
    {700.0, 1000.0, 0.66724720431153038},
    {800.7, 0.0, 1.0},
    {900.0, 0.0, 1.3361073775132244},  // above the melting point: not clamped to 1
    {1000.0, 2000.0, 1.3733288741823046},
};

class HaliteLiquidusValues : public ::testing::TestWithParam<LiquidusPoint> {};

TEST_P(HaliteLiquidusValues, MatchesReference) {
    const LiquidusPoint& point = GetParam();
    HaliteLiquidus liquidus(point.temperatureC, point.pressureBar);
    liquidus.update();
    EXPECT_TRUE(relativeNear(liquidus.composition(), point.composition, 1e-15));
}

INSTANTIATE_TEST_SUITE_P(Points, HaliteLiquidusValues, ::testing::ValuesIn(kPoints));

TEST(HaliteLiquidusTest, ReachesPureSaltAtTheMeltingTemperature) {
    double p = 1000.0;
    double t = 800.7 + 1000.0 * 0.024726;  // melting temperature at 1000 bar
    HaliteLiquidus liquidus(t, p);
    liquidus.update();
    EXPECT_EQ(liquidus.reducedTemperature(), 1.0);
    EXPECT_TRUE(relativeNear(liquidus.composition(), 1.0, 1e-15));
}

TEST(HaliteLiquidusTest, ZeroTemperatureGivesTheConstantCoefficient) {
    HaliteLiquidus liquidus(0.0, 0.0);
    liquidus.update();
    EXPECT_EQ(liquidus.reducedTemperature(), 0.0);
    EXPECT_EQ(liquidus.composition(), 0.0989944);
}

TEST(HaliteLiquidusTest, ReducesByTheMeltingTemperatureAtTheSamePressure) {
    HaliteLiquidus liquidus(400.0, 1000.0);
    liquidus.update();
    EXPECT_TRUE(relativeNear(liquidus.reducedTemperature(), 400.0 / 825.426, 1e-15));
}

TEST(HaliteLiquidusTest, RecomputesOnlyWhenAnInputChanges) {
    double t = 0.0;
    double p = 100.0;
    HaliteLiquidus liquidus(t, p);
    EXPECT_TRUE(std::isnan(liquidus.composition()));
    EXPECT_TRUE(std::isnan(liquidus.reducedTemperature()));
    liquidus.update();
    ASSERT_FALSE(std::signbit(liquidus.reducedTemperature()));

    // −0.0 == +0.0, so no recomputation: the reduced temperature keeps the sign of +0.0,
    // where a computation at −0.0 would give −0.0.
    t = -0.0;
    liquidus.update();
    EXPECT_FALSE(std::signbit(liquidus.reducedTemperature()));
    HaliteLiquidus fresh(t, p);
    fresh.update();
    EXPECT_TRUE(std::signbit(fresh.reducedTemperature()));

    // A one-bit change of the temperature recomputes, and so does a change of the pressure
    // (one bit of it cannot show in the results).
    t = 500.0;
    liquidus.update();
    const double at500 = liquidus.composition();
    t = std::nextafter(500.0, 1000.0);
    EXPECT_EQ(liquidus.composition(), at500);  // not yet updated
    liquidus.update();
    EXPECT_EQ(liquidus.composition(), (fresh.update(), fresh.composition()));
    EXPECT_NE(liquidus.composition(), at500);
    const double reduced = liquidus.reducedTemperature();
    p = 101.0;
    liquidus.update();
    EXPECT_NE(liquidus.reducedTemperature(), reduced);
    EXPECT_EQ(liquidus.composition(), (fresh.update(), fresh.composition()));
}

// With (bound value − 1) priming, an owner's liquidus first updated at its construction value
// minus 1, or its melting-curve member at minus 2, skipped the computation.
TEST(HaliteLiquidusTest, FirstInputEqualToTheOldPrimingValueIsComputed) {
    for (const double first : {98.0, 97.0}) {
        double t = 99.0;
        double p = 99.0;
        HaliteLiquidus liquidus(t, p);
        t = first;
        p = first;
        liquidus.update();
        HaliteLiquidus reference(first, first);
        reference.update();
        EXPECT_EQ(liquidus.composition(), reference.composition()) << first;
        EXPECT_EQ(liquidus.reducedTemperature(), reference.reducedTemperature()) << first;
    }
}

}  // namespace
}  // namespace kelvoran
