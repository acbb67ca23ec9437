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
    EXPECT_TRUE(relativeNear(haliteLiquidusComposition(point.temperatureC, point.pressureBar),
                             point.composition, 1e-15));
}

INSTANTIATE_TEST_SUITE_P(Points, HaliteLiquidusValues, ::testing::ValuesIn(kPoints));

// T / Tm(P) = 0 leaves the constant coefficient alone; T = Tm(P) reaches pure NaCl, the
// coefficients summing to 1.
TEST(HaliteLiquidusTest, EndsOfTheReducedTemperature) {
    EXPECT_EQ(haliteLiquidusComposition(0.0, 0.0), 0.0989944);
    const double p = 1000.0;
    EXPECT_TRUE(relativeNear(haliteLiquidusComposition(saltMeltingTemperatureC(p), p), 1.0, 1e-15));
}

}  // namespace
}  // namespace kelvoran
