#pragma once

#include "kelvoran/Constants.h"
#include "water/WaterEquationOfState.h"

// Liquid-vapor saturation of pure water: the auxiliary correlations that give start values and
// region tests, the phase-equilibrium solvers at a given temperature or pressure, the
// near-critical estimates, and the region of a (T, p) point. Internal units: T in K, p in MPa,
// rho in g/cm³, energies in kJ/kg.

namespace kelvoran {

/// Triple-point temperature, K.
inline constexpr double kWaterTriplePointTemperatureK = 273.16;
/// Triple-point pressure of the formulation, MPa.
inline constexpr double kWaterTriplePointPressureMPa = 0.0006117316720236433;
/// Above this temperature (K) the saturation at T is the near-critical estimate.
inline constexpr double kNearCriticalTemperatureK = 646.303775;
/// Above this pressure (MPa) the saturation at p is the near-critical procedure.
inline constexpr double kNearCriticalPressureMPa = 21.839129;
/// From this pressure (MPa) on the near-critical saturation temperature is found by bisection.
inline constexpr double kBisectionPressureMPa = 22.05485;

/// Region codes of a (T, p) point below the critical temperature.
inline constexpr int kRegionLiquid = 3;
inline constexpr int kRegionSaturated = 4;
inline constexpr int kRegionVapor = 5;

/// Auxiliary vapor pressure (MPa) and its temperature slope (MPa/K).
struct ApproxVaporPressure {
    double pressureMPa;
    double slopeMPaPerK;
};

/// Densities (g/cm³) of the coexisting liquid and vapor.
struct SaturatedDensities {
    double liquid;
    double vapor;
};

/// A solved saturation point: temperature (K), pressure (MPa), the densities (g/cm³) of the two
/// saturated states and the number of correction passes made (0 for the near-critical
/// estimate at a temperature).
struct SaturationSolution {
    double temperatureK;
    double pressureMPa;
    double liquidDensity;
    double vaporDensity;
    int passes;
};

/// Auxiliary vapor-pressure equation at T (K).
ApproxVaporPressure approxSaturationPressure(double temperatureK);

/// Auxiliary saturation temperature (K) at p (MPa): a polynomial in ln p refined by at most
/// 8 Newton passes on the auxiliary vapor pressure, T kept within [273.15, 647.126] K before
/// each evaluation.
double approxSaturationTemperature(double pressureMPa);

/// Auxiliary densities of the saturated liquid and vapor at T (K).
SaturatedDensities approxSaturationDensities(double temperatureK);

/// Evaluates the equation of state at rho_l and rho_v (g/cm³) at the temperature whose
/// temperature-only parts are in `vapor`: the liquid is evaluated in `vapor` and copied to
/// `liquid`, then the vapor. Returns |g_l − g_v| / (R T).
double gibbsMismatch(EosWork& liquid, EosWork& vapor, double liquidDensity, double vaporDensity);

/// Near-critical saturation at T (K) without iteration: densities symmetric about the critical
/// density, p_sat = 0.4 p_l + 0.6 p_v (MPa). Leaves both states in the scratch records.
double nearCriticalSaturation(double temperatureK, EosWork& liquid, EosWork& vapor);

/// Saturation at T (K) for 273.16 ≤ T ≤ 647.126: at most 20 equal-area corrections of the two
/// densities (near-critical estimate above 646.303775 K). p_sat is the mean of the two phase
/// pressures. The two saturated states are left in `liquid` and `vapor`, and the solution's
/// densities are theirs.
SaturationSolution solveSaturationAtT(double temperatureK, EosWork& liquid, EosWork& vapor);

/// Near-critical saturation temperature at p (MPa) above 21.839129: Newton on the near-critical
/// estimate below 22.05485 MPa (at most 10 passes), bisection in [647.1259, 647.126] K from
/// there on (at most 20 passes). Temperature and states are those of the last estimate.
SaturationSolution nearCriticalSaturationTemperature(double pressureMPa, EosWork& liquid,
                                                     EosWork& vapor);

/// Saturation at p (MPa) for triple-point ≤ p ≤ critical pressure: at most 20 simultaneous
/// corrections of T and the two densities. The solution's temperature and densities are those
/// of the two saturated states left in `liquid` and `vapor`.
SaturationSolution solveSaturationAtP(double pressureMPa, EosWork& liquid, EosWork& vapor);

/// Region of (T K, p MPa), T below 647.126 K, decided by the auxiliary vapor pressure alone;
/// 0 when the point is too close to it and the saturation has to be solved.
int classifyRegionByAuxiliary(double temperatureK, double pressureMPa);

/// Region of (T K, p MPa), T below 647.126 K: kRegionLiquid, kRegionSaturated or kRegionVapor.
int classifyRegion(double temperatureK, double pressureMPa);

/// The phase a (T K, p MPa) point below 647.126 K is evaluated in: classifyRegion's liquid or
/// vapor, and for a point it finds saturated (within round-off of the saturation pressure)
/// kRegionLiquid at and above the solved saturation pressure, kRegionVapor below it.
int phaseRegion(double temperatureK, double pressureMPa);

}  // namespace kelvoran
