#include <gtest/gtest.h>

#include <cmath>

#include "salt/SaltMeltingCurve.h"
#include "support/RelativeNear.h"

namespace kelvoran {
namespace {

using testing::relativeNear;

double meltingAt(double p) {
    const double t = 25.0;
    SaltMeltingCurve curve(t, p);
    curve.update();
    return curve.meltingTemperature();
}

TEST(SaltMeltingCurveTest, StraightLineThroughTheTriplePoint) {
    EXPECT_EQ(meltingAt(0.0), kSaltTriplePointTemperatureC);
    EXPECT_TRUE(relativeNear(meltingAt(1000.0), 825.426, 1e-15));
    EXPECT_TRUE(relativeNear(meltingAt(-100.0), 798.2274, 1e-15));  // not rejected
}

TEST(SaltMeltingCurveTest, RecomputesWhenEitherInputChanges) {
    double t = 25.0;
    double p = 500.0;
    SaltMeltingCurve curve(t, p);
    EXPECT_TRUE(std::isnan(curve.meltingTemperature()));
    curve.update();
    const double at500 = curve.meltingTemperature();
    p = 600.0;  // a one-bit change of P cannot show in the melting temperature
    EXPECT_EQ(curve.meltingTemperature(), at500);  // not yet updated
    curve.update();
    EXPECT_EQ(curve.meltingTemperature(), meltingAt(600.0));
}

TEST(SaltMeltingCurveTest, FirstInputEqualToTheOldPrimingValueIsComputed) {
    for (const double first : {98.0, 97.0}) {
        double t = 99.0;
        double p = 99.0;
        SaltMeltingCurve curve(t, p);
        t = first;
        p = first;
        curve.update();
        EXPECT_EQ(curve.meltingTemperature(), meltingAt(first)) << first;
    }
}

}  // namespace
}  // namespace kelvoran
