// Unit costs of the pure-water library: one equation-of-state evaluation, one state from
// temperature and pressure (liquid, vapor, supercritical), one saturation at a temperature,
// and one full update of the water properties object.
#include <benchmark/benchmark.h>

#include "water/WaterEquationOfState.h"
#include "water/WaterLibrary.h"
#include "water/WaterProperties.h"

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
    WaterState* record = newProp('T', 'p', 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(temperatureK);
        evaluateTP(temperatureK, pressurePa, 500.0, 1e-8, record);
        benchmark::DoNotOptimize(record->rho);
    }
    if (record->error != 0) state.SkipWithError("refused");
    disposeProp(record);
}
BENCHMARK_CAPTURE(BM_EvaluateTP, liquid_25C_1bar, 298.15, 1e5);
BENCHMARK_CAPTURE(BM_EvaluateTP, vapor_200C_1bar, 473.15, 1e5);
BENCHMARK_CAPTURE(BM_EvaluateTP, supercritical_500C_300bar, 773.15, 3e7);

void BM_SaturationAtT(benchmark::State& state) {
    WaterState* liquid = newProp('T', 'p', 1);
    WaterState* vapor = newProp('T', 'p', 1);
    double T = 473.15;
    for (auto _ : state) {
        benchmark::DoNotOptimize(T);
        saturationAtT(T, liquid, vapor);
        benchmark::DoNotOptimize(liquid->p);
    }
    disposeProp(liquid);
    disposeProp(vapor);
}
BENCHMARK(BM_SaturationAtT);

// args: T (°C), P (bar)
void BM_WaterPropertiesUpdate(benchmark::State& state, double temperatureC, double pressureBar) {
    WaterProperties water(temperatureC, pressureBar);
    for (auto _ : state) {
        water.update();
        benchmark::DoNotOptimize(water.dVdT());
    }
}
BENCHMARK_CAPTURE(BM_WaterPropertiesUpdate, liquid_25C_1bar, 25.0, 1.0);
BENCHMARK_CAPTURE(BM_WaterPropertiesUpdate, supercritical_500C_300bar, 500.0, 300.0);

}  // namespace
