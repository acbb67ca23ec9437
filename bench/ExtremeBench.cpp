// The slowest single evaluation over the grid of extreme and special inputs and over the
// ordinary grid (0–1000 °C, 1–2000 bar on a log scale, x 0–0.5, as in EvaluatorBench). Every
// loop in the models has a fixed bound on its iterations, so the slowest point must stay
// within a small multiple of the typical one.
//
// Each point is timed alone, right after an evaluation at a NaN point, so that every
// correlation object recomputes (a NaN input never matches a cached one): the time is that
// of a complete evaluation, whatever came before. The time of a point is its fastest over all
// benchmark iterations (which strips noise from the machine); the counters then report, over
// the points of the grid, the slowest and the median time in microseconds, their ratio and the
// point that was slowest.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "phase/PhaseStateEvaluator.h"

namespace {

struct Point {
    double temperatureC, pressureBar, composition;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<Point> extremeGrid() {
    const double kinds[] = {kNaN,   kInf,  -kInf,  0.0,     -0.0, 1e-300,
                            -1e-300, 1e300, -1e300, -273.15, 1e4};
    std::vector<Point> grid;
    for (double t : kinds) {
        for (double p : kinds) {
            for (double x : kinds) {
                grid.push_back({t, p, x});
            }
        }
    }
    return grid;
}

std::vector<Point> ordinaryGrid() {
    std::vector<Point> grid;
    for (int i = 0; i <= 20; ++i) {
        const double t = 1.0 + 999.0 * i / 20.0;
        for (int j = 0; j <= 12; ++j) {
            const double p = std::pow(10.0, 3.30103 * j / 12.0);
            for (double x : {0.0, 1e-6, 0.001, 0.01, 0.05, 0.1, 0.2, 0.35, 0.5}) {
                grid.push_back({t, p, x});
            }
        }
    }
    return grid;
}

void slowestPoint(benchmark::State& state, const std::vector<Point>& grid) {
    double t = 0.0, p = 0.0, x = 0.0;
    kelvoran::PhaseStateEvaluator evaluator(t, p, x);
    std::vector<double> fastest(grid.size(), kInf);  // ns per point
    for (auto _ : state) {
        for (std::size_t i = 0; i < grid.size(); ++i) {
            t = p = x = kNaN;
            evaluator.evaluate();
            t = grid[i].temperatureC;
            p = grid[i].pressureBar;
            x = grid[i].composition;
            const auto start = std::chrono::steady_clock::now();
            evaluator.evaluate();
            const auto end = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(evaluator.getBulk().phaseState);
            fastest[i] = std::min(
                fastest[i], std::chrono::duration<double, std::nano>(end - start).count());
        }
    }
    std::vector<double> sorted = fastest;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t slowest =
        static_cast<std::size_t>(std::max_element(fastest.begin(), fastest.end()) - fastest.begin());
    const double median = sorted[sorted.size() / 2];
    state.counters["points"] = static_cast<double>(grid.size());
    state.counters["slowest_us"] = fastest[slowest] * 1e-3;
    state.counters["median_us"] = median * 1e-3;
    state.counters["slowest_over_median"] = fastest[slowest] / median;
    state.counters["slowest_T"] = grid[slowest].temperatureC;
    state.counters["slowest_P"] = grid[slowest].pressureBar;
    state.counters["slowest_x"] = grid[slowest].composition;
}

void BM_SlowestExtremePoint(benchmark::State& state) { slowestPoint(state, extremeGrid()); }
BENCHMARK(BM_SlowestExtremePoint)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SlowestOrdinaryPoint(benchmark::State& state) { slowestPoint(state, ordinaryGrid()); }
BENCHMARK(BM_SlowestOrdinaryPoint)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
