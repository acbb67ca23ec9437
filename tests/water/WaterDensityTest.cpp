#include <gtest/gtest.h>

#include <cmath>

#include "kelvoran/Calculator.h"
#include "water/WaterDensity.h"
#include "water/WaterEquationOfState.h"
#include "water/WaterProperties.h"
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

// Steam just below the critical temperature, 373.89–373.976 °C, where the Newton iteration from
// the usual start density does not converge: every state is found, by the bracketed solve on
// the vapor side, and the point says so (warning water_fallback_solve) with the very state a
// direct bracketed solve gives.
TEST(WaterDensityTest, TheFallbackSolveFillsTheWindowBelowTheCriticalTemperature) {
    int fallbacks = 0;
    Calculator calculator;
    for (int i = 0; i <= 40; ++i) {
        const double t = 373.89 + i * (373.975 - 373.89) / 40.0;  // °C
        for (const double p : {1.0, 3.0, 10.0, 30.0, 100.0, 150.0, 200.0}) {  // bar
            const WaterStateAt state = waterStateAt(t, p);
            ASSERT_TRUE(std::isfinite(state.values.densityKgM3)) << t << " °C, " << p << " bar";
            const PointResult r = calculator.evaluate(t, p, 0.0);
            const bool fallback = (state.notes & kWaterNoteBracketedSolve) != 0;
            EXPECT_EQ((r.warnings & kWarningWaterFallbackSolve) != 0, fallback) << t << ", " << p;
            if (!fallback) continue;
            ++fallbacks;
            WaterState direct;
            ASSERT_TRUE(solveDensityBracketed(t + 273.15, p * 1e5 * 1e-6, false, direct));
            EXPECT_EQ(state.values.densityKgM3, direct.rho) << t << ", " << p;
            EXPECT_EQ(state.values.specificEnthalpyJKg, direct.h) << t << ", " << p;
            // The record's density went through the molar volume (18015 / ρ and back).
            EXPECT_NEAR(r.vapor.density, direct.rho, 1e-14 * direct.rho) << t << ", " << p;
        }
    }
    EXPECT_GT(fallbacks, 0);
    EXPECT_NE(calculator.evaluate(373.9, 1.0, 0.0).warnings & kWarningWaterFallbackSolve, 0U);
}

}  // namespace
}  // namespace kelvoran
