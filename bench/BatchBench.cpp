// Points per second of the batch API on one thread, over the benchmark grid (0–1000 °C,
// 1–2000 bar on a log scale, x 0–0.5: 21 × 16 × 11 points, T slowest) and over uniformly
// random points (0–1000 °C, 1–2000 bar, x 0–1), every column written.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "kelvoran/Batch.h"

namespace kelvoran {
namespace {

struct Points {
    std::vector<double> t, p, x;
};

Points benchmarkGrid() {
    Points g;
    for (int i = 0; i < 21; ++i)
        for (int j = 0; j < 16; ++j)
            for (int k = 0; k < 11; ++k) {
                g.t.push_back(i * 50.0);
                g.p.push_back(std::pow(10.0, j * (std::log10(2000.0) / 15.0)));
                g.x.push_back(k * 0.05);
            }
    return g;
}

Points randomPoints(std::size_t n) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Points r;
    for (std::size_t i = 0; i < n; ++i) {
        r.t.push_back(1000.0 * unit(random));
        r.p.push_back(1.0 + 1999.0 * unit(random));
        r.x.push_back(unit(random));
    }
    return r;
}

// Every column of every phase.
struct Columns {
    explicit Columns(std::size_t n) : state(n), values(24, std::vector<double>(n)) {
        out.state = state.data();
        PhaseColumns* phases[] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
        for (int k = 0; k < 4; ++k) {
            double** columns[] = {&phases[k]->composition,      &phases[k]->massFraction,
                                  &phases[k]->density,          &phases[k]->molarVolume,
                                  &phases[k]->specificEnthalpy, &phases[k]->heatCapacity};
            for (int c = 0; c < 6; ++c) *columns[c] = values[6 * k + c].data();
        }
    }
    std::vector<std::int32_t> state;
    std::vector<std::vector<double>> values;
    BatchColumns out;
};

void run(benchmark::State& state, const Points& points) {
    Columns columns(points.t.size());
    BatchOptions options;
    options.threads = 1;
    for (auto _ : state) {
        evaluateBatch(points.t, points.p, points.x, columns.out, options);
        benchmark::DoNotOptimize(columns.state.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * points.t.size()));
}

void BM_BatchGrid(benchmark::State& state) { run(state, benchmarkGrid()); }
BENCHMARK(BM_BatchGrid)->Unit(benchmark::kMillisecond);

void BM_BatchRandom(benchmark::State& state) { run(state, randomPoints(3696)); }
BENCHMARK(BM_BatchRandom)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvoran
