#include <gtest/gtest.h>

#include <cmath>

#include "water/FiniteDifference.h"
#include "water/WaterSaturation.h"

namespace kelvoran {
namespace {

TEST(WaterSaturationTest, AuxiliaryVaporPressureAndItsSlope) {
    EXPECT_NEAR(approxSaturationPressure(373.15).pressureMPa, 0.101325, 1e-4);
    EXPECT_NEAR(approxSaturationPressure(298.15).pressureMPa, 0.0031699, 5e-6);
    for (double T : {280.0, 313.9, 314.1, 450.0, 640.0}) {  // both branches
        const double slope = testing::centralDifference(
            [](double t) { return approxSaturationPressure(t).pressureMPa; }, T, 0.01);
        EXPECT_TRUE(testing::closeTo(approxSaturationPressure(T).slopeMPaPerK, slope, 1e-8)) << T;
    }
}

TEST(WaterSaturationTest, AuxiliarySaturationTemperature) {
    EXPECT_NEAR(approxSaturationTemperature(0.101325), 373.15, 0.01);
    EXPECT_NEAR(approxSaturationTemperature(10.0), 584.15, 0.1);
    // Below the triple-point pressure the temperature is clamped to 273.15 K before every
    // evaluation, so each pass restarts there; the result is the last unclamped step.
    const double p = 1e-4;
    const ApproxVaporPressure at27315 = approxSaturationPressure(273.15);
    EXPECT_EQ(approxSaturationTemperature(p),
              273.15 - (at27315.pressureMPa - p) / at27315.slopeMPaPerK);
}

TEST(WaterSaturationTest, AuxiliarySaturatedDensities) {
    const SaturatedDensities boiling = approxSaturationDensities(373.15);
    EXPECT_NEAR(boiling.liquid, 0.9584, 1e-3);
    EXPECT_NEAR(boiling.vapor, 0.000598, 1e-5);
    const SaturatedDensities below = approxSaturationDensities(623.15);
    const SaturatedDensities above = approxSaturationDensities(623.1500001);
    EXPECT_NEAR(below.liquid, above.liquid, 2e-3);
    EXPECT_NEAR(below.vapor, above.vapor, 2e-3);
}

TEST(WaterSaturationTest, NearCriticalSaturationAtTIsNotIterated) {
    EosWork liquid, vapor;
    const SaturationSolution s = solveSaturationAtT(646.5, liquid, vapor);
    EXPECT_EQ(s.passes, 0);
    EXPECT_NEAR((s.liquidDensity + s.vaporDensity) * 0.5, kWaterCriticalDensityGcm3, 1e-15);
    EXPECT_GT(s.liquidDensity, s.vaporDensity);
    EXPECT_EQ(s.pressureMPa, 0.4 * liquid.p + 0.6 * vapor.p);
    EXPECT_EQ(liquid.rho, s.liquidDensity);
    EXPECT_EQ(vapor.rho, s.vaporDensity);
}

TEST(WaterSaturationTest, AtTheCriticalTemperatureBothPhasesAreTheCriticalPoint) {
    EosWork liquid, vapor;
    const SaturationSolution s = solveSaturationAtT(kWaterCriticalTemperatureK, liquid, vapor);
    EXPECT_EQ(s.liquidDensity, kWaterCriticalDensityGcm3);
    EXPECT_EQ(s.vaporDensity, kWaterCriticalDensityGcm3);
    EXPECT_EQ(liquid.p, vapor.p);
    EXPECT_NEAR(s.pressureMPa, 22.05491, 0.5e-5);
}

TEST(WaterSaturationTest, SaturationAtTEqualisesPressureAndGibbsEnergy) {
    for (double T = 273.16; T <= kNearCriticalTemperatureK; T += 2.9) {
        EosWork liquid, vapor;
        const SaturationSolution s = solveSaturationAtT(T, liquid, vapor);
        SCOPED_TRACE(T);
        EXPECT_LT(std::fabs(1.0 - vapor.p / liquid.p), 1e-6);
        EXPECT_LT(std::fabs(liquid.g - vapor.g) / (kWaterGasConstant * T), 1e-8);
        EXPECT_GT(s.liquidDensity, s.vaporDensity);
        EXPECT_EQ(s.pressureMPa, (vapor.p + liquid.p) * 0.5);
    }
}

TEST(WaterSaturationTest, SaturationAtPInvertsSaturationAtT) {
    for (double T = 274.0; T <= 645.0; T += 13.0) {
        EosWork liquid, vapor;
        const double p = solveSaturationAtT(T, liquid, vapor).pressureMPa;
        if (p > kNearCriticalPressureMPa) continue;
        const SaturationSolution s = solveSaturationAtP(p, liquid, vapor);
        SCOPED_TRACE(T);
        EXPECT_NEAR(s.temperatureK, T, 1e-5);
        EXPECT_EQ(liquid.T, s.temperatureK);
        EXPECT_LT(std::fabs(1.0 - liquid.p / p), 1e-6);
        EXPECT_LT(std::fabs(1.0 - vapor.p / p), 1e-6);
        EXPECT_LT(std::fabs(liquid.g - vapor.g) / (kWaterGasConstant * s.temperatureK), 1e-8);
    }
}

TEST(WaterSaturationTest, NearCriticalSaturationTemperatureByNewton) {
    for (double p : {21.84, 21.95, 22.05, 22.0548}) {
        EosWork liquid, vapor;
        const SaturationSolution s = solveSaturationAtP(p, liquid, vapor);
        SCOPED_TRACE(p);
        EXPECT_LE(s.passes, 10);
        EXPECT_LT(s.temperatureK, kWaterCriticalTemperatureK);
        EosWork l, v;
        EXPECT_LE(std::fabs(nearCriticalSaturation(s.temperatureK, l, v) - p), 1e-6);
    }
}

TEST(WaterSaturationTest, NearCriticalSaturationTemperatureByBisection) {
    EosWork liquid, vapor;
    const SaturationSolution s = solveSaturationAtP(22.0549, liquid, vapor);
    EXPECT_GE(s.temperatureK, 647.1259);
    EXPECT_LE(s.temperatureK, 647.126);
    EXPECT_GE(s.passes, 1);
    EXPECT_LE(s.passes, 20);
    EXPECT_EQ(liquid.T, s.temperatureK);
    // The states are those of the last near-critical estimate at that temperature.
    EosWork l, v;
    EXPECT_EQ(nearCriticalSaturation(s.temperatureK, l, v), s.pressureMPa);
    EXPECT_EQ(l.rho, liquid.rho);
}

TEST(WaterSaturationTest, RegionFromTheAuxiliaryVaporPressureAlone) {
    const double ps = approxSaturationPressure(300.0).pressureMPa;
    EXPECT_EQ(classifyRegionByAuxiliary(300.0, 1.0002 * ps), kRegionLiquid);
    EXPECT_EQ(classifyRegionByAuxiliary(300.0, 0.9998 * ps), kRegionVapor);
    EXPECT_EQ(classifyRegion(300.0, 1.0002 * ps), kRegionLiquid);
    EXPECT_EQ(classifyRegion(300.0, 0.9998 * ps), kRegionVapor);
    EXPECT_EQ(classifyRegionByAuxiliary(300.0, 1.0001 * ps), 0);  // needs the solve
    EXPECT_EQ(classifyRegion(265.0, 0.00062), kRegionLiquid);     // below the triple point
    EXPECT_EQ(classifyRegion(265.0, 0.0006), kRegionVapor);
    const double psNear = approxSaturationPressure(646.5).pressureMPa;
    EXPECT_EQ(classifyRegionByAuxiliary(646.5, psNear + 0.0031), kRegionLiquid);
    EXPECT_EQ(classifyRegionByAuxiliary(646.5, psNear - 0.0071), kRegionVapor);
    EXPECT_EQ(classifyRegionByAuxiliary(646.5, psNear), 0);
}

TEST(WaterSaturationTest, RegionFromTheSolvedSaturation) {
    for (double T : {300.0, 450.0, 600.0}) {
        EosWork liquid, vapor;
        const double ps = solveSaturationAtT(T, liquid, vapor).pressureMPa;
        SCOPED_TRACE(T);
        EXPECT_EQ(classifyRegion(T, ps), kRegionSaturated);
        EXPECT_EQ(classifyRegion(T, ps * (1.0 + 0.9e-6)), kRegionSaturated);
        EXPECT_EQ(classifyRegion(T, ps * (1.0 - 0.9e-6)), kRegionSaturated);
        EXPECT_EQ(classifyRegion(T, ps * (1.0 + 2e-6)), kRegionLiquid);
        EXPECT_EQ(classifyRegion(T, ps * (1.0 - 2e-6)), kRegionVapor);
    }
    // Above 646.303775 K the phase pressures of the near-critical estimate decide.
    EosWork liquid, vapor;
    solveSaturationAtT(646.5, liquid, vapor);
    const double high = std::fmax(liquid.p, vapor.p);
    const double low = std::fmin(liquid.p, vapor.p);
    EXPECT_EQ(classifyRegion(646.5, high + 1e-6), kRegionLiquid);
    EXPECT_EQ(classifyRegion(646.5, low - 1e-6), kRegionVapor);
}

}  // namespace
}  // namespace kelvoran
