#pragma once

#include "numerics/Dual.h"

// The outputs of an evaluation that have derivatives, as duals: each value (bit for bit the
// value of the evaluation's record) with its gradient with respect to the evaluation's three
// inputs — (T °C, P bar, x mole fraction NaCl) for the direct evaluation; an inverse
// evaluation's own inputs after the change of variables of InverseDerivatives. Every part of a
// phase that is absent, and every value the model does not define, is NaN; so is a gradient
// where the model is not differentiable.

namespace kelvoran {

/// One phase (or the bulk).
struct PhaseDerivatives {
    Dual massFraction;       ///< NaCl mass fraction of the phase, kg/kg
    Dual density;            ///< kg/m³
    Dual specificEnthalpy;   ///< J/kg
    Dual phaseMassFraction;  ///< mass of the phase per mass of the bulk, kg/kg
    Dual saturation;         ///< volume of the phase per volume of the bulk, m³/m³
};

/// One point.
struct PointDerivatives {
    Dual temperature;  ///< °C
    Dual pressure;     ///< bar
    PhaseDerivatives liquid, vapor, halite, bulk;
};

/// A phase whose every value and gradient is NaN.
PhaseDerivatives undefinedPhaseDerivatives();
/// A point whose every value and gradient is NaN (no state).
PointDerivatives undefinedPointDerivatives();

}  // namespace kelvoran
