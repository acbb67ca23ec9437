#pragma once

#include "kelvoran/Calculator.h"
#include "water/WaterProperties.h"

// States whose phase amounts are fixed by a given bulk property instead of the lever rule on
// the compositions: V + L + H by its bulk density, and a vapor + liquid state inside a jump of
// the bulk property (boiling pure water, a vapor + liquid field narrower than the search
// resolves), by the lever rule on the property itself.

namespace kelvoran {

/// The bulk property an inverse evaluation is given.
enum class BulkProperty {
    Enthalpy,  ///< bulk specific enthalpy, J/kg (defined in halite-free states only)
    Density,   ///< bulk density, kg/m³
};

/// The bulk property of an evaluated point (NaN where the model gives none).
double bulkValue(const PointResult& r, BulkProperty property);

/// V + L + H at an evaluated three-phase point, with the amounts of the three phases that give
/// the bulk density ρ (kg/m³): Σ mᵢ = 1, Σ mᵢ wᵢ = w, Σ mᵢ / ρᵢ = 1 / ρ. False (and r unchanged)
/// when no amounts in [0, 1] do.
bool fixThreePhaseAmounts(PointResult& r, double densityKgM3);

/// The vapor mass fraction (kg/kg) of a vapor + liquid mixture with the bulk property `target`,
/// from the property of its liquid and vapor: the lever rule on the specific enthalpy (J/kg),
/// or on the specific volume 1/ρ for a density (kg/m³). Outside [0, 1] when the target lies
/// beyond the two phases' values; NaN when they coincide.
double vaporMassFractionFor(BulkProperty property, double liquidValue, double vaporValue,
                            double target);

/// Sets the amounts of the V + L point r (liquid and vapor records filled) to the vapor mass
/// fraction m: the phase mass fractions and saturations, and the bulk density, molar volume and
/// specific enthalpy that follow.
void setVaporLiquidAmounts(PointResult& r, double vaporMassFraction);

/// Boiling pure water: V + L of the saturated liquid and vapor `states` at their temperature and
/// pressure, amounts not yet set (see setVaporLiquidAmounts).
PointResult boilingWaterPoint(const WaterSaturatedStates& states);

/// V + L made of the two sides of a jump too narrow to resolve: the single fluid of
/// `liquidSide` (state L or F) as the liquid and that of `vaporSide` (state V) as the vapor, at
/// the temperature and pressure of `liquidSide`, amounts not yet set. False when the sides are
/// not such fluids.
bool vaporLiquidFromSides(const PointResult& liquidSide, const PointResult& vaporSide,
                          PointResult& out);

/// V + L of a dilute fluid boiling where water does, at a jump of its property on the boiling
/// curve of water too narrow to resolve: the single fluid of `liquidSide` as the liquid (a
/// state V near the critical point may hold liquid water), the saturated vapor of water
/// (`water`) as the vapor, at the temperature and pressure of `liquidSide`, amounts not yet
/// set. False when `liquidSide` is not a single fluid denser than that vapor.
bool boilingDiluteFluid(const PointResult& liquidSide, const WaterSaturatedStates& water,
                        PointResult& out);

}  // namespace kelvoran
