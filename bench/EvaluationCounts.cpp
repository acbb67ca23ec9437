// Work of the pure-water library per point, by phase state: Helmholtz-energy evaluations,
// density solves and saturation solves, over the benchmark grid and over uniformly random
// points. Each point is evaluated by a fresh evaluator (no memo carried over from earlier
// points), then the grid once more by one evaluator along its isotherms, as the batch API and
// the table tool run it. Needs a build configured with -DKELVORAN_COUNT_EVALUATIONS=ON.
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "kelvoran/Correlations.h"
#include "phase/PhaseStateEvaluator.h"
#include "water/WaterEvaluationCounts.h"

namespace kelvoran {
namespace {

struct Point {
    double t, p, x;
};

std::vector<Point> benchmarkGrid() {
    std::vector<Point> g;
    for (int i = 0; i < 21; ++i)
        for (int j = 0; j < 16; ++j)
            for (int k = 0; k < 11; ++k)
                g.push_back({i * 50.0, std::pow(10.0, j * (std::log10(2000.0) / 15.0)), k * 0.05});
    return g;
}

// Points exactly on the three-phase curve (V + L + H for x above the halite-saturated vapor).
std::vector<Point> threePhasePoints() {
    std::vector<Point> g;
    for (int i = 1; i <= 160; ++i) g.push_back({i * 5.0, threePhasePressureBar(i * 5.0), 0.1});
    return g;
}

std::vector<Point> randomPoints(std::size_t n) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Point> r;
    for (std::size_t i = 0; i < n; ++i)
        r.push_back({1000.0 * unit(random), 1.0 + 1999.0 * unit(random), unit(random)});
    return r;
}

void report(const char* title, const std::vector<Point>& points, bool fresh) {
    WaterEvaluationCounts byState[8] = {};
    std::size_t count[8] = {};
    PhaseStateEvaluator shared;
    for (const Point& point : points) {
        const WaterEvaluationCounts before = waterEvaluationCounts();
        PhaseStateEvaluator own;
        PhaseStateEvaluator& evaluator = fresh ? own : shared;
        const auto code =
            static_cast<std::size_t>(evaluator.evaluate(point.t, point.p, point.x).phases);
        const WaterEvaluationCounts& after = waterEvaluationCounts();
        byState[code].helmholtz += after.helmholtz - before.helmholtz;
        byState[code].densitySolves += after.densitySolves - before.densitySolves;
        byState[code].saturationSolves += after.saturationSolves - before.saturationSolves;
        ++count[code];
    }
    static const char* names[8] = {"?", "L", "V", "F", "V+L", "V+H", "L+H", "V+L+H"};
    std::printf("%s\n%-6s %8s %12s %14s %17s\n", title, "state", "points", "Helmholtz/pt",
                "density solves", "saturation solves");
    WaterEvaluationCounts total;
    std::size_t n = 0;
    for (int s = 1; s < 8; ++s) {
        if (count[s] == 0) continue;
        const double c = static_cast<double>(count[s]);
        std::printf("%-6s %8zu %12.1f %14.2f %17.2f\n", names[s], count[s],
                    byState[s].helmholtz / c, byState[s].densitySolves / c,
                    byState[s].saturationSolves / c);
        total.helmholtz += byState[s].helmholtz;
        total.densitySolves += byState[s].densitySolves;
        total.saturationSolves += byState[s].saturationSolves;
        n += count[s];
    }
    const double c = static_cast<double>(n);
    std::printf("%-6s %8zu %12.1f %14.2f %17.2f\n\n", "all", n, total.helmholtz / c,
                total.densitySolves / c, total.saturationSolves / c);
}

}  // namespace
}  // namespace kelvoran

int main() {
    if (!kelvoran::kCountWaterEvaluations) {
        std::fprintf(stderr, "EvaluationCounts: configure with -DKELVORAN_COUNT_EVALUATIONS=ON\n");
        return 1;
    }
    kelvoran::report("benchmark grid, a fresh evaluator per point", kelvoran::benchmarkGrid(),
                     true);
    kelvoran::report("random points, a fresh evaluator per point", kelvoran::randomPoints(3696),
                     true);
    kelvoran::report("three-phase curve, x = 0.1, a fresh evaluator per point",
                     kelvoran::threePhasePoints(), true);
    kelvoran::report("benchmark grid, one evaluator along the grid", kelvoran::benchmarkGrid(),
                     false);
    return 0;
}
