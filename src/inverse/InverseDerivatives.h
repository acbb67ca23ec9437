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
/// output follows by the chain rule from its derivatives at (T, P, x). In V + L + H, whose
/// amounts the given density fixes, T and P lie on the three-phase curve (T fixed by P, or P by
/// T) and the amounts are linear in the density's specific volume. All NaN unless solved.
PointDerivatives inverseDerivatives(PhaseStateEvaluator& evaluator, const InverseResult& result,
                                    InverseKind kind, double givenValue, double composition);

}  // namespace kelvoran
