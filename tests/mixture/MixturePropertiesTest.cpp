#include "mixture/MixtureProperties.h"

#include <gtest/gtest.h>

#include <cmath>

#include "boundaries/ThreePhaseCurve.h"
#include "phase/PhaseProperties.h"
#include "water/WaterProperties.h"

namespace kelvoran {
namespace {

// The plain mapping: the molar volume of pure water at (T*_V, P).
double plainMolarVolume(double t, double p, double x) {
    double scaled = MixtureProperties::volumeScaledTemperature(t, p, x);
    double pressure = p;
    WaterProperties water(scaled, pressure);
    water.update();
    return WaterProperties::molarVolumeFactor / water.density();
}

struct Mixture {
    double t, p, x;
    MixtureProperties model{t, p, x};
    Mixture(double t0, double p0, double x0) : t(t0), p(p0), x(x0) {}
    MixtureProperties& updated() {
        model.update();
        return model;
    }
};

TEST(MixturePropertiesTest, VolumeScaledTemperatureReferenceValues) {
    struct Case {
        double t, p, x, expected;
    };
    const Case cases[] = {
        {25.0, 1.0, 0.0177, 25.90901367752},
        {25.0, 1.0, 0.1, 68.12921646684},
        {100.0, 100.0, 0.05, 107.5521665766},
        {300.0, 500.0, 0.1, 261.5423397020},
        {650.0, 200.0, 0.3, 377.2280153586},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_NEAR(MixtureProperties::volumeScaledTemperature(c.t, c.p, c.x), c.expected,
                    5e-10 * c.expected);
    }
}

TEST(MixturePropertiesTest, PureWaterIsUnscaled) {
    for (double t : {5.0, 25.0, 150.0, 400.0, 800.0}) {
        for (double p : {1.0, 100.0, 1000.0}) {
            EXPECT_NEAR(MixtureProperties::volumeScaledTemperature(t, p, 0.0), t, 1e-12 * t);
            Mixture m(t, p, 0.0);
            double tw = t, pw = p;
            WaterProperties water(tw, pw);
            water.update();
            const MixtureProperties& r = m.updated();
            EXPECT_NEAR(r.molarVolume(), WaterProperties::molarVolumeFactor / water.density(),
                        1e-9 * r.molarVolume());
            EXPECT_NEAR(r.specificEnthalpy(), water.specificEnthalpy(),
                        1e-9 * std::fabs(water.specificEnthalpy()) + 1e-6);
            EXPECT_NEAR(r.heatCapacity(), water.heatCapacity(), 1e-9 * water.heatCapacity());
        }
    }
}

TEST(MixturePropertiesTest, BrineDensitiesAtRoomTemperature) {
    for (auto [x, density] : {std::pair{0.0177, 1036.4}, std::pair{0.1, 1198.5}}) {
        Mixture m(25.0, 1.0, x);
        EXPECT_NEAR(molarMass(x) / m.updated().molarVolume() * 1000.0, density, 0.05);
    }
}

TEST(MixturePropertiesTest, CornerRegionsStartStrictlyInsideTheirLimits) {
    const double tm = ThreePhaseCurve::maximumTemperature();
    const double pm = ThreePhaseCurve::maximumPressure();
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
        Mixture m(c.t, c.p, c.x);
        const double volume = m.updated().molarVolume();
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
    const double pm = ThreePhaseCurve::maximumPressure();
    for (double t : {650.0, 800.0, 1000.0}) {
        Mixture below(t, std::nextafter(pm, 0.0), 0.3);
        const double plainAtPm = plainMolarVolume(t, pm, 0.3);
        EXPECT_NEAR(below.updated().molarVolume(), plainAtPm, 1e-9 * plainAtPm);
        // The slope at Pm matches a difference quotient of the plain mapping above Pm.
        Mixture lower(t, pm - 0.5, 0.3);
        const double slopeBelow = (plainAtPm - lower.updated().molarVolume()) / 0.5;
        const double slopeAbove = (plainMolarVolume(t, pm + 0.5, 0.3) - plainAtPm) / 0.5;
        EXPECT_NEAR(slopeBelow, slopeAbove, 0.02 * std::fabs(slopeAbove) + 1e-6);
    }
}

TEST(MixturePropertiesTest, VolumeScaledTemperatureSlopeMatchesDifferences) {
    for (auto [t, p, x] : {std::tuple{700.0, 390.0, 0.2}, std::tuple{650.0, 100.0, 0.5},
                           std::tuple{900.0, 390.1474443379598, 0.9}}) {
        const double h = 1e-3 * p;
        const double numeric = (MixtureProperties::volumeScaledTemperature(t, p + h, x) -
                                MixtureProperties::volumeScaledTemperature(t, p - h, x)) /
                               (2.0 * h);
        EXPECT_NEAR(MixtureProperties::volumeScaledTemperatureSlope(t, p, x), numeric,
                    1e-5 * std::fabs(numeric) + 1e-9);
    }
}

TEST(MixturePropertiesTest, RecomputesOnlyWhenAnInputChanges) {
    Mixture m(300.0, 500.0, 0.1);
    const double v = m.updated().molarVolume();
    m.updated();
    EXPECT_EQ(m.model.molarVolume(), v);
    m.x = 0.2;
    EXPECT_NE(m.updated().molarVolume(), v);
    EXPECT_EQ(m.model.composition(), 0.2);
    m.x = 0.1;
    EXPECT_EQ(m.updated().molarVolume(), v);
}

TEST(MixturePropertiesTest, HeatCapacityCarriesTheCompositionFactor) {
    // At x = 0.1, 25 °C, 1 bar: cp = cp_water(T*_h) · m2 / (1 + x), well below pure water.
    Mixture brine(25.0, 1.0, 0.1);
    Mixture water(25.0, 1.0, 0.0);
    EXPECT_LT(brine.updated().heatCapacity(), water.updated().heatCapacity());
    EXPECT_GT(brine.model.heatCapacity(), 2500.0);
}

}  // namespace
}  // namespace kelvoran
