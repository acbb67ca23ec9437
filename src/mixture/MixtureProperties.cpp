#include "mixture/MixtureProperties.h"

#include <cmath>
#include <type_traits>

#include "boundaries/ThreePhaseCurve.h"
#include "kelvoran/Constants.h"
#include "water/WaterStateDerivatives.h"
#include "water/WaterStateMemo.h"

namespace kelvoran {

namespace {

// The composition dependence shared by the offsets of both scaled temperatures:
// a1 + a2·(1 − x) − (a1 + a2)·(1 − x)², zero for pure water.
template <typename S>
S compositionOffset(S a1, S a2, S x) {
    const S y = 1.0 - x;
    return a1 + a2 * y - (a1 + a2) * (y * y);
}

// The composition dependence shared by the slopes of both scaled temperatures:
// 1 − a1·√a2 + a1·√(x + a2) + x·(a1·√a2 − 1 − a1·√(1 + a2) + a3), one for pure water.
template <typename S>
S compositionSlope(S a1, S a2, S a3, S x) {
    using std::sqrt;
    return 1.0 - a1 * sqrt(a2) + a1 * sqrt(x + a2) +
           x * (a1 * sqrt(a2) - 1.0 - a1 * sqrt(1.0 + a2) + a3);
}

// Coefficient functions of the volume's scaled temperature at one pressure (bar).
template <typename S>
struct VolumeCoefficients {
    S q11, q12, q21, q22, q23, o1, o2, o3, e1, e2, e3;

    explicit VolumeCoefficients(S p) {
        using std::exp;
        using std::sqrt;
        const S root = sqrt(p);
        q11 = 330.47 + 0.942876 * root + 0.0817193 * p - 2.47556e-08 * (p * p) +
              3.45052e-10 * (p * p * p);
        q12 = -54.2958 - 45.7623 * exp(-0.000944785 * p);
        q21 = -2.6142 - 0.000239092 * p;
        q22 = 0.0356828 + 4.37235e-06 * p + 2.0566e-09 * (p * p);
        q23 = -0.0370751 + 0.00237723 * root + 5.42049e-05 * p + 5.84709e-09 * (p * p) -
              5.99373e-13 * (p * p * p);
        const S shifted = p + 472.051;
        o1 = 7606640.0 / (shifted * shifted);
        o2 = -50.0 - 86.1446 * exp(-0.000621128 * p);
        o3 = 294.318 * exp(-0.00566735 * p);
        e1 = -0.0732761 * exp(-0.0023772 * p) - 5.2948e-05 * p;
        e2 = 24.3653 * exp(-0.00125533 * p) - 47.2747;
        e3 = -0.278529 - 0.00081381 * p;
    }
};

// The same coefficient functions differentiated with respect to pressure (per bar).
template <typename S>
struct VolumeCoefficientSlopes {
    S q11, q12, q21, q22, q23, o1, o2, o3, e1, e2, e3;

    explicit VolumeCoefficientSlopes(S p) {
        using std::exp;
        using std::sqrt;
        const S root = sqrt(p);
        q11 = 0.471438 / root + 0.0817193 - 4.95112e-08 * p + 1.035156e-09 * (p * p);
        q12 = 0.0432355346055 * exp(-0.000944785 * p);
        q21 = -0.000239092;
        q22 = 4.37235e-06 + 4.1132e-09 * p;
        q23 = 0.001188615 / root + 5.42049e-05 + 1.169418e-08 * p - 1.798119e-12 * (p * p);
        const S shifted = p + 472.051;
        o1 = -15213280.0 / (shifted * shifted * shifted);
        o2 = 0.0535068231088 * exp(-0.000621128 * p);
        o3 = -1.6680031172999998 * exp(-0.00566735 * p);
        e1 = 0.00017419194492 * exp(-0.0023772 * p) - 5.2948e-05;
        e2 = -0.030586492049000002 * exp(-0.00125533 * p);
        e3 = -0.00081381;
    }
};

// Derivative of compositionSlope(a1(P), a2(P), a3(P), x) with respect to P.
template <typename S>
S compositionSlopeDerivative(S a1, S a2, S a3Slope, S a1Slope, S a2Slope, S x) {
    using std::sqrt;
    const S r0 = sqrt(a2);
    const S rx = sqrt(x + a2);
    const S r1 = sqrt(1.0 + a2);
    const S d0 = a1Slope * r0 + a1 * a2Slope / (2.0 * r0);
    const S dx = a1Slope * rx + a1 * a2Slope / (2.0 * rx);
    const S d1 = a1Slope * r1 + a1 * a2Slope / (2.0 * r1);
    return -d0 + dx + x * (d0 - d1 + a3Slope);
}

// Molar volume of water (cm³/mol) at a scaled temperature (°C) and pressure (bar).
template <typename S>
S waterMolarVolumeAt(S scaledTemperatureC, S pressureBar, WaterStateMemo& water) {
    return kWaterMolarVolumeFactor /
           pureWaterAt(water, scaledTemperatureC, pressureBar).densityKgM3;
}

}  // namespace

template <typename S>
S volumeScaledTemperature(S t, S p, S x) {
    using std::exp;
    const VolumeCoefficients<S> c(p);
    const S q1 = compositionOffset(c.q11, c.q12, x);
    const S q2 = compositionSlope(c.q21, c.q22, c.q23, x);
    const S d = c.o1 * (exp(c.o2 * x) - 1.0) + c.o3 * x;
    const S e = c.e1 * exp(c.e2 * x) + c.e3 * x;
    return q1 + q2 * t + d * exp(e * t);
}

template <typename S>
S volumeScaledTemperatureSlope(S t, S p, S x) {
    using std::exp;
    const VolumeCoefficients<S> c(p);
    const VolumeCoefficientSlopes<S> s(p);
    const S y = 1.0 - x;
    const S q1Slope = s.q11 + s.q12 * y - (s.q11 + s.q12) * (y * y);
    const S q2Slope = compositionSlopeDerivative(c.q21, c.q22, s.q23, s.q21, s.q22, x);
    const S expO2 = exp(c.o2 * x);
    const S d = c.o1 * (expO2 - 1.0) + c.o3 * x;
    const S dSlope = s.o1 * (expO2 - 1.0) + c.o1 * expO2 * s.o2 * x + s.o3 * x;
    const S expE2 = exp(c.e2 * x);
    const S e = c.e1 * expE2 + c.e3 * x;
    const S eSlope = s.e1 * expE2 + c.e1 * expE2 * s.e2 * x + s.e3 * x;
    return q1Slope + t * q2Slope + exp(e * t) * (dSlope + d * eSlope * t);
}

template <typename S>
BasicMixtureVolume<S> mixtureVolume(S temperatureC, S pressureBar, S composition, FluidKind kind,
                                    WaterStateMemo& water) {
    using std::exp;
    using std::log;
    using std::log10;
    using std::pow;
    const S t = temperatureC;
    const S p = pressureBar;
    const S x = composition;
    const S scaledT = volumeScaledTemperature(t, p, x);

    // High temperature, low pressure, salt-rich: a curve with the value and slope of the mapped
    // volume at the pressure maximum of the three-phase curve that passes through the mapped
    // volume at 1000 bar.
    const S pm = kThreePhaseMaximumPressureBar;
    if (t > kThreePhaseMaximumTemperatureC && p < pm && x > 0.1) {
        const S scaledT1 = volumeScaledTemperature(t, pm, x);
        const S density1 = pureWaterAt(water, scaledT1, pm).densityKgM3;
        const S v1 = kWaterMolarVolumeFactor / density1;
        const auto slopes = waterVolumeSlopes(scaledT1, pm, density1);
        if constexpr (std::is_same_v<S, double>) water.addNotes(slopes.notes);
        const S s1 = slopes.dVdPcm3MolPa * 100000.0 +
                     slopes.dVdTcm3MolK * volumeScaledTemperatureSlope(t, pm, x);
        const S p2 = 1000.0;
        const S v2 = waterMolarVolumeAt(volumeScaledTemperature(t, p2, x), p2, water);
        const double lm = std::log(kThreePhaseMaximumPressureBar + 1000.0);
        const double l2 = std::log(2000.0);
        const double q = (kThreePhaseMaximumPressureBar + 1000.0) * (l2 - lm);
        const S b = (v1 - v2 + s1 * q) / ((kThreePhaseMaximumPressureBar - 1000.0) + q);
        return {v1 + b * (p - pm) -
                    (b - s1) * (kThreePhaseMaximumPressureBar + 1000.0) * (log(p + 1000.0) - lm),
                VolumeMapping::HighTemperature};
    }

    // A liquid at low pressure at or above the boiling point of water: extrapolate from the
    // saturated liquid. (Far above the boiling point, in a vapor, that extrapolation would give
    // a vapor the volume of a liquid; a vapor takes the plain mapping.)
    if (kind == FluidKind::Liquid && p < 16.0 && x > 0.0001) {
        const auto saturation = saturationAtPressure(water, p);
        const S ts = saturation.temperatureC;
        if (scaledT >= ts - 0.01) {
            const S rhoS = saturation.liquidDensityKgM3;
            const S vs = kWaterMolarVolumeFactor / rhoS;
            const S gs = (151.142 - 151.848 * pow(p + 2.13768e-07, 0.000792594) - 0.00992859 * p) *
                         (-18015.0) / rhoS / rhoS;
            const S l = log10(p);
            const S o5 = 3.29977e-09 * exp(-4.31279 * l) + 2.0125e-07 - 1.17748e-07 * l +
                         7.58009e-08 * (l * l);
            return {vs + gs * (scaledT - ts) +
                        o5 * (scaledT * scaledT * scaledT - 3.0 * scaledT * (ts * ts) +
                              2.0 * (ts * ts * ts)),
                    VolumeMapping::LowPressureLiquid};
        }
    }

    return {waterMolarVolumeAt(scaledT, p, water), VolumeMapping::ScaledTemperature};
}

template <typename S>
BasicEnthalpyScaledTemperature<S> enthalpyScaledTemperature(S pressureBar, S composition) {
    const S p = pressureBar;
    const S x = composition;
    const S m11 = 47.9048 - 0.00936994 * p + 6.51059e-06 * (p * p);
    const S m12 = -32.1724 + 0.0621255 * p;
    const S m21 = -1.69513 - 0.000452781 * p - 6.04279e-08 * (p * p);
    const S m22 = 0.0612567 + 1.88082e-05 * p;
    const S m23 = 0.241022 + 3.45087e-05 * p - 4.28356e-09 * (p * p);
    return {compositionOffset(m11, m12, x), compositionSlope(m21, m22, m23, x)};
}

template <typename S>
BasicMixtureThermalProperties<S> mixtureThermalProperties(S temperatureC, S pressureBar,
                                                          S composition, WaterStateMemo& water) {
    // Pure water at T*_h = m1 + m2·T; m2 is dT*_h/dT.
    const S p = pressureBar;
    const S x = composition;
    const BasicEnthalpyScaledTemperature<S> scaling = enthalpyScaledTemperature(p, x);
    const S m2 = scaling.slope;
    const S scaledT = scaling.offsetC + m2 * temperatureC;
    const auto w = pureWaterAt(water, scaledT, p);
    const bool vaporSide = scaledT + 273.15 < kWaterCriticalTemperatureK &&
                           w.densityKgM3 < kWaterCriticalDensityGcm3 * 1000.0;
    return {w.specificEnthalpyJKg / (1.0 + x), w.heatCapacityJKgK * m2 / (1.0 + x), vaporSide};
}

template <typename S>
S phaseDensityKgM3(S composition, S molarVolumeCm3Mol) {
    return molarMassOf(composition) / molarVolumeCm3Mol * 1000.0;
}

template double volumeScaledTemperature<double>(double, double, double);
template double volumeScaledTemperatureSlope<double>(double, double, double);
template MixtureVolume mixtureVolume<double>(double, double, double, FluidKind, WaterStateMemo&);
template MixtureThermalProperties mixtureThermalProperties<double>(double, double, double,
                                                                   WaterStateMemo&);
template double phaseDensityKgM3<double>(double, double);
template EnthalpyScaledTemperature enthalpyScaledTemperature<double>(double, double);
template Dual volumeScaledTemperature<Dual>(Dual, Dual, Dual);
template Dual volumeScaledTemperatureSlope<Dual>(Dual, Dual, Dual);
template BasicMixtureVolume<Dual> mixtureVolume<Dual>(Dual, Dual, Dual, FluidKind, WaterStateMemo&);
template BasicMixtureThermalProperties<Dual> mixtureThermalProperties<Dual>(Dual, Dual, Dual,
                                                                            WaterStateMemo&);
template Dual phaseDensityKgM3<Dual>(Dual, Dual);

double mixtureMolarVolume(double temperatureC, double pressureBar, double composition,
                          WaterStateMemo& water, FluidKind kind) {
    return mixtureVolume(temperatureC, pressureBar, composition, kind, water).molarVolumeCm3Mol;
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
