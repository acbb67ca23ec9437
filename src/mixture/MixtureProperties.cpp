#include "mixture/MixtureProperties.h"

#include <cmath>

#include "boundaries/ThreePhaseCurve.h"
#include "kelvoran/Constants.h"
#include "water/WaterStateMemo.h"

namespace kelvoran {

namespace {

// The composition dependence shared by the offsets of both scaled temperatures:
// a1 + a2·(1 − x) − (a1 + a2)·(1 − x)², zero for pure water.
double compositionOffset(double a1, double a2, double x) {
    const double y = 1.0 - x;
    return a1 + a2 * y - (a1 + a2) * (y * y);
}

// The composition dependence shared by the slopes of both scaled temperatures:
// 1 − a1·√a2 + a1·√(x + a2) + x·(a1·√a2 − 1 − a1·√(1 + a2) + a3), one for pure water.
double compositionSlope(double a1, double a2, double a3, double x) {
    return 1.0 - a1 * std::sqrt(a2) + a1 * std::sqrt(x + a2) +
           x * (a1 * std::sqrt(a2) - 1.0 - a1 * std::sqrt(1.0 + a2) + a3);
}

// Coefficient functions of the volume's scaled temperature at one pressure (bar).
struct VolumeCoefficients {
    double q11, q12, q21, q22, q23, o1, o2, o3, e1, e2, e3;

    explicit VolumeCoefficients(double p) {
        const double root = std::sqrt(p);
        q11 = 330.47 + 0.942876 * root + 0.0817193 * p - 2.47556e-08 * (p * p) +
              3.45052e-10 * (p * p * p);
        q12 = -54.2958 - 45.7623 * std::exp(-0.000944785 * p);
        q21 = -2.6142 - 0.000239092 * p;
        q22 = 0.0356828 + 4.37235e-06 * p + 2.0566e-09 * (p * p);
        q23 = -0.0370751 + 0.00237723 * root + 5.42049e-05 * p + 5.84709e-09 * (p * p) -
              5.99373e-13 * (p * p * p);
        const double shifted = p + 472.051;
        o1 = 7606640.0 / (shifted * shifted);
        o2 = -50.0 - 86.1446 * std::exp(-0.000621128 * p);
        o3 = 294.318 * std::exp(-0.00566735 * p);
        e1 = -0.0732761 * std::exp(-0.0023772 * p) - 5.2948e-05 * p;
        e2 = 24.3653 * std::exp(-0.00125533 * p) - 47.2747;
        e3 = -0.278529 - 0.00081381 * p;
    }
};

// The same coefficient functions differentiated with respect to pressure (per bar).
struct VolumeCoefficientSlopes {
    double q11, q12, q21, q22, q23, o1, o2, o3, e1, e2, e3;

