#pragma once

#include "water/WaterState.h"

// Density of pure water at a given temperature and pressure: Newton iteration on the equation
// of state, kept on the side of the saturation curve where it started. Internal units: T in K,
// p in MPa, rho in g/cm³.

namespace kelvoran {

/// Admissible density interval of a density iteration, g/cm³.
struct DensityBounds {
    double lower;
    double upper;
};

/// How a density iteration ended.
enum class DensitySolveResult {
    Converged,           ///< relative pressure residual within the tolerance
    AcceptedAtRoundOff,  ///< no pass met the tolerance, but at the best iterate the Newton
                         ///< step is at most 1e-12 of the density (residual is round-off)
    Bracketed,           ///< Newton failed; a bracketed root search on the side of the start
                         ///< value found the density
    Refused,             ///< none: no density on that side gives the pressure; the record's
                         ///< error is set to 1
};

/// Bounds of the density iteration at T (K) on the side of the start value rho (g/cm³):
/// vapor below the critical density, liquid from it on; [2.2e-16, 1.8] from 647.126 K on.
DensityBounds densityBounds(double temperatureK, double densityGuessGcm3);

/// Density at (T K, p MPa) by at most 20 Newton passes from `densityGuessGcm3`, each iterate
/// clamped to densityBounds. On convergence (|Δp/p| ≤ relativeTolerance) fills `record`. When
/// the passes run out, the iterate with the smallest |Δp| is accepted (and filled) if its
/// Newton step is at most 1e-12 of its density; otherwise solveDensityBracketed looks for the
/// density on the side of the start value, and if there is none the record's error is set
/// to 1. The record's fromBracketedSolve tells which way it was filled.
DensitySolveResult solveDensity(double temperatureK, double pressureMPa, double densityGuessGcm3,
                                double relativeTolerance, WaterState& record);

/// Density at (T K, p MPa) on the liquid side (true) or the vapor side of the saturation
/// curve, by a bracketed root search (TOMS 748) on p(rho) − p that cannot fail when the
/// bracket holds a sign change: on the stable branch between the saturated density and the
/// bounds of the formulation (below the triple point, the Newton bounds of that side; at and
/// above the critical temperature, the whole density range). Fills `record` (with
/// fromBracketedSolve set) and returns true, or returns false when no density of that side
/// gives p.
bool solveDensityBracketed(double temperatureK, double pressureMPa, bool liquidSide,
                           WaterState& record);

}  // namespace kelvoran
