#pragma once

#include "water/WaterState.h"

// Entry points of the pure-water library. Inputs and records in SI units: T in K, p in Pa,
// rho in kg/m³. After each call a record's `error` tells whether its values belong to that
// call (0) or still hold an earlier state (1). All scratch lives on the caller's stack.

namespace kelvoran {

/// State at (T K, p Pa) from the start density `densityGuessKgm3` (kg/m³) with the relative
/// pressure tolerance `relativeTolerance`, on the side of the saturation curve the point lies
/// on (a point within round-off of the saturation pressure takes the liquid at and above the
/// solved saturation pressure, the vapor below it). When the Newton iteration does not converge
/// a bracketed search finds the density (fromBracketedSolve). Refused (error = 1) outside the
/// validity domain, or when no density on that side gives the pressure. A null record is
/// ignored.
void evaluateTP(double temperatureK, double pressurePa, double densityGuessKgm3,
                double relativeTolerance, WaterState* record);

/// State at (T K, rho kg/m³); a two-phase state (filled = 2) between the saturated densities
/// for 273.16 K ≤ T ≤ 647.126 K. Refused (error = 1) outside 260–2500 K or
/// 2.220446049250313e-16–1.8 g/cm³. A null record is ignored.
void evaluateTRho(double temperatureK, double densityKgm3, WaterState* record);

/// Saturated liquid and vapor at T (K), 273.16 ≤ T ≤ 647.126; otherwise both records get
/// error = 1. With one record null, the other gets error = 1 and nothing is computed.
void saturationAtT(double temperatureK, WaterState* liquid, WaterState* vapor);

/// Saturated liquid and vapor at p (Pa), triple-point to critical pressure of the formulation
/// (0.0006117316720236433 to 22.054915 MPa); the saturation temperature is the records' T.
/// Outside that interval, or with one record null, as saturationAtT.
void saturationAtP(double pressurePa, WaterState* liquid, WaterState* vapor);

}  // namespace kelvoran
