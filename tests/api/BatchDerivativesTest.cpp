// The derivative columns of the batch API: asking for them changes no value column, they do
// not depend on the thread count, and they are NaN where a phase is absent and in V + L + H of
// the direct evaluation (a state of the three-phase curve alone; the bulk NaCl mass fraction
// excepted).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"

namespace kelvoran {
namespace {

bool same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

// Every value column, and with `derivatives` every derivative column, of n points.
struct Columns {
    Columns(std::size_t n, bool derivatives)
        : state(n),
          values(4 * 8, std::vector<double>(n)),
          gradients(derivatives ? 2 * 3 + 4 * 5 * 3 : 0, std::vector<double>(n)) {
        out.state = state.data();
        PhaseColumns* phases[] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
        PhaseDerivativeColumns* d[] = {&out.derivatives.liquid, &out.derivatives.vapor,
                                       &out.derivatives.halite, &out.derivatives.bulk};
        std::size_t g = 0;
        const auto bind = [&](GradientColumns& c) {
            c.first = gradients[g++].data();
            c.second = gradients[g++].data();
            c.third = gradients[g++].data();
        };
        if (derivatives) {
            bind(out.derivatives.temperature);
            bind(out.derivatives.pressure);
        }
        for (int k = 0; k < 4; ++k) {
            double** columns[8] = {&phases[k]->composition,       &phases[k]->massFraction,
                                   &phases[k]->density,           &phases[k]->molarVolume,
                                   &phases[k]->specificEnthalpy,  &phases[k]->heatCapacity,
                                   &phases[k]->phaseMassFraction, &phases[k]->saturation};
            for (int c = 0; c < 8; ++c) *columns[c] = values[8 * k + c].data();
            if (!derivatives) continue;
            for (GradientColumns* c : {&d[k]->massFraction, &d[k]->density, &d[k]->specificEnthalpy,
                                       &d[k]->phaseMassFraction, &d[k]->saturation}) {
                bind(*c);
            }
        }
    }
    std::vector<std::int32_t> state;
    std::vector<std::vector<double>> values, gradients;
    BatchColumns out;
};

TEST(BatchDerivativesTest, ValuesUnchangedSameForAnyThreadCountNaNWhereUndefined) {
    std::vector<double> t, p, x;
    for (double ti : {25.0, 150.0, 300.0, 373.976, 400.0, 500.0, 700.0, 900.0})
        for (double pi : {1.0, 5.0, 50.0, 250.0, 1000.0, 4000.0})
            for (double xi : {0.0, 1e-6, 0.001, 0.05, 0.2, 0.6}) {
                t.push_back(ti);
                p.push_back(pi);
                x.push_back(xi);
            }
    for (double ti : {300.0, 500.0}) {  // V + L + H
        t.push_back(ti);
        p.push_back(threePhasePressureBar(ti));
        x.push_back(0.2);
    }
    const std::size_t n = t.size();
    Columns plain(n, false), one(n, true), three(n, true);
    BatchOptions options;
    options.threads = 1;
    evaluateBatch(t, p, x, plain.out, options);
    evaluateBatch(t, p, x, one.out, options);
    options.threads = 3;
    evaluateBatch(t, p, x, three.out, options);

    int states[8] = {};
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(plain.state[i], one.state[i]);
        ++states[one.state[i]];
        for (std::size_t c = 0; c < plain.values.size(); ++c) {
            ASSERT_TRUE(same(plain.values[c][i], one.values[c][i])) << "column " << c;
        }
        for (std::size_t c = 0; c < one.gradients.size(); ++c) {
            ASSERT_TRUE(same(one.gradients[c][i], three.gradients[c][i])) << "gradient " << c;
        }
        // Of the input temperature: (1, 0, 0).
        EXPECT_EQ(one.gradients[0][i], 1.0);
        EXPECT_EQ(one.gradients[1][i], 0.0);
        const Phases phases = static_cast<Phases>(one.state[i]);
        const bool present[] = {hasLiquid(phases), hasVapor(phases), hasHalite(phases), true};
        for (int k = 0; k < 4; ++k) {
            for (int q = 0; q < 5; ++q) {
                for (int v = 0; v < 3; ++v) {
                    const double g = one.gradients[6 + 15 * k + 3 * q + v][i];
                    // The bulk NaCl mass fraction, a function of x alone, has its derivatives.
                    const bool bulkW = k == 3 && q == 0;
                    if (!present[k] || (phases == Phases::VaporLiquidHalite && !bulkW)) {
                        EXPECT_TRUE(std::isnan(g)) << "point " << i << " record " << k;
                    }
                }
            }
        }
    }
    for (int s = 1; s <= 7; ++s) EXPECT_GT(states[s], 0) << "state " << s;
}

}  // namespace
}  // namespace kelvoran
