// The batch API against the per-point calculator: the same numbers bit for bit in every column,
// NaN for absent phases, for any thread count; mismatched inputs and cancellation.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Inverse.h"

namespace kelvoran {
namespace {

constexpr int kColumns = 8;  // per phase

struct Columns {
    explicit Columns(std::size_t n)
        : state(n), warnings(n), fluidType(n), values(4 * kColumns, std::vector<double>(n)) {
        out.state = state.data();
        out.warnings = warnings.data();
        out.fluidType = fluidType.data();
        PhaseColumns* phases[] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
        for (int k = 0; k < 4; ++k) {
            double** columns[kColumns] = {&phases[k]->composition,       &phases[k]->massFraction,
                                          &phases[k]->density,           &phases[k]->molarVolume,
                                          &phases[k]->specificEnthalpy,  &phases[k]->heatCapacity,
                                          &phases[k]->phaseMassFraction, &phases[k]->saturation};
            for (int c = 0; c < kColumns; ++c) *columns[c] = values[kColumns * k + c].data();
        }
    }
    std::vector<std::int32_t> state;
    std::vector<std::uint32_t> warnings;
    std::vector<std::int32_t> fluidType;
    std::vector<std::vector<double>> values;
    BatchColumns out;
};

bool same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

TEST(BatchTest, ColumnsEqualTheCalculatorForAnyThreadCount) {
    std::vector<double> t, p, x;
    // Inputs no fluid can have among them (below absolute zero, infinite, P not above zero, x
    // outside 0-1 or NaN): those points are not evaluated.
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (double ti :
         {-300.0, -10.0, 0.0, 25.0, 100.0, 373.976, 400.0, 500.0, 700.0, 900.0, 1200.0, inf})
        for (double pi : {-1.0, 0.0, 0.001, 1.0, 100.0, 250.0, 322.00274, 1000.0, 5000.0})
            for (double xi : {-0.1, 0.0, 1e-7, 0.001, 0.05, 0.2, 0.6, 1.0, 1.5, std::nan("")}) {
                t.push_back(ti);
                p.push_back(pi);
                x.push_back(xi);
            }
    const std::size_t n = t.size();
    Calculator calculator;
    std::vector<Columns> runs;
    for (int threads : {1, 2, 3}) {
        runs.emplace_back(n);
        BatchOptions options;
        options.threads = threads;
        ASSERT_EQ(evaluateBatch(t, p, x, runs.back().out, options), BatchStatus::Completed);
    }
    PointResult invalid;
    invalid.warnings = kWarningInvalidInput;
    std::size_t invalidPoints = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const bool physical = isPhysicalInput(t[i], p[i], x[i]);
        invalidPoints += physical ? 0 : 1;
        const PointResult r = physical ? calculator.evaluate(t[i], p[i], x[i]) : invalid;
        const PhaseRecord* records[] = {&r.liquid, &r.vapor, &r.halite, &r.bulk};
        const bool present[] = {r.hasLiquid(), r.hasVapor(), r.hasHalite(), physical};
        for (const Columns& run : runs) {
            ASSERT_EQ(run.state[i], static_cast<std::int32_t>(r.phases)) << i;
            ASSERT_EQ(run.warnings[i], r.warnings) << i;
            ASSERT_EQ(run.fluidType[i], static_cast<std::int32_t>(r.fluidType)) << i;
            for (int k = 0; k < 4; ++k) {
                const PhaseRecord& rec = *records[k];
                const double expected[kColumns] = {rec.composition,       rec.massPercent * 0.01,
                                                   rec.density,           rec.molarVolume,
                                                   rec.specificEnthalpy,  rec.heatCapacity,
                                                   rec.phaseMassFraction, rec.saturation};
                for (int c = 0; c < kColumns; ++c) {
                    const double seen = run.values[kColumns * k + c][i];
                    EXPECT_TRUE(present[k] ? same(seen, expected[c]) ||
                                                 (std::isnan(seen) && std::isnan(expected[c]))
                                           : std::isnan(seen))
                        << "point " << i << " phase " << k << " column " << c << ": " << seen
                        << " vs " << expected[c];
                }
            }
        }
    }
    // 10 of the 12 temperatures, 7 of the 9 pressures and 7 of the 10 compositions are physical.
    EXPECT_EQ(invalidPoints, n - 10 * 7 * 7);
}

TEST(BatchTest, MismatchedLengthsAndCancellation) {
    std::vector<double> t(1000, 400.0), p(1000, 250.0), x(999, 0.05);
    Columns columns(1000);
    EXPECT_THROW(evaluateBatch(t, p, x, columns.out), std::invalid_argument);
    x.push_back(0.05);
    for (int threads : {1, 2}) {
        BatchOptions options;
        options.threads = threads;
        // Cancelled at the report before any work: nothing is written.
        columns.state.assign(1000, -1);
        options.progress = [](std::size_t, std::size_t) { return false; };
        EXPECT_EQ(evaluateBatch(t, p, x, columns.out, options), BatchStatus::Cancelled);
        EXPECT_EQ(columns.state, std::vector<std::int32_t>(1000, -1));
        // The last report, with every point done, cannot cancel any more.
        std::size_t last = 0;
        options.progress = [&](std::size_t done, std::size_t total) {
            last = done;
            return done == 0 || done < total;
        };
        EXPECT_EQ(evaluateBatch(t, p, x, columns.out, options), BatchStatus::Completed);
        EXPECT_EQ(last, 1000U);
        EXPECT_EQ(columns.state, std::vector<std::int32_t>(1000, 4));
    }
}

TEST(BatchTest, InverseBatchesEqualTheOnePointFunctions) {
    const std::vector<double> p = {100.0, 250.0, 250.0, 1000.0, 100.0};
    const std::vector<double> h = {4e5, 1.5e6, 2.6e6, 2e6, 1e9};  // the last one: out of range
    const std::vector<double> x = {0.01, 0.05, 0.0, 0.1, 0.01};
    for (int threads : {1, 2}) {
        Columns columns(p.size());
        std::vector<double> t(p.size());
        std::vector<std::int32_t> status(p.size());
        InverseColumns inverse;
        inverse.temperatureC = t.data();
        inverse.status = status.data();
        BatchOptions options;
        options.threads = threads;
        ASSERT_EQ(evaluateBatchPH(p, h, x, columns.out, inverse, options), BatchStatus::Completed);
        for (std::size_t i = 0; i < p.size(); ++i) {
            const InverseResult r = evaluatePH(p[i], h[i], x[i]);
            EXPECT_EQ(status[i], static_cast<std::int32_t>(r.status)) << i;
            EXPECT_TRUE(same(t[i], r.temperatureC)) << i;
            EXPECT_EQ(columns.state[i], static_cast<std::int32_t>(r.point.phases)) << i;
            const double bulkH = columns.values[kColumns * 3 + 4][i];
            EXPECT_TRUE(r.status == InverseStatus::Solved
                            ? same(bulkH, h[i]) || std::fabs(bulkH - h[i]) < 1e-9 * h[i]
                            : std::isnan(bulkH))
                << i;
        }
    }
}

}  // namespace
}  // namespace kelvoran
