#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "water/WaterLibrary.h"
#include "water/WaterProperties.h"
#include "water/WaterSaturation.h"

namespace kelvoran {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Liquid-record pressure (Pa) of the library's saturation at T (K).
double librarySaturationPressure(double temperatureK) {
    WaterState liquid;
    WaterState vapor;
    saturationAtT(temperatureK, &liquid, &vapor);
    return liquid.error == 0 ? liquid.p : kNaN;
}

TEST(WaterPropertiesTest, SaturationPressureAndTheNearCriticalBridge) {
    // 373.0 °C is not inside the bridge (it needs T > 373.0): the library answers.
    EXPECT_EQ(waterSaturationPressurePa(373.0), librarySaturationPressure(373.0 + 273.15));
    EXPECT_NEAR(waterSaturationPressurePa(373.0), 217.98879e5, 0.5);
    EXPECT_NEAR(waterSaturationPressurePa(373.5), 2.19298e7, 50.0);
    EXPECT_NEAR(waterSaturationPressurePa(373.9759), 220.54915e5, 30.0);
    // Exactly 647.126 K: the library's saturation at the critical temperature.
    EXPECT_EQ(waterSaturationPressurePa(373.976), librarySaturationPressure(647.126));
    EXPECT_NEAR(waterSaturationPressurePa(373.976), 220.54915e5, 1.0);
    EXPECT_NEAR(waterSaturationPressurePa(100.0), 1.01325e5, 10.0);
    EXPECT_TRUE(std::isnan(waterSaturationPressurePa(374.0)));  // above the critical temperature
    EXPECT_TRUE(std::isnan(waterSaturationPressurePa(kNaN)));
    for (const double t : {0.01, 100.0, 373.5, 373.976, 374.0}) {
        EXPECT_EQ(std::isnan(waterSaturationPressureBar(t)),
                  std::isnan(waterSaturationPressurePa(t)));
        if (!std::isnan(waterSaturationPressurePa(t))) {
            EXPECT_EQ(waterSaturationPressureBar(t), waterSaturationPressurePa(t) * 1e-05) << t;
        }
    }
}

TEST(WaterPropertiesTest, SaturationPressureAtTheTriplePointTemperature) {
    // 0.01 + 273.15 rounds to 273.15999999999997 K, below the triple point of the library.
    const double atTriple = waterSaturationPressurePa(0.01);
    EXPECT_EQ(atTriple, approxSaturationPressure(0.01 + 273.15).pressureMPa * 1e6);
    EXPECT_NEAR(atTriple, 611.66, 0.1);
    EXPECT_EQ(waterSaturationPressurePa(0.02), librarySaturationPressure(0.02 + 273.15));
    EXPECT_NEAR(waterSaturationPressurePa(0.02), atTriple, 1.0);
    // Continues the boiling curve below the triple point.
    EXPECT_LT(waterSaturationPressurePa(-10.0), atTriple);
}

TEST(WaterPropertiesTest, SaturationAtPressure) {
    const WaterSaturationAtPressure boiling = waterSaturationAtPressure(1.01325);
    EXPECT_NEAR(boiling.temperatureC, 100.0, 0.01);
    EXPECT_NEAR(boiling.liquidDensityKgM3, 958.4, 0.5);
    EXPECT_EQ(waterSaturationTemperatureC(1.01325), boiling.temperatureC);
    for (const double outside : {220.6, 0.006, -1.0, kNaN}) {
        const WaterSaturationAtPressure refused = waterSaturationAtPressure(outside);
        EXPECT_TRUE(std::isnan(refused.temperatureC)) << outside;
        EXPECT_TRUE(std::isnan(refused.liquidDensityKgM3)) << outside;
        EXPECT_TRUE(std::isnan(waterSaturationTemperatureC(outside))) << outside;
    }
    EXPECT_NEAR(waterSaturationTemperatureC(220.54915), 373.976, 1e-4);
}

TEST(WaterPropertiesTest, LiquidAtRoomConditionsAgreesWithTheAnalyticDerivatives) {
    const WaterPoint water = pureWater(25.0, 1.0);
    EXPECT_NEAR(kWaterMolarVolumeFactor / water.densityKgM3, 18.07, 0.005);
    EXPECT_NEAR(water.specificEnthalpyJKg, 104.9e3, 0.5e3);
    EXPECT_NEAR(water.heatCapacityJKgK, 4182.0, 5.0);

    // The level-1 record of the same state carries ∂p/∂T and ∂p/∂rho; the slopes of the molar
    // volume follow from them.
    const auto record = newProp(WaterInputPair::TemperaturePressure, 1);
    evaluateTP(25.0 + 273.15, 1e5, 500.0, 1e-8, record.get());
    ASSERT_EQ(record->error, 0);
    EXPECT_EQ(water.densityKgM3, record->rho);
    EXPECT_EQ(water.specificEnthalpyJKg, record->h);
    EXPECT_EQ(water.heatCapacityJKgK, record->cp);
    const double v = kWaterMolarVolumeFactor / record->rho;
    const double dpdT = record->deriv[kPressureDerivativeSlot]->d[0];
    const double dpdRho = record->deriv[kPressureDerivativeSlot]->d[1];
    const WaterVolumeSlopes slopes = waterVolumeSlopes(25.0, 1.0, water.densityKgM3);
    EXPECT_EQ(slopes.slopeCase, SlopeCase::Plain);
    const double dVdP = -v / (record->rho * dpdRho);
    const double dVdT = v * dpdT / (record->rho * dpdRho);
    EXPECT_NEAR(slopes.dVdPcm3MolPa, dVdP, 1e-3 * std::fabs(dVdP));
    EXPECT_NEAR(slopes.dVdTcm3MolK, dVdT, 3e-3 * std::fabs(dVdT));
}

// The differences never span the saturation curve: within one pressure step of it they are
// taken one-sided, towards the saturated state; above the critical temperature and far from
// the curve they are forward differences.
TEST(WaterPropertiesTest, SlopeCaseFollowsTheDistanceFromTheSaturationCurve) {
    const double saturation = waterSaturationPressurePa(150.0);
    struct Case {
        const char* label;
        double t, p;
        SlopeCase slopeCase;
        double minDensity, maxDensity;  // kg/m³
    };
    const Case cases[] = {
        {"vapor 0.005 bar below saturation", 150.0, (saturation - 500.0) * 1e-5,
         SlopeCase::VaporBelowSaturation, 0.0, 5.0},
        {"liquid 0.005 bar above saturation", 150.0, (saturation + 500.0) * 1e-5,
         SlopeCase::LiquidAboveSaturation, 900.0, 1000.0},
        {"liquid 1 bar above saturation", 150.0, (saturation + 1e5) * 1e-5, SlopeCase::Plain, 900.0,
         1000.0},
        {"vapor far below saturation", 150.0, 1.0, SlopeCase::Plain, 0.0, 5.0},
        {"supercritical", 400.0, 300.0, SlopeCase::Supercritical, 300.0, 1000.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const double density = pureWater(c.t, c.p).densityKgM3;
        EXPECT_GT(density, c.minDensity);
        EXPECT_LT(density, c.maxDensity);
        const WaterVolumeSlopes slopes = waterVolumeSlopes(c.t, c.p, density);
        EXPECT_EQ(slopes.slopeCase, c.slopeCase);
        EXPECT_LT(slopes.dVdPcm3MolPa, 0.0);
        EXPECT_GT(slopes.dVdTcm3MolK, 0.0);
    }
    // The backward temperature difference next to the curve equals a plain one a little further
    // from it.
    const double pNear = cases[1].p, pFar = cases[2].p;
    const double near =
        waterVolumeSlopes(150.0, pNear, pureWater(150.0, pNear).densityKgM3).dVdTcm3MolK;
    const double far =
        waterVolumeSlopes(150.0, pFar, pureWater(150.0, pFar).densityKgM3).dVdTcm3MolK;
    EXPECT_NEAR(near, far, 0.02 * far);
}

TEST(WaterPropertiesTest, PressureExactlyOnTheSaturationCurve) {
    // A temperature and a pressure in bar whose conversion to Pa lands exactly on the liquid
    // record's saturation pressure.
    double t = 150.0, p = 1.0;
    bool found = false;
    for (int step = 0; step < 100 && !found; ++step) {
        t = 150.0 + 0.01 * step;
        const double saturation = waterSaturationPressurePa(t);
        for (int k = -4; k <= 4 && !found; ++k) {
            p = saturation * 1e-5;
            for (int i = 0; i < std::abs(k); ++i) p = std::nextafter(p, k > 0 ? 1e9 : 0.0);
            found = p * 1e5 == saturation;
        }
    }
    ASSERT_TRUE(found);
    // The state itself lies on the curve: it takes the phase of its side.
    const double density = pureWater(t, p).densityKgM3;
    EXPECT_TRUE(std::isfinite(density));
    const WaterVolumeSlopes slopes = waterVolumeSlopes(t, p, density);
    EXPECT_EQ(slopes.slopeCase, SlopeCase::OnSaturation);
    EXPECT_LT(slopes.dVdPcm3MolPa, 0.0);
    EXPECT_GT(slopes.dVdTcm3MolK, 0.0);
}

TEST(WaterPropertiesTest, RefusedEvaluationsGiveNaN) {
    for (const auto& [t, p] : {std::pair{-20.0, 1.0},  // below 260 K
                               {25.0, 40000.0},        // above 3000 MPa
                               {-5.0, 1.0},            // ice Ih
                               {kNaN, 1.0},
                               {25.0, kNaN}}) {
        SCOPED_TRACE(::testing::Message() << t << " °C " << p << " bar");
        const WaterPoint water = pureWater(t, p);
        EXPECT_TRUE(std::isnan(water.densityKgM3));
        EXPECT_TRUE(std::isnan(water.specificEnthalpyJKg));
        EXPECT_TRUE(std::isnan(water.heatCapacityJKgK));
        const WaterVolumeSlopes slopes = waterVolumeSlopes(t, p, water.densityKgM3);
        EXPECT_TRUE(std::isnan(slopes.dVdPcm3MolPa));
        EXPECT_TRUE(std::isnan(slopes.dVdTcm3MolK));
    }
}

}  // namespace
}  // namespace kelvoran
