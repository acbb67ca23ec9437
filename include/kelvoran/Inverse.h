#pragma once

// kelvoran: the inverse problems of simulators and fluid-inclusion work. Given the pressure, a
// bulk property and the bulk composition, find the temperature (or, along an isochore, the
// pressure) and the whole state there.
//
//   #include <kelvoran/Inverse.h>
//
//   const kelvoran::InverseResult r = kelvoran::evaluatePH(250.0, 1.6e6, 0.05);  // bar, J/kg, x
//   if (r.status == kelvoran::InverseStatus::Solved) use(r.temperatureC, r.point);
//
// The search runs over the fitted range, 0–1000 °C (or 1–5000 bar), with a bracketed root
// finder that cannot fail on a continuous bracket; where the bulk property jumps (at the
// three-phase curve) or is not defined, the status says so. Every function is pure and may be
// called from any number of threads.

#include <cstdint>
#include <string_view>

#include "kelvoran/Calculator.h"

namespace kelvoran {

/// How an inverse evaluation ended.
enum class InverseStatus : std::int32_t {
    Solved = 0,        ///< the returned state has the given bulk property
    OutOfRange = 1,    ///< no temperature (pressure) of the search range gives the value
    Undefined = 2,     ///< the value falls where the model defines no such bulk property: in a
                       ///< state with halite (whose enthalpy the model does not give) or in a
                       ///< jump of the model's property
    InvalidInput = 3,  ///< an input is NaN or infinite, or the composition lies outside 0–1
};

/// A sentence saying what a status means.
std::string_view describe(InverseStatus status);

/// The state found by an inverse evaluation.
struct InverseResult {
    InverseStatus status = InverseStatus::InvalidInput;
    double temperatureC = 0.0;  ///< °C; NaN unless solved
    double pressureBar = 0.0;   ///< bar; NaN unless solved
    /// The state at (temperatureC, pressureBar, x), as Calculator::evaluate gives it, except in
    /// V + L + H, where the amounts (and the bulk density and enthalpy) are those fixed by the
    /// given bulk property. Zeros unless solved.
    PointResult point;
};

/// (P bar, bulk specific enthalpy J/kg, x mole fraction NaCl) → T and the state. States with
/// halite have no bulk enthalpy in the model, so an enthalpy is found among the halite-free
/// states only. The state reproduces the enthalpy to about 1e-10 relative.
InverseResult evaluatePH(double pressureBar, double specificEnthalpyJKg, double composition);

/// (P bar, bulk density kg/m³, x) → T and the state, halite-bearing states included; a density
/// between the two sides of the jump at the three-phase curve gives V + L + H at that
/// temperature, with the amounts that produce it.
InverseResult evaluatePRho(double pressureBar, double densityKgM3, double composition);

/// (T °C, bulk density kg/m³, x) → P and the state: one point of an isochore. Searches
/// 1–5000 bar.
InverseResult evaluateTRho(double temperatureC, double densityKgM3, double composition);

}  // namespace kelvoran
