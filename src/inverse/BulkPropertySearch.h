#pragma once

#include "kelvoran/Inverse.h"
#include "phase/PhaseStateEvaluator.h"

namespace kelvoran {

/// The bulk property an inverse evaluation is given.
enum class BulkProperty {
    Enthalpy,  ///< bulk specific enthalpy, J/kg (defined in halite-free states only)
    Density,   ///< bulk density, kg/m³
};

/// The temperature in 0–1000 °C at which the bulk property of (T, P bar, x mole fraction)
/// equals `target`, and the state there. The range is cut where the bulk property jumps (at
/// the three-phase curve) or is not defined (states with halite, for the enthalpy); each piece
/// that brackets the target is searched with a bracketed root finder. A density that falls in
/// the jump at the three-phase curve gives V + L + H there, with the amounts that produce it.
InverseResult temperatureForBulkProperty(PhaseStateEvaluator& evaluator, double pressureBar,
                                         double target, double composition, BulkProperty property);

/// The pressure in 1–5000 bar at which the bulk density of (T °C, P, x) equals `densityKgM3`,
/// and the state there; at the three-phase pressure, V + L + H with the amounts that produce
/// the density.
InverseResult pressureForBulkDensity(PhaseStateEvaluator& evaluator, double temperatureC,
                                     double densityKgM3, double composition);

}  // namespace kelvoran
