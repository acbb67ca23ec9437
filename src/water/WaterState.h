#pragma once

#include "water/WaterEquationOfState.h"

// The property record of the pure-water library: creation, release and filling from an
// evaluated equation of state. Record units: T in K, p in Pa, rho in kg/m³, energies in J/kg,
// entropy and heat capacities in J/(kg K).

namespace kelvoran {

/// Six derivative values and up to six child blocks (second-derivative blocks). A block owns
/// its children.
struct DerivativeBlock {
    double d[6];                ///< values, zero after creation
    DerivativeBlock* child[6];  ///< children 0..5, null where not allocated
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
/// but receives no values for the ('T','p') pair.
inline constexpr int kHeatCapacityDerivativeSlot = 9;

/// One evaluated state of pure water, created by newProp and released by disposeProp.
struct WaterState {
    double quality;  ///< vapor mass fraction of a two-phase point (two-phase fill only)
    double T;        ///< temperature, K
    double rho;      ///< density, kg/m³
    double p;        ///< pressure, Pa
    double f;        ///< specific Helmholtz energy, J/kg
    double g;        ///< specific Gibbs energy, J/kg
    double s;        ///< specific entropy, J/(kg K)
    double u;        ///< specific internal energy, J/kg
    double h;        ///< specific enthalpy, J/kg
    double cv;       ///< isochoric heat capacity, J/(kg K)
    double cp;       ///< isobaric heat capacity, J/(kg K)
    DerivativeBlock* deriv[kDerivativeSlots];  ///< first-derivative blocks, null where absent
    int filled;      ///< 1 after a single-phase or saturated fill, 2 after a two-phase fill
    int error;       ///< 0: the fields hold the last evaluation; 1: it failed or was refused
    char input1;     ///< first independent variable of the record ('T')
    char input2;     ///< second independent variable of the record ('p')
    int derivLevel;  ///< 0, 1 or 2: derivative orders the record carries
};

/// Creates a record for the input pair (input1, input2) carrying `derivLevel` derivative
/// orders. A level outside 0..2 writes "newProp(): deriv out of range\n" to standard error
/// and ends the program with exit status 1. Returns null when memory runs out (nothing
/// allocated survives) and for any input pair other than ('T','p'), the only pair this library
/// provides. The new record has every value zero, filled = 0 and error = 1 (no state yet).
WaterState* newProp(char input1, char input2, int derivLevel);

/// Releases a record with all its derivative blocks; accepts null. Always returns null.
WaterState* disposeProp(WaterState* record);

/// Writes a single-phase or saturated state evaluated into `work` (internal units) to the
/// record in record units, with the derivative blocks its level carries; filled = 1, error = 0.
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
