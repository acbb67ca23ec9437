#pragma once

// The 1984 Helmholtz-energy equation of state of water (IAPS-84): A(rho, T) as the sum of a
// base function, a residual function and an ideal-gas function, with their exact analytic
// derivatives and the state properties derived from them.
//
// Internal units throughout: T in K, rho in g/cm³, A, g, u, h in kJ/kg, p in MPa,
// s, cv, cp in kJ/(kg K).

namespace kelvoran {

/// Gas constant of water, kJ/(kg K).
inline constexpr double kWaterGasConstant = 0.461522;
/// Reducing temperature of the base and residual functions, K.
inline constexpr double kEosReducingTemperatureK = 647.073;
/// Reference pressure of the logarithmic term of the base function, MPa.
inline constexpr double kEosReferencePressureMPa = 0.101325;
/// Reference-state constant U0 of the ideal-gas function, K.
inline constexpr double kEosIdealU0K = -4328.455039;
/// Reference-state constant S0 of the ideal-gas function (dimensionless).
inline constexpr double kEosIdealS0 = 7.6180802;
/// Temperature scale of the ideal-gas function (tau = T / 100 K), K.
inline constexpr double kEosIdealTemperatureScaleK = 100.0;
/// Smallest magnitude a Gaussian-term delta may take (its derivatives divide by delta).
inline constexpr double kEosDeltaGuard = 2.220446049250313e-16;

/// Number of rows (k = 1..9) and columns (l = 0, 1, 2, 3, 4, 6) of the residual table.
inline constexpr int kResidualRows = 9;
inline constexpr int kResidualColumns = 6;
/// Number of Gaussian terms of the residual function.
inline constexpr int kGaussianTerms = 4;

/// Scratch record of one evaluation of the equation of state (one per phase being evaluated).
/// Plain data; the temperature-only part (setTemperature) stays valid for any number of
/// density evaluations (setDensity) at that temperature.
struct EosWork {
    // --- temperature functions (T only) ---
    double T = 0.0;        ///< temperature, K
    double v = 0.0;        ///< T_z / T
    double b = 0.0;        ///< co-volume b(T), cm³/g
    double dbdT = 0.0;     ///< db/dT, cm³/(g K)
    double d2bdT2 = 0.0;   ///< d²b/dT², cm³/(g K²)
    double B = 0.0;        ///< second-virial function B(T), cm³/g
    double dBdT = 0.0;     ///< dB/dT, cm³/(g K)
    double d2BdT2 = 0.0;   ///< d²B/dT², cm³/(g K²)
    double bg = 0.0;       ///< B − γ b, cm³/g
    double dbgdT = 0.0;    ///< d(B − γ b)/dT, cm³/(g K)
    double d2bgdT2 = 0.0;  ///< d²(B − γ b)/dT², cm³/(g K²)
    /// Rows of the residual table at v (T only): r_k = Σ_l g_kl v^l, its weighted forms
    /// Σ_l l g_kl v^l and Σ_l l(l+1) g_kl v^l (kJ/kg).
    double row[kResidualRows] = {};
    double rowL[kResidualRows] = {};
    double rowLL[kResidualRows] = {};
    /// Gaussian terms: tau_i = (T − T_i)/T_i and beta_i tau_i² (dimensionless).
    double gaussTau[kGaussianTerms] = {};
    double gaussBetaTau2[kGaussianTerms] = {};

    // --- ideal-gas function (T only) ---
    double aIdeal = 0.0;    ///< kJ/kg
    double aIdealT = 0.0;   ///< kJ/(kg K)
    double aIdealTT = 0.0;  ///< kJ/(kg K²)

    // --- base function at (rho, T) ---
    double rho = 0.0;          ///< density, g/cm³
    double y = 0.0;            ///< b rho / 4, dimensionless
    double baseF = 0.0;        ///< F(y), dimensionless
    double baseF1 = 0.0;       ///< dF/dy, dimensionless
    double baseF2 = 0.0;       ///< d²F/dy², dimensionless
    double aBase = 0.0;        ///< kJ/kg
    double aBaseT = 0.0;       ///< kJ/(kg K)
    double aBaseTT = 0.0;      ///< kJ/(kg K²)
    double aBaseRho = 0.0;     ///< kJ/kg per g/cm³
    double aBaseRhoRho = 0.0;  ///< kJ/kg per (g/cm³)²
    double aBaseRhoT = 0.0;    ///< kJ/(kg K) per g/cm³

