#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "support/SameValue.h"
#include "water/WaterStateMemo.h"

namespace kelvoran {
namespace {

using testing::sameBits;

// Keys that differ in one input only, keys of either zero, NaNs of two payloads, refused
// points and a state on each side of the saturation curve: 14 temperatures and 14 pressures,
// more than any table of the memo holds.
const std::vector<double>& temperatures() {
    static const std::vector<double> values = {25.0,
                                               std::nextafter(25.0, 100.0),
                                               150.0,
                                               0.0,
                                               -0.0,
                                               0.01,
                                               100.0,
                                               373.5,
                                               373.976,
                                               400.0,
                                               std::numeric_limits<double>::quiet_NaN(),
                                               -std::numeric_limits<double>::quiet_NaN(),
                                               -20.0,
                                               700.0};
    return values;
}
const std::vector<double>& pressures() {
    static const std::vector<double> values = {1.0,
                                               std::nextafter(1.0, 2.0),
                                               4.76,
                                               0.0,
                                               -0.0,
                                               0.01,
                                               1.01325,
                                               219.0,
                                               220.54915,
                                               300.0,
                                               std::numeric_limits<double>::quiet_NaN(),
                                               -std::numeric_limits<double>::quiet_NaN(),
                                               40000.0,
                                               16.0};
    return values;
}

// A fixed walk over key indices 0..n−1: each key twice in a row, pairs interleaved, cycles
// longer than the memo so that every slot is replaced, and a pseudo-random stretch.
std::vector<std::size_t> walk(std::size_t n) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < n; ++i) {
        order.insert(order.end(), {i, i});
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        order.insert(order.end(), {i, i + 1, i, i + 1});
    }
    for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < n; ++i) order.push_back(round == 1 ? n - 1 - i : i);
    }
    std::uint64_t state = 0x9e3779b97f4a7c15u;
    for (int k = 0; k < 200; ++k) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        order.push_back(static_cast<std::size_t>(state >> 33) % n);
    }
    return order;
}

// Every answer of one long-lived memo is the uncached function's, bit for bit, whatever the
// memo was asked before: repeated and interleaved keys, keys evicted and asked again, 0 and −0
// (equal as numbers, different keys) and NaN keys.
TEST(WaterStateMemoTest, AnswersAreThoseOfTheFunctionsBitForBit) {
    WaterStateMemo memo;
    const std::vector<double>& ts = temperatures();
    const std::vector<double>& ps = pressures();
    ASSERT_EQ(ts.size(), ps.size());
    const std::size_t n = ts.size();
    // The state keys pair every temperature with two pressures, so that keys share either input.
    std::vector<std::pair<double, double>> points;
    for (std::size_t i = 0; i < n; ++i) {
        points.push_back({ts[i], ps[i]});
        points.push_back({ts[i], ps[(i + 1) % n]});
    }

    for (const std::size_t k : walk(points.size())) {
        const auto [t, p] = points[k];
        SCOPED_TRACE(::testing::Message() << "state at " << t << " °C, " << p << " bar");
        const WaterPoint expected = pureWater(t, p);
        const WaterPoint seen = memo.pureWater(t, p);
        EXPECT_TRUE(sameBits(seen.densityKgM3, expected.densityKgM3));
        EXPECT_TRUE(sameBits(seen.specificEnthalpyJKg, expected.specificEnthalpyJKg));
        EXPECT_TRUE(sameBits(seen.heatCapacityJKgK, expected.heatCapacityJKgK));
    }
    for (const std::size_t k : walk(n)) {
        SCOPED_TRACE(::testing::Message() << "saturation at " << ts[k] << " °C");
        EXPECT_TRUE(sameBits(memo.saturationPressurePa(ts[k]), waterSaturationPressurePa(ts[k])));
    }
    for (const std::size_t k : walk(n)) {
        SCOPED_TRACE(::testing::Message() << "saturation at " << ps[k] << " bar");
        const WaterSaturationAtPressure expected = waterSaturationAtPressure(ps[k]);
        const WaterSaturationAtPressure seen = memo.saturationAtPressure(ps[k]);
        EXPECT_TRUE(sameBits(seen.temperatureC, expected.temperatureC));
        EXPECT_TRUE(sameBits(seen.liquidDensityKgM3, expected.liquidDensityKgM3));
    }
    // The three tables are separate: a temperature asked as a saturation key does not answer
    // for a pressure of the same value.
    EXPECT_TRUE(sameBits(memo.saturationPressurePa(100.0), waterSaturationPressurePa(100.0)));
    EXPECT_TRUE(sameBits(memo.saturationAtPressure(100.0).temperatureC,
                         waterSaturationAtPressure(100.0).temperatureC));
}

}  // namespace
}  // namespace kelvoran
