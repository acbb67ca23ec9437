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
    const double t = point.temperatureC;
    CriticalCurve curve(t);
    curve.update();
    EXPECT_TRUE(relativeNear(curve.criticalPressure(), point.pressureBar, point.pressureRelTol));
    EXPECT_TRUE(relativeNear(curve.criticalComposition(), point.composition, 1e-14));
}

INSTANTIATE_TEST_SUITE_P(Temperatures, CriticalCurveValues, ::testing::ValuesIn(kPoints));

double pressureAt(double t) {
    CriticalCurve curve(t);
    curve.update();
    return curve.criticalPressure();
}

double compositionAt(double t) {
    CriticalCurve curve(t);
    curve.update();
    return curve.criticalComposition();
}

TEST(CriticalCurveTest, StartsAtTheCriticalPointOfWater) {
    EXPECT_EQ(pressureAt(kWaterCriticalTemperatureC), kWaterCriticalPressureBar);
    EXPECT_EQ(compositionAt(kWaterCriticalTemperatureC), 0.0);
    EXPECT_GT(compositionAt(std::nextafter(kWaterCriticalTemperatureC, 1000.0)), 0.0);
}

TEST(CriticalCurveTest, ContinuousInValueAndSlopeAt500C) {
    const double below = pressureAt(500.0);
    const double above = pressureAt(std::nextafter(500.0, 1000.0));
    EXPECT_TRUE(relativeNear(above, below, 1e-14));

    // Exact derivative of the upper branch at 500 °C.
    const double d5 = 500.0 - kWaterCriticalTemperatureC;
    const double slope =
        2.36 - 0.0262834 * d5 + 0.007462275 * std::pow(d5, 1.5) - 0.000390342 * d5 * d5;
    const double h = 1e-4;
    EXPECT_NEAR((below - pressureAt(500.0 - h)) / h, slope, 1e-4);
    EXPECT_NEAR((pressureAt(500.0 + h) - below) / h, slope, 1e-4);
}

TEST(CriticalCurveTest, CompositionJumpsSlightlyAt600C) {
    EXPECT_TRUE(relativeNear(compositionAt(std::nextafter(600.0, 0.0)), 0.0777826, 1e-6));
    EXPECT_EQ(compositionAt(600.0), 0.0777761);
}

TEST(CriticalCurveTest, NanTemperatureGivesNanPressureAndZeroComposition) {
    double t = std::numeric_limits<double>::quiet_NaN();
    CriticalCurve curve(t);
    curve.update();
    EXPECT_TRUE(std::isnan(curve.criticalPressure()));
    EXPECT_EQ(curve.criticalComposition(), 0.0);
    t = 400.0;  // a NaN cache never matches, so the next value is computed
    curve.update();
    EXPECT_EQ(curve.criticalPressure(), pressureAt(400.0));
}

TEST(CriticalCurveTest, ResultsAreNanBeforeTheFirstUpdate) {
    const double t = 400.0;
    const CriticalCurve curve(t);
    EXPECT_TRUE(std::isnan(curve.criticalPressure()));
    EXPECT_TRUE(std::isnan(curve.criticalComposition()));
}

TEST(CriticalCurveTest, RecomputesOnlyWhenTheTemperatureChanges) {
    double t = 450.0;
    CriticalCurve curve(t);
    curve.update();
    const double p450 = curve.criticalPressure();
    curve.update();
    EXPECT_EQ(curve.criticalPressure(), p450);

    // Results describe the temperature of the last update until update() is called again.
    t = std::nextafter(450.0, 1000.0);
    EXPECT_EQ(curve.criticalPressure(), p450);
    ASSERT_NE(pressureAt(t), p450);  // a one-bit change is visible in the pressure here
    curve.update();
    EXPECT_EQ(curve.criticalPressure(), pressureAt(t));
    EXPECT_EQ(curve.criticalComposition(), compositionAt(t));
}

// Caches used to be primed with (bound value − 1), so a first input equal to that value was
// never computed. Owners bind members to their own copies, hence both −1 and −2.
TEST(CriticalCurveTest, FirstInputEqualToTheOldPrimingValueIsComputed) {
    for (const double first : {98.0, 97.0}) {
        double t = 99.0;
        CriticalCurve curve(t);
        t = first;
        curve.update();
        EXPECT_EQ(curve.criticalPressure(), pressureAt(first)) << first;
        EXPECT_EQ(curve.criticalComposition(), 0.0) << first;
    }
}

}  // namespace
}  // namespace kelvoran
