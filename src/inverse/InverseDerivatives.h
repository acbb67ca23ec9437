#pragma once

#include "kelvoran/Inverse.h"
#include "phase/PhaseStateEvaluator.h"
#include "phase/PointDerivatives.h"

namespace kelvoran {

/// The inverse evaluations, by their given variables.
enum class InverseKind {
    PressureEnthalpy,    ///< (P bar, h J/kg, x): T found
    PressureDensity,     ///< (P bar, ρ kg/m³, x): T found
    TemperatureDensity,  ///< (T °C, ρ kg/m³, x): P found
};

/// The derivatives of the state an inverse evaluation found with respect to its own inputs, in
/// their order (P, h, x), (P, ρ, x) or (T, ρ, x). The searched variable z (T, or P for T–ρ) is
/// a function of the inputs through B(T, P, x) = given value, so by the implicit-function rule
/// ∂z/∂B = 1/(∂B/∂z) and ∂z/∂y = −(∂B/∂y)/(∂B/∂z) for the other variable y and for x, and every
/// output follows by the chain rule from its derivatives at (T, P, x).
///
/// A state whose amounts the given value fixed (`amountsFromBulkProperty`) sits where the
/// property jumps: its temperature (pressure) is fixed by the other variable and x, not by the
/// value, and its amounts are linear in the value. In V + L + H, T and P lie on the three-phase
/// curve (T fixed by P, or P by T) and the three amounts follow from the density's specific
/// volume. In V + L inside a jump (boiling pure water, a vapor + liquid field too steep to
/// resolve, a dilute fluid boiling as water does) the jump lies on the bubble curve of x,
/// x_L(T, P) = x, which for pure water is the boiling curve of water: ∂T/∂P = −(∂x_L/∂P)/(∂x_L/∂T),
/// ∂T/∂x = 1/(∂x_L/∂T) (NaN for pure water, whose state is not that of a brine of vanishing
/// salt); a saturated state of water moves along the boiling curve at the given P (or T), a
/// fluid phase with T and P, and the vapor mass fraction is the lever rule on the value. All
/// NaN unless solved.
PointDerivatives inverseDerivatives(PhaseStateEvaluator& evaluator, const InverseResult& result,
                                    InverseKind kind, double givenValue, double composition,
                                    bool amountsFromBulkProperty);

/// The gradients `d` of a state at (T, P, x) turned into those of the regular solution of the
/// inverse evaluation `kind` (no jump of the property there), by the implicit-function rule.
void regularInverseDerivatives(PointDerivatives& d, InverseKind kind);

}  // namespace kelvoran