    explicit VolumeCoefficientSlopes(double p) {
        const double root = std::sqrt(p);
        q11 = 0.471438 / root + 0.0817193 - 4.95112e-08 * p + 1.035156e-09 * (p * p);
        q12 = 0.0432355346055 * std::exp(-0.000944785 * p);
        q21 = -0.000239092;
        q22 = 4.37235e-06 + 4.1132e-09 * p;
        q23 = 0.001188615 / root + 5.42049e-05 + 1.169418e-08 * p - 1.798119e-12 * (p * p);
        const double shifted = p + 472.051;
        o1 = -15213280.0 / (shifted * shifted * shifted);
        o2 = 0.0535068231088 * std::exp(-0.000621128 * p);
        o3 = -1.6680031172999998 * std::exp(-0.00566735 * p);
        e1 = 0.00017419194492 * std::exp(-0.0023772 * p) - 5.2948e-05;
        e2 = -0.030586492049000002 * std::exp(-0.00125533 * p);
        e3 = -0.00081381;
    }
};

// Derivative of compositionSlope(a1(P), a2(P), a3(P), x) with respect to P.
double compositionSlopeDerivative(double a1, double a2, double a3Slope, double a1Slope,
                                  double a2Slope, double x) {
    const double r0 = std::sqrt(a2);
    const double rx = std::sqrt(x + a2);
    const double r1 = std::sqrt(1.0 + a2);
    const double d0 = a1Slope * r0 + a1 * a2Slope / (2.0 * r0);
    const double dx = a1Slope * rx + a1 * a2Slope / (2.0 * rx);
    const double d1 = a1Slope * r1 + a1 * a2Slope / (2.0 * r1);
    return -d0 + dx + x * (d0 - d1 + a3Slope);
}

// Molar volume of water (cm³/mol) at a scaled temperature (°C) and pressure (bar).
double waterMolarVolumeAt(double scaledTemperatureC, double pressureBar, WaterStateMemo& water) {
    return kWaterMolarVolumeFactor / water.pureWater(scaledTemperatureC, pressureBar).densityKgM3;
}

}  // namespace

double volumeScaledTemperature(double t, double p, double x) {
    const VolumeCoefficients c(p);
    const double q1 = compositionOffset(c.q11, c.q12, x);
    const double q2 = compositionSlope(c.q21, c.q22, c.q23, x);
    const double d = c.o1 * (std::exp(c.o2 * x) - 1.0) + c.o3 * x;
    const double e = c.e1 * std::exp(c.e2 * x) + c.e3 * x;
    return q1 + q2 * t + d * std::exp(e * t);
}

double volumeScaledTemperatureSlope(double t, double p, double x) {
    const VolumeCoefficients c(p);
    const VolumeCoefficientSlopes s(p);
    const double y = 1.0 - x;
    const double q1Slope = s.q11 + s.q12 * y - (s.q11 + s.q12) * (y * y);
    const double q2Slope = compositionSlopeDerivative(c.q21, c.q22, s.q23, s.q21, s.q22, x);
    const double expO2 = std::exp(c.o2 * x);
    const double d = c.o1 * (expO2 - 1.0) + c.o3 * x;
    const double dSlope = s.o1 * (expO2 - 1.0) + c.o1 * expO2 * s.o2 * x + s.o3 * x;
    const double expE2 = std::exp(c.e2 * x);
    const double e = c.e1 * expE2 + c.e3 * x;
    const double eSlope = s.e1 * expE2 + c.e1 * expE2 * s.e2 * x + s.e3 * x;
    return q1Slope + t * q2Slope + std::exp(e * t) * (dSlope + d * eSlope * t);
}

MixtureVolume mixtureVolume(double temperatureC, double pressureBar, double composition,
                            FluidKind kind, WaterStateMemo& water) {
    const double t = temperatureC;
    const double p = pressureBar;
    const double x = composition;
    const double scaledT = volumeScaledTemperature(t, p, x);

    // High temperature, low pressure, salt-rich: a curve with the value and slope of the mapped
    // volume at the pressure maximum of the three-phase curve that passes through the mapped
    // volume at 1000 bar.
    const double pm = kThreePhaseMaximumPressureBar;
    if (t > kThreePhaseMaximumTemperatureC && p < pm && x > 0.1) {
        const double scaledT1 = volumeScaledTemperature(t, pm, x);
        const double density1 = water.pureWater(scaledT1, pm).densityKgM3;
        const double v1 = kWaterMolarVolumeFactor / density1;
        const WaterVolumeSlopes slopes = waterVolumeSlopes(scaledT1, pm, density1);
        water.addNotes(slopes.notes);
        const double s1 = slopes.dVdPcm3MolPa * 100000.0 +
                          slopes.dVdTcm3MolK * volumeScaledTemperatureSlope(t, pm, x);
        const double v2 = waterMolarVolumeAt(volumeScaledTemperature(t, 1000.0, x), 1000.0, water);
        const double lm = std::log(pm + 1000.0);
        const double l2 = std::log(2000.0);
        const double q = (pm + 1000.0) * (l2 - lm);
        const double b = (v1 - v2 + s1 * q) / ((pm - 1000.0) + q);
        return {v1 + b * (p - pm) - (b - s1) * (pm + 1000.0) * (std::log(p + 1000.0) - lm),
                VolumeMapping::HighTemperature};
    }

    // A liquid at low pressure at or above the boiling point of water: extrapolate from the
    // saturated liquid. (Far above the boiling point, in a vapor, that extrapolation would give
    // a vapor the volume of a liquid; a vapor takes the plain mapping.)
    if (kind == FluidKind::Liquid && p < 16.0 && x > 0.0001) {
        const WaterSaturationAtPressure saturation = water.saturationAtPressure(p);
        const double ts = saturation.temperatureC;
        if (scaledT >= ts - 0.01) {
            const double rhoS = saturation.liquidDensityKgM3;
            const double vs = kWaterMolarVolumeFactor / rhoS;
            const double gs =
                (151.142 - 151.848 * std::pow(p + 2.13768e-07, 0.000792594) - 0.00992859 * p) *
                (-18015.0) / rhoS / rhoS;
            const double l = std::log10(p);
            const double o5 = 3.29977e-09 * std::exp(-4.31279 * l) + 2.0125e-07 - 1.17748e-07 * l +
                              7.58009e-08 * (l * l);
            return {vs + gs * (scaledT - ts) +
                        o5 * (scaledT * scaledT * scaledT - 3.0 * scaledT * (ts * ts) +
                              2.0 * (ts * ts * ts)),
                    VolumeMapping::LowPressureLiquid};
        }
    }

    return {waterMolarVolumeAt(scaledT, p, water), VolumeMapping::ScaledTemperature};
}

double mixtureMolarVolume(double temperatureC, double pressureBar, double composition,
                          WaterStateMemo& water, FluidKind kind) {
    return mixtureVolume(temperatureC, pressureBar, composition, kind, water).molarVolumeCm3Mol;
}

EnthalpyScaledTemperature enthalpyScaledTemperature(double pressureBar, double composition) {
    const double p = pressureBar;
    const double x = composition;
    const double m11 = 47.9048 - 0.00936994 * p + 6.51059e-06 * (p * p);
    const double m12 = -32.1724 + 0.0621255 * p;
    const double m21 = -1.69513 - 0.000452781 * p - 6.04279e-08 * (p * p);
    const double m22 = 0.0612567 + 1.88082e-05 * p;
    const double m23 = 0.241022 + 3.45087e-05 * p - 4.28356e-09 * (p * p);
    return {compositionOffset(m11, m12, x), compositionSlope(m21, m22, m23, x)};
}

MixtureThermalProperties mixtureThermalProperties(double temperatureC, double pressureBar,
                                                  double composition, WaterStateMemo& water) {
    // Pure water at T*_h = m1 + m2·T; m2 is dT*_h/dT.
    const double p = pressureBar;
    const double x = composition;
    const EnthalpyScaledTemperature scaling = enthalpyScaledTemperature(p, x);
    const double m2 = scaling.slope;
    const double scaledT = scaling.offsetC + m2 * temperatureC;
    const WaterPoint w = water.pureWater(scaledT, p);
    const bool vaporSide = scaledT + 273.15 < kWaterCriticalTemperatureK &&
                           w.densityKgM3 < kWaterCriticalDensityGcm3 * 1000.0;
    return {w.specificEnthalpyJKg / (1.0 + x), w.heatCapacityJKgK * m2 / (1.0 + x), vaporSide};
}

double phaseDensityKgM3(double composition, double molarVolumeCm3Mol) {
    return molarMass(composition) / molarVolumeCm3Mol * 1000.0;
}

FluidPoint mixtureProperties(double temperatureC, double pressureBar, double composition,
                             FluidKind kind) {
    WaterStateMemo water;
    const double v = mixtureMolarVolume(temperatureC, pressureBar, composition, water, kind);
    const MixtureThermalProperties thermal =
        mixtureThermalProperties(temperatureC, pressureBar, composition, water);
    return {phaseDensityKgM3(composition, v), v, thermal.specificEnthalpyJKg,
            thermal.heatCapacityJKgK};
}

}  // namespace kelvoran
