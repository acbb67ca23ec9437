#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "boundaries/ThreePhaseCurve.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

struct ThreePhasePoint {
    double temperatureC;
    double pressureBar;  // the polynomial evaluated in 60-digit arithmetic at the same doubles
    double relTol;
};

constexpr ThreePhasePoint kPoints[] = {
    {25.0, 0.018914462493048545, 1e-13}, {300.0, 60.471185573025077, 1e-13},
    {400.0, 176.12604181993794, 1e-13},  {500.0, 322.00274322422808, 1e-13},
    {600.0, 389.88614789550168, 1e-13},  {700.0, 283.92510048716303, 1e-12},
    {810.0, -33.303562200521579, 1e-10},  // past the melting point the curve turns negative
    {900.0, -410.2051930808926, 1e-12},  {1000.0, -904.64709769930526, 1e-12},
};

class ThreePhaseCurveValues : public ::testing::TestWithParam<ThreePhasePoint> {};

TEST_P(ThreePhaseCurveValues, MatchesReference) {
    const ThreePhasePoint& point = GetParam();
    EXPECT_TRUE(
        relativeNear(threePhasePressureBar(point.temperatureC), point.pressureBar, point.relTol));
}

INSTANTIATE_TEST_SUITE_P(Temperatures, ThreePhaseCurveValues, ::testing::ValuesIn(kPoints));

TEST(ThreePhaseCurveTest, EndPointsAndNan) {
    EXPECT_EQ(threePhasePressureBar(0.0), 0.00464);
    // At the melting point of NaCl the curve ends at the triple-point pressure; the polynomial
    // cancels there to about 1e-10 bar.
    EXPECT_NEAR(threePhasePressureBar(800.7), 0.0005, 1e-9);
    EXPECT_TRUE(std::isnan(threePhasePressureBar(std::numeric_limits<double>::quiet_NaN())));
}

TEST(ThreePhaseCurveTest, MaximumConstantsAreTheStationaryPoint) {
    constexpr double tMax = kThreePhaseMaximumTemperatureC;
    constexpr double pMax = kThreePhaseMaximumPressureBar;
    static_assert(tMax == 594.6324429298147 && pMax == 390.1474443379598);
    EXPECT_TRUE(relativeNear(threePhasePressureBar(tMax), pMax, 1e-14));
    EXPECT_LT(threePhasePressureBar(tMax - 0.01), pMax);
    EXPECT_LT(threePhasePressureBar(tMax + 0.01), pMax);
}

}  // namespace
}  // namespace kelvoran
