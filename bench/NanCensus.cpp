// How many points of a grid of about 10^6 points over the fitted range (0–1000 °C in steps of
// 1 °C and the half-degrees around the critical temperature of water, 40 pressures from 1 to
// 5000 bar on a log scale, 25 compositions from 0 to 1) have a NaN in any property of a phase
// present, by phase state and by record field. Prints the counts and the first few points.
#include <cmath>
#include <cstdio>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"

int main() {
    std::vector<double> temperatures;
    for (int i = 0; i <= 1000; ++i) temperatures.push_back(i);
    for (double t : {373.5, 373.89, 373.9, 373.95, 373.97, 373.975}) temperatures.push_back(t);
    std::vector<double> pressures;
    for (int j = 0; j < 40; ++j) pressures.push_back(std::pow(5000.0, j / 39.0));
    const double compositions[] = {0.0,  1e-9, 1e-7, 1e-5, 1e-4, 2e-4, 5e-4, 1e-3, 2e-3,
                                   5e-3, 0.01, 0.02, 0.03, 0.05, 0.07, 0.1,  0.15, 0.2,
                                   0.25, 0.3,  0.4,  0.5,  0.7,  0.9,  1.0};
    std::vector<double> t, p, x;
    for (double ti : temperatures)
        for (double pi : pressures)
            for (double xi : compositions) {
                t.push_back(ti);
                p.push_back(pi);
                x.push_back(xi);
            }
    const std::size_t n = t.size();
    std::vector<std::int32_t> state(n);
    std::vector<double> values[3][4];
    kelvoran::BatchColumns out;
    out.state = state.data();
    kelvoran::PhaseColumns* phases[3] = {&out.liquid, &out.vapor, &out.halite};
    for (int k = 0; k < 3; ++k) {
        for (auto& v : values[k]) v.resize(n);
        phases[k]->density = values[k][0].data();
        phases[k]->molarVolume = values[k][1].data();
        phases[k]->specificEnthalpy = values[k][2].data();
        phases[k]->heatCapacity = values[k][3].data();
    }
    kelvoran::evaluateBatch(t, p, x, out);

    static const char* phaseNames[3] = {"liquid", "vapor", "halite"};
    static const char* fieldNames[4] = {"density", "molar volume", "enthalpy", "heat capacity"};
    std::size_t byState[8] = {}, byField[3][4] = {}, total = 0, shown = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto phasesHere = static_cast<kelvoran::Phases>(state[i]);
        const bool present[3] = {kelvoran::hasLiquid(phasesHere), kelvoran::hasVapor(phasesHere),
                                 kelvoran::hasHalite(phasesHere)};
        bool any = false;
        for (int k = 0; k < 3; ++k) {
            for (int f = 0; f < 4; ++f) {
                if (!present[k] || (k == 2 && f == 2)) continue;  // halite has no enthalpy
                if (std::isnan(values[k][f][i])) {
                    ++byField[k][f];
                    any = true;
                }
            }
        }
        if (!any) continue;
        ++total;
        ++byState[state[i] >= 0 && state[i] < 8 ? state[i] : 0];
        if (shown < 12) {
            ++shown;
            std::printf("  e.g. T = %.17g, P = %.17g, x = %.17g: state %d\n", t[i], p[i], x[i],
                        state[i]);
        }
    }
    std::printf("%zu of %zu points have a NaN in a phase present\n", total, n);
    for (int s = 1; s < 8; ++s) std::printf("  state %d: %zu\n", s, byState[s]);
    for (int k = 0; k < 3; ++k)
        for (int f = 0; f < 4; ++f)
            if (byField[k][f] > 0)
                std::printf("  %s %s: %zu\n", phaseNames[k], fieldNames[f], byField[k][f]);
    return 0;
}
