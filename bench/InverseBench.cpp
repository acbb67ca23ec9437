// (P, h, x) → state against (T, P, x) → state on one thread, over the points of the benchmark
// grid (0–1000 °C, 1–2000 bar on a log scale, x 0–0.5) whose bulk enthalpy is defined: the
// same states, once found from their temperature and once from their enthalpy; the same for
// their bulk density at P and at T; and boiling water, pure and with traces of salt, from
// enthalpies between those of its saturated liquid and vapor.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inverse.h"

namespace kelvoran {
namespace {

struct Points {
    std::vector<double> t, p, x, h, rho;
};

const Points& grid() {
    static const Points points = [] {
        Points g;
        Calculator calculator;
        for (int i = 0; i < 21; ++i)
            for (int j = 0; j < 16; ++j)
                for (int k = 0; k < 11; ++k) {
                    const double t = i * 50.0;
                    const double p = std::pow(10.0, j * (std::log10(2000.0) / 15.0));
                    const double x = k * 0.05;
                    const double h = calculator.evaluate(t, p, x).bulk.specificEnthalpy;
                    if (!std::isfinite(h)) continue;
                    g.t.push_back(t);
                    g.p.push_back(p);
                    g.x.push_back(x);
                    g.h.push_back(h);
                    g.rho.push_back(calculator.evaluate(t, p, x).bulk.density);
                }
        return g;
    }();
    return points;
}

// Each point by a fresh calculator, as each inverse point starts afresh.
void BM_DirectFromTemperature(benchmark::State& state) {
    const Points& g = grid();
    for (auto _ : state) {
        for (std::size_t i = 0; i < g.t.size(); ++i) {
            Calculator calculator;
            benchmark::DoNotOptimize(calculator.evaluate(g.t[i], g.p[i], g.x[i]));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * g.t.size()));
}
BENCHMARK(BM_DirectFromTemperature)->Unit(benchmark::kMillisecond);

// One inversion of every grid point per iteration.
template <typename Invert>
void overGrid(benchmark::State& state, const Invert& invert) {
    const Points& g = grid();
    for (auto _ : state) {
        for (std::size_t i = 0; i < g.t.size(); ++i) benchmark::DoNotOptimize(invert(g, i));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * g.t.size()));
}

void BM_InverseFromEnthalpy(benchmark::State& state) {
    overGrid(state,
             [](const Points& g, std::size_t i) { return evaluatePH(g.p[i], g.h[i], g.x[i]); });
}
BENCHMARK(BM_InverseFromEnthalpy)->Unit(benchmark::kMillisecond);

void BM_InverseFromDensityAtPressure(benchmark::State& state) {
    overGrid(state,
             [](const Points& g, std::size_t i) { return evaluatePRho(g.p[i], g.rho[i], g.x[i]); });
}
BENCHMARK(BM_InverseFromDensityAtPressure)->Unit(benchmark::kMillisecond);

void BM_InverseFromDensityAtTemperature(benchmark::State& state) {
    overGrid(state,
             [](const Points& g, std::size_t i) { return evaluateTRho(g.t[i], g.rho[i], g.x[i]); });
}
BENCHMARK(BM_InverseFromDensityAtTemperature)->Unit(benchmark::kMillisecond);

// Boiling water at 20 pressures in 1–200 bar, 5 enthalpies between those of its saturated liquid
// and vapor at each, of composition state.range(0) × 1e-10 (0: pure water).
void BM_BoilingWater(benchmark::State& state) {
    const double x = static_cast<double>(state.range(0)) * 1e-10;
    std::vector<double> p, h;
    for (int i = 0; i < 20; ++i) {
        const double pressure = std::pow(200.0, i / 19.0);
        const double t = waterSaturationTemperatureC(pressure);
        const double liquid = pureWater(t - 1e-6, pressure).specificEnthalpyJKg;
        const double vapor = pureWater(t + 1e-6, pressure).specificEnthalpyJKg;
        for (int k = 1; k <= 5; ++k) {
            p.push_back(pressure);
            h.push_back(liquid + (vapor - liquid) * k / 6.0);
        }
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < p.size(); ++i) {
            benchmark::DoNotOptimize(evaluatePH(p[i], h[i], x));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * p.size()));
}
BENCHMARK(BM_BoilingWater)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvoran
