#pragma once

#include "kelvoran/Correlations.h"

// Liquid branch of the vapor–liquid surface: coexistingLiquidComposition(T, P), declared with
// the other public correlations,
//   x_L(P) = a + g0·√(Pcrit − P) + g1·(Pcrit − P) + g2·(Pcrit − P)²,
// anchored below 373.976 °C at the boiling point of water and the three-phase curve, up to
// 800.7 °C at the three-phase curve and the critical point, and above at the boiling curve of
// NaCl and the critical point. NaN above the critical pressure.

namespace kelvoran {

/// The temperature-only part of the liquid branch at one temperature, for a scalar S (double
/// or Dual).
template <typename S>
struct BasicCoexistingLiquidBranch {
    S temperatureC;             ///< °C
    S criticalPressureBar;      ///< Pcrit, bar
    S criticalComposition;      ///< xcrit, mole fraction NaCl
    S linearCoefficient;        ///< g1, per bar
    S quadraticCoefficient;     ///< g2, per bar²
    S anchorPressureBar;        ///< lower anchor: three-phase curve up to 800.7 °C,
                                ///< boiling curve of NaCl above, bar
    S anchorComposition;        ///< composition at the anchor, mole fraction NaCl
    S waterBoilingPressureBar;  ///< below 373.976 °C, the boiling pressure of water
                                ///< the branch also passes through (x = 0), bar; NaN
                                ///< otherwise
};
using CoexistingLiquidBranch = BasicCoexistingLiquidBranch<double>;

/// The branch at T (°C). `waterBoilingPressureBar` is the boiling pressure of pure water at T
/// (bar, waterSaturationPressureBar); it is read only below 373.976 °C.
template <typename S>
BasicCoexistingLiquidBranch<S> coexistingLiquidBranch(S temperatureC, S waterBoilingPressureBar);
inline CoexistingLiquidBranch coexistingLiquidBranch(double temperatureC,
                                                     double waterBoilingPressureBar) {
    return coexistingLiquidBranch<double>(temperatureC, waterBoilingPressureBar);
}

/// Composition of the branch at a pressure (bar), mole fraction NaCl.
template <typename S>
S coexistingLiquidComposition(const BasicCoexistingLiquidBranch<S>& branch, S pressureBar);
inline double coexistingLiquidComposition(const CoexistingLiquidBranch& branch,
                                          double pressureBar) {
    return coexistingLiquidComposition<double>(branch, pressureBar);
}

}  // namespace kelvoran
