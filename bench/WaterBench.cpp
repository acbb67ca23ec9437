// Unit costs of the pure-water library: one equation-of-state evaluation, one state from
// temperature and pressure (liquid, vapor, supercritical), one saturation at a temperature,
// and the water functions of the mixture model: a state with its volume slopes, and a state
// asked again of a memo.
#include <benchmark/benchmark.h>

#include "water/WaterEquationOfState.h"
#include "water/WaterLibrary.h"
#include "water/WaterProperties.h"
#include "water/WaterStateMemo.h"

namespace {

using namespace kelvoran;

void BM_ComputeHelmholtz(benchmark::State& state) {
    EosWork work;
    double rho = 0.99;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rho);
        computeHelmholtz(work, 300.0, rho);
        benchmark::DoNotOptimize(work.p);
    }
}
BENCHMARK(BM_ComputeHelmholtz);

// args: T (K), p (Pa)
void BM_EvaluateTP(benchmark::State& state, double temperatureK, double pressurePa) {
    const auto record = newProp(WaterInputPair::TemperaturePressure, 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(temperatureK);
        evaluateTP(temperatureK, pressurePa, 500.0, 1e-8, record.get());
        benchmark::DoNotOptimize(record->rho);
    }
    if (record->error != 0) state.SkipWithError("refused");
}
BENCHMARK_CAPTURE(BM_EvaluateTP, liquid_25C_1bar, 298.15, 1e5);
BENCHMARK_CAPTURE(BM_EvaluateTP, vapor_200C_1bar, 473.15, 1e5);
BENCHMARK_CAPTURE(BM_EvaluateTP, supercritical_500C_300bar, 773.15, 3e7);

void BM_SaturationAtT(benchmark::State& state) {
    const auto liquid = newProp(WaterInputPair::TemperaturePressure, 1);
    const auto vapor = newProp(WaterInputPair::TemperaturePressure, 1);
    double T = 473.15;
    for (auto _ : state) {
        benchmark::DoNotOptimize(T);
        saturationAtT(T, liquid.get(), vapor.get());
        benchmark::DoNotOptimize(liquid->p);
    }
}
BENCHMARK(BM_SaturationAtT);

// args: T (°C), P (bar)
void BM_WaterStateWithSlopes(benchmark::State& state, double temperatureC, double pressureBar) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(temperatureC);
        const WaterPoint water = pureWater(temperatureC, pressureBar);
        benchmark::DoNotOptimize(waterVolumeSlopes(temperatureC, pressureBar, water.densityKgM3));
    }
}
BENCHMARK_CAPTURE(BM_WaterStateWithSlopes, liquid_25C_1bar, 25.0, 1.0);
BENCHMARK_CAPTURE(BM_WaterStateWithSlopes, supercritical_500C_300bar, 500.0, 300.0);

// A state the memo already holds.
void BM_WaterStateMemoHit(benchmark::State& state) {
    WaterStateMemo memo;
    double temperatureC = 25.0;
    memo.pureWater(temperatureC, 1.0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(temperatureC);
        benchmark::DoNotOptimize(memo.pureWater(temperatureC, 1.0).densityKgM3);
    }
}
BENCHMARK(BM_WaterStateMemoHit);

}  // namespace
