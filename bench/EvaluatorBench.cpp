// Throughput of the phase-state evaluator over a fixed grid of points that covers every state:
// temperatures 0–1000 °C, pressures 1–2000 bar on a log scale, compositions 0–0.5, plus points
// placed exactly on the three-phase curve.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <vector>

#include "boundaries/ThreePhaseCurve.h"
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
            double tc = t;
            kelvoran::ThreePhaseCurve curve(tc);
            curve.update();
            if (curve.pressure() > 0.0) {
                points.push_back({t, curve.pressure(), 0.1});
                points.push_back({t, curve.pressure(), 1e-9});
            }
        }
        return points;
    }();
    return grid;
}

void BM_Evaluate(benchmark::State& state) {
    const auto& grid = benchmarkGrid();
    double t = 0, p = 0, x = 0;
    kelvoran::PhaseStateEvaluator evaluator(t, p, x);
    std::array<int, 8> perState{};
    for (auto _ : state) {
        for (const Point& point : grid) {
            t = point.temperatureC;
            p = point.pressureBar;
            x = point.composition;
            evaluator.evaluate();
            ++perState[static_cast<size_t>(evaluator.bulk().phaseState) & 7u];
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

// One console pass: the four accessors, each a complete evaluation.
void BM_ConsolePass(benchmark::State& state) {
    const auto& grid = benchmarkGrid();
    double t = 0, p = 0, x = 0;
    kelvoran::PhaseStateEvaluator evaluator(t, p, x);
    for (auto _ : state) {
        for (const Point& point : grid) {
            t = point.temperatureC;
            p = point.pressureBar;
            x = point.composition;
            benchmark::DoNotOptimize(evaluator.getLiquid());
            benchmark::DoNotOptimize(evaluator.getVapor());
            benchmark::DoNotOptimize(evaluator.getHalite());
            benchmark::DoNotOptimize(evaluator.getBulk());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(grid.size()));
}
BENCHMARK(BM_ConsolePass)->Unit(benchmark::kMillisecond);

}  // namespace
