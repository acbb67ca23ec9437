#include <gtest/gtest.h>

#include <cmath>

#include "kelvoran/Constants.h"
#include "salt/HaliteProperties.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

struct HalitePoint {
    double temperatureC;
    double pressureBar;
    double densityKgM3;       // 60-digit evaluation of the correlation
    double heatCapacityJKgK;  // likewise
};

constexpr HalitePoint kPoints[] = {
    {0.0, 0.0, 2170.4, 876.63943199140991},
    {25.0, 1.0, 2164.198913018868, 880.00990335972147},
    {25.0, 1000.0, 2172.7265207429194, 878.25162701328491},
    {300.0, 500.0, 2092.8883404430964, 937.11445166890991},
    {400.0, 100.0, 2057.7176008306027, 969.78092757280992},
    {500.0, 2000.0, 2045.6467458928332, 995.95380409140992},
    {600.0, 1.0, 1988.330959751611, 1048.7536907187994},
    {700.0, 300.0, 1955.10004174442, 1093.3878009137099},
    {800.7, 0.0, 1912.0183874194701, 1148.81},
    {900.0, 1000.0, 1886.4027366929968, 1194.5135733414099},
    {1000.0, 5000.0, 1910.3249248631285, 1213.4566218914099},
};

class HalitePropertiesValues : public ::testing::TestWithParam<HalitePoint> {};

TEST_P(HalitePropertiesValues, MatchesReference) {
    const HalitePoint& point = GetParam();
    const double t = point.temperatureC, p = point.pressureBar;
    EXPECT_TRUE(relativeNear(haliteDensityKgM3(t, p), point.densityKgM3, 1e-15));
    EXPECT_TRUE(relativeNear(haliteHeatCapacityJKgK(t, p), point.heatCapacityJKgK, 1e-15));
}

INSTANTIATE_TEST_SUITE_P(Points, HalitePropertiesValues, ::testing::ValuesIn(kPoints));

TEST(HalitePropertiesTest, ExactValuesAtZeroPressure) {
    EXPECT_EQ(haliteDensityKgM3(0.0, 0.0), 2170.4);
    EXPECT_EQ(haliteHeatCapacityJKgK(kSaltTriplePointTemperatureC, 0.0), 1148.81);
}

}  // namespace
}  // namespace kelvoran
