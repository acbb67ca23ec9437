#pragma once

#include "inverse/PhaseAmountsFromProperty.h"
#include "kelvoran/Inverse.h"
#include "phase/PhaseStateEvaluator.h"

namespace kelvoran {

/// Whether a search range is usable for a search in temperature (or in pressure): finite ends,
/// lower below upper, pressures above zero.
bool validTemperatureRange(const SearchRange& range);
bool validPressureRange(const SearchRange& range);

/// The temperature in range.lowerC–range.upperC at which the bulk property of (T, P bar, x mole
/// fraction) equals `target`, and the state there. The range is cut where the bulk property
/// jumps (at the three-phase curve) or is not defined (states with halite, for the enthalpy);
/// each piece that brackets the target is searched with a bracketed root finder, a single fluid
/// of enthalpy h first by Newton's method on the water equation of state. A value inside a jump
/// gives the two- or three-phase state there with the amounts that produce it: V + L + H at the
/// three-phase curve (density), boiling pure water at its boiling temperature at P, V + L across
/// a vapor + liquid field narrower than the search resolves. Where several temperatures give
/// the density, the lowest is returned with kWarningMultipleSolutions.
InverseResult temperatureForBulkProperty(PhaseStateEvaluator& evaluator, double pressureBar,
                                         double target, double composition, BulkProperty property,
                                         const SearchRange& range = {});

/// The pressure in range.lowerBar–range.upperBar at which the bulk density of (T °C, P, x)
/// equals `densityKgM3`, and the state there; at the three-phase pressure, V + L + H with the
/// amounts that produce the density; for pure water below its critical temperature, V + L at
/// the boiling pressure. Several pressures: the lowest, with kWarningMultipleSolutions.
InverseResult pressureForBulkDensity(PhaseStateEvaluator& evaluator, double temperatureC,
                                     double densityKgM3, double composition,
                                     const SearchRange& range = {});

}  // namespace kelvoran
