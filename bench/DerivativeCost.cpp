// One batch evaluation of random points, with or without the derivative columns, for counting
// its instructions (scripts/derivative_instructions.sh runs it under callgrind, collecting inside
// the measured batch call alone).
// Usage: DerivativeCost direct|ph plain|derivatives POINTS
// The points are uniformly random over 0–1000 °C, 1–5000 bar and x 0–0.3 (a fixed stream); for
// "ph" the halite-free ones of them, given as (P, bulk specific enthalpy, x).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "kelvoran/Batch.h"

namespace {

// Every value column, and with `derivatives` every derivative column, of n points.
struct Columns {
    Columns(std::size_t n, bool derivatives)
        : state(n),
          warnings(n),
          fluidType(n),
          values(4 * 8 + (derivatives ? 66 : 0), std::vector<double>(n)) {
        out.state = state.data();
        out.warnings = warnings.data();
        out.fluidType = fluidType.data();
        std::size_t c = 0;
        for (kelvoran::PhaseColumns* p : {&out.liquid, &out.vapor, &out.halite, &out.bulk}) {
            for (double** column :
                 {&p->composition, &p->massFraction, &p->density, &p->molarVolume,
                  &p->specificEnthalpy, &p->heatCapacity, &p->phaseMassFraction, &p->saturation}) {
                *column = values[c++].data();
            }
        }
        if (!derivatives) return;
        const auto bind = [&](kelvoran::GradientColumns& g) {
            g.first = values[c++].data();
            g.second = values[c++].data();
            g.third = values[c++].data();
        };
        kelvoran::DerivativeColumns& d = out.derivatives;
        bind(d.temperature);
        bind(d.pressure);
        for (kelvoran::PhaseDerivativeColumns* p : {&d.liquid, &d.vapor, &d.halite, &d.bulk}) {
            for (kelvoran::GradientColumns* g :
                 {&p->massFraction, &p->density, &p->specificEnthalpy, &p->phaseMassFraction,
                  &p->saturation}) {
                bind(*g);
            }
        }
    }
    std::vector<std::int32_t> state;
    std::vector<std::uint32_t> warnings;
    std::vector<std::int32_t> fluidType;
    std::vector<std::vector<double>> values;
    kelvoran::BatchColumns out;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s direct|ph plain|derivatives POINTS\n", argv[0]);
        return 2;
    }
    const bool ph = std::strcmp(argv[1], "ph") == 0;
    const bool derivatives = std::strcmp(argv[2], "derivatives") == 0;
    const std::size_t n = std::strtoull(argv[3], nullptr, 10);
    std::vector<double> t(n), p(n), x(n);
    std::mt19937_64 bits(20261210);  // the same stream on every machine
    const auto unit = [&] { return static_cast<double>(bits() >> 11) * 0x1.0p-53; };
    for (std::size_t i = 0; i < n; ++i) {
        t[i] = 1000.0 * unit();
        p[i] = 1.0 + 4999.0 * unit();
        x[i] = 0.3 * unit();
    }
    kelvoran::BatchOptions options;
    options.threads = 1;
    if (!ph) {
        Columns columns(n, derivatives);
        kelvoran::evaluateBatch(t, p, x, columns.out, options);
        return 0;
    }
    // The (P, h, x) inputs of the halite-free points.
    std::vector<double> h(n);
    kelvoran::BatchColumns direct;
    direct.bulk.specificEnthalpy = h.data();
    kelvoran::evaluateBatch(t, p, x, direct, options);
    std::vector<double> pressure, enthalpy, composition;
    for (std::size_t i = 0; i < n; ++i) {
        if (h[i] == h[i]) {
            pressure.push_back(p[i]);
            enthalpy.push_back(h[i]);
            composition.push_back(x[i]);
        }
    }
    Columns columns(pressure.size(), derivatives);
    std::vector<double> found(pressure.size());
    kelvoran::InverseColumns inverse;
    inverse.temperatureC = found.data();
    kelvoran::evaluateBatchPH(pressure, enthalpy, composition, columns.out, inverse, options);
    std::printf("%zu\n", pressure.size());
    return 0;
}