    // --- residual function at (rho, T) ---
    double expMinusRho = 0.0;      ///< e^(−rho), rho in g/cm³
    double Q = 0.0;                ///< 1 − e^(−rho), dimensionless
    double aResidual = 0.0;        ///< kJ/kg
    double aResidualT = 0.0;       ///< kJ/(kg K)
    double aResidualTT = 0.0;      ///< kJ/(kg K²)
    double aResidualRho = 0.0;     ///< kJ/kg per g/cm³
    double aResidualRhoRho = 0.0;  ///< kJ/kg per (g/cm³)²
    double aResidualRhoT = 0.0;    ///< kJ/(kg K) per g/cm³

    // --- derived properties ---
    double p = 0.0;       ///< pressure, MPa
    double dpdT = 0.0;    ///< (∂p/∂T) at constant rho, MPa/K
    double dpdRho = 0.0;  ///< (∂p/∂rho) at constant T, MPa/(g/cm³)
    double a = 0.0;       ///< specific Helmholtz energy, kJ/kg
    double g = 0.0;       ///< specific Gibbs energy, kJ/kg
    double s = 0.0;       ///< specific entropy, kJ/(kg K)
    double u = 0.0;       ///< specific internal energy, kJ/kg
    double h = 0.0;       ///< specific enthalpy, kJ/kg
    double cv = 0.0;      ///< isochoric heat capacity, kJ/(kg K)
    double cp = 0.0;      ///< isobaric heat capacity, kJ/(kg K)

    // --- second derivatives of the derived properties (only after computeSecondDerivatives) ---
    double d2pdT2 = 0.0;     ///< ∂²p/∂T² at constant rho, MPa/K²
    double d2pdRhodT = 0.0;  ///< ∂²p/∂rho∂T, MPa/(K g/cm³)
    double d2pdRho2 = 0.0;   ///< ∂²p/∂rho² at constant T, MPa/(g/cm³)²
    double dcvdT = 0.0;      ///< ∂cv/∂T at constant rho, kJ/(kg K²)
};

/// Step 1: the temperature functions b(T), B(T), B − γ b with their first two T-derivatives,
/// the rows of the residual table and the temperature factors of the Gaussian terms (K).
void computeTemperatureFunctions(EosWork& work, double temperatureK);

/// Step 2: the ideal-gas function and its first two T-derivatives at work.T.
void computeIdealGasPart(EosWork& work);

/// Steps 1 and 2: every temperature-only part, once per temperature (K).
void computeTemperatureParts(EosWork& work, double temperatureK);

/// Step 3: the base function and its five partial derivatives at (rho g/cm³, work.T).
void computeBasePart(EosWork& work, double densityGcm3);

/// Step 4: the residual function (9 × 6 table and four Gaussian terms) and its five partial
/// derivatives at (work.rho, work.T).
void computeResidualPart(EosWork& work);

/// Step 5: pressure, energies, entropy, heat capacities and the pressure derivatives.
void computeDerivedProperties(EosWork& work);

/// Steps 3 to 5 at a new density (g/cm³); the temperature-only parts must be present.
void computeDensityParts(EosWork& work, double densityGcm3);

/// What a density iteration reads at a new density (g/cm³): p and (∂p/∂rho)T, by the same
/// operations as computeDensityParts gives them, without the other parts and properties (the
/// other fields of `work` are left as they were). The temperature-only parts must be present.
void computePressureParts(EosWork& work, double densityGcm3);

/// The whole evaluation at (rho g/cm³, T K): steps 1 to 5.
void computeHelmholtz(EosWork& work, double temperatureK, double densityGcm3);

/// Step 6: ∂²p/∂T², ∂²p/∂rho∂T, ∂²p/∂rho² and ∂cv/∂T from the third derivatives of the three
/// parts, at the state last evaluated into `work` (steps 1 to 5 must be present).
void computeSecondDerivatives(EosWork& work);

}  // namespace kelvoran
