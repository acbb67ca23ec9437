#include "water/WaterSaturation.h"

#include <cmath>

#include "water/WaterEvaluationCounts.h"

namespace kelvoran {

namespace {

// Vapor-pressure coefficients a_0..a_7.
constexpr double kVaporPressureA[8] = {-7.8889166, 2.5514255, -6.716169,  33.239495,
                                       -105.38479, 174.35319, -148.39348, 48.631602};
// Saturated liquid volume below 623.15 K, L_0..L_10.
constexpr double kLiquidVolume[11] = {0.3155901296, -0.03592060636, 2.396625841, -36.39240662,
                                      413.6745246,  -2911.342409,   12844.66533, -35543.55367,
                                      59925.07856,  -56266.61248,   22585.58};
// Exponent of the saturated vapor volume below 623.15 K, V_0..V_10.
constexpr double kVaporVolumeExponent[11] = {11.08333753,  -44.64350654, 121.0778198,  -278.5153762,
                                             327.9464497,  1462.514145,  -11593.55916, 38922.19673,
                                             -73229.67131, 74466.37149,  -31962.35787};
// Saturated liquid and vapor volumes above 623.15 K, Lc_0..Lc_9 and Vc_0..Vc_9.
constexpr double kLiquidVolumeCritical[10] = {1.0,          0.643432247, -25.98811457, 192.8271795,
                                              -947.6312526, 3190.638964, -6805.842363, 8088.134131,
                                              -4034.574025, 0.0};
constexpr double kVaporVolumeCritical[10] = {1.000000272,  4.026415669, -129.9023268, 1867.667009,
                                             -13845.24815, 61824.71587, -171560.6251, 290312.0606,
                                             -274292.5181, 111202.097};

// Σ c_i x^i by Horner's scheme from the highest index down.
template <int N>
double horner(const double (&c)[N], double x) {
    double sum = c[N - 1];
    for (int i = N - 2; i >= 0; --i) sum = sum * x + c[i];
    return sum;
}

// Critical-density offset x = 0.657128 (1 − T/Tc)^0.325 of the near-critical densities.
double nearCriticalOffset(double T) {
    return 0.657128 * std::pow(1.0 - T / kWaterCriticalTemperatureK, 0.325);
}

}  // namespace

ApproxVaporPressure approxSaturationPressure(double temperatureK) {
    const double T = temperatureK;
    if (T > 314.0) {
        const double theta = T / 647.25;
        const double w = std::fabs(1.0 - theta);
        const double r = std::sqrt(w);
        double B = kVaporPressureA[7];
        for (int i = 6; i >= 0; --i) B = B * r + kVaporPressureA[i];
        const double Q = B * w / theta;
        const double ps = 22.093 * std::exp(Q);
        double D = kVaporPressureA[7] * ((7 + 2) / 2.0);
        for (int i = 6; i >= 0; --i) D = D * r + kVaporPressureA[i] * ((i + 2) / 2.0);
        return {ps, ps * (-(D + Q) / T)};
    }
    const double tPow = std::pow(T, -0.6);
    const double x = 6.3573118 - 8858.843 / T + 607.56335 * tPow;
    const double ps = 0.1 * std::exp(x);
    return {ps, (8858.843 / T - 0.6 * 607.56335 * tPow) * ps / T};
}

double approxSaturationTemperature(double pressureMPa) {
    const double p = pressureMPa;
    const double z = std::log(p) + 2.302585;
    double T = 372.83 + z * (27.7589 + z * (2.3819 + z * (0.24834 + z * 0.0193855)));
    for (int pass = 0; pass < 8; ++pass) {
        if (T < 273.15) {
            T = 273.15;
        } else if (T > kWaterCriticalTemperatureK) {
            T = kWaterCriticalTemperatureK;
        }
        const ApproxVaporPressure ps = approxSaturationPressure(T);
        if (std::fabs(1.0 - ps.pressureMPa / p) < 1e-5) break;
        T = T - (ps.pressureMPa - p) / ps.slopeMPaPerK;
    }
    return T;
}

SaturatedDensities approxSaturationDensities(double temperatureK) {
    const double T = temperatureK;
    const double theta = T / 647.3;
    if (T <= 623.15) {
        const double d = theta - 0.4219836242854936;
        return {1.0 / (3.17 * horner(kLiquidVolume, d)),
                1.0 / (3.17 * std::exp(horner(kVaporVolumeExponent, d)))};
    }
    const double f = std::pow(1.0 - theta, 0.25);
    return {1.0 / (3.17 * horner(kLiquidVolumeCritical, f)),
            1.0 / (3.17 * horner(kVaporVolumeCritical, f))};
}

double gibbsMismatch(EosWork& liquid, EosWork& vapor, double liquidDensity, double vaporDensity) {
    computeDensityParts(vapor, liquidDensity);
    liquid = vapor;
    computeDensityParts(vapor, vaporDensity);
    return std::fabs(liquid.g - vapor.g) / (kWaterGasConstant * vapor.T);
}

double nearCriticalSaturation(double temperatureK, EosWork& liquid, EosWork& vapor) {
    computeTemperatureParts(vapor, temperatureK);
    const double x = nearCriticalOffset(temperatureK);
    computeDensityParts(vapor, kWaterCriticalDensityGcm3 + x);
    liquid = vapor;
    computeDensityParts(vapor, kWaterCriticalDensityGcm3 - x);
    return 0.4 * liquid.p + 0.6 * vapor.p;
}

SaturationSolution solveSaturationAtT(double temperatureK, EosWork& liquid, EosWork& vapor) {
    countWater(&WaterEvaluationCounts::saturationSolves);
    const double T = temperatureK;
    if (T > kNearCriticalTemperatureK) {
        const double ps = nearCriticalSaturation(T, liquid, vapor);
        return {T, ps, liquid.rho, vapor.rho, 0};
    }
    computeTemperatureParts(vapor, T);
    const SaturatedDensities start = approxSaturationDensities(T);
    double rhoL = start.liquid;
    double rhoV = start.vapor;
    int passes = 0;
    while (passes < 20) {
        ++passes;
        const double mismatch = gibbsMismatch(liquid, vapor, rhoL, rhoV);
        if (std::fabs(1.0 - vapor.p / liquid.p) < 1e-6 && mismatch < 1e-8) break;
        // Pressure at which the Helmholtz-energy chord is tangent (equal areas).
        const double pStar = (liquid.a - vapor.a) / (1.0 / rhoV - 1.0 / rhoL);
        rhoL = rhoL - (liquid.p - pStar) / liquid.dpdRho;
        rhoV = rhoV - (vapor.p - pStar) / vapor.dpdRho;
    }
    const double ps = (vapor.p + liquid.p) * 0.5;
    return {T, ps, liquid.rho, vapor.rho, passes};
}

SaturationSolution nearCriticalSaturationTemperature(double pressureMPa, EosWork& liquid,
                                                     EosWork& vapor) {
    const double p = pressureMPa;
    double ps = 0.0;
    int passes = 0;
    if (p < kBisectionPressureMPa) {
        double T = kWaterCriticalTemperatureK;
        while (passes < 10) {
            ++passes;
            ps = nearCriticalSaturation(T, liquid, vapor);
            if (!(std::fabs(ps - p) > 1e-6)) break;
            T = T - (ps - p) / approxSaturationPressure(T).slopeMPaPerK;
        }
    } else {
        double lo = 647.1259;
        double hi = kWaterCriticalTemperatureK;
        while (passes < 20) {
            ++passes;
            const double T = (lo + hi) * 0.5;
            ps = nearCriticalSaturation(T, liquid, vapor);
            if (ps > p) {
                hi = T;
            } else {
                lo = T;
            }
            if (std::fabs(ps - p) <= 1e-6) break;
        }
    }
    return {vapor.T, ps, liquid.rho, vapor.rho, passes};
}

SaturationSolution solveSaturationAtP(double pressureMPa, EosWork& liquid, EosWork& vapor) {
    countWater(&WaterEvaluationCounts::saturationSolves);
    const double p = pressureMPa;
    if (p > kNearCriticalPressureMPa) return nearCriticalSaturationTemperature(p, liquid, vapor);
    double T = approxSaturationTemperature(p);
    const SaturatedDensities start = approxSaturationDensities(T);
    double rhoL = start.liquid;
    double rhoV = start.vapor;
    int passes = 0;
    while (passes < 20) {
        ++passes;
        computeTemperatureParts(vapor, T);
        const double mismatch = gibbsMismatch(liquid, vapor, rhoL, rhoV);
        if (std::fabs(1.0 - liquid.p / p) < 1e-6 && std::fabs(1.0 - vapor.p / p) < 1e-6 &&
            mismatch < 1e-8)
            break;
        // Temperature step that equalises the Gibbs energies at p, densities moved along it.
        const double dT =
            (p * (1.0 / rhoL - 1.0 / rhoV) + (liquid.a - vapor.a)) / (liquid.s - vapor.s);
        T = T + dT;
        rhoL = rhoL + ((p - liquid.p) - liquid.dpdT * dT) / liquid.dpdRho;
        rhoV = rhoV + ((p - vapor.p) - vapor.dpdT * dT) / vapor.dpdRho;
    }
    return {vapor.T, 0.5 * (liquid.p + vapor.p), liquid.rho, vapor.rho, passes};
}

int classifyRegionByAuxiliary(double temperatureK, double pressureMPa) {
    const double T = temperatureK;
    const double p = pressureMPa;
    if (T < kWaterTriplePointTemperatureK)
        return p > kWaterTriplePointPressureMPa ? kRegionLiquid : kRegionVapor;
    const double ps = approxSaturationPressure(T).pressureMPa;
    if (T <= kNearCriticalTemperatureK) {
        if (p > 1.00015 * ps) return kRegionLiquid;
        if (p < 0.99985 * ps) return kRegionVapor;
    } else {
        if (p > ps + 0.003) return kRegionLiquid;
        if (p < ps - 0.007) return kRegionVapor;
    }
    return 0;
}

namespace {

// The region of (T K, p MPa), T below 647.126 K, and, for a point within round-off of the
// saturation pressure, the side of the solved saturation pressure it lies on; one saturation
// solve for both.
struct RegionAndSide {
    int region;
    int side;  // kRegionLiquid or kRegionVapor
};

RegionAndSide regionAndSide(double temperatureK, double pressureMPa) {
    const int code = classifyRegionByAuxiliary(temperatureK, pressureMPa);
    if (code != 0) return {code, code};
    const double T = temperatureK;
    const double p = pressureMPa;
    EosWork liquid;
    EosWork vapor;
    const SaturationSolution saturation = solveSaturationAtT(T, liquid, vapor);
    const int side = p >= saturation.pressureMPa ? kRegionLiquid : kRegionVapor;
    if (T <= kNearCriticalTemperatureK) {
        if (p > 1.000001 * saturation.pressureMPa) return {kRegionLiquid, kRegionLiquid};
        if (p < 0.999999 * saturation.pressureMPa) return {kRegionVapor, kRegionVapor};
        return {kRegionSaturated, side};
    }
    if (p > liquid.p) return {kRegionLiquid, kRegionLiquid};
    if (p < vapor.p) return {kRegionVapor, kRegionVapor};
    return {kRegionSaturated, side};
}

}  // namespace

int classifyRegion(double temperatureK, double pressureMPa) {
    return regionAndSide(temperatureK, pressureMPa).region;
}

int phaseRegion(double temperatureK, double pressureMPa) {
    return regionAndSide(temperatureK, pressureMPa).side;
}

}  // namespace kelvoran
