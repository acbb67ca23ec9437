// Every combination of extreme and special values of T, P and x: each evaluation ends in a
// state code from 1 to 7, and nothing of an earlier point survives into a later one, in either
// direction (an ordinary point before an extreme one, and an extreme one before an ordinary).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "driver/ConsoleDialogue.h"
#include "phase/PhaseStateEvaluator.h"
#include "support/SameResult.h"

namespace kelvoran {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The same kinds serve T (°C), P (bar) and x (mole fraction): NaN, ±inf, both zeros, ±1e-300,
// ±1e300, absolute zero in °C and 1e4.
constexpr std::array<double, 11> kExtremes = {kNaN,    kInf,  -kInf,  0.0,     -0.0, 1e-300,
                                              -1e-300, 1e300, -1e300, -273.15, 1e4};

struct Point {
    double temperatureC, pressureBar, composition;
};

// Ordinary points, one for each fill routine the reference evaluations reach.
constexpr std::array<Point, 7> kOrdinary = {{{25.0, 1.0, 0.01},
                                             {100.0, 1.0, 0.01},
                                             {25.0, 1.0, 0.2},
                                             {400.0, 250.0, 0.05},
                                             {500.0, 100.0, 0.05},
                                             {700.0, 300.0, 0.2},
                                             {500.0, 100.0, 1e-07}}};

PointResult evaluateFresh(const Point& point) {
    PhaseStateEvaluator evaluator;
    return evaluator.evaluate(point.temperatureC, point.pressureBar, point.composition);
}

PointResult evaluateWith(PhaseStateEvaluator& evaluator, const Point& point) {
    return evaluator.evaluate(point.temperatureC, point.pressureBar, point.composition);
}

std::vector<Point> extremeGrid() {
    std::vector<Point> grid;
    for (double t : kExtremes) {
        for (double p : kExtremes) {
            for (double x : kExtremes) {
                grid.push_back({t, p, x});
            }
        }
    }
    return grid;
}

std::string describe(const Point& point) {
    std::ostringstream text;
    text << "T = " << point.temperatureC << ", P = " << point.pressureBar
         << ", x = " << point.composition;
    return text.str();
}

TEST(ExtremeInputsTest, EveryPointEndsInAStateFromOneToSeven) {
    for (const Point& point : extremeGrid()) {
        SCOPED_TRACE(describe(point));
        const PointResult r = evaluateFresh(point);
        const std::int32_t state = r.bulk.phaseState;
        ASSERT_GE(state, 1);
        ASSERT_LE(state, 7);
        EXPECT_EQ(static_cast<std::int32_t>(r.phases), state);
        // A record holds the state's code or, when the state leaves it empty, 0.
        for (const PhaseRecord* record : {&r.liquid, &r.vapor, &r.halite}) {
            EXPECT_TRUE(record->phaseState == 0 || record->phaseState == state)
                << record->phaseState;
        }
    }
}

TEST(ExtremeInputsTest, NothingIsLeftOverBetweenOrdinaryAndExtremePoints) {
    std::array<PointResult, kOrdinary.size()> ordinaryFresh;
    for (std::size_t i = 0; i < kOrdinary.size(); ++i) {
        ordinaryFresh[i] = evaluateFresh(kOrdinary[i]);
    }
    // One evaluator for the whole walk, so that every extreme point follows an ordinary one
    // and is followed by another, through a history that keeps growing.
    PhaseStateEvaluator evaluator;
    std::size_t n = 0;
    for (const Point& point : extremeGrid()) {
        SCOPED_TRACE(describe(point));
        const std::size_t before = n % kOrdinary.size();
        const std::size_t after = (n + 3) % kOrdinary.size();
        ++n;
        EXPECT_TRUE(
            testing::sameResult(evaluateWith(evaluator, kOrdinary[before]), ordinaryFresh[before]));
        EXPECT_TRUE(testing::sameResult(evaluateWith(evaluator, point), evaluateFresh(point)));
        SCOPED_TRACE("the ordinary point after it");
        EXPECT_TRUE(
            testing::sameResult(evaluateWith(evaluator, kOrdinary[after]), ordinaryFresh[after]));
        if (HasFailure()) {
            return;  // the first point that goes wrong says enough
        }
    }
}

// The console takes any number it can read, sensible or not, and prints whatever the models
// yield. A point's result box must not depend on the points entered before it in the session.
TEST(ExtremeInputsTest, ConsoleBoxOfAPointDoesNotDependOnEarlierPoints) {
    const std::string prompts =
        "\nPlease enter T in C   : Please enter p in bar : Please enter x : ";
    const std::string nextPrompt = "\n\nPlease enter T in C   : ";
    // Temperatures above zero only, so that the session goes on after each point.
    const double temperatures[] = {1e-300, 25.0, 400.0, 1e4, 1e300};
    const double pressures[] = {-1e300, -1.0, -0.0, 0.0, 1e-300, 250.0, 1e300};
    const double compositions[] = {-1e300, -0.5, -0.0, 0.05, 1.5, 1e300};

    auto run = [](const std::string& input, std::string& out) {
        std::istringstream in(input);
        std::ostringstream output, error;
        const int status = runConsoleDialogue(in, output, error);
        out = output.str();
        EXPECT_EQ(error.str(), "");
        return status;
    };
    std::string banner;
    run("", banner);
    banner.resize(banner.size() - std::string("\nPlease enter T in C   : ").size());

    std::ostringstream session;
    session.precision(17);
    std::string expected = banner;
    for (double t : temperatures) {
        for (double p : pressures) {
            for (double x : compositions) {
                std::ostringstream line;
                line.precision(17);
                line << t << ' ' << p << ' ' << x << '\n';
                session << line.str();
                std::string alone;
                ASSERT_EQ(run(line.str(), alone), 0) << line.str();
                ASSERT_TRUE(alone.starts_with(banner + prompts)) << line.str();
                ASSERT_TRUE(alone.ends_with(nextPrompt)) << line.str();
                const std::string box =
                    alone.substr(banner.size() + prompts.size(),
                                 alone.size() - banner.size() - prompts.size() - nextPrompt.size());
                expected += prompts + box + "\n";
            }
        }
    }
    expected += "\nPlease enter T in C   : ";
    std::string all;
    ASSERT_EQ(run(session.str(), all), 0);
    EXPECT_EQ(all, expected);
}

}  // namespace
}  // namespace kelvoran
