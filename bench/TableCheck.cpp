// A property table against the model on uniformly random points of its box, for
// scripts/table_instructions.sh:
//
//   TableCheck accuracy FILE N [SEED]   states, share within the tolerance, worst errors
//   TableCheck near FILE N [SEED]       the same on points next to the phase boundaries
//   TableCheck lookup FILE N [SEED]     N lookups on one thread, every output and derivative
//   TableCheck direct FILE N [SEED]     the model on the same N points on one thread
//   TableCheck inputs FILE N [SEED]     the same points and output columns, nothing evaluated
//                                       (what the two above cost besides the evaluations)
//
// The points are those of the table's variables: (T °C, P bar, x) or (P bar, h J/kg, x).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Table.h"

namespace {

using kelvoran::BatchColumns;
using kelvoran::PhaseColumns;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Every value and derivative column of N points.
struct Columns {
    explicit Columns(std::size_t n) : n(n), state(n), warnings(n), found(n), status(n) {
        values.assign(kValues * n, kNaN);
        derivatives.assign(kDerivatives * n, kNaN);
    }
    static constexpr std::size_t kFields = 6;  // x, w, ρ, h, amount, saturation
    static constexpr std::size_t kValues = 4 * kFields;
    static constexpr std::size_t kDerivatives = 3 * (2 + 4 * 5);
    double* value(std::size_t phase, std::size_t field) {
        return values.data() + (phase * kFields + field) * n;
    }
    BatchColumns bind(bool withDerivatives) {
        BatchColumns out;
        out.state = state.data();
        out.warnings = warnings.data();
        PhaseColumns* phases[4] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
        for (std::size_t p = 0; p < 4; ++p) {
            phases[p]->composition = value(p, 0);
            phases[p]->massFraction = value(p, 1);
            phases[p]->density = value(p, 2);
            phases[p]->specificEnthalpy = value(p, 3);
            phases[p]->phaseMassFraction = value(p, 4);
            phases[p]->saturation = value(p, 5);
        }
        if (!withDerivatives) return out;
        std::size_t next = 0;
        const auto gradient = [&](kelvoran::GradientColumns& g) {
            g.first = derivatives.data() + (next++) * n;
            g.second = derivatives.data() + (next++) * n;
            g.third = derivatives.data() + (next++) * n;
        };
        kelvoran::DerivativeColumns& d = out.derivatives;
        gradient(d.temperature);
        gradient(d.pressure);
        for (kelvoran::PhaseDerivativeColumns* p : {&d.liquid, &d.vapor, &d.halite, &d.bulk}) {
            gradient(p->massFraction);
            gradient(p->density);
            gradient(p->specificEnthalpy);
            gradient(p->phaseMassFraction);
            gradient(p->saturation);
        }
        return out;
    }
    std::size_t n;
    std::vector<std::int32_t> state;
    std::vector<std::uint32_t> warnings;
    std::vector<double> found;
    std::vector<std::int32_t> status;
    std::vector<double> values, derivatives;
};

struct Points {
    std::vector<double> a, b, x;
};

Points randomPoints(const kelvoran::TableBox& box, std::size_t n, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto draw = [&](const kelvoran::TableRange& r) {
        const double u = static_cast<double>(random() >> 11) * 0x1.0p-53;
        return r.lower + u * (r.upper - r.lower);
    };
    Points p;
    for (std::size_t i = 0; i < n; ++i) {
        p.a.push_back(draw(box.first));
        p.b.push_back(draw(box.second));
        p.x.push_back(draw(box.composition));
    }
    return p;
}

// Points a relative 1e-12–1e-3 (log-uniform, either side) from a phase boundary of the
// table's box: a (T, P) drawn in the box (T in 0–1000 °C for a (P, h, x) table), x next to the
// liquidus, the liquid or vapor side of the vapor–liquid surface or the vapor coexisting with
// halite at (T, P); a (P, h, x) table's point takes the model's bulk enthalpy there, moved by
// as little.
Points nearBoundaryPoints(const kelvoran::PropertyTable& table, std::size_t n,
                          std::uint64_t seed) {
    const kelvoran::TableBox box = table.box();
    const bool ph = table.variables() == kelvoran::TableVariables::PressureEnthalpy;
    std::mt19937_64 random(seed);
    const auto uniform = [&] { return static_cast<double>(random() >> 11) * 0x1.0p-53; };
    const auto nudge = [&](double v) {
        const double d = std::pow(10.0, -12.0 + 9.0 * uniform());
        return v * (1.0 + ((random() & 1) != 0 ? d : -d));
    };
    const kelvoran::TableRange temperatures = ph ? kelvoran::TableRange{0.0, 1000.0} : box.first;
    const kelvoran::TableRange pressures = ph ? box.first : box.second;
    Points p;
    std::vector<double> t;
    for (std::size_t tries = 0; p.a.size() < n && tries < 100 * n; ++tries) {
        const double temperature =
            temperatures.lower + uniform() * (temperatures.upper - temperatures.lower);
        const double pressure = pressures.lower + uniform() * (pressures.upper - pressures.lower);
        double x = 0.0;
        switch (random() % 4) {
            case 0:
                x = kelvoran::haliteLiquidusComposition(temperature, pressure);
                break;
            case 1:
                x = kelvoran::coexistingLiquidComposition(temperature, pressure);
                break;
            case 2:
                x = kelvoran::coexistingVaporComposition(temperature, pressure);
                break;
            default:
                x = kelvoran::haliteSaturatedVaporComposition(temperature, pressure);
                break;
        }
        x = nudge(x);
        if (!(x >= box.composition.lower && x <= box.composition.upper)) continue;
        p.a.push_back(ph ? pressure : temperature);
        p.b.push_back(pressure);
        p.x.push_back(x);
        t.push_back(temperature);
    }
    if (!ph) return p;
    // The bulk enthalpies of those states, moved a little; those in the box.
    std::vector<double> h(p.a.size());
    BatchColumns out;
    out.bulk.specificEnthalpy = h.data();
    kelvoran::evaluateBatch(t, p.b, p.x, out);
    Points q;
    for (std::size_t i = 0; i < h.size(); ++i) {
        const double enthalpy = nudge(h[i]);
        if (!(enthalpy >= box.second.lower && enthalpy <= box.second.upper)) continue;
        q.a.push_back(p.a[i]);
        q.b.push_back(enthalpy);
        q.x.push_back(p.x[i]);
    }
    return q;
}

void lookup(const kelvoran::PropertyTable& table, const Points& p, Columns& c, int threads) {
    BatchColumns out = c.bind(true);
    kelvoran::InverseColumns inverse;
    inverse.temperatureC = c.found.data();
    inverse.status = c.status.data();
    kelvoran::BatchOptions options;
    options.threads = threads;
    table.evaluate(p.a, p.b, p.x, out, inverse, options);
}

void direct(kelvoran::TableVariables variables, const Points& p, Columns& c, int threads) {
    BatchColumns out = c.bind(false);
    kelvoran::BatchOptions options;
    options.threads = threads;
    if (variables == kelvoran::TableVariables::PressureEnthalpy) {
        kelvoran::InverseColumns inverse;
        inverse.temperatureC = c.found.data();
        inverse.status = c.status.data();
        kelvoran::evaluateBatchPH(p.a, p.b, p.x, out, inverse, options);
    } else {
        kelvoran::evaluateBatch(p.a, p.b, p.x, out, options);
        std::copy(p.a.begin(), p.a.end(), c.found.begin());
    }
}

const char* const kPhaseNames[4] = {"liquid", "vapor", "halite", "bulk"};
const char* const kFieldNames[Columns::kFields] = {"x_NaCl",          "w_NaCl",
                                                   "density_kg_m3",   "specific_enthalpy_J_kg",
                                                   "mass_fraction",   "saturation"};

int accuracy(const kelvoran::PropertyTable& table, const Points& p, std::uint64_t seed) {
    const std::size_t n = p.a.size();
    Columns t(n), m(n);
    lookup(table, p, t, 0);
    direct(table.variables(), p, m, 0);
    const kelvoran::TableTolerance tol = table.tolerance();
    std::size_t sameState = 0, within = 0, nanWhereDefined = 0;
    bool shownMismatch = false;
    double worst = 0.0;
    std::string worstName = "none";
    std::size_t worstPoint = 0;
    std::vector<double> worstBy(1 + Columns::kValues, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        if (t.state[i] != m.state[i] || t.status[i] != m.status[i]) {
            if (!shownMismatch) {
                shownMismatch = true;
                std::printf("first state that differs   %.17g, %.17g, %.17g: table %d (status %d), "
                            "model %d (status %d)\n",
                            p.a[i], p.b[i], p.x[i], t.state[i], t.status[i], m.state[i], m.status[i]);
            }
            continue;
        }
        ++sameState;
        double ratio = 0.0;
        const auto compare = [&](double a, double b, double scale, std::size_t slot) {
            double r = 0.0;
            if (std::isnan(a) != std::isnan(b)) {
                r = HUGE_VAL;
                if (std::isnan(a)) ++nanWhereDefined;
            } else if (!std::isnan(a) && a != b) {
                r = std::fabs(a - b) / scale;
            }
            worstBy[slot] = std::max(worstBy[slot], r);
            if (r > ratio) ratio = r;
            if (r > worst) {
                worst = r;
                worstPoint = i;
                worstName = slot == 0 ? std::string("T_C")
                                      : std::string(kPhaseNames[(slot - 1) / Columns::kFields]) +
                                            "_" + kFieldNames[(slot - 1) % Columns::kFields];
            }
        };
        compare(t.found[i], m.found[i], tol.relative * std::fabs(m.found[i] + 273.15), 0);
        for (std::size_t phase = 0; phase < 4; ++phase) {
            for (std::size_t field = 0; field < Columns::kFields; ++field) {
                const double a = t.value(phase, field)[i], b = m.value(phase, field)[i];
                double scale = tol.absolute;
                if (field == 2) scale = tol.relative * std::fabs(b);
                if (field == 3) scale = tol.relative * std::max(std::fabs(b), tol.enthalpyFloorJKg);
                compare(a, b, scale, 1 + phase * Columns::kFields + field);
            }
        }
        if (ratio <= 1.0) ++within;
    }
    std::size_t exact = 0;
    for (std::size_t i = 0; i < n; ++i) exact += table.evaluate(p.a[i], p.b[i], p.x[i]).exact ? 1 : 0;
    const double share = 100.0 / static_cast<double>(n);
    std::printf("points                        %zu (seed %llu)\n", n,
                static_cast<unsigned long long>(seed));
    std::printf("phase state identical         %.4f %%\n", share * static_cast<double>(sameState));
    std::printf("every value within tolerance  %.4f %%\n", share * static_cast<double>(within));
    std::printf("NaN where the model has one   %zu\n", nanWhereDefined);
    std::printf("evaluated by the model        %.4f %%\n", share * static_cast<double>(exact));
    std::printf("worst error / tolerance       %.3g (%s at %.17g, %.17g, %.17g)\n", worst,
                worstName.c_str(), p.a[worstPoint], p.b[worstPoint], p.x[worstPoint]);
    std::printf("worst error / tolerance by output:");
    for (std::size_t slot = 0; slot < worstBy.size(); ++slot) {
        if (worstBy[slot] == 0.0) continue;
        const std::string name =
            slot == 0 ? std::string("T_C")
                      : std::string(kPhaseNames[(slot - 1) / Columns::kFields]) + "_" +
                            kFieldNames[(slot - 1) % Columns::kFields];
        std::printf(" %s %.3g", name.c_str(), worstBy[slot]);
    }
    std::printf("\n");
    return sameState == n ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: TableCheck accuracy|near|lookup|direct|inputs FILE N [SEED]\n");
        return 2;
    }
    const std::string_view what = argv[1];
    const kelvoran::PropertyTable table = kelvoran::PropertyTable::load(argv[2]);
    const auto n = static_cast<std::size_t>(std::strtoull(argv[3], nullptr, 10));
    const std::uint64_t seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 20261209;
    if (what == "accuracy") return accuracy(table, randomPoints(table.box(), n, seed), seed);
    if (what == "near") return accuracy(table, nearBoundaryPoints(table, n, seed), seed);
    const Points p = randomPoints(table.box(), n, seed);
    Columns c(n);
    if (what == "lookup") {
        lookup(table, p, c, 1);
    } else if (what == "direct") {
        direct(table.variables(), p, c, 1);
    } else if (what != "inputs") {
        std::fprintf(stderr, "TableCheck: unknown command %s\n", argv[1]);
        return 2;
    }
    return 0;
}
