#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "boundaries/CriticalCurve.h"
#include "boundaries/ThreePhaseCurve.h"
#include "phase/PhaseStateEvaluator.h"
#include "water/WaterProperties.h"

namespace kelvoran {
namespace {

// The pressure of the three-phase curve at `temperatureC`, as the curve itself computes it.
double threePhasePressure(double temperatureC) {
    double t = temperatureC;
    ThreePhaseCurve curve(t);
    curve.update();
    return curve.pressure();
}

// True when `actual` shows the digits of `expected` once rounded to as many significant digits
// as `expected` is written with ("1019.594" → 7 digits, "2.614890e-07" → 7 digits).
::testing::AssertionResult showsDigits(double actual, const std::string& expected) {
    int digits = 0;
    bool leading = true;
    for (char ch : expected) {
        if (ch == 'e' || ch == 'E') break;
        if (ch < '0' || ch > '9') continue;
        if (leading && ch == '0') continue;
        leading = false;
        ++digits;
    }
    const double reference = std::stod(expected);
    char a[64], b[64];
    std::snprintf(a, sizeof a, "%.*e", digits - 1, actual);
    std::snprintf(b, sizeof b, "%.*e", digits - 1, reference);
    if (std::string(a) == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << a << " (" << actual << "), expected " << b;
}

struct Field {
    const char* record;  // "bulk", "liquid", "vapor" or "halite"
    const char* name;
    std::string value;
};

struct ReferencePoint {
    const char* label;
    double temperatureC;
    double pressureBar;
    double composition;
    PhaseState state;
    std::vector<Field> fields;
};

double fieldOf(const PhaseProperties& r, const std::string& name) {
    if (name == "composition") return r.composition;
    if (name == "massPercent") return r.massPercent;
    if (name == "massFraction") return r.massFraction;
    if (name == "density") return r.density;
    if (name == "molarVolume") return r.molarVolume;
    if (name == "specificEnthalpy") return r.specificEnthalpy;
    if (name == "heatCapacity") return r.heatCapacity;
    ADD_FAILURE() << "unknown field " << name;
    return NAN;
}

const PhaseProperties& recordOf(const PhaseStateEvaluator& e, const std::string& name) {
    if (name == "liquid") return e.liquid();
    if (name == "vapor") return e.vapor();
    if (name == "halite") return e.halite();
    return e.bulk();
}

std::vector<ReferencePoint> referencePoints() {
    const double p500 = threePhasePressure(500.0);
    return {
        {"25 C, 1 bar, x 0.01",
         25.0,
         1.0,
         0.01,
         HighPressureSinglePhase,
         {{"bulk", "composition", "0.01"},
          {"bulk", "massPercent", "3.172925"},
          {"bulk", "density", "1019.594"},
          {"bulk", "molarVolume", "18.06530"},
          {"bulk", "heatCapacity", "4028.708"},
          {"liquid", "density", "1019.594"},
          {"liquid", "heatCapacity", "4028.708"}}},
        {"100 C, 1 bar, x 0.01",
         100.0,
         1.0,
         0.01,
         LiquidSinglePhase,
         {{"bulk", "density", "979.7564"},
          {"bulk", "molarVolume", "18.79986"},
          {"bulk", "heatCapacity", "4058.693"},
          {"liquid", "density", "979.7564"},
          {"liquid", "molarVolume", "18.79986"}}},
        {"25 C, 1 bar, x 0.2",
         25.0,
         1.0,
         0.2,
         LiquidHalite,
         {{"bulk", "composition", "0.2"},
          {"bulk", "massPercent", "44.78288"},
          {"liquid", "composition", "0.09984158"},
          {"liquid", "massPercent", "26.46110"},
          {"liquid", "density", "1198.215"},
          {"liquid", "molarVolume", "18.40354"},
          {"liquid", "heatCapacity", "3026.898"},
          {"halite", "density", "2164.199"},
          {"halite", "molarVolume", "27.00445"},
          {"halite", "heatCapacity", "880.0099"}}},
        {"400 C, 250 bar, x 0.05",
         400.0,
         250.0,
         0.05,
         VaporLiquid,
         {{"liquid", "composition", "0.06441279"},
          {"liquid", "massPercent", "18.25725"},
          {"liquid", "density", "760.3132"},
          {"liquid", "molarVolume", "27.11919"},
          {"liquid", "heatCapacity", "5372.836"},
          {"vapor", "composition", "0.0003183953"},
          {"vapor", "density", "168.2905"},
          {"vapor", "molarVolume", "107.1235"},
          {"vapor", "heatCapacity", "13473.13"}}},
        {"500 C, 100 bar, x 0.05",
         500.0,
         100.0,
         0.05,
         VaporHalite,
         {{"bulk", "massFraction", "0.1458421"},
          {"vapor", "composition", "2.614890e-07"},
          {"vapor", "density", "30.50303"},
          {"vapor", "molarVolume", "590.5974"},
          {"vapor", "heatCapacity", "2584.266"},
          {"halite", "density", "2024.565"},
          {"halite", "molarVolume", "28.86694"},
          {"halite", "heatCapacity", "1006.281"}}},
        {"700 C, 300 bar, x 0.2",
         700.0,
         300.0,
         0.2,
         VaporLiquid,
         {{"liquid", "composition", "0.6789412"},
          {"liquid", "density", "1422.6"},
          {"liquid", "molarVolume", "31.957"},
          {"liquid", "heatCapacity", "996.1"},
          {"vapor", "composition", "8.855120e-05"},
          {"vapor", "density", "73.28147"},
          {"vapor", "heatCapacity", "2834.850"}}},
        {"500 C on the three-phase curve, x 0.1",
         500.0,
         p500,
         0.1,
         VaporLiquidHalite,
         {{"vapor", "composition", "0.0002232388"},
          {"vapor", "massFraction", "0.0007238531"},
          {"vapor", "density", "127.5889"},
          {"vapor", "molarVolume", "141.2664"},
          {"vapor", "specificEnthalpy", "3044097"},
          {"vapor", "heatCapacity", "4607.400"},
          {"liquid", "composition", "0.3153180"},
          {"liquid", "density", "1167.021"},
          {"liquid", "molarVolume", "26.36000"},
          {"liquid", "specificEnthalpy", "998383.4"},
          {"liquid", "heatCapacity", "2094.617"},
          {"halite", "density", "2027.029"},
          {"halite", "heatCapacity", "1005.012"},
          {"bulk", "composition", "0.1"},
          {"bulk", "massPercent", "26.49539"}}},
        {"500 C on the three-phase curve, x 1e-05",
         500.0,
         p500,
         1e-05,
         VaporSinglePhase,
         {{"bulk", "massFraction", "3.244057e-05"},
          {"bulk", "density", "127.6034"},
          {"bulk", "molarVolume", "141.1828"},
          {"bulk", "heatCapacity", "4602.887"},
          {"vapor", "density", "127.6034"}}},
        {"500 C, 100 bar, x 1e-07",
         500.0,
         100.0,
         1e-07,
         VaporSinglePhase,
         {{"bulk", "density", "30.50305"},
          {"bulk", "heatCapacity", "2584.266"},
          {"vapor", "density", "30.50305"},
          {"vapor", "heatCapacity", "2584.266"}}},
    };
}

TEST(PhaseStateEvaluatorTest, ReferenceEvaluations) {
    for (const ReferencePoint& point : referencePoints()) {
        SCOPED_TRACE(point.label);
        double t = point.temperatureC, p = point.pressureBar, x = point.composition;
        PhaseStateEvaluator evaluator(t, p, x);
        evaluator.evaluate();
        EXPECT_EQ(evaluator.bulk().phaseState, point.state);
        for (const Field& f : point.fields) {
            SCOPED_TRACE(std::string(f.record) + "." + f.name);
            EXPECT_TRUE(showsDigits(fieldOf(recordOf(evaluator, f.record), f.name), f.value));
        }
        EXPECT_EQ(x, point.composition) << "the working composition must be restored";
    }
}

TEST(PhaseStateEvaluatorTest, RecordLayoutPerState) {
    const PhaseProperties zero{};
    for (const ReferencePoint& point : referencePoints()) {
        SCOPED_TRACE(point.label);
        double t = point.temperatureC, p = point.pressureBar, x = point.composition;
        PhaseStateEvaluator e(t, p, x);
        e.evaluate();
        const int s = e.bulk().phaseState;
        switch (s) {
            case LiquidSinglePhase:
                EXPECT_EQ(e.liquid(), e.bulk());
                EXPECT_EQ(e.vapor(), zero);
                EXPECT_EQ(e.halite(), zero);
                break;
            case VaporSinglePhase:
                EXPECT_EQ(e.vapor(), e.bulk());
                EXPECT_EQ(e.liquid(), zero);
                EXPECT_EQ(e.halite(), zero);
                break;
            case HighPressureSinglePhase: {
                EXPECT_EQ(e.liquid(), e.bulk());
                PhaseProperties codeOnly{};
                codeOnly.phaseState = HighPressureSinglePhase;
                EXPECT_EQ(e.vapor(), codeOnly);
                EXPECT_EQ(e.halite(), codeOnly);
                break;
            }
            default:
                break;
        }
        if (s == VaporHalite || s == LiquidHalite || s == VaporLiquidHalite) {
            EXPECT_EQ(e.halite().composition, 1.0);
            EXPECT_EQ(e.halite().massPercent, 100.0);
            EXPECT_EQ(e.halite().molarVolume, 58.443 * (1000.0 / e.halite().density));
        }
        if (s == VaporHalite) {
            // The vapor with halite takes the density of pure water at (T, P) ...
            double tw = t, pw = p;
            WaterProperties water(tw, pw);
            water.update();
            EXPECT_EQ(e.vapor().density, water.density());
            EXPECT_EQ(e.vapor().heatCapacity, water.heatCapacity());
            // ... and its molar volume its own molar mass.
            EXPECT_EQ(e.vapor().molarVolume,
                      molarMass(e.vapor().composition) * (1000.0 / water.density()));
            EXPECT_EQ(e.liquid(), zero);
        }
    }
}

TEST(PhaseStateEvaluatorTest, ResultsDependOnThePointAloneNotOnHistory) {
    const std::vector<ReferencePoint> points = referencePoints();
    std::vector<std::vector<PhaseProperties>> fresh;
    for (const ReferencePoint& point : points) {
        double t = point.temperatureC, p = point.pressureBar, x = point.composition;
        PhaseStateEvaluator e(t, p, x);
        fresh.push_back({e.getLiquid(), e.getVapor(), e.getHalite(), e.getBulk()});
    }
    // One evaluator, the points forwards, backwards and interleaved with extreme inputs.
    std::vector<size_t> order;
    for (size_t i = 0; i < points.size(); ++i) order.push_back(i);
    for (size_t i = points.size(); i-- > 0;) order.push_back(i);
    for (size_t i = 0; i < points.size(); i += 2) order.push_back(i);
    double t = 0, p = 0, x = 0;
    PhaseStateEvaluator shared(t, p, x);
    for (size_t k = 0; k < order.size(); ++k) {
        const ReferencePoint& point = points[order[k]];
        SCOPED_TRACE(point.label);
        if (k % 3 == 0) {  // something unrelated in between, some of it refused by the water model
            t = -50.0;
            p = 1e5;
            x = 0.5;
            shared.evaluate();
            t = 2.0;
            p = 1.0;
            x = 0.01;
            shared.evaluate();
        }
        t = point.temperatureC;
        p = point.pressureBar;
        x = point.composition;
        const std::vector<PhaseProperties> got = {shared.getLiquid(), shared.getVapor(),
                                                  shared.getHalite(), shared.getBulk()};
        EXPECT_EQ(got, fresh[order[k]]);
    }
}

struct BoundaryCase {
    const char* label;
    double temperatureC;
    double pressureBar;
    double composition;
    PhaseState state;
};

TEST(PhaseStateEvaluatorTest, StrictAndInclusiveBoundaries) {
    // On the three-phase curve bit for bit: V+L+H above the halite-saturated vapor composition,
    // single vapor at or below it; a pressure one bit higher leaves the curve.
    const double p500 = threePhasePressure(500.0);
    double t500 = 500.0;
    CriticalCurve critical(t500);
    critical.update();
    double t300 = 300.0, dummy = 1.0;
    WaterProperties water(t300, dummy);
    const double boiling300 = water.saturationPressure() * 1e-05;

    const BoundaryCase cases[] = {
        {"on the curve, salty", 500.0, p500, 0.1, VaporLiquidHalite},
        {"on the curve, dilute", 500.0, p500, 1e-05, VaporSinglePhase},
        {"below the curve, salty", 500.0, std::nextafter(p500, 0.0), 0.1, VaporHalite},
        {"one bit above the curve is no longer three-phase", 500.0, std::nextafter(p500, 1e9), 0.1,
         VaporLiquid},
        {"above the liquidus at any pressure", 300.0, 5000.0, 0.5, LiquidHalite},
        {"exactly at the boiling pressure of water is not high-pressure", 300.0, boiling300, 0.0,
         LiquidSinglePhase},
        {"just above the boiling pressure", 300.0, std::nextafter(boiling300, 1e9), 0.0,
         HighPressureSinglePhase},
        {"exactly at the critical pressure is high-pressure", 500.0, critical.criticalPressure(),
         0.01, HighPressureSinglePhase},
        {"NaN composition in the upper branch", 400.0, 250.0, NAN, VaporLiquid},
        {"NaN pressure", 400.0, NAN, 0.05, VaporLiquid},
        {"NaN temperature", NAN, 100.0, 0.05, VaporLiquid},
    };
    for (const BoundaryCase& c : cases) {
        SCOPED_TRACE(c.label);
        double t = c.temperatureC, p = c.pressureBar, x = c.composition;
        PhaseStateEvaluator e(t, p, x);
        EXPECT_EQ(e.getBulk().phaseState, c.state);
    }
}

TEST(PhaseStateEvaluatorTest, CopiesAreIndependentAndRepeatable) {
    double t = 400.0, p = 250.0, x = 0.05;
    PhaseStateEvaluator e(t, p, x);
    const PhaseProperties first = e.getBulk();
    EXPECT_EQ(e.getBulk(), first);
    const PhaseProperties liquid = e.getLiquid();
    t = 25.0;
    p = 1.0;
    e.evaluate();
    EXPECT_EQ(liquid.temperature, 400.0);
    EXPECT_NE(e.liquid().temperature, 400.0);
}

TEST(PhaseStateEvaluatorTest, RecordsStartAtZero) {
    double t = 25.0, p = 1.0, x = 0.01;
    const PhaseProperties zero{};
    PhaseStateEvaluator evaluator(t, p, x);
    EXPECT_EQ(evaluator.bulk(), zero);
    EXPECT_EQ(evaluator.liquid(), zero);
}

}  // namespace
}  // namespace kelvoran
