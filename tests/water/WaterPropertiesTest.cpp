#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "water/WaterLibrary.h"
#include "water/WaterProperties.h"
#include "water/WaterSaturation.h"

namespace kelvoran {
namespace {

using SlopeCase = WaterProperties::SlopeCase;

// Liquid-record pressure (Pa) of the library's saturation at T (K).
double librarySaturationPressure(double temperatureK) {
    WaterState* liquid = newProp('T', 'p', 0);
    WaterState* vapor = newProp('T', 'p', 0);
    saturationAtT(temperatureK, liquid, vapor);
    const double p = liquid->error == 0 ? liquid->p : NAN;
    disposeProp(liquid);
    disposeProp(vapor);
    return p;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof(double)) == 0; }

TEST(WaterPropertiesTest, SaturationPressureAndTheNearCriticalBridge) {
    double t = 373.0, p = 1.0;
    WaterProperties water(t, p);
    // 373.0 °C is not inside the bridge (it needs T > 373.0): the library answers.
    EXPECT_EQ(water.saturationPressure(), librarySaturationPressure(373.0 + 273.15));
    EXPECT_NEAR(water.saturationPressure(), 217.98879e5, 0.5);
    t = 373.5;
    EXPECT_NEAR(water.saturationPressure(), 2.19298e7, 50.0);
    t = 373.9759;
    EXPECT_NEAR(water.saturationPressure(), 220.54915e5, 30.0);
    t = 373.976;  // exactly 647.126 K: the library's saturation at the critical temperature
    EXPECT_EQ(water.saturationPressure(), librarySaturationPressure(647.126));
    EXPECT_NEAR(water.saturationPressure(), 220.54915e5, 1.0);
    t = 100.0;
    EXPECT_NEAR(water.saturationPressure(), 1.01325e5, 10.0);
    t = 374.0;  // above the critical temperature: refused, not the previous value
    EXPECT_TRUE(std::isnan(water.saturationPressure()));
}

TEST(WaterPropertiesTest, SaturationPressureAtTheTriplePointTemperature) {
    double t = 0.01, p = 1.0;  // 0.01 + 273.15 rounds to 273.15999999999997 K
    WaterProperties water(t, p);
    const double atTriple = water.saturationPressure();
    EXPECT_EQ(atTriple, approxSaturationPressure(0.01 + 273.15).pressureMPa * 1e6);
    EXPECT_NEAR(atTriple, 611.66, 0.1);
    t = 0.02;
    EXPECT_EQ(water.saturationPressure(), librarySaturationPressure(0.02 + 273.15));
    EXPECT_NEAR(water.saturationPressure(), atTriple, 1.0);
    t = -10.0;  // continues the boiling curve below the triple point
    EXPECT_LT(water.saturationPressure(), atTriple);
}

TEST(WaterPropertiesTest, SaturationTemperature) {
    double t = 25.0, p = 1.01325;
    WaterProperties water(t, p);
    EXPECT_NEAR(water.saturationTemperature(), 100.0, 0.01);
    EXPECT_NEAR(water.saturatedLiquidDensityAtP(), 958.4, 0.5);
    for (double outside : {220.6, 0.006, -1.0}) {
        p = outside;
        EXPECT_TRUE(std::isnan(water.saturationTemperature())) << outside;
        EXPECT_TRUE(std::isnan(water.saturatedLiquidDensityAtP())) << outside;
    }
    p = 220.54915;
    EXPECT_NEAR(water.saturationTemperature(), 373.976, 1e-4);
}

TEST(WaterPropertiesTest, LiquidAtRoomConditions) {
    double t = 25.0, p = 1.0;
    WaterProperties water(t, p);
    water.update();
    EXPECT_EQ(water.slopeCase(), SlopeCase::Plain);
    EXPECT_NEAR(WaterProperties::molarVolumeFactor / water.density(), 18.07, 0.005);
    EXPECT_EQ(water.density(), water.state().rho);
    EXPECT_NEAR(water.specificEnthalpy(), 104.9e3, 0.5e3);
    EXPECT_NEAR(water.heatCapacity(), 4182.0, 5.0);
    // The slopes against the analytic pressure derivatives of the record.
    const WaterState& s = water.state();
    const double V = WaterProperties::molarVolumeFactor / s.rho;
    const double dpdRho = s.deriv[kPressureDerivativeSlot]->d[1];
    const double dpdT = s.deriv[kPressureDerivativeSlot]->d[0];
    EXPECT_NEAR(water.dVdP(), -V / (s.rho * dpdRho), 1e-3 * std::fabs(water.dVdP()));
    EXPECT_NEAR(water.dVdT(), V * dpdT / (s.rho * dpdRho), 3e-3 * std::fabs(water.dVdT()));
}

TEST(WaterPropertiesTest, SupercriticalUsesPlainForwardDifferences) {
    double t = 400.0, p = 300.0;
    WaterProperties water(t, p);
    water.update();
    EXPECT_EQ(water.slopeCase(), SlopeCase::Supercritical);
    EXPECT_LT(water.dVdP(), 0.0);
    EXPECT_GT(water.dVdT(), 0.0);
    EXPECT_GT(water.density(), 300.0);
}

TEST(WaterPropertiesTest, OneSidedDifferencesNextToTheSaturationCurve) {
    double t = 150.0, p = 1.0;
    WaterProperties water(t, p);
    const double saturation = water.saturationPressure();  // Pa

    p = (saturation - 500.0) * 1e-5;  // vapor 0.005 bar below saturation
    water.update();
    EXPECT_EQ(water.slopeCase(), SlopeCase::VaporBelowSaturation);
    EXPECT_LT(water.density(), 5.0);
    EXPECT_LT(water.dVdP(), 0.0);
    EXPECT_TRUE(std::isfinite(water.dVdT()));

    p = (saturation + 500.0) * 1e-5;  // liquid 0.005 bar above saturation
    water.update();
    EXPECT_EQ(water.slopeCase(), SlopeCase::LiquidAboveSaturation);
    EXPECT_GT(water.density(), 900.0);
    EXPECT_LT(water.dVdP(), 0.0);
    EXPECT_GT(water.dVdT(), 0.0);
    const double liquidSlope = water.dVdT();
    // The backward temperature difference equals a plain one a little further from the curve.
    p = (saturation + 1e5) * 1e-5;
    water.update();
    EXPECT_EQ(water.slopeCase(), SlopeCase::Plain);
    EXPECT_NEAR(water.dVdT(), liquidSlope, 0.02 * liquidSlope);

    p = 1.0;  // plain liquid at 150 °C and 1 bar: vapor, far from saturation
    water.update();
    EXPECT_EQ(water.slopeCase(), SlopeCase::Plain);
}

TEST(WaterPropertiesTest, PressureExactlyOnTheSaturationCurve) {
    double t = 150.0, p = 1.0;
    WaterProperties water(t, p);
    // A temperature and a pressure in bar whose conversion to Pa lands exactly on the
    // liquid record's saturation pressure.
    bool found = false;
    for (int step = 0; step < 100 && !found; ++step) {
        t = 150.0 + 0.01 * step;
        const double saturation = water.saturationPressure();
        for (int k = -4; k <= 4 && !found; ++k) {
            p = saturation * 1e-5;
            for (int i = 0; i < std::abs(k); ++i) p = std::nextafter(p, k > 0 ? 1e9 : 0.0);
            found = p * 1e5 == saturation;
        }
    }
    ASSERT_TRUE(found);
    water.update();
    EXPECT_EQ(water.slopeCase(), SlopeCase::OnSaturation);
    EXPECT_TRUE(std::isnan(water.density()));  // the state itself lies on the curve
    EXPECT_LT(water.dVdP(), 0.0);
    EXPECT_GT(water.dVdT(), 0.0);
}

TEST(WaterPropertiesTest, RefusedEvaluationsGiveNaN) {
    double t = 25.0, p = 1.0;
    WaterProperties water(t, p);
    EXPECT_TRUE(std::isnan(water.density()));  // before any update
    water.update();
    ASSERT_FALSE(std::isnan(water.density()));
    for (const auto& [tc, pb] : {std::pair{-20.0, 1.0},  // below 260 K
                                 {25.0, 40000.0},        // above 3000 MPa
                                 {-5.0, 1.0},            // ice Ih
                                 {NAN, 1.0}}) {
        t = tc;
        p = pb;
        water.update();
        SCOPED_TRACE(::testing::Message() << tc << " °C " << pb << " bar");
        EXPECT_TRUE(std::isnan(water.density()));
        EXPECT_TRUE(std::isnan(water.specificEnthalpy()));
        EXPECT_TRUE(std::isnan(water.heatCapacity()));
        EXPECT_TRUE(std::isnan(water.dVdP()));
        EXPECT_TRUE(std::isnan(water.dVdT()));
        EXPECT_EQ(water.state().error, 1);
    }
}

// The same query gives the same bits whatever was evaluated before it.
TEST(WaterPropertiesTest, HistoryIndependence) {
    struct Point {
        double t, p;
    };
    const Point points[] = {{25.0, 1.0},    {150.0, 4.76}, {-20.0, 1.0},   {373.5, 219.0},
                            {400.0, 300.0}, {5.0, 0.015},  {360.0, 186.0}, {25.0, 40000.0}};
    struct Answer {
        double density, enthalpy, heatCapacity, dVdP, dVdT, saturationT, saturationP, liquidAtP;
    };
    auto ask = [](WaterProperties& water) {
        Answer a{};
        a.saturationT = water.saturationTemperature();
        a.liquidAtP = water.saturatedLiquidDensityAtP();
        a.saturationP = water.saturationPressure();
        water.update();
        a.density = water.density();
        a.enthalpy = water.specificEnthalpy();
        a.heatCapacity = water.heatCapacity();
        a.dVdP = water.dVdP();
        a.dVdT = water.dVdT();
        return a;
    };
    double t = 0.0, p = 0.0;
    Answer fresh[std::size(points)];
    for (std::size_t i = 0; i < std::size(points); ++i) {
        WaterProperties water(t, p);
        t = points[i].t;
        p = points[i].p;
        fresh[i] = ask(water);
    }
    WaterProperties shared(t, p);
    for (int round = 0; round < 3; ++round) {
        for (std::size_t k = 0; k < std::size(points); ++k) {
            const std::size_t i =
                round == 1 ? std::size(points) - 1 - k : (k * 3 + round) % std::size(points);
            t = points[i].t;
            p = points[i].p;
            const Answer a = ask(shared);
            SCOPED_TRACE(::testing::Message() << points[i].t << " °C " << points[i].p << " bar");
            EXPECT_TRUE(sameBits(a.density, fresh[i].density));
            EXPECT_TRUE(sameBits(a.enthalpy, fresh[i].enthalpy));
            EXPECT_TRUE(sameBits(a.heatCapacity, fresh[i].heatCapacity));
            EXPECT_TRUE(sameBits(a.dVdP, fresh[i].dVdP));
            EXPECT_TRUE(sameBits(a.dVdT, fresh[i].dVdT));
            EXPECT_TRUE(sameBits(a.saturationT, fresh[i].saturationT));
            EXPECT_TRUE(sameBits(a.saturationP, fresh[i].saturationP));
            EXPECT_TRUE(sameBits(a.liquidAtP, fresh[i].liquidAtP));
        }
    }
}

}  // namespace
}  // namespace kelvoran
