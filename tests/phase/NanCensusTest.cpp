// A quick census of the values the model cannot give, over a coarse grid of the fitted range
// (the full grid of 10⁶ points is bench/NanCensus.cpp): every NaN in a property of a phase
// present is a dilute brine near freezing whose scaled temperature fell into the ice field of
// water (or water at 0 °C and low pressure, just inside it), and says so; nowhere else does the
// evaluation leave a hole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"

namespace kelvoran {
namespace {

TEST(NanCensusTest, OnlyDiluteBrinesNearFreezingHaveNoValue) {
    std::vector<double> t, p, x;
    for (int i = 0; i <= 100; ++i)
        for (int j = 0; j < 16; ++j)
            for (const double xi : {0.0, 1e-7, 1e-4, 1e-3, 0.005, 0.01, 0.03, 0.1, 0.3, 0.6, 1.0}) {
                t.push_back(i * 10.0 + (i % 2) * 0.37);  // °C, every 10 °C and near-odd steps
                p.push_back(std::pow(5000.0, j / 15.0));  // bar, 1 to 5000
                x.push_back(xi);
            }
    for (const double ti : {373.9, 373.95, 373.975})
        for (const double pi : {1.0, 100.0, 200.0}) {
            t.push_back(ti);
            p.push_back(pi);
            x.push_back(0.0);
        }
    const std::size_t n = t.size();
    std::vector<std::int32_t> state(n);
    std::vector<std::uint32_t> warnings(n);
    std::vector<double> values[3][4];
    BatchColumns out;
    out.state = state.data();
    out.warnings = warnings.data();
    PhaseColumns* phases[3] = {&out.liquid, &out.vapor, &out.halite};
    for (int k = 0; k < 3; ++k) {
        for (std::vector<double>& v : values[k]) v.resize(n);
        phases[k]->density = values[k][0].data();
        phases[k]->molarVolume = values[k][1].data();
        phases[k]->specificEnthalpy = values[k][2].data();
        phases[k]->heatCapacity = values[k][3].data();
    }
    BatchOptions options;
    options.threads = 2;
    ASSERT_EQ(evaluateBatch(t, p, x, out, options), BatchStatus::Completed);

    std::size_t holes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto here = static_cast<Phases>(state[i]);
        ASSERT_GE(state[i], 1) << t[i] << " °C, " << p[i] << " bar, x = " << x[i];
        const bool present[3] = {hasLiquid(here), hasVapor(here), hasHalite(here)};
        bool hole = false;
        for (int k = 0; k < 3; ++k)
            for (int f = 0; f < 4; ++f) {
                if (!present[k] || (k == 2 && f == 2)) continue;  // halite has no enthalpy
                hole = hole || std::isnan(values[k][f][i]);
            }
        if (!hole) continue;
        ++holes;
        EXPECT_NE(warnings[i] & kWarningIceField, 0U) << t[i] << ", " << p[i] << ", " << x[i];
        // At 0 °C any water at low pressure lies just inside the ice field of the water model.
        EXPECT_TRUE((t[i] < 10.0 && x[i] >= 1e-4 && x[i] <= 0.03) || (t[i] == 0.0 && p[i] < 2.0))
            << "no value at " << t[i] << " °C, " << p[i] << " bar, x = " << x[i];
    }
    EXPECT_GT(holes, 0U);  // the census sees the known holes
    EXPECT_GT(n, 17000U);
}

}  // namespace
}  // namespace kelvoran
