// The native side of scripts/bench_web.sh: kelvoran::evaluateBatch on one thread over the
// points of a binary file (T °C, P bar, x mole fraction NaCl: three arrays of little-endian
// doubles, one after the other), into every column the WebAssembly module fills. Prints the
// best time per point of `repeats` runs, in microseconds.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "kelvoran/Batch.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: native-batch POINTS.bin REPEATS\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    const std::size_t n = bytes.size() / (3 * sizeof(double));
    std::vector<double> t(n), p(n), x(n);
    std::copy_n(bytes.data(), n * sizeof(double), reinterpret_cast<char*>(t.data()));
    std::copy_n(bytes.data() + n * sizeof(double), n * sizeof(double),
                reinterpret_cast<char*>(p.data()));
    std::copy_n(bytes.data() + 2 * n * sizeof(double), n * sizeof(double),
                reinterpret_cast<char*>(x.data()));
    std::vector<std::int32_t> state(n), fluidType(n);
    std::vector<std::uint32_t> warnings(n);
    std::vector<double> values(32 * n);
    kelvoran::BatchColumns out;
    out.state = state.data();
    out.warnings = warnings.data();
    out.fluidType = fluidType.data();
    kelvoran::PhaseColumns* phases[] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
    for (std::size_t k = 0; k < 4; ++k) {
        double* base = values.data() + 8 * k * n;
        double** columns[] = {&phases[k]->composition,      &phases[k]->massFraction,
                              &phases[k]->density,          &phases[k]->molarVolume,
                              &phases[k]->specificEnthalpy, &phases[k]->heatCapacity,
                              &phases[k]->phaseMassFraction, &phases[k]->saturation};
        for (std::size_t c = 0; c < 8; ++c) *columns[c] = base + c * n;
    }
    kelvoran::BatchOptions options;
    options.threads = 1;
    double best = 1e300;
    for (int r = 0; r < std::atoi(argv[2]); ++r) {
        const auto start = std::chrono::steady_clock::now();
        kelvoran::evaluateBatch(t, p, x, out, options);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    std::printf("%.4f\n", best / static_cast<double>(n) * 1e6);
    return 0;
}
