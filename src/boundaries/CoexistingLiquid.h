#pragma once

#include "kelvoran/Correlations.h"

// Liquid branch of the vapor–liquid surface: coexistingLiquidComposition(T, P), declared with
// the other public correlations,
//   x_L(P) = a + g0·√(Pcrit − P) + g1·(Pcrit − P) + g2·(Pcrit − P)²,
// anchored below 373.976 °C at the boiling point of water and the three-phase curve, up to
// 800.7 °C at the three-phase curve and the critical point, and above at the boiling curve of
// NaCl and the critical point. NaN above the critical pressure.

namespace kelvoran {

/// The temperature-only part of the liquid branch at one temperature.
struct CoexistingLiquidBranch {
    double temperatureC;             ///< °C
    double criticalPressureBar;      ///< Pcrit, bar
    double criticalComposition;      ///< xcrit, mole fraction NaCl
    double linearCoefficient;        ///< g1, per bar
    double quadraticCoefficient;     ///< g2, per bar²
    double anchorPressureBar;        ///< lower anchor: three-phase curve up to 800.7 °C,
                                     ///< boiling curve of NaCl above, bar
    double anchorComposition;        ///< composition at the anchor, mole fraction NaCl
    double waterBoilingPressureBar;  ///< below 373.976 °C, the boiling pressure of water
                                     ///< the branch also passes through (x = 0), bar; NaN
                                     ///< otherwise
};

/// The branch at T (°C). `waterBoilingPressureBar` is the boiling pressure of pure water at T
/// (bar, waterSaturationPressureBar); it is read only below 373.976 °C.
CoexistingLiquidBranch coexistingLiquidBranch(double temperatureC, double waterBoilingPressureBar);

/// Composition of the branch at a pressure (bar), mole fraction NaCl.
double coexistingLiquidComposition(const CoexistingLiquidBranch& branch, double pressureBar);

}  // namespace kelvoran
