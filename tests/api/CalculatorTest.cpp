#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "driver/ConsoleDialogue.h"
#include "kelvoran/Calculator.h"
#include "phase/PhaseStateEvaluator.h"
#include "support/SameResult.h"

namespace kelvoran {
namespace {

struct Point {
    double t, p, x;
};

// The reference points of the model, states 1 to 7, plus points outside the fitted range.
const std::vector<Point> kPoints = {
    {25.0, 1.0, 0.01},     {100.0, 1.0, 0.01},  {25.0, 1.0, 0.2},     {400.0, 250.0, 0.05},
    {500.0, 100.0, 0.05},  {700.0, 300.0, 0.2}, {500.0, 100.0, 1e-7}, {2.0, 1.0, 0.01},
    {1200.0, 6000.0, 0.5}, {-5.0, 0.5, 0.0},    {350.0, 180.0, 0.3},  {900.0, 1500.0, 1.0},
};

using testing::sameResult;

TEST(CalculatorTest, ResultIsTheEvaluatorsForTheSamePoint) {
    Calculator calculator;
    for (const Point& point : kPoints) {
        SCOPED_TRACE(::testing::Message()
                     << point.t << " °C, " << point.p << " bar, x " << point.x);
        const PointResult result = calculator.evaluate(point.t, point.p, point.x);
        PhaseStateEvaluator evaluator;
        EXPECT_TRUE(sameResult(result, evaluator.evaluate(point.t, point.p, point.x)));
        EXPECT_EQ(static_cast<std::int32_t>(result.phases), result.bulk.phaseState);
    }
}

TEST(CalculatorTest, ResultDoesNotDependOnEarlierPointsOrOnTheCalculator) {
    std::vector<PointResult> fresh;
    for (const Point& point : kPoints) {
        Calculator calculator;
        fresh.push_back(calculator.evaluate(point.t, point.p, point.x));
    }
    Calculator forward, backward;
    for (std::size_t i = 0; i < kPoints.size(); ++i) {
        const Point& f = kPoints[i];
        EXPECT_TRUE(sameResult(forward.evaluate(f.t, f.p, f.x), fresh[i])) << "point " << i;
        const std::size_t j = kPoints.size() - 1 - i;
        const Point& b = kPoints[j];
        EXPECT_TRUE(sameResult(backward.evaluate(b.t, b.p, b.x), fresh[j])) << "point " << j;
    }
}

TEST(CalculatorTest, MovedCalculatorsKeepWorking) {
    Calculator original;
    const PointResult expected = original.evaluate(400.0, 250.0, 0.05);
    Calculator moved(std::move(original));
    EXPECT_TRUE(sameResult(moved.evaluate(400.0, 250.0, 0.05), expected));
    // A moved-from calculator builds a new model on its next use.
    EXPECT_TRUE(sameResult(original.evaluate(400.0, 250.0, 0.05), expected));  // NOLINT
    Calculator assigned;
    assigned = std::move(moved);
    EXPECT_TRUE(sameResult(assigned.evaluate(400.0, 250.0, 0.05), expected));
}

// The console prints, for every phase present, density, molar volume, heat capacity and
// composition with five significant digits: they must be the library's figures.
TEST(CalculatorTest, ConsolePrintsTheLibrarysFigures) {
    for (const Point& point : kPoints) {
        SCOPED_TRACE(::testing::Message()
                     << point.t << " °C, " << point.p << " bar, x " << point.x);
        std::ostringstream input;
        input.precision(17);
        input << point.t << ' ' << point.p << ' ' << point.x << '\n';
        std::istringstream in(input.str());
        std::ostringstream out, err;
        runConsoleDialogue(in, out, err);

        Calculator calculator;
        const PointResult r = calculator.evaluate(point.t, point.p, point.x);
        std::ostringstream expected;
        expected.precision(5);
        auto block = [&](const char* heading, const PhaseRecord& record) {
            expected << "\n"
                     << heading << "Density      = " << record.density << " kg/m3\n"
                     << "MolarVolume  = " << record.molarVolume << " cm3/mol\n"
                     << "HeatCapacity = " << record.heatCapacity << " J/kg/K\n"
                     << "Composition  = " << record.composition << " XNaCl\n";
        };
        switch (r.phases) {
            case Phases::Liquid:
            case Phases::Fluid:
                block("Single phase fluid:\n", r.liquid);
                break;
            case Phases::Vapor:
                block("Single phase fluid:\n", r.vapor);
                break;
            default:
                if (r.hasVapor()) block("Vapor:\n", r.vapor);
                if (r.hasLiquid()) block("Liquid:\n", r.liquid);
                if (r.hasHalite()) block("Salt:\n", r.halite);
        }
        const std::string box = out.str();
        const std::size_t stateLine = box.find("*  ");
        ASSERT_NE(stateLine, std::string::npos);
        const std::size_t blocks = box.find('\n', stateLine) + 1;
        const std::size_t bottom = box.find("*****", blocks);
        ASSERT_NE(bottom, std::string::npos);
        EXPECT_EQ(box.substr(blocks, bottom - blocks), expected.str());
    }
}

TEST(CalculatorTest, StateNamesAndPhasesPresent) {
    struct Case {
        std::int32_t code;
        const char* name;
        bool liquid, vapor, halite;
    };
    const Case cases[] = {
        {0, "undetermined", false, false, false},
        {1, "L", true, false, false},
        {2, "V", false, true, false},
        {3, "F", true, false, false},
        {4, "V+L", true, true, false},
        {5, "V+H", false, true, true},
        {6, "L+H", true, false, true},
        {7, "V+L+H", true, true, true},
        {8, "undetermined", false, false, false},
        {-1, "undetermined", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const auto phases = static_cast<Phases>(c.code);
        EXPECT_EQ(shortName(phases), c.name);
        EXPECT_EQ(hasLiquid(phases), c.liquid);
        EXPECT_EQ(hasVapor(phases), c.vapor);
        EXPECT_EQ(hasHalite(phases), c.halite);
    }
}

TEST(CalculatorTest, MassAndMoleFractionUseTheModelsMolarMasses) {
    EXPECT_EQ(waterMolarMassGPerMol(), 18.015);
    EXPECT_EQ(saltMolarMassGPerMol(), 58.443);
    // By hand: 0.1 g NaCl / 58.443 = 1.7110689e-3 mol, 0.9 g H2O / 18.015 = 4.9958368e-2 mol.
    EXPECT_NEAR(moleFractionFromMassFraction(0.1),
                1.7110689047e-3 / (1.7110689047e-3 + 4.9958368027e-2), 1e-10);
    EXPECT_NEAR(moleFractionFromMassFraction(0.1), 0.0331156870747, 1e-12);
    // NaCl mass percent of the bulk at x = 0.01, 0.1 and 0.2: 3.172925, 26.49539, 44.78288 %.
    EXPECT_NEAR(massFractionFromMoleFraction(0.01), 0.03172925, 5e-9);
    EXPECT_NEAR(massFractionFromMoleFraction(0.1), 0.2649539, 5e-8);
    EXPECT_NEAR(massFractionFromMoleFraction(0.2), 0.4478288, 5e-8);
    for (const double end : {0.0, 1.0}) {
        EXPECT_EQ(moleFractionFromMassFraction(end), end);
        EXPECT_EQ(massFractionFromMoleFraction(end), end);
    }
    for (const double w : {1e-9, 0.03, 0.26, 0.5, 0.999}) {
        EXPECT_NEAR(massFractionFromMoleFraction(moleFractionFromMassFraction(w)), w, 1e-15);
    }
}

TEST(CalculatorTest, FittedRangeIncludesItsEnds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double below = -std::numeric_limits<double>::denorm_min();
    struct Case {
        double t, p, x;
        bool inside;
    };
    const Case cases[] = {
        {0.0, 1.0, 0.0, true},
        {1000.0, 5000.0, 1.0, true},
        {500.0, 100.0, 0.1, true},
        {below, 100.0, 0.1, false},
        {std::nextafter(1000.0, 2000.0), 100.0, 0.1, false},
        {500.0, std::nextafter(1.0, 0.0), 0.1, false},
        {500.0, std::nextafter(5000.0, 6000.0), 0.1, false},
        {500.0, 100.0, below, false},
        {500.0, 100.0, std::nextafter(1.0, 2.0), false},
        {nan, 100.0, 0.1, false},
        {500.0, nan, 0.1, false},
        {500.0, 100.0, nan, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(inFittedRange(c.t, c.p, c.x), c.inside) << c.t << " " << c.p << " " << c.x;
    }
}

}  // namespace
}  // namespace kelvoran
