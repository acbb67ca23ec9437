#pragma once

// kelvoran: the model's correlations one by one, as plain functions of explicit arguments, for
// drawing phase diagrams, fitting data or building lookup tables. Each returns exactly the
// number the phase-state evaluation uses (a record's molar volume excepted: the record takes it
// back from its density, which may differ from mixtureProperties' molar volume in the last
// place). Temperatures in °C, pressures in bar, compositions
// as mole fractions of NaCl, unless a name says otherwise. Nothing is validated: outside the
// range of a correlation the result is an extrapolation, NaN or infinite.
//
//   #include <kelvoran/Correlations.h>
//   const double p3 = kelvoran::threePhasePressureBar(500.0);   // ≈ 322.00274 bar

namespace kelvoran {

// --- boundaries of the binary system ---------------------------------------------------------

/// Critical pressure of the H2O–NaCl system at a temperature, bar.
double criticalPressureBar(double temperatureC);
/// Critical composition of the H2O–NaCl system at a temperature, mole fraction NaCl (0 at and
/// below the critical temperature of water).
double criticalComposition(double temperatureC);
/// Critical temperature of a composition (mole fraction NaCl) on the critical curve, °C: the
/// lowest temperature from 373.976 °C on whose critical composition reaches it (373.976 for
/// x ≤ 0); +infinity beyond the curve's composition at 2000 °C, NaN for a NaN composition.
double criticalTemperatureC(double composition);
/// Pressure of the vapor + liquid + halite curve at a temperature, bar.
double threePhasePressureBar(double temperatureC);
/// Composition of the liquid saturated with halite at (T, P), mole fraction NaCl.
double haliteLiquidusComposition(double temperatureC, double pressureBar);
/// Composition of the vapor coexisting with halite at (T, P), mole fraction NaCl.
double haliteSaturatedVaporComposition(double temperatureC, double pressureBar);
/// Liquid side of the vapor–liquid surface at (T, P), mole fraction NaCl; NaN above the
/// critical pressure.
double coexistingLiquidComposition(double temperatureC, double pressureBar);
/// Vapor side of the vapor–liquid surface at (T, P), mole fraction NaCl; NaN above the critical
/// pressure.
double coexistingVaporComposition(double temperatureC, double pressureBar);

// --- pure NaCl --------------------------------------------------------------------------------

/// Melting temperature of NaCl at a pressure, °C.
double saltMeltingTemperatureC(double pressureBar);
/// Vapor pressure of liquid NaCl (boiling curve) at a temperature, bar.
double saltBoilingPressureBar(double temperatureC);
/// Vapor pressure of halite (sublimation curve) at a temperature, bar.
double saltSublimationPressureBar(double temperatureC);
/// Density of halite at (T, P), kg/m³.
double haliteDensityKgM3(double temperatureC, double pressureBar);
/// Isobaric heat capacity of halite at (T, P), J/(kg K).
double haliteHeatCapacityJKgK(double temperatureC, double pressureBar);

// --- pure water --------------------------------------------------------------------------------

/// Saturation (boiling) pressure of pure water at a temperature, bar; NaN above the critical
/// temperature of water, 373.976 °C.
double waterSaturationPressureBar(double temperatureC);
/// Saturation (boiling) temperature of pure water at a pressure, °C; NaN outside the triple-
/// point to critical pressure, 0.006117316720236433–220.54915 bar.
double waterSaturationTemperatureC(double pressureBar);

/// One state of pure water; NaN where the water equation of state refuses the point (outside
/// its domain, in an ice field, exactly on the boiling curve).
struct WaterPoint {
    double densityKgM3;          ///< kg/m³
    double specificEnthalpyJKg;  ///< J/kg
    double heatCapacityJKgK;     ///< isobaric, J/(kg K)
};
/// Pure water at (T, P).
WaterPoint pureWater(double temperatureC, double pressureBar);

// --- one fluid phase of the binary ------------------------------------------------------------

/// Properties of one H2O–NaCl fluid phase of a given composition, as the model maps it onto
/// pure water; NaN where that mapping reaches a state the water equation of state refuses.
struct FluidPoint {
    double densityKgM3;          ///< kg/m³
    double molarVolumeCm3Mol;    ///< cm³/mol
    double specificEnthalpyJKg;  ///< J/kg
    double heatCapacityJKgK;     ///< isobaric, J/(kg K)
};
/// Whether a fluid phase is evaluated as a liquid or as a vapor. They differ below 16 bar only:
/// there the molar volume of a liquid brine near and above the boiling point of water is
/// extrapolated from the saturated liquid of water, while a vapor takes the plain mapping.
enum class FluidKind {
    Liquid,  ///< the liquid of V + L, L + H, V + L + H and the single fluids of states L and F
    Vapor,   ///< the vapor of V + L and the single fluid of state V
};

/// One fluid phase of composition x (mole fraction NaCl) at (T, P), whether or not that phase
/// is stable there.
FluidPoint mixtureProperties(double temperatureC, double pressureBar, double composition,
                             FluidKind kind = FluidKind::Liquid);

}  // namespace kelvoran
