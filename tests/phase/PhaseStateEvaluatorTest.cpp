#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "kelvoran/Constants.h"
#include "kelvoran/Correlations.h"
#include "phase/PhaseStateEvaluator.h"
#include "support/SameResult.h"

namespace kelvoran {
namespace {

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
    Phases phases;
    std::vector<Field> fields;
};

double fieldOf(const PhaseRecord& r, const std::string& name) {
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

const PhaseRecord& recordOf(const PointResult& r, const std::string& name) {
    if (name == "liquid") return r.liquid;
    if (name == "vapor") return r.vapor;
    if (name == "halite") return r.halite;
    return r.bulk;
}

std::vector<ReferencePoint> referencePoints() {
    const double p500 = threePhasePressureBar(500.0);
    return {
        {"25 C, 1 bar, x 0.01",
         25.0,
         1.0,
         0.01,
         Phases::Fluid,
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
         Phases::Liquid,
         {{"bulk", "density", "979.7564"},
          {"bulk", "molarVolume", "18.79986"},
          {"bulk", "heatCapacity", "4058.693"},
          {"liquid", "density", "979.7564"},
          {"liquid", "molarVolume", "18.79986"}}},
        {"25 C, 1 bar, x 0.2",
         25.0,
         1.0,
         0.2,
         Phases::LiquidHalite,
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
         Phases::VaporLiquid,
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
         Phases::VaporHalite,
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
         Phases::VaporLiquid,
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
         Phases::VaporLiquidHalite,
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
         Phases::Vapor,
         {{"bulk", "massFraction", "3.244057e-05"},
          {"bulk", "density", "127.6034"},
          {"bulk", "molarVolume", "141.1828"},
          {"bulk", "heatCapacity", "4602.887"},
          {"vapor", "density", "127.6034"}}},
        {"500 C, 100 bar, x 1e-07",
         500.0,
         100.0,
         1e-07,
         Phases::Vapor,
         {{"bulk", "density", "30.50305"},
          {"bulk", "heatCapacity", "2584.266"},
          {"vapor", "density", "30.50305"},
          {"vapor", "heatCapacity", "2584.266"}}},
    };
}

TEST(PhaseStateEvaluatorTest, ReferenceEvaluations) {
    PhaseStateEvaluator evaluator;
    for (const ReferencePoint& point : referencePoints()) {
        SCOPED_TRACE(point.label);
        const PointResult r =
            evaluator.evaluate(point.temperatureC, point.pressureBar, point.composition);
        EXPECT_EQ(r.phases, point.phases);
        EXPECT_EQ(r.bulk.phaseState, static_cast<std::int32_t>(point.phases));
        for (const Field& f : point.fields) {
            SCOPED_TRACE(std::string(f.record) + "." + f.name);
            EXPECT_TRUE(showsDigits(fieldOf(recordOf(r, f.record), f.name), f.value));
        }
    }
}

TEST(PhaseStateEvaluatorTest, RecordLayoutPerState) {
    const PhaseRecord zero{};
    PhaseStateEvaluator evaluator;
    for (const ReferencePoint& point : referencePoints()) {
        SCOPED_TRACE(point.label);
        const double t = point.temperatureC, p = point.pressureBar, x = point.composition;
        const PointResult r = evaluator.evaluate(t, p, x);
        switch (r.phases) {
            case Phases::Liquid:
                EXPECT_EQ(r.liquid, r.bulk);
                EXPECT_EQ(r.vapor, zero);
                EXPECT_EQ(r.halite, zero);
                break;
            case Phases::Vapor:
                EXPECT_EQ(r.vapor, r.bulk);
                EXPECT_EQ(r.liquid, zero);
                EXPECT_EQ(r.halite, zero);
                break;
            case Phases::Fluid: {
                EXPECT_EQ(r.liquid, r.bulk);
                PhaseRecord codeOnly{};
                codeOnly.phaseState = static_cast<std::int32_t>(Phases::Fluid);
                EXPECT_EQ(r.vapor, codeOnly);
                EXPECT_EQ(r.halite, codeOnly);
                break;
            }
            default:
                break;
        }
        if (r.hasHalite()) {
            EXPECT_EQ(r.halite.composition, 1.0);
            EXPECT_EQ(r.halite.massPercent, 100.0);
            EXPECT_EQ(r.halite.molarVolume, 58.443 * (1000.0 / r.halite.density));
        }
        if (r.phases == Phases::VaporHalite) {
            // The vapor with halite takes the density of pure water at (T, P) ...
            const WaterPoint water = pureWater(t, p);
            EXPECT_EQ(r.vapor.density, water.densityKgM3);
            EXPECT_EQ(r.vapor.heatCapacity, water.heatCapacityJKgK);
            // ... and its molar volume its own molar mass.
            EXPECT_EQ(r.vapor.molarVolume,
                      molarMass(r.vapor.composition) * (1000.0 / water.densityKgM3));
            EXPECT_EQ(r.liquid, zero);
        }
    }
}

// The evaluator keeps memos of water states and of the liquid branch at the last temperature:
// a result must still depend on its point alone. One evaluator walks the points forwards,
// backwards and interleaved with points that share a memo key with them (the same isotherm,
// pure water at the same T and P) or that the water model refuses.
TEST(PhaseStateEvaluatorTest, ResultsDependOnThePointAloneNotOnHistory) {
    const std::vector<ReferencePoint> points = referencePoints();
    std::vector<PointResult> fresh;
    for (const ReferencePoint& point : points) {
        PhaseStateEvaluator e;
        fresh.push_back(e.evaluate(point.temperatureC, point.pressureBar, point.composition));
    }
    std::vector<size_t> order;
    for (size_t i = 0; i < points.size(); ++i) order.push_back(i);
    for (size_t i = points.size(); i-- > 0;) order.push_back(i);
    for (size_t i = 0; i < points.size(); i += 2) order.push_back(i);
    PhaseStateEvaluator shared;
    for (size_t k = 0; k < order.size(); ++k) {
        const ReferencePoint& point = points[order[k]];
        SCOPED_TRACE(point.label);
        const double t = point.temperatureC, p = point.pressureBar;
        switch (k % 3) {
            case 0:
                shared.evaluate(-50.0, 1e5, 0.5);
                shared.evaluate(2.0, 1.0, 0.01);
                break;
            case 1:
                shared.evaluate(t, p * 1.01, point.composition);
                shared.evaluate(t, p, 0.0);
                break;
            default:
                break;
        }
        EXPECT_TRUE(testing::sameResult(shared.evaluate(t, p, point.composition), fresh[order[k]]));
    }
}

struct BoundaryCase {
    const char* label;
    double temperatureC;
    double pressureBar;
    double composition;
    Phases phases;
};

TEST(PhaseStateEvaluatorTest, StrictAndInclusiveBoundaries) {
    // On the three-phase curve bit for bit: V+L+H above the halite-saturated vapor composition,
    // single vapor at or below it; a pressure one bit higher leaves the curve.
    const double p500 = threePhasePressureBar(500.0);
    const double boiling300 = waterSaturationPressureBar(300.0);

    const BoundaryCase cases[] = {
        {"on the curve, salty", 500.0, p500, 0.1, Phases::VaporLiquidHalite},
        {"on the curve, dilute", 500.0, p500, 1e-05, Phases::Vapor},
        {"below the curve, salty", 500.0, std::nextafter(p500, 0.0), 0.1, Phases::VaporHalite},
        {"one bit above the curve is no longer three-phase", 500.0, std::nextafter(p500, 1e9), 0.1,
         Phases::VaporLiquid},
        {"above the liquidus at any pressure", 300.0, 5000.0, 0.5, Phases::LiquidHalite},
        {"exactly at the boiling pressure of water is not high-pressure", 300.0, boiling300, 0.0,
         Phases::Liquid},
        {"just above the boiling pressure", 300.0, std::nextafter(boiling300, 1e9), 0.0,
         Phases::Fluid},
        {"exactly at the critical pressure is high-pressure", 500.0, criticalPressureBar(500.0),
         0.01, Phases::Fluid},
        {"NaN composition in the upper branch", 400.0, 250.0, NAN, Phases::VaporLiquid},
        {"NaN pressure", 400.0, NAN, 0.05, Phases::VaporLiquid},
        {"NaN temperature", NAN, 100.0, 0.05, Phases::VaporLiquid},
    };
    PhaseStateEvaluator evaluator;
    for (const BoundaryCase& c : cases) {
        SCOPED_TRACE(c.label);
        const PointResult r = evaluator.evaluate(c.temperatureC, c.pressureBar, c.composition);
        EXPECT_EQ(r.phases, c.phases);
        EXPECT_EQ(r.bulk.phaseState, static_cast<std::int32_t>(c.phases));
    }
}

}  // namespace
}  // namespace kelvoran
