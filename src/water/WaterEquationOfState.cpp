#include "water/WaterEquationOfState.h"

#include <cmath>

#include "water/WaterEvaluationCounts.h"

namespace kelvoran {

namespace {

constexpr double R = kWaterGasConstant;
constexpr double Tz = kEosReducingTemperatureK;

// Base-function parameter gamma (alpha = 11 and beta = 133/3 enter F(y) through the
// coefficients 169/6, −260/6 and 91/6).
constexpr double kGamma = 3.5;

// Co-volume b(T) = P1 + P2 ln(T/Tz) + P5 v³ + P7 v⁵, cm³/g.
constexpr double P1 = 0.7478629;
constexpr double P2 = -0.3540782;
constexpr double P5 = 0.007159876;
constexpr double P7 = -0.003528426;
// Second-virial function B(T) = Q1 + Q3 v + Q4 v² + Q6 v⁴, cm³/g.
constexpr double Q1 = 1.1278334;
constexpr double Q3 = -0.5944001;
constexpr double Q4 = -5.010996;
constexpr double Q6 = 0.63684256;

// Ideal-gas coefficients C1..C18 (index 0 holds C1).
constexpr double C[18] = {
    19.730271018,      20.9662681977,      -0.483429455355,   6.05743189245,   22.56023885,
    -9.87532442,       -4.3135538513,      0.458155781,       -0.047754901883, 0.0041238460633,
    -0.00027929052852, 1.4481695261e-05,   -5.6473658748e-07, 1.6200446e-08,   -3.303822796e-10,
    4.51916067368e-12, -3.70734122708e-14, 1.37546068238e-16};

// Residual table g_kl, rows k = 1..9, columns l = 0, 1, 2, 3, 4, 6 (kJ/kg).
constexpr double G[kResidualRows][kResidualColumns] = {
    {0.0, -5.30629685290230e+02, 2.27449014244080e+03, -2.66279448297700e+03, 7.87793330206870e+02,
     -6.98305273749940e+01},
    {0.0, 1.78638328754220e+04, -3.95147315633380e+04, 0.0, 3.38038842807530e+04,
     -1.38550502027030e+04},
    {6.88332579443320e+03, -2.56374366132600e+05, 4.82125759814150e+05, 2.17572455226440e+04,
     -3.41830169696600e+05, 1.22231564174480e+05},
    {0.0, 1.17974336558320e+06, -2.17348101103730e+06, 0.0, 1.08299521686200e+06,
     -2.54419980640490e+05},
    {0.0, -3.13777749477670e+06, 5.29119107577040e+06, -7.07304180820740e+04, -1.38025771778770e+06,
     -2.51099143690010e+05},
    {0.0, 4.65618261156080e+06, -7.27527732753870e+06, 0.0, 4.17742461482940e+05,
     1.40163582446140e+06},
    {0.0, -3.15552313921270e+06, 4.79296663845840e+06, 0.0, 4.09126647812090e+05,
     -1.36263693883860e+06},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
    {0.0, 6.96252208626640e+05, -1.08349000964470e+06, 0.0, -2.27228274016880e+05,
     3.83654860006600e+05}};
constexpr double kColumnExponent[kResidualColumns] = {0.0, 1.0, 2.0, 3.0, 4.0, 6.0};

// Gaussian terms (g_i, k_i, l_i, rho_i g/cm³, T_i K, alpha_i, beta_i).
struct GaussianTerm {
    double g, k, l, rhoRef, tRef, alpha, beta;
};
constexpr GaussianTerm kGaussian[kGaussianTerms] = {{-0.225, 2.0, 0.0, 0.319, 640.0, 34.0, 20000.0},
                                                    {-1.68, 2.0, 2.0, 0.319, 640.0, 40.0, 20000.0},
                                                    {0.055, 2.0, 0.0, 0.319, 641.6, 30.0, 40000.0},
                                                    {-93.0, 4.0, 0.0, 1.55, 270.0, 1050.0, 25.0}};

// One row of the residual table as a polynomial in v (powers 0..6, the v⁵ coefficient being
// zero), by Horner's scheme; `weight` scales each column's coefficient (1, l, l(l+1), ...).
template <typename Weight>
double rowPolynomial(const double (&coefficients)[kResidualColumns], double v, Weight weight) {
    double r = coefficients[5] * weight(kColumnExponent[5]);
    r = r * v;  // no v⁵ term
    for (int j = 4; j >= 0; --j) r = r * v + coefficients[j] * weight(kColumnExponent[j]);
    return r;
}

// Σ_k Q^k / k × terms[k], Horner in Q from k = 9 down to k = 1.
double sumOverRowsIntegral(const double (&terms)[kResidualRows], double Q) {
    double acc = 0.0;
    for (int k = kResidualRows; k >= 1; --k) acc = (acc + terms[k - 1] / k) * Q;
    return acc;
}

// Σ_k Q^(k−1) × terms[k] (first density derivative of Q^k / k, without the factor e^(−rho)).
double sumOverRowsFirst(const double (&terms)[kResidualRows], double Q) {
    double acc = 0.0;
    for (int k = kResidualRows; k >= 1; --k) acc = acc * Q + terms[k - 1];
    return acc;
}

// Σ_k (k−1) Q^(k−2) × terms[k].
double sumOverRowsSecond(const double (&terms)[kResidualRows], double Q) {
    double acc = 0.0;
    for (int k = kResidualRows; k >= 2; --k) acc = acc * Q + (k - 1) * terms[k - 1];
    return acc;
}

// Σ_k (k−1)(k−2) Q^(k−3) × terms[k].
double sumOverRowsThird(const double (&terms)[kResidualRows], double Q) {
    double acc = 0.0;
    for (int k = kResidualRows; k >= 3; --k) acc = acc * Q + ((k - 1) * (k - 2)) * terms[k - 1];
    return acc;
}

// Guarded delta of a Gaussian term (its derivatives divide by delta).
double gaussianDelta(const GaussianTerm& term, double rho) {
    double delta = (rho - term.rhoRef) / term.rhoRef;
    if (std::fabs(delta) < kEosDeltaGuard) delta = kEosDeltaGuard;
    return delta;
}

// δ, δ^k and δ^l of each Gaussian term at one density. Terms that share their reference
// density and exponent k share δ and δ^k, and δ^l is 1 for l = 0 (as the power function gives
// for any δ) and δ^k for l = k: two powers for the four terms instead of eight, same values.
struct GaussianPowers {
    double delta[kGaussianTerms];
    double deltaK[kGaussianTerms];
    double deltaL[kGaussianTerms];
};

GaussianPowers gaussianPowers(double rho) {
    GaussianPowers powers;
    for (int i = 0; i < kGaussianTerms; ++i) {
        const GaussianTerm& term = kGaussian[i];
        if (i > 0 && term.rhoRef == kGaussian[i - 1].rhoRef && term.k == kGaussian[i - 1].k) {
            powers.delta[i] = powers.delta[i - 1];
            powers.deltaK[i] = powers.deltaK[i - 1];
        } else {
            powers.delta[i] = gaussianDelta(term, rho);
            powers.deltaK[i] = std::pow(powers.delta[i], term.k);
        }
        if (term.l == 0.0) {
            powers.deltaL[i] = 1.0;
        } else if (term.l == term.k) {
            powers.deltaL[i] = powers.deltaK[i];
        } else {
            powers.deltaL[i] = std::pow(powers.delta[i], term.l);
        }
    }
    return powers;
}

}  // namespace

void computeTemperatureFunctions(EosWork& work, double temperatureK) {
    const double T = temperatureK;
    const double v = Tz / T;
    const double v2 = v * v;
    const double v3 = v2 * v;
    const double v4 = v3 * v;
    const double v5 = v4 * v;
    const double T2 = T * T;
    work.T = T;
    work.v = v;

    work.b = P1 + P2 * std::log(T / Tz) + P5 * v3 + P7 * v5;
    work.dbdT = (P2 - 3.0 * P5 * v3 - 5.0 * P7 * v5) / T;
    work.d2bdT2 = (-P2 + 12.0 * P5 * v3 + 30.0 * P7 * v5) / T2;

    work.B = Q1 + Q3 * v + Q4 * v2 + Q6 * v4;
    work.dBdT = -(Q3 * v + 2.0 * Q4 * v2 + 4.0 * Q6 * v4) / T;
    work.d2BdT2 = (2.0 * Q3 * v + 6.0 * Q4 * v2 + 20.0 * Q6 * v4) / T2;

    work.bg = work.B - kGamma * work.b;
    work.dbgdT = work.dBdT - kGamma * work.dbdT;
    work.d2bgdT2 = work.d2BdT2 - kGamma * work.d2bdT2;

    for (int k = 0; k < kResidualRows; ++k) {
        work.row[k] = rowPolynomial(G[k], v, [](double) { return 1.0; });
        work.rowL[k] = rowPolynomial(G[k], v, [](double l) { return l; });
        work.rowLL[k] = rowPolynomial(G[k], v, [](double l) { return l * (l + 1.0); });
    }

    // Terms with the same reference temperature and width share τ and β τ².
    for (int i = 0; i < kGaussianTerms; ++i) {
        const GaussianTerm& term = kGaussian[i];
        if (i > 0 && term.tRef == kGaussian[i - 1].tRef && term.beta == kGaussian[i - 1].beta) {
            work.gaussTau[i] = work.gaussTau[i - 1];
            work.gaussBetaTau2[i] = work.gaussBetaTau2[i - 1];
            continue;
        }
        const double tau = (T - term.tRef) / term.tRef;
        work.gaussTau[i] = tau;
        work.gaussBetaTau2[i] = term.beta * std::pow(tau, 2.0);
    }
}

void computeIdealGasPart(EosWork& work) {
    const double T = work.T;
    const double tau = T / kEosIdealTemperatureScaleK;
    const double lnTau = std::log(tau);
    const double tau2 = tau * tau;
    const double tau3 = tau2 * tau;
    const double tau4 = tau3 * tau;
    const double tau5 = tau4 * tau;

    // I(tau) = (C1/tau + C2) ln tau + C3/tau³ + C4/tau² + C5/tau + C6 + Σ_{i=7..18} C_i tau^(i−6)
    double poly = C[17];
    for (int i = 16; i >= 6; --i) poly = poly * tau + C[i];
    const double sum = poly * tau;
    const double I =
        (C[0] / tau + C[1]) * lnTau + C[2] / tau3 + C[3] / tau2 + C[4] / tau + C[5] + sum;

    // dI/dtau and d²I/dtau²; the polynomial tail by Horner with the power factors.
    double poly1 = 12.0 * C[17];
    for (int i = 16; i >= 6; --i) poly1 = poly1 * tau + (i - 5) * C[i];
    double poly2 = (12.0 * 11.0) * C[17];
    for (int i = 16; i >= 7; --i) poly2 = poly2 * tau + ((i - 5) * (i - 6)) * C[i];
    const double dI = (C[0] - C[0] * lnTau - C[4]) / tau2 + C[1] / tau - 3.0 * C[2] / tau4 -
                      2.0 * C[3] / tau3 + poly1;
    const double d2I = (2.0 * C[0] * lnTau - 3.0 * C[0] + 2.0 * C[4]) / tau3 - C[1] / tau2 +
                       12.0 * C[2] / tau5 + 6.0 * C[3] / tau4 + poly2;
    const double scale = kEosIdealTemperatureScaleK;
    const double dIdT = dI / scale;
    const double d2IdT2 = d2I / (scale * scale);

    work.aIdeal = -R * (kEosIdealU0K + T * (1.0 + I - kEosIdealS0));
    work.aIdealT = -R * ((1.0 + I - kEosIdealS0) + T * dIdT);
    work.aIdealTT = -R * (2.0 * dIdT + T * d2IdT2);
}

void computeTemperatureParts(EosWork& work, double temperatureK) {
    computeTemperatureFunctions(work, temperatureK);
    computeIdealGasPart(work);
}

// The density derivatives of the base function, all a density iteration needs of it.
static void computeBaseDensityDerivatives(EosWork& work, double densityGcm3) {
    const double rho = densityGcm3;
    const double T = work.T;
    work.rho = rho;

    const double y = work.b * rho / 4.0;
    const double om = 1.0 - y;
    const double z = 1.0 / om;
    work.y = y;
    work.baseF1 = ((169.0 * z - 130.0) * z + 3.0) * z / 3.0;
    work.baseF2 = ((507.0 * z - 260.0) * z + 3.0) * (z * z) / 3.0;

    // y_rho = b/4; A_base = R T H with H = rho (B − γ b) + F(y) + ln(rho R T / p0).
    const double yRho = work.b / 4.0;
    const double HRho = work.bg + work.baseF1 * yRho + 1.0 / rho;
    const double HRhoRho = work.baseF2 * yRho * yRho - 1.0 / (rho * rho);
    const double RT = R * T;
    work.aBaseRho = RT * HRho;
    work.aBaseRhoRho = RT * HRhoRho;
}

void computeBasePart(EosWork& work, double densityGcm3) {
    computeBaseDensityDerivatives(work, densityGcm3);
    const double rho = densityGcm3;
    const double T = work.T;
    const double om = 1.0 - work.y;
    work.baseF = ((169.0 / om - 260.0) / om + 91.0) / 6.0 - std::log(om);

    // y derivatives: y_rho = b/4, y_T = rho b'/4, y_TT = rho b''/4, y_rhoT = b'/4.
    const double yRho = work.b / 4.0;
    const double yT = rho * work.dbdT / 4.0;
    const double yTT = rho * work.d2bdT2 / 4.0;
    const double yRhoT = work.dbdT / 4.0;

    // A_base = R T H with H = rho (B − γ b) + F(y) + ln(rho R T / p0).
    const double H = rho * work.bg + work.baseF + std::log(rho * R * T / kEosReferencePressureMPa);
    const double HRho = work.bg + work.baseF1 * yRho + 1.0 / rho;
    const double HT = rho * work.dbgdT + work.baseF1 * yT + 1.0 / T;
    const double HTT =
        rho * work.d2bgdT2 + work.baseF2 * yT * yT + work.baseF1 * yTT - 1.0 / (T * T);
    const double HRhoT = work.dbgdT + work.baseF2 * yT * yRho + work.baseF1 * yRhoT;

    const double RT = R * T;
    work.aBase = RT * H;
    work.aBaseT = R * H + RT * HT;
    work.aBaseTT = 2.0 * R * HT + RT * HTT;
    work.aBaseRhoT = R * HRho + RT * HRhoT;
}

namespace {

// The residual function at (work.rho, work.T): with `withTemperature` its value and all five
// partial derivatives, without only the two density derivatives a density iteration reads,
// by the same operations.
template <bool withTemperature>
void residualPart(EosWork& work) {
    const double rho = work.rho;
    const double T = work.T;
    const double E = std::exp(-rho);
    const double Q = 1.0 - E;
    work.expMinusRho = E;
    work.Q = Q;

    // Polynomial part: A = Σ_k Q^k/k r_k(v), with dQ/drho = e^(−rho) and dv/dT = −v/T.
    const double s1 = sumOverRowsFirst(work.row, Q);
    const double s2 = sumOverRowsSecond(work.row, Q);
    double aRho = E * s1;
    double aRhoRho = (E * E) * s2 - E * s1;
    double a = 0.0, aT = 0.0, aTT = 0.0, aRhoT = 0.0;
    if constexpr (withTemperature) {
        const double s0 = sumOverRowsIntegral(work.row, Q);
        const double s0L = sumOverRowsIntegral(work.rowL, Q);
        const double s0LL = sumOverRowsIntegral(work.rowLL, Q);
        const double s1L = sumOverRowsFirst(work.rowL, Q);
        a = s0;
        aT = -s0L / T;
        aTT = s0LL / (T * T);
        aRhoT = -(E * s1L) / T;
    }

    // Gaussian terms G_i = g δ^l exp(−α δ^k − β τ²).
    const GaussianPowers powers = gaussianPowers(rho);
    for (int i = 0; i < kGaussianTerms; ++i) {
        const GaussianTerm& term = kGaussian[i];
        const double delta = powers.delta[i];
        const double deltaK = powers.deltaK[i];
        const double Gi =
            term.g * powers.deltaL[i] * std::exp(-term.alpha * deltaK - work.gaussBetaTau2[i]);
        // d ln G / d delta and its delta derivative.
        const double pd = (term.l - term.alpha * term.k * deltaK) / delta;
        const double pdd =
            (-term.l - term.alpha * term.k * (term.k - 1.0) * deltaK) / (delta * delta);
        const double GRho = Gi * pd / term.rhoRef;
        aRho += GRho;
        aRhoRho += Gi * (pd * pd + pdd) / (term.rhoRef * term.rhoRef);
        if constexpr (withTemperature) {
            // d ln G / dT and its T derivative.
            const double pt = -2.0 * term.beta * work.gaussTau[i] / term.tRef;
            const double ptt = -2.0 * term.beta / (term.tRef * term.tRef);
            a += Gi;
            aT += Gi * pt;
            aTT += Gi * (pt * pt + ptt);
            aRhoT += GRho * pt;
        }
    }

    work.aResidualRho = aRho;
    work.aResidualRhoRho = aRhoRho;
    if constexpr (withTemperature) {
        work.aResidual = a;
        work.aResidualT = aT;
        work.aResidualTT = aTT;
        work.aResidualRhoT = aRhoT;
    }
}

}  // namespace

void computeResidualPart(EosWork& work) { residualPart<true>(work); }

void computePressureParts(EosWork& work, double densityGcm3) {
    countWater(&WaterEvaluationCounts::helmholtz);
    computeBaseDensityDerivatives(work, densityGcm3);
    residualPart<false>(work);
    const double rho = work.rho;
    const double rho2 = rho * rho;
    work.p = rho2 * (work.aBaseRho + work.aResidualRho);
    work.dpdRho = 2.0 * work.p / rho + rho2 * (work.aBaseRhoRho + work.aResidualRhoRho);
}

void computeDerivedProperties(EosWork& work) {
    const double rho = work.rho;
    const double T = work.T;
    const double rho2 = rho * rho;
    work.a = work.aBase + work.aResidual + work.aIdeal;
    work.p = rho2 * (work.aBaseRho + work.aResidualRho);
    work.s = -(work.aBaseT + work.aResidualT + work.aIdealT);
    work.u = work.a + T * work.s;
    work.h = work.u + work.p / rho;
    work.g = work.a + work.p / rho;
    work.dpdRho = 2.0 * work.p / rho + rho2 * (work.aBaseRhoRho + work.aResidualRhoRho);
    work.dpdT = rho2 * (work.aBaseRhoT + work.aResidualRhoT);
    work.cv = -T * (work.aBaseTT + work.aResidualTT + work.aIdealTT);
    work.cp = work.cv + T * (work.dpdT * work.dpdT) / (rho2 * work.dpdRho);
}

void computeDensityParts(EosWork& work, double densityGcm3) {
    countWater(&WaterEvaluationCounts::helmholtz);
    computeBasePart(work, densityGcm3);
    computeResidualPart(work);
    computeDerivedProperties(work);
}

void computeHelmholtz(EosWork& work, double temperatureK, double densityGcm3) {
    computeTemperatureParts(work, temperatureK);
    computeDensityParts(work, densityGcm3);
}

void computeSecondDerivatives(EosWork& work) {
    const double rho = work.rho;
    const double T = work.T;
    const double v = work.v;
    const double v2 = v * v;
    const double v3 = v2 * v;
    const double v4 = v3 * v;
    const double v5 = v4 * v;
    const double T3 = T * T * T;

    // Third T-derivatives of b and of B − γ b.
    const double d3bdT3 = (2.0 * P2 - 60.0 * P5 * v3 - 210.0 * P7 * v5) / T3;
    const double d3BdT3 = (-6.0 * Q3 * v - 24.0 * Q4 * v2 - 120.0 * Q6 * v4) / T3;
    const double d3bgdT3 = d3BdT3 - kGamma * d3bdT3;

    // Base function: third derivatives of H, then of A_base = R T H.
    const double z = 1.0 / (1.0 - work.y);
    const double F1 = work.baseF1;
    const double F2 = work.baseF2;
    const double F3 = ((676.0 * z - 260.0) * z + 2.0) * (z * z * z);
    const double yRho = work.b / 4.0;
    const double yT = rho * work.dbdT / 4.0;
    const double yTT = rho * work.d2bdT2 / 4.0;
    const double yTTT = rho * d3bdT3 / 4.0;
    const double yRhoT = work.dbdT / 4.0;
    const double yRhoTT = work.d2bdT2 / 4.0;
    const double HRhoRho = F2 * yRho * yRho - 1.0 / (rho * rho);
    const double HRhoRhoRho = F3 * yRho * yRho * yRho + 2.0 / (rho * rho * rho);
    const double HTT = rho * work.d2bgdT2 + F2 * yT * yT + F1 * yTT - 1.0 / (T * T);
    const double HTTT =
        rho * d3bgdT3 + F3 * yT * yT * yT + 3.0 * F2 * yT * yTT + F1 * yTTT + 2.0 / T3;
    const double HRhoT = work.dbgdT + F2 * yT * yRho + F1 * yRhoT;
    const double HRhoTT =
        work.d2bgdT2 + F3 * yT * yT * yRho + F2 * (yTT * yRho + 2.0 * yT * yRhoT) + F1 * yRhoTT;
    const double HRhoRhoT = F3 * yT * yRho * yRho + 2.0 * F2 * yRho * yRhoT;
    const double RT = R * T;
    const double baseRhoRhoRho = RT * HRhoRhoRho;
    const double baseRhoRhoT = R * HRhoRho + RT * HRhoRhoT;
    const double baseRhoTT = 2.0 * R * HRhoT + RT * HRhoTT;
    const double baseTTT = 3.0 * R * HTT + RT * HTTT;

    // Residual polynomial part.
    double rowLLL[kResidualRows];
    for (int k = 0; k < kResidualRows; ++k)
        rowLLL[k] = rowPolynomial(G[k], v, [](double l) { return l * (l + 1.0) * (l + 2.0); });
    const double E = work.expMinusRho;
    const double Q = work.Q;
    const double s1 = sumOverRowsFirst(work.row, Q);
    const double s2 = sumOverRowsSecond(work.row, Q);
    const double s3 = sumOverRowsThird(work.row, Q);
    const double s1L = sumOverRowsFirst(work.rowL, Q);
    const double s2L = sumOverRowsSecond(work.rowL, Q);
    const double s1LL = sumOverRowsFirst(work.rowLL, Q);
    const double s0LLL = sumOverRowsIntegral(rowLLL, Q);
    const double E2 = E * E;
    double resRhoRhoRho = E2 * E * s3 - 3.0 * E2 * s2 + E * s1;
    double resRhoRhoT = -(E2 * s2L - E * s1L) / T;
    double resRhoTT = E * s1LL / (T * T);
    double resTTT = -s0LLL / T3;

    // Gaussian terms.
    for (int i = 0; i < kGaussianTerms; ++i) {
        const GaussianTerm& term = kGaussian[i];
        const double delta = gaussianDelta(term, rho);
        const double deltaK = std::pow(delta, term.k);
        const double Gi = term.g * std::pow(delta, term.l) *
                          std::exp(-term.alpha * deltaK - work.gaussBetaTau2[i]);
        const double ak = term.alpha * term.k;
        const double pd = (term.l - ak * deltaK) / delta;
        const double pdd = (-term.l - ak * (term.k - 1.0) * deltaK) / (delta * delta);
        const double pddd = (2.0 * term.l - ak * (term.k - 1.0) * (term.k - 2.0) * deltaK) /
                            (delta * delta * delta);
        const double pt = -2.0 * term.beta * work.gaussTau[i] / term.tRef;
        const double ptt = -2.0 * term.beta / (term.tRef * term.tRef);
        const double r1 = term.rhoRef;
        resRhoRhoRho += Gi * (pd * pd * pd + 3.0 * pd * pdd + pddd) / (r1 * r1 * r1);
        resRhoRhoT += Gi * (pd * pd + pdd) / (r1 * r1) * pt;
        resRhoTT += Gi * pd / r1 * (pt * pt + ptt);
        resTTT += Gi * (pt * pt * pt + 3.0 * pt * ptt);
    }

    // Ideal-gas part: d³A_ideal/dT³ = −R (3 I'' + T I''') in T.
    const double tau = T / kEosIdealTemperatureScaleK;
    const double lnTau = std::log(tau);
    const double tau2 = tau * tau;
    const double tau3 = tau2 * tau;
    const double tau4 = tau3 * tau;
    const double tau5 = tau4 * tau;
    const double tau6 = tau5 * tau;
    double poly2 = (12.0 * 11.0) * C[17];
    for (int i = 16; i >= 7; --i) poly2 = poly2 * tau + ((i - 5) * (i - 6)) * C[i];
    double poly3 = (12.0 * 11.0 * 10.0) * C[17];
    for (int i = 16; i >= 8; --i) poly3 = poly3 * tau + ((i - 5) * (i - 6) * (i - 7)) * C[i];
    const double d2I = (2.0 * C[0] * lnTau - 3.0 * C[0] + 2.0 * C[4]) / tau3 - C[1] / tau2 +
                       12.0 * C[2] / tau5 + 6.0 * C[3] / tau4 + poly2;
    const double d3I = (11.0 * C[0] - 6.0 * C[0] * lnTau - 6.0 * C[4]) / tau4 + 2.0 * C[1] / tau3 -
                       60.0 * C[2] / tau6 - 24.0 * C[3] / tau5 + poly3;
    const double scale = kEosIdealTemperatureScaleK;
    const double idealTTT = -R * (3.0 * d2I / (scale * scale) + T * d3I / (scale * scale * scale));

    const double aRho = work.aBaseRho + work.aResidualRho;
    const double aRhoRho = work.aBaseRhoRho + work.aResidualRhoRho;
    const double aRhoT = work.aBaseRhoT + work.aResidualRhoT;
    const double rho2 = rho * rho;
    work.d2pdT2 = rho2 * (baseRhoTT + resRhoTT);
    work.d2pdRhodT = 2.0 * rho * aRhoT + rho2 * (baseRhoRhoT + resRhoRhoT);
    work.d2pdRho2 = 2.0 * aRho + 4.0 * rho * aRhoRho + rho2 * (baseRhoRhoRho + resRhoRhoRho);
    const double aTT = work.aBaseTT + work.aResidualTT + work.aIdealTT;
    work.dcvdT = -(aTT + T * (baseTTT + resTTT + idealTTT));
}

}  // namespace kelvoran
