#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "boundaries/CriticalCurve.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

struct CriticalPoint {
    double temperatureC;
    double pressureBar;     // evaluated in extended precision from the correlation
    double composition;     // likewise
    double pressureRelTol;  // wider where the low-temperature branch cancels
};

// Reference values of the correlation evaluated in 60-digit arithmetic at the same doubles.
constexpr CriticalPoint kPoints[] = {
    {0.0, 0.030960162127258024, 0.0, 1e-10},
    {25.0, 0.092601290884513124, 0.0, 1e-10},
    {300.0, 95.40514069776298, 0.0, 1e-14},
    {400.0, 281.08492707858017, 0.0068320509563810201, 1e-14},
    {500.0, 581.01014986204533, 0.045700452346337019, 1e-14},
    {600.0, 916.67562032924926, 0.0777761, 1e-14},
    {700.0, 1242.5743707964532, 0.1008313662, 1e-14},
    {800.7, 1560.8849026722877, 0.11703749990673172, 1e-14},
    {900.0, 1865.0717117308611, 0.1276670654, 1e-14},
    {1000.0, 2161.670302198065, 0.1345445448, 1e-14},
};

class CriticalCurveValues : public ::testing::TestWithParam<CriticalPoint> {};

TEST_P(CriticalCurveValues, MatchesReference) {
    const CriticalPoint& point = GetParam();
    EXPECT_TRUE(relativeNear(criticalPressureBar(point.temperatureC), point.pressureBar,
                             point.pressureRelTol));
    EXPECT_TRUE(relativeNear(criticalComposition(point.temperatureC), point.composition, 1e-14));
}

INSTANTIATE_TEST_SUITE_P(Temperatures, CriticalCurveValues, ::testing::ValuesIn(kPoints));

TEST(CriticalCurveTest, StartsAtTheCriticalPointOfWater) {
    EXPECT_EQ(criticalPressureBar(kWaterCriticalTemperatureC), kWaterCriticalPressureBar);
    EXPECT_EQ(criticalComposition(kWaterCriticalTemperatureC), 0.0);
    EXPECT_GT(criticalComposition(std::nextafter(kWaterCriticalTemperatureC, 1000.0)), 0.0);
}

TEST(CriticalCurveTest, ContinuousInValueAndSlopeAt500C) {
    const double below = criticalPressureBar(500.0);
    const double above = criticalPressureBar(std::nextafter(500.0, 1000.0));
    EXPECT_TRUE(relativeNear(above, below, 1e-14));

    // Exact derivative of the upper branch at 500 °C.
    const double d5 = 500.0 - kWaterCriticalTemperatureC;
    const double slope =
        2.36 - 0.0262834 * d5 + 0.007462275 * std::pow(d5, 1.5) - 0.000390342 * d5 * d5;
    const double h = 1e-4;
    EXPECT_NEAR((below - criticalPressureBar(500.0 - h)) / h, slope, 1e-4);
    EXPECT_NEAR((criticalPressureBar(500.0 + h) - below) / h, slope, 1e-4);
}

TEST(CriticalCurveTest, CompositionJumpsSlightlyAt600C) {
    EXPECT_TRUE(relativeNear(criticalComposition(std::nextafter(600.0, 0.0)), 0.0777826, 1e-6));
    EXPECT_EQ(criticalComposition(600.0), 0.0777761);
}

TEST(CriticalCurveTest, NanTemperatureGivesNanPressureAndZeroComposition) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::isnan(criticalPressureBar(nan)));
    EXPECT_EQ(criticalComposition(nan), 0.0);
}

}  // namespace
}  // namespace kelvoran
