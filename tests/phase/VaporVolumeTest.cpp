// A vapor takes the volume of a vapor: the low-pressure extrapolation from the saturated liquid
// of water is for liquids only, so vapor densities approach the ideal gas and run continuously
// across the composition and pressure limits of that extrapolation.
#include <gtest/gtest.h>

#include <cmath>

#include "kelvoran/Calculator.h"
#include "kelvoran/Constants.h"

namespace kelvoran {
namespace {

TEST(VaporVolumeTest, IdealGasLimitAndNoJumpsAtTheExtrapolationLimits) {
    Calculator calculator;
    // 1000 °C, 1 bar, x = 0.001: an ideal gas of that molar mass has P M / (R T).
    const PointResult steam = calculator.evaluate(1000.0, 1.0, 0.001);
    ASSERT_EQ(steam.phases, Phases::Vapor);
    const double ideal = 1e5 * molarMass(0.001) * 1e-3 / (8.314462618 * 1273.15);
    EXPECT_NEAR(steam.vapor.density, ideal, 0.01 * ideal);
    EXPECT_EQ(warningNames(steam.warnings), "");

    // Neighbouring doubles on either side of x = 0.0001 and of 16 bar.
    const struct {
        double t, p, x, p2, x2;
    } pairs[] = {
        {800.0, 1.0, 0.0001, 1.0, std::nextafter(0.0001, 1.0)},
        {900.0, std::nextafter(16.0, 0.0), 0.0002, 16.0, 0.0002},
    };
    for (const auto& c : pairs) {
        const PointResult a = calculator.evaluate(c.t, c.p, c.x);
        const PointResult b = calculator.evaluate(c.t, c.p2, c.x2);
        ASSERT_EQ(a.phases, Phases::Vapor);
        ASSERT_EQ(b.phases, Phases::Vapor);
        EXPECT_NEAR(a.vapor.density, b.vapor.density, 1e-6 * a.vapor.density) << c.t;
    }

    // The vapor of V + L at 800 °C, its composition crossing 0.0001 near 5.45 bar.
    double previous = 0.0;
    for (double p = 5.30; p <= 5.60; p += 0.01) {
        const PointResult r = calculator.evaluate(800.0, p, 0.3);
        ASSERT_EQ(r.phases, Phases::VaporLiquid) << p;
        if (previous > 0.0) {
            EXPECT_NEAR(r.vapor.density, previous, 0.01 * previous) << p;
        }
        previous = r.vapor.density;
    }
}

}  // namespace
}  // namespace kelvoran
