#include <gtest/gtest.h>

#include <cmath>

#include "water/WaterDensity.h"
#include "water/WaterEquationOfState.h"
#include "water/WaterSaturation.h"

namespace kelvoran {
namespace {

TEST(WaterDensityTest, BoundsKeepTheIterationOnOneSide) {
    const DensityBounds supercritical = densityBounds(kWaterCriticalTemperatureK, 0.5);
    EXPECT_EQ(supercritical.lower, 2.220446049250313e-16);
    EXPECT_EQ(supercritical.upper, 1.8);
    const DensityBounds vapor = densityBounds(400.0, 0.001);
    EXPECT_EQ(vapor.lower, 2.220446049250313e-16);
    EXPECT_EQ(vapor.upper, std::exp(0.013 * 400.0 - 10.1));
    const DensityBounds liquid = densityBounds(400.0, kWaterCriticalDensityGcm3);
    EXPECT_EQ(liquid.lower, 1.2925 - 0.00117 * 400.0);
    EXPECT_EQ(liquid.upper, 1.8);
    // Near the critical point the two sides are symmetric about the critical density.
    const DensityBounds nearVapor = densityBounds(640.0, 0.2);
    const DensityBounds nearLiquid = densityBounds(640.0, 0.4);
    EXPECT_NEAR(nearVapor.upper + nearLiquid.lower, 2.0 * kWaterCriticalDensityGcm3, 1e-15);
    EXPECT_LT(nearVapor.upper, kWaterCriticalDensityGcm3);
}

TEST(WaterDensityTest, StartValuesOutsideTheBoundsStartFromTheNearerBound) {
    WaterState reference;
    WaterState record;
    EXPECT_EQ(solveDensity(300.0, 1.0, 1.0, 1e-8, reference), DensitySolveResult::Converged);
    EXPECT_EQ(solveDensity(300.0, 1.0, 5.0, 1e-8, record), DensitySolveResult::Converged);
    EXPECT_NEAR(record.rho, reference.rho, 1e-11 * reference.rho);
    // The upper bound is the first iterate: starting there gives the very same state.
    EXPECT_EQ(solveDensity(300.0, 1.0, 1.8, 1e-8, reference), DensitySolveResult::Converged);
    EXPECT_EQ(record.rho, reference.rho);
    EXPECT_EQ(solveDensity(500.0, 0.1, 1e-30, 1e-8, record), DensitySolveResult::Converged);
    EXPECT_EQ(solveDensity(500.0, 0.1, 2.220446049250313e-16, 1e-8, reference),
              DensitySolveResult::Converged);
    EXPECT_EQ(record.rho, reference.rho);
}

TEST(WaterDensityTest, ConvergedDensityReproducesThePressure) {
    const auto level1 = newProp(WaterInputPair::TemperaturePressure, 1);
    WaterState& record = *level1;
    for (const auto& [T, p, guess] : {std::tuple{300.0, 22.0, 1.0},
                                      {500.0, 0.1, 0.0001},
                                      {700.0, 30.0, 0.5},
                                      {1500.0, 1000.0, 0.5}}) {
        ASSERT_EQ(solveDensity(T, p, guess, 1e-8, record), DensitySolveResult::Converged);
        EXPECT_LE(std::fabs(record.p * 1e-6 - p), 1e-8 * p * (1.0 + 1e-9)) << T;
        EXPECT_EQ(record.error, 0);
    }
}

TEST(WaterDensityTest, UnreachablePressureIsRefused) {
    WaterState record;
    // On the vapor side of 300 K the density may not exceed exp(0.013 × 300 − 10.1) g/cm³,
    // where the pressure stays far below 10 MPa.
    EXPECT_EQ(solveDensity(300.0, 10.0, 0.001, 1e-8, record), DensitySolveResult::Refused);
    EXPECT_EQ(record.error, 1);
}

// Cold liquid at low pressure: the pressure tolerance 1e-8 lies below the round-off of the
// equation of state there. Every such point is accepted, some only at round-off level, and
// those agree with their converged neighbours.
TEST(WaterDensityTest, ColdLiquidAtLowPressureIsAcceptedAtRoundOff) {
    WaterState record;
    int atRoundOff = 0;
    double previous = 0.0;
    const double T = 278.15;  // 5 °C
    for (int i = 0; i <= 1000; ++i) {
        const double p = 0.001 + 0.001 * i / 1000.0;  // 0.01 to 0.02 bar, MPa
        const DensitySolveResult result =
            solveDensity(T, p, 1.01 * kWaterCriticalDensityGcm3, 1e-8, record);
        ASSERT_NE(result, DensitySolveResult::Refused) << p;
        ASSERT_EQ(record.error, 0);
        if (result == DensitySolveResult::AcceptedAtRoundOff) {
            ++atRoundOff;
            EosWork work;
            computeHelmholtz(work, T, record.rho * 1e-3);
            EXPECT_LE(std::fabs((work.p - p) / work.dpdRho), 1e-12 * work.rho);
        }
        if (i > 0) {
            EXPECT_NEAR(record.rho, previous, 1e-9 * previous);
        }
        previous = record.rho;
    }
    EXPECT_GT(atRoundOff, 0);
}

}  // namespace
}  // namespace kelvoran
