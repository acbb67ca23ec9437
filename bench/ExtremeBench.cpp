// The slowest single evaluation over the grid of extreme and special inputs and over the
// ordinary grid (0–1000 °C, 1–2000 bar on a log scale, x 0–0.5, as in EvaluatorBench). Every
// loop in the models has a fixed bound on its iterations, so the slowest point must stay
// within a small multiple of the typical one.
//
// Each point is timed alone, on an evaluator created just before it, so that no memo of an
// earlier point serves it: the time is that of a complete evaluation, whatever came before. The
// time of a point is its fastest over all benchmark iterations (which strips noise from the
// machine); the counters then report, over the points of the grid, the slowest and the median time
// in microseconds, the median of the ordinary grid (the typical evaluation) and the ratio of the
// slowest to it; the label names the slowest point.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
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
    const double kinds[] = {kNaN,    kInf,  -kInf,  0.0,     -0.0, 1e-300,
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

// Times every point of `grid` once, keeping for each its fastest time so far (ns).
void timePoints(const std::vector<Point>& grid, std::vector<double>& fastest) {
    for (std::size_t i = 0; i < grid.size(); ++i) {
        kelvoran::PhaseStateEvaluator evaluator;
        benchmark::DoNotOptimize(evaluator);
        const auto start = std::chrono::steady_clock::now();
        const kelvoran::PointResult r =
            evaluator.evaluate(grid[i].temperatureC, grid[i].pressureBar, grid[i].composition);
        const auto end = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(r.phases);
        fastest[i] =
            std::min(fastest[i], std::chrono::duration<double, std::nano>(end - start).count());
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Slowest and median time of `grid` in microseconds, the slowest over the median of the
// ordinary grid (the typical evaluation), and the slowest point as the label.
void slowestPoint(benchmark::State& state, const std::vector<Point>& grid, bool gridIsOrdinary) {
    const std::vector<Point> ordinary = gridIsOrdinary ? std::vector<Point>{} : ordinaryGrid();
    std::vector<double> fastest(grid.size(), kInf);
    std::vector<double> fastestOrdinary(ordinary.size(), kInf);
    for (auto _ : state) {
        timePoints(grid, fastest);
        timePoints(ordinary, fastestOrdinary);
    }
    const std::size_t slowest = static_cast<std::size_t>(
        std::max_element(fastest.begin(), fastest.end()) - fastest.begin());
    const double typical = gridIsOrdinary ? median(fastest) : median(fastestOrdinary);
    state.counters["points"] = static_cast<double>(grid.size());
    state.counters["slowest_us"] = fastest[slowest] * 1e-3;
    state.counters["median_us"] = median(fastest) * 1e-3;
    state.counters["typical_us"] = typical * 1e-3;
    state.counters["slowest_over_typical"] = fastest[slowest] / typical;
    char label[128];
    std::snprintf(label, sizeof label, "slowest at T=%g P=%g x=%g", grid[slowest].temperatureC,
                  grid[slowest].pressureBar, grid[slowest].composition);
    state.SetLabel(label);
}

void BM_SlowestExtremePoint(benchmark::State& state) { slowestPoint(state, extremeGrid(), false); }
BENCHMARK(BM_SlowestExtremePoint)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SlowestOrdinaryPoint(benchmark::State& state) { slowestPoint(state, ordinaryGrid(), true); }
BENCHMARK(BM_SlowestOrdinaryPoint)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
