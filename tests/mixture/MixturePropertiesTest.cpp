#include <gtest/gtest.h>

#include <cmath>

#include "boundaries/ThreePhaseCurve.h"
#include "kelvoran/Constants.h"
#include "mixture/MixtureProperties.h"
#include "water/WaterProperties.h"

namespace kelvoran {
namespace {

// The plain mapping: the molar volume of pure water at (T*_V, P).
double plainMolarVolume(double t, double p, double x) {
    return kWaterMolarVolumeFactor / pureWater(volumeScaledTemperature(t, p, x), p).densityKgM3;
}

double molarVolumeAt(double t, double p, double x) {
    return mixtureProperties(t, p, x).molarVolumeCm3Mol;
}

TEST(MixturePropertiesTest, VolumeScaledTemperatureReferenceValues) {
    struct Case {
        double t, p, x, expected;
    };
    const Case cases[] = {
        {25.0, 1.0, 0.0177, 25.90901367752},  {25.0, 1.0, 0.1, 68.12921646684},
        {100.0, 100.0, 0.05, 107.5521665766}, {300.0, 500.0, 0.1, 261.5423397020},
        {650.0, 200.0, 0.3, 377.2280153586},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_NEAR(volumeScaledTemperature(c.t, c.p, c.x), c.expected, 5e-10 * c.expected);
    }
}

TEST(MixturePropertiesTest, PureWaterIsUnscaled) {
    for (double t : {5.0, 25.0, 150.0, 400.0, 800.0}) {
        for (double p : {1.0, 100.0, 1000.0}) {
            EXPECT_NEAR(volumeScaledTemperature(t, p, 0.0), t, 1e-12 * t);
            const WaterPoint water = pureWater(t, p);
            const FluidPoint r = mixtureProperties(t, p, 0.0);
            EXPECT_NEAR(r.molarVolumeCm3Mol, kWaterMolarVolumeFactor / water.densityKgM3,
                        1e-9 * r.molarVolumeCm3Mol);
            EXPECT_NEAR(r.densityKgM3, water.densityKgM3, 1e-9 * water.densityKgM3);
            EXPECT_NEAR(r.specificEnthalpyJKg, water.specificEnthalpyJKg,
                        1e-9 * std::fabs(water.specificEnthalpyJKg) + 1e-6);
            EXPECT_NEAR(r.heatCapacityJKgK, water.heatCapacityJKgK, 1e-9 * water.heatCapacityJKgK);
        }
    }
}

TEST(MixturePropertiesTest, BrineDensitiesAtRoomTemperature) {
    for (auto [x, density] : {std::pair{0.0177, 1036.4}, std::pair{0.1, 1198.5}}) {
        EXPECT_NEAR(mixtureProperties(25.0, 1.0, x).densityKgM3, density, 0.05);
        EXPECT_EQ(mixtureProperties(25.0, 1.0, x).densityKgM3,
                  molarMass(x) / molarVolumeAt(25.0, 1.0, x) * 1000.0);
    }
}

TEST(MixturePropertiesTest, CornerRegionsStartStrictlyInsideTheirLimits) {
    const double tm = kThreePhaseMaximumTemperatureC;
    const double pm = kThreePhaseMaximumPressureBar;
    struct Case {
        const char* label;
        double t, p, x;
        bool plain;
    };
    const Case cases[] = {
        {"high region: T at its limit", tm, 300.0, 0.2, true},
        {"high region: P at its limit", 700.0, pm, 0.2, true},
        {"high region: x at its limit", 700.0, 300.0, 0.1, true},
        {"high region inside", 700.0, 300.0, 0.2, false},
        {"low region: P at its limit", 120.0, 16.0, 0.01, true},
        {"low region: x at its limit", 120.0, 1.0, 0.0001, true},
        {"low region inside", 120.0, 1.0, 0.01, false},
        {"below the boiling point", 25.0, 1.0, 0.01, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const double volume = molarVolumeAt(c.t, c.p, c.x);
        const double plain = plainMolarVolume(c.t, c.p, c.x);
        if (c.plain) {
            EXPECT_EQ(volume, plain);
        } else {
            EXPECT_NE(volume, plain);
            EXPECT_TRUE(std::isfinite(volume));
        }
    }
}

TEST(MixturePropertiesTest, HighTemperatureRegionJoinsThePlainMapping) {
    const double pm = kThreePhaseMaximumPressureBar;
    for (double t : {650.0, 800.0, 1000.0}) {
        const double plainAtPm = plainMolarVolume(t, pm, 0.3);
        EXPECT_NEAR(molarVolumeAt(t, std::nextafter(pm, 0.0), 0.3), plainAtPm, 1e-9 * plainAtPm);
        // The slope at Pm matches a difference quotient of the plain mapping above Pm.
        const double slopeBelow = (plainAtPm - molarVolumeAt(t, pm - 0.5, 0.3)) / 0.5;
        const double slopeAbove = (plainMolarVolume(t, pm + 0.5, 0.3) - plainAtPm) / 0.5;
        EXPECT_NEAR(slopeBelow, slopeAbove, 0.02 * std::fabs(slopeAbove) + 1e-6);
    }
}

TEST(MixturePropertiesTest, VolumeScaledTemperatureSlopeMatchesDifferences) {
    for (auto [t, p, x] : {std::tuple{700.0, 390.0, 0.2}, std::tuple{650.0, 100.0, 0.5},
                           std::tuple{900.0, 390.1474443379598, 0.9}}) {
        const double h = 1e-3 * p;
        const double numeric =
            (volumeScaledTemperature(t, p + h, x) - volumeScaledTemperature(t, p - h, x)) /
            (2.0 * h);
        EXPECT_NEAR(volumeScaledTemperatureSlope(t, p, x), numeric,
                    1e-5 * std::fabs(numeric) + 1e-9);
    }
}

TEST(MixturePropertiesTest, HeatCapacityCarriesTheCompositionFactor) {
    // At x = 0.1, 25 °C, 1 bar: cp = cp_water(T*_h) · m2 / (1 + x), well below pure water.
    const double brine = mixtureProperties(25.0, 1.0, 0.1).heatCapacityJKgK;
    EXPECT_LT(brine, mixtureProperties(25.0, 1.0, 0.0).heatCapacityJKgK);
    EXPECT_GT(brine, 2500.0);
}

}  // namespace
}  // namespace kelvoran
