// Points per second of the table pipeline (evaluate + format, in input order) over the
// benchmark grid, on 1 and 2 threads, and of the bare library calculator for comparison.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "kelvoran/Calculator.h"
#include "table/GridAxis.h"
#include "table/GridSource.h"
#include "table/TableRunner.h"

namespace kelvoran {
namespace {

// 0–1000 °C, 1–2000 bar on a log scale, x 0 to 0.5: 21 × 16 × 11 = 3696 points.
GridSource benchmarkGrid() {
    return GridSource(GridAxis::parse("0:1000:21"), GridAxis::parse("1:2000:16:log"),
                      GridAxis::parse("0:0.5:11"), false);
}

void BM_TableGrid(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    TableRunner runner(threads, TableFormatter(17));
    std::uint64_t points = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        GridSource grid = benchmarkGrid();
        TableJob job;
        job.next = [&](InputRow& row) { return grid.next(row); };
        job.write = [&](std::string_view text) { bytes += text.size(); };
        points += runner.run(job).rows;
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(static_cast<std::int64_t>(points));
    state.counters["threads"] = threads;
}
BENCHMARK(BM_TableGrid)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_CalculatorGrid(benchmark::State& state) {
    std::vector<InputRow> rows;
    GridSource grid = benchmarkGrid();
    for (InputRow row; grid.next(row);) {
        rows.push_back(row);
    }
    Calculator calculator;
    for (auto _ : state) {
        for (const InputRow& row : rows) {
            benchmark::DoNotOptimize(
                calculator.evaluate(row.temperatureC, row.pressureBar, row.composition));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows.size()));
}
BENCHMARK(BM_CalculatorGrid)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvoran
