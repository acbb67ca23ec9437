#pragma once

// kelvoran: what fluid-inclusion work asks of the model: the salinity from a measured phase
// change, the pressure and bulk density at homogenization, and the isochore along which the
// inclusion was trapped.
//
//   #include <kelvoran/Inclusions.h>
//
//   const double x = kelvoran::salinityFromHaliteDissolution(300.0);  // mole fraction NaCl
//   const kelvoran::Homogenization h =
//       kelvoran::homogenization(x, 250.0, kelvoran::HomogenizationKind::ToLiquid);
//   const std::vector<double> temperatures = {260.0, 300.0, 400.0, 500.0};  // °C
//   const std::vector<kelvoran::InverseResult> path =
//       kelvoran::isochore(x, h.densityKgM3, temperatures);

#include <span>
#include <vector>

#include "kelvoran/Inverse.h"

namespace kelvoran {

/// Salinity (mole fraction NaCl) of a liquid whose last halite dissolves at T (°C) on the
/// vapor + liquid + halite curve (the usual case, dissolution below homogenization): the
/// halite liquidus at (T, the three-phase pressure at T).
double salinityFromHaliteDissolution(double dissolutionTemperatureC);

/// Salinity (mole fraction NaCl) of a liquid whose last halite dissolves at T (°C) at a given
/// pressure (bar), dissolution in the liquid field: the halite liquidus at (T, P).
double salinityFromHaliteDissolutionAt(double dissolutionTemperatureC, double pressureBar);

/// Salinity (NaCl mass fraction, kg/kg) from the final melting temperature of ice (°C), by the
/// freezing-point depression of NaCl solutions of Bodnar (1993, Geochimica et Cosmochimica Acta
/// 57, 683–684): wt % = 1.78 θ − 0.0442 θ² + 0.000557 θ³ with θ the depression in °C. Not part
/// of the H2O–NaCl model of this library. Defined for 0 ≥ T ≥ −21.2 °C (the eutectic);
/// NaN outside.
double salinityFromIceMelting(double iceMeltingTemperatureC);

/// How an inclusion homogenizes.
enum class HomogenizationKind {
    ToLiquid,  ///< the vapor bubble disappears: the bubble point of the liquid
    ToVapor,   ///< the liquid disappears: the dew point of the vapor
};

/// The homogenization point of an inclusion.
struct Homogenization {
    InverseStatus status = InverseStatus::InvalidInput;
    double pressureBar = 0.0;  ///< pressure at homogenization, bar; NaN unless solved
    double densityKgM3 = 0.0;  ///< bulk density of the inclusion (the density of the liquid, or
                               ///< the vapor, of its composition there), kg/m³; NaN unless solved
};

/// Homogenization of an inclusion of salinity x (mole fraction NaCl) at Th (°C): the pressure
/// on the vapor–liquid surface where the liquid (to liquid) or the vapor (to vapor) branch has
/// the composition x, between the three-phase (or salt-boiling) pressure and the critical (or,
/// below 373.976 °C, the water boiling) pressure at Th, and the bulk density there. Pure water
/// homogenizes at its boiling pressure, with the density of its saturated liquid or vapor.
Homogenization homogenization(double composition, double homogenizationTemperatureC,
                              HomogenizationKind kind);

/// The pressures an isochore searches unless told otherwise: from 1e-4 bar, below the lowest
/// pressure homogenization returns (5e-4 bar at the triple point of NaCl, 0.0046 bar for an
/// inclusion at 0 °C), to 5000 bar. States below 1 bar are extrapolations of the model
/// (kWarningOutsideFittedRange).
inline constexpr SearchRange kIsochoreSearchRange{0.0, 1000.0, 1e-4, 5000.0};

/// The isochore of bulk density ρ (kg/m³) and composition x through the given temperatures
/// (°C): at each, the pressure in range.lowerBar–range.upperBar at which the bulk has that
/// density, and the state there (evaluateTRho); for pure water below its critical temperature
/// V + L at the boiling pressure where ρ lies between its saturated vapor and liquid. Where
/// several pressures give ρ, the lowest, with kWarningMultipleSolutions.
std::vector<InverseResult> isochore(double composition, double densityKgM3,
                                    std::span<const double> temperaturesC);
/// The isochore over the pressures of `range`.
std::vector<InverseResult> isochore(double composition, double densityKgM3,
                                    std::span<const double> temperaturesC,
                                    const SearchRange& range);

}  // namespace kelvoran
