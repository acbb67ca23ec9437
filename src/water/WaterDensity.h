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
    Refused,             ///< neither: the record's error is set to 1
};

/// Bounds of the density iteration at T (K) on the side of the start value rho (g/cm³):
/// vapor below the critical density, liquid from it on; [2.2e-16, 1.8] from 647.126 K on.
DensityBounds densityBounds(double temperatureK, double densityGuessGcm3);

/// Density at (T K, p MPa) by at most 20 Newton passes from `densityGuessGcm3`, each iterate
/// clamped to densityBounds. On convergence (|Δp/p| ≤ relativeTolerance) fills `record`. When
/// the passes run out, the iterate with the smallest |Δp| is accepted (and filled) if its
/// Newton step is at most 1e-12 of its density; otherwise the record's error is set to 1.
DensitySolveResult solveDensity(double temperatureK, double pressureMPa, double densityGuessGcm3,
                                double relativeTolerance, WaterState& record);

}  // namespace kelvoran
