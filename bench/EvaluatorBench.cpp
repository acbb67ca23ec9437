// Throughput of the phase-state evaluator over a fixed grid of points that covers every state:
// temperatures 0–1000 °C, pressures 1–2000 bar on a log scale, compositions 0–0.5, plus points
// placed exactly on the three-phase curve.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <vector>

#include "kelvoran/Correlations.h"
#include "phase/PhaseStateEvaluator.h"

namespace {

struct Point {
    double temperatureC, pressureBar, composition;
};

const std::vector<Point>& benchmarkGrid() {
    static const std::vector<Point> grid = [] {
        std::vector<Point> points;
        for (int i = 0; i <= 20; ++i) {
            const double t = 1.0 + 999.0 * i / 20.0;
            for (int j = 0; j <= 12; ++j) {
                const double p = std::pow(10.0, 3.30103 * j / 12.0);
                for (double x : {0.0, 1e-6, 0.001, 0.01, 0.05, 0.1, 0.2, 0.35, 0.5}) {
                    points.push_back({t, p, x});
                }
            }
            const double p3 = kelvoran::threePhasePressureBar(t);
            if (p3 > 0.0) {
                points.push_back({t, p3, 0.1});
                points.push_back({t, p3, 1e-9});
            }
        }
        return points;
    }();
    return grid;
}

void BM_Evaluate(benchmark::State& state) {
    const auto& grid = benchmarkGrid();
    kelvoran::PhaseStateEvaluator evaluator;
    std::array<int, 8> perState{};
    for (auto _ : state) {
        for (const Point& point : grid) {
            const kelvoran::PointResult r =
                evaluator.evaluate(point.temperatureC, point.pressureBar, point.composition);
            ++perState[static_cast<size_t>(r.phases) & 7u];
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(grid.size()));
    for (int s = 1; s <= 7; ++s) {
        state.counters["state" + std::to_string(s)] =
            static_cast<double>(perState[static_cast<size_t>(s)]) /
            static_cast<double>(state.iterations());
    }
}
BENCHMARK(BM_Evaluate)->Unit(benchmark::kMillisecond);

// Every point with a fresh evaluator: no memo carries over from one point to the next.
void BM_EvaluateFresh(benchmark::State& state) {
    const auto& grid = benchmarkGrid();
    for (auto _ : state) {
        for (const Point& point : grid) {
            kelvoran::PhaseStateEvaluator evaluator;
            benchmark::DoNotOptimize(
                evaluator.evaluate(point.temperatureC, point.pressureBar, point.composition));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(grid.size()));
}
BENCHMARK(BM_EvaluateFresh)->Unit(benchmark::kMillisecond);

}  // namespace
