#pragma once

#include <array>
#include <memory>

#include "water/WaterEquationOfState.h"

// The property record of the pure-water library: creation and filling from an evaluated
// equation of state. Record units: T in K, p in Pa, rho in kg/m³, energies in J/kg, entropy
// and heat capacities in J/(kg K).

namespace kelvoran {

/// Six derivative values and up to six child blocks (second-derivative blocks).
struct DerivativeBlock {
    std::array<double, 6> d{};                              ///< values, zero after creation
    std::array<std::unique_ptr<DerivativeBlock>, 6> child;  ///< children 0..5, null if absent
};

/// Number of first-derivative slots of a record.
inline constexpr int kDerivativeSlots = 11;
/// Slot holding the pressure derivatives of a single-phase state:
/// d[0] = (∂p/∂T) at constant rho, Pa/K; d[1] = (∂p/∂rho) at constant T, Pa/(kg/m³).
/// At derivative level 2 its child 0 holds d[0] = ∂²p/∂T² (Pa/K²), d[1] = ∂²p/∂T∂rho
/// (Pa/(K kg/m³)); its child 1 holds d[0] = ∂²p/∂rho∂T (Pa/(K kg/m³)), d[1] = ∂²p/∂rho²
/// (Pa/(kg/m³)²).
inline constexpr int kPressureDerivativeSlot = 3;
/// Level-2 slot: d[0] = ∂cv/∂T at constant rho, J/(kg K²).
/// Slot 0 (and at level 2 its children 0 and 1) is allocated as the record layout prescribes
/// but receives no values for the temperature–pressure pair.
inline constexpr int kHeatCapacityDerivativeSlot = 9;

/// The independent variables a record is made for. Only temperature–pressure is provided.
enum class WaterInputPair {
    TemperaturePressure,
    PressureEnthalpy,
    PressureEntropy,
};

/// One evaluated state of pure water. A default-constructed record carries no derivative
/// blocks (level 0) and holds no state yet (error = 1); newProp makes records of higher levels.
struct WaterState {
    double quality = 0.0;  ///< vapor mass fraction of a two-phase point (two-phase fill only)
    double T = 0.0;        ///< temperature, K
    double rho = 0.0;      ///< density, kg/m³
    double p = 0.0;        ///< pressure, Pa
    double f = 0.0;        ///< specific Helmholtz energy, J/kg
    double g = 0.0;        ///< specific Gibbs energy, J/kg
    double s = 0.0;        ///< specific entropy, J/(kg K)
    double u = 0.0;        ///< specific internal energy, J/kg
    double h = 0.0;        ///< specific enthalpy, J/kg
    double cv = 0.0;       ///< isochoric heat capacity, J/(kg K)
    double cp = 0.0;       ///< isobaric heat capacity, J/(kg K)
    /// First-derivative blocks, null where absent.
    std::array<std::unique_ptr<DerivativeBlock>, kDerivativeSlots> deriv;
    int filled = 0;  ///< 1 after a single-phase or saturated fill, 2 after a two-phase fill
    int error = 1;   ///< 0: the fields hold the last evaluation; 1: it failed or was refused
    /// The density came from the bracketed root search after the Newton iteration failed.
    bool fromBracketedSolve = false;
    WaterInputPair inputs = WaterInputPair::TemperaturePressure;  ///< independent variables
    int derivLevel = 0;  ///< 0, 1 or 2: derivative orders the record carries
};

/// Creates a record for `inputs` carrying `derivLevel` derivative orders, with every value
/// zero, filled = 0 and error = 1 (no state yet). Throws std::invalid_argument with the text
/// "newProp(): deriv out of range" for a level outside 0..2, and for any input pair other than
/// temperature–pressure (the only pair this library provides); std::bad_alloc when memory runs
/// out.
std::unique_ptr<WaterState> newProp(WaterInputPair inputs, int derivLevel);

/// Writes a single-phase or saturated state evaluated into `work` (internal units) to the
/// record in record units, with the derivative blocks its level carries (second derivatives
/// only at level 2); filled = 1, error = 0.
void fillState(WaterState& record, EosWork& work);

/// Writes a two-phase state of vapor mass fraction `quality` at the temperature of the two
/// saturated states `liquid` and `vapor` (internal units) and the saturation pressure
/// `saturationPressureMPa`; filled = 2, error = 0. cp is 0; cv is the isochoric heat capacity
/// of the two-phase mixture at fixed total volume, moving along the saturation curve:
///   cv = Σ_phase w (cv_phase + T (dp_sat/dT − (∂p/∂T)_phase)² / (rho_phase² (∂p/∂rho)_phase))
/// with mass weights w = 1 − quality (liquid) and quality (vapor) and the Clapeyron slope
/// dp_sat/dT = (s_v − s_l) rho_l rho_v / (rho_l − rho_v). At level ≥ 1 slot 3 holds
/// d[0] = dp_sat/dT (Pa/K) and d[1] = 0; level-2 blocks are NaN (not defined across phases).
void fillTwoPhase(WaterState& record, const EosWork& liquid, const EosWork& vapor,
                  double saturationPressureMPa, double quality);

}  // namespace kelvoran
