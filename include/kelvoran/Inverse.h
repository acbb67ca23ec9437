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
// The search runs over the fitted range, 0–1000 °C (or 1–5000 bar), or over the range a caller
// gives (SearchRange). Where the bulk property jumps as the searched variable crosses a phase
// boundary (pure water boiling, a vapor + liquid field narrower than the search resolves, the
// three-phase curve), a value inside the jump gives the two- or three-phase state there, with
// the amounts that produce the value. The bulk density is not monotonic in temperature (cold
// water has a density maximum near 4 °C, and salt-rich fluids reach one density on either side
// of the three-phase curve): where several states have the given density, the one of lowest
// temperature (pressure) is returned with kWarningMultipleSolutions, and a narrower range picks
// another. Every function is pure and may be called from any number of threads.

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

/// Where an inverse evaluation searches: the temperatures of evaluatePH and evaluatePRho, the
/// pressures of evaluateTRho. The defaults are the fitted range of the model; a range beyond it
/// gives extrapolated states (kWarningOutsideFittedRange). Lower below upper, both finite, the
/// pressures above zero; otherwise the evaluation reports InvalidInput.
struct SearchRange {
    double lowerC = 0.0;       ///< lowest temperature searched, °C
    double upperC = 1000.0;    ///< highest temperature searched, °C
    double lowerBar = 1.0;     ///< lowest pressure searched, bar
    double upperBar = 5000.0;  ///< highest pressure searched, bar
};

/// The state found by an inverse evaluation.
struct InverseResult {
    InverseStatus status = InverseStatus::InvalidInput;
    double temperatureC = 0.0;  ///< °C; NaN unless solved
    double pressureBar = 0.0;   ///< bar; NaN unless solved
    /// The state at (temperatureC, pressureBar, x), as Calculator::evaluate gives it, except
    /// where amountsFromBulkProperty is set. Zeros unless solved. Its warnings carry
    /// kWarningMultipleSolutions where other states of the search range have the property too.
    PointResult point;
    /// The amounts of the phases (and so the saturations and the bulk density and enthalpy) were
    /// fixed by the given bulk property rather than by the lever rule on the compositions: V + L
    /// + H by its density, and the two-phase state inside a jump of the property, such as
    /// boiling pure water at its boiling temperature at P, with vapor mass fraction
    /// (h − h_l) / (h_v − h_l) from the saturated liquid and vapor of water.
    bool amountsFromBulkProperty = false;
};

/// (P bar, bulk specific enthalpy J/kg, x mole fraction NaCl) → T and the state. States with
/// halite have no bulk enthalpy in the model, so an enthalpy is found among the halite-free
/// states only. The state reproduces the enthalpy to about 1e-10 relative. Pure water (x = 0)
/// at an enthalpy between those of its saturated liquid and vapor at P boils: V + L at
/// waterSaturationTemperatureC(P).
InverseResult evaluatePH(double pressureBar, double specificEnthalpyJKg, double composition);
/// evaluatePH over the temperatures of `range`.
InverseResult evaluatePH(double pressureBar, double specificEnthalpyJKg, double composition,
                         const SearchRange& range);

/// (P bar, bulk density kg/m³, x) → T and the state, halite-bearing states included; a density
/// between the two sides of the jump at the three-phase curve gives V + L + H at that
/// temperature, with the amounts that produce it, and one between the saturated vapor and
/// liquid of pure water at P gives V + L at its boiling temperature.
InverseResult evaluatePRho(double pressureBar, double densityKgM3, double composition);
/// evaluatePRho over the temperatures of `range`.
InverseResult evaluatePRho(double pressureBar, double densityKgM3, double composition,
                           const SearchRange& range);

/// (T °C, bulk density kg/m³, x) → P and the state: one point of an isochore. Searches
/// range.lowerBar–range.upperBar (1–5000 bar by default); at the three-phase pressure V + L + H
/// with the amounts that produce the density, and for pure water at the boiling pressure at T
/// V + L of its saturated liquid and vapor.
InverseResult evaluateTRho(double temperatureC, double densityKgM3, double composition);
/// evaluateTRho over the pressures of `range`.
InverseResult evaluateTRho(double temperatureC, double densityKgM3, double composition,
                           const SearchRange& range);

}  // namespace kelvoran
