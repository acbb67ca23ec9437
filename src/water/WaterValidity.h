#pragma once

// Validity domain of the pure-water library: the (T, p) and (T, rho) ranges it evaluates, with
// the ice boundaries (IAPWS 1993 melting- and sublimation-pressure equations) below which the
// stable phase is a solid.

namespace kelvoran {

/// Sublimation pressure of ice Ih at T (K), MPa.
double sublimationPressure(double temperatureK);

/// Melting pressure of ice Ih at T (K), MPa.
double meltingPressureIceIh(double temperatureK);

/// Melting pressure of the high-pressure ice bounding the liquid at T (K), MPa: ice III below
/// 256.164 K, ice V below 273.31 K, ice VI below 355.0 K, ice VII from there on.
double meltingPressureHighIce(double temperatureK);

/// True when (T K, p MPa) lies in the domain where the library evaluates fluid water:
/// 260 K ≤ T ≤ 2500 K, 1e-6 MPa ≤ p ≤ 3000 MPa, outside the ice fields.
bool inRangeTP(double temperatureK, double pressureMPa);

/// True when (T K, p MPa) is refused because it lies in an ice field of water or below the
/// 260 K limit of the library, at a pressure inside 1e-6–3000 MPa: where the stable phase is
/// a solid.
bool inIceField(double temperatureK, double pressureMPa);

/// True when (T K, rho g/cm³) lies in 260 K ≤ T ≤ 2500 K and 2.220446049250313e-16 ≤ rho ≤ 1.8.
bool inRangeTRho(double temperatureK, double densityGcm3);

}  // namespace kelvoran
