#pragma once

#include "kelvoran/Constants.h"

// The arithmetic of the phase amounts, for either scalar (double or Dual): the NaCl mass
// fraction of a composition, the lever rule, and the amounts, saturations and bulk values of
// two coexisting phases.

namespace kelvoran {

/// NaCl in percent by mass of a composition (mole fraction), as the records hold it.
template <typename S>
S massPercentOf(S composition) {
    const S salt = composition * kSaltMolarMass;
    return salt / ((1.0 - composition) * kWaterMolarMass + salt) * 100.0;
}

/// Mass fractions of the bulk in two phases (kg/kg).
template <typename S>
struct LeverRule {
    S a, b;
};
/// The lever rule on the NaCl mass fractions wA and wB of two phases and w of the bulk.
template <typename S>
LeverRule<S> leverRule(S wA, S wB, S w) {
    return {(wB - w) / (wB - wA), (w - wA) / (wB - wA)};
}

/// Two coexisting phases A and B in a bulk: their amounts and the bulk values that follow.
template <typename S>
struct TwoPhaseAmounts {
    S massA, massB;              ///< kg of the phase per kg of the bulk
    S saturationA, saturationB;  ///< m³ of the phase per m³ of the bulk
    S bulkDensity;               ///< 1 / Σ mᵢ/ρᵢ, kg/m³
    S bulkSpecificEnthalpy;      ///< Σ mᵢ hᵢ, J/kg
};
/// The amounts of phases of NaCl mass fractions wA, wB, densities (kg/m³) and specific
/// enthalpies (J/kg) in a bulk of NaCl mass fraction w.
template <typename S>
TwoPhaseAmounts<S> twoPhaseAmounts(S wA, S wB, S w, S densityA, S densityB, S enthalpyA,
                                   S enthalpyB) {
    const LeverRule<S> m = leverRule(wA, wB, w);
    const S volumeA = m.a / densityA;  // m³ per kg of bulk
    const S volumeB = m.b / densityB;
    const S volume = volumeA + volumeB;
    return {m.a,
            m.b,
            volumeA / volume,
            volumeB / volume,
            1.0 / volume,
            m.a * enthalpyA + m.b * enthalpyB};
}

/// The amounts (kg/kg) of three phases of NaCl mass fractions w[i] and specific volumes v[i]
/// (m³/kg) in a bulk of NaCl mass fraction `bulkW` and specific volume `bulkV`: the solution of
/// Σ mᵢ = 1, Σ mᵢ wᵢ = w, Σ mᵢ vᵢ = v by Cramer's rule.
template <typename S>
void threePhaseAmounts(const S (&w)[3], const S (&v)[3], S bulkW, S bulkV, S (&m)[3]) {
    const auto det = [](const S(&a)[3], const S(&b)[3], const S(&c)[3]) {
        return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
               a[2] * (b[0] * c[1] - b[1] * c[0]);
    };
    const S ones[3] = {1.0, 1.0, 1.0};
    const S d = det(ones, w, v);
    for (int i = 0; i < 3; ++i) {
        S a[3] = {1.0, 1.0, 1.0}, b[3] = {w[0], w[1], w[2]}, c[3] = {v[0], v[1], v[2]};
        b[i] = bulkW;
        c[i] = bulkV;
        m[i] = det(a, b, c) / d;
    }
}

}  // namespace kelvoran
