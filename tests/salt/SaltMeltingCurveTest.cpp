#include <gtest/gtest.h>

#include "salt/SaltMeltingCurve.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

TEST(SaltMeltingCurveTest, StraightLineThroughTheTriplePoint) {
    EXPECT_EQ(saltMeltingTemperatureC(0.0), kSaltTriplePointTemperatureC);
    EXPECT_TRUE(relativeNear(saltMeltingTemperatureC(1000.0), 825.426, 1e-15));
    EXPECT_TRUE(relativeNear(saltMeltingTemperatureC(-100.0), 798.2274, 1e-15));  // not rejected
}

}  // namespace
}  // namespace kelvoran
