#pragma once

#include "kelvoran/Inverse.h"
#include "phase/PhaseStateEvaluator.h"
#include "phase/PointDerivatives.h"

namespace kelvoran {

/// The state `state` (a single fluid or V + L) of bulk specific enthalpy `enthalpyJKg` (J/kg) at
/// P (bar) and x (mole fraction NaCl), found by secant steps in temperature from an estimate (°C)
/// known to lie within about `reachC` (K) of it: what a property table, whose interpolated
/// temperature is that close, asks instead of the whole search of evaluatePH. The enthalpy of
/// these states rises with the temperature, so that the state found is the one evaluatePH
/// finds. Solved only where every step stays within twice the reach, the temperature lies in
/// evaluatePH's search range (SearchRange's default, the fitted 0–1000 °C), the state there is
/// `state`, its enthalpy is h to the inverse evaluations' relative residual (1e-10), and a
/// V + L state lies farther than 1e-6 h from the enthalpy of all liquid or all vapor (closer,
/// evaluatePH may take the single fluid); otherwise status OutOfRange, and the caller searches
/// as evaluatePH does. `slopeKPerJKg`, an estimate of ∂T/∂h (K per J/kg; NaN if none), makes
/// the first step a Newton step. With `derivatives`, also the state's gradients with respect
/// to (P, h, x).
InverseResult temperatureForEnthalpyNear(PhaseStateEvaluator& evaluator, double pressureBar,
                                         double enthalpyJKg, double composition, Phases state,
                                         double estimateC, double reachC, double slopeKPerJKg,
                                         PointDerivatives* derivatives);

}  // namespace kelvoran
