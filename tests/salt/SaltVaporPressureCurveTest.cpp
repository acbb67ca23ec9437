#include <gtest/gtest.h>

#include "kelvoran/Constants.h"
#include "salt/SaltVaporPressureCurve.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

struct VaporPressurePoint {
    double temperatureC;
    double boilingBar;      // 60-digit evaluation of the Clausius–Clapeyron line
    double sublimationBar;  // likewise
};

// Both lines are exponentials of large exponents, so a rounding of the exponent shows up as a
// relative error of about 1e-14 in the pressure.
constexpr VaporPressurePoint kPoints[] = {
    {0.0, 9.7663209035654832e-30, 2.9587662216396616e-36},
    {25.0, 7.6008981867447639e-27, 1.2453642517786077e-32},
    {300.0, 1.0893970767163395e-11, 1.2431632762383522e-13},
    {400.0, 3.0079996816563797e-9, 1.4274555237611499e-10},
    {500.0, 1.9404518790759928e-7, 2.6486290027370522e-8},
    {600.0, 4.8197331560662535e-6, 1.4855123777047224e-6},
    {700.0, 6.1861520180373946e-5, 3.6417482756158692e-5},
    {800.7, 5.0000000000000001e-4, 5.0000000000000001e-4},
    {900.0, 0.0027626952200863022, 0.0042614789083446249},  // neither curve stops at the
    {1000.0, 0.011800482777672278, 0.026303188888331615},   // triple point
};

class SaltVaporPressureValues : public ::testing::TestWithParam<VaporPressurePoint> {};

TEST_P(SaltVaporPressureValues, MatchesReference) {
    const VaporPressurePoint& point = GetParam();
    EXPECT_TRUE(relativeNear(saltBoilingPressureBar(point.temperatureC), point.boilingBar, 5e-14));
    EXPECT_TRUE(
        relativeNear(saltSublimationPressureBar(point.temperatureC), point.sublimationBar, 5e-14));
}

INSTANTIATE_TEST_SUITE_P(Temperatures, SaltVaporPressureValues, ::testing::ValuesIn(kPoints));

TEST(SaltVaporPressureCurveTest, BothCurvesMeetAtTheTriplePoint) {
    EXPECT_TRUE(relativeNear(saltBoilingPressureBar(kSaltTriplePointTemperatureC),
                             kSaltTriplePointPressureBar, 1e-15));
    EXPECT_TRUE(relativeNear(saltSublimationPressureBar(kSaltTriplePointTemperatureC),
                             kSaltTriplePointPressureBar, 1e-15));
}

TEST(SaltVaporPressureCurveTest, AbsoluteZeroIsNotGuarded) {
    EXPECT_EQ(saltBoilingPressureBar(-273.15), 0.0);
    EXPECT_EQ(saltSublimationPressureBar(-273.15), 0.0);
}

}  // namespace
}  // namespace kelvoran
