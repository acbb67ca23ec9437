#pragma once

#include "kelvoran/Correlations.h"
#include "numerics/Dual.h"

// Pure water in the units of the rest of the model (°C, bar), through the pure-water library:
// the state at (T, P), the saturation pressure at T and the saturation at P (declared with the
// public correlations: pureWater, waterSaturationPressureBar, waterSaturationTemperatureC), and
// the finite-difference slopes of the molar volume. Every value derived from an evaluation the
// library refuses (outside its domain, on the saturation curve, no convergence) is NaN.

namespace kelvoran {

/// Molar volume of water [cm³/mol] = kWaterMolarVolumeFactor / density [kg/m³].
inline constexpr double kWaterMolarVolumeFactor = 18015.0;
/// 0 °C in K: the water states at T °C are evaluated at T + kZeroCelsiusK.
inline constexpr double kZeroCelsiusK = 273.15;

/// Why a water state's values are doubtful, as bits of WaterState::notes.
enum WaterNote : unsigned {
    kWaterNoteBracketedSolve = 1U << 0,  ///< the density came from the bracketed fallback solve
    kWaterNoteIceField = 1U << 1,        ///< refused: (T, P) lies in an ice field (values NaN)
};

/// Pure water at (T °C, P bar) as pureWater gives it, with the notes on how it was found.
struct WaterStateAt {
    WaterPoint values;
    unsigned notes;  ///< WaterNote bits
};
WaterStateAt waterStateAt(double temperatureC, double pressureBar);

/// Saturation pressure of water at T (°C), Pa: the near-critical bridge for
/// 373.0 < T < 373.976 °C, the auxiliary vapor-pressure equation below 273.16 K (where no
/// liquid–vapor saturation exists to solve); NaN when refused (T above 373.976 °C).
double waterSaturationPressurePa(double temperatureC);

/// The saturated liquid of water at a pressure.
struct WaterSaturationAtPressure {
    double temperatureC;       ///< saturation temperature, °C
    double liquidDensityKgM3;  ///< density of the saturated liquid, kg/m³
};
/// Saturation of water at P (bar); both values NaN outside the triple-point to critical
/// pressure, 0.006117316720236433–220.54915 bar.
WaterSaturationAtPressure waterSaturationAtPressure(double pressureBar);

/// One of the two saturated states of water at a point of its boiling curve.
struct WaterSaturatedPhase {
    double densityKgM3;          ///< kg/m³
    double specificEnthalpyJKg;  ///< J/kg
    double heatCapacityJKgK;     ///< isobaric, of this side of the curve, J/(kg K)
};
/// The saturated liquid and vapor of water at one point of its boiling curve.
struct WaterSaturatedStates {
    double temperatureC;  ///< boiling temperature, °C
    double pressureBar;   ///< boiling pressure, bar
    WaterSaturatedPhase liquid;
    WaterSaturatedPhase vapor;
};
/// The saturated states at P (bar): temperatureC is waterSaturationTemperatureC(P), pressureBar
/// is P; every value NaN outside the triple-point to critical pressure (as
/// waterSaturationAtPressure).
WaterSaturatedStates waterSaturatedStatesAtPressure(double pressureBar);
/// The saturated states at T (°C) from the saturation solve at T; pressureBar is the boiling
/// pressure the phase classification uses, waterSaturationPressurePa(T) in bar (the
/// near-critical bridge for 373.0 < T < 373.976 °C). The states are NaN where no liquid–vapor
/// equilibrium is solved (below the triple point, above 373.976 °C).
WaterSaturatedStates waterSaturatedStatesAtTemperature(double temperatureC);

/// Which finite differences a slope evaluation used.
enum class SlopeCase {
    Supercritical,          ///< T ≥ 647.126 K: forward differences in P and T
    OnSaturation,           ///< P equals a saturated-state pressure at T
    VaporBelowSaturation,   ///< vapor within one pressure step below saturation
    LiquidAboveSaturation,  ///< liquid within one pressure step above saturation
    Plain,                  ///< forward differences in P and T
};

/// Finite-difference slopes of the molar volume of water at one state.
struct WaterVolumeSlopes {
    double dVdPcm3MolPa;  ///< ∂V/∂P at constant T, cm³/(mol Pa)
    double dVdTcm3MolK;   ///< ∂V/∂T at constant P, cm³/(mol K)
    SlopeCase slopeCase;  ///< the differences used
    unsigned notes;       ///< WaterNote bits of the states the differences used
};
/// Slopes at (T °C, P bar), with steps of 0.01 bar and 0.01 K that never span the saturation
/// curve (one-sided next to it); `densityKgM3` is the density of water at (T, P) itself, as
/// pureWater gives it.
WaterVolumeSlopes waterVolumeSlopes(double temperatureC, double pressureBar, double densityKgM3);

/// The slopes of waterVolumeSlopes with respect to its arguments (T °C, P bar, and the density
/// of water at (T, P), kg/m³, with their gradients): the same finite differences, each water
/// state they take differentiated by the implicit-function rule. Only the plain forward
/// differences (SlopeCase Supercritical and Plain) are differentiated; next to the saturation
/// curve the slopes are NaN.
struct DualWaterVolumeSlopes {
    Dual dVdPcm3MolPa;  ///< ∂V/∂P at constant T, cm³/(mol Pa)
    Dual dVdTcm3MolK;   ///< ∂V/∂T at constant P, cm³/(mol K)
};
DualWaterVolumeSlopes waterVolumeSlopes(const Dual& temperatureC, const Dual& pressureBar,
                                        const Dual& densityKgM3);

/// (∂p/∂T) at constant density and (∂p/∂ρ) at constant temperature of water at one state,
/// from the analytic derivatives of the equation of state.
struct WaterPressureSlopes {
    double dpdTPaK;       ///< Pa/K
    double dpdRhoPaKgM3;  ///< Pa per kg/m³
};
/// The slopes at (T K, ρ kg/m³), a state the density solve found; NaN for a NaN density.
WaterPressureSlopes waterPressureSlopes(double temperatureK, double densityKgM3);

/// Slope of waterSaturationPressurePa at T (°C), Pa/K: the derivative of the auxiliary
/// vapor-pressure equation below the triple point and of the near-critical bridge across
/// 373.0–373.976 °C, Clapeyron's equation (s_v − s_l) / (1/ρ_v − 1/ρ_l) at the solved
/// saturation elsewhere; NaN where the pressure is NaN.
double waterSaturationPressureSlopePaK(double temperatureC);

/// Slopes along the saturation curve of waterSaturationAtPressure at P (bar).
struct WaterSaturationSlopes {
    double temperatureKPerBar;       ///< dT_s/dP by Clapeyron's equation, K/bar
    double liquidDensityKgM3PerBar;  ///< dρ_l/dP along the curve, kg/m³ per bar
};
/// The slopes at P (bar) up to 218.39129 bar, where the saturation is solved; NaN above (the
/// near-critical procedure) and outside the range of waterSaturationAtPressure.
WaterSaturationSlopes waterSaturationSlopesAtPressure(double pressureBar);

}  // namespace kelvoran
