// (P, h, x) → state against (T, P, x) → state on one thread, over the points of the benchmark
// grid (0–1000 °C, 1–2000 bar on a log scale, x 0–0.5) whose bulk enthalpy is defined: the
// same states, once found from their temperature and once from their enthalpy.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "kelvoran/Calculator.h"
#include "kelvoran/Inverse.h"

namespace kelvoran {
namespace {

struct Points {
    std::vector<double> t, p, x, h;
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

void BM_InverseFromEnthalpy(benchmark::State& state) {
    const Points& g = grid();
    for (auto _ : state) {
        for (std::size_t i = 0; i < g.t.size(); ++i) {
            benchmark::DoNotOptimize(evaluatePH(g.p[i], g.h[i], g.x[i]));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * g.t.size()));
}
BENCHMARK(BM_InverseFromEnthalpy)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvoran
