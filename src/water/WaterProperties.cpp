#include "water/WaterProperties.h"

#include <limits>

#include "water/WaterEquationOfState.h"
#include "water/WaterLibrary.h"
#include "water/WaterSaturation.h"
#include "water/WaterValidity.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDensityGuessKgM3 = 500.0;      // start of every density solve
constexpr double kTolerance = 1e-8;              // relative pressure tolerance
constexpr double kKelvinOffset = kZeroCelsiusK;  // °C to K
constexpr double kPressureStepBar = 0.01;        // finite-difference step in P
constexpr double kTemperatureStepK = 0.01;       // finite-difference step in T

// Water at (T K, P Pa), solved from the usual start density.
WaterState stateAt(double temperatureK, double pressurePa) {
    WaterState record;
    evaluateTP(temperatureK, pressurePa, kDensityGuessKgM3, kTolerance, &record);
    return record;
}

// Molar volume of a record, cm³/mol; NaN when its evaluation was refused.
double molarVolume(const WaterState& record) {
    return record.error == 0 ? kWaterMolarVolumeFactor / record.rho : kNaN;
}

// Pressure of a record, Pa; NaN when its evaluation was refused.
double pressureOf(const WaterState& record) { return record.error == 0 ? record.p : kNaN; }

// Saturation pressure (Pa) across 373.0 < t < 373.976 °C: a quadratic in t from 217.98879 bar
// to the critical pressure of the formulation, 220.54915 bar.
template <typename S>
S nearCriticalBridge(const S& t) {
    constexpr double k0 = 977.8507278640897;
    constexpr double k1 = 365692.7038037008;
    constexpr double k2 = 136403378.5187804;
    constexpr double k3 = 30487486.829234347;
    constexpr double k4 = 60815841.59039304;
    constexpr double k5 = 136047393.91700295;
    constexpr double k6 = 164529.6659;
    constexpr double k7 = 162619.637598116;
    constexpr double k8 = 217.988790346;
    constexpr double k9 = 220.54915;
    constexpr double k10 = 30684782.69035;
    constexpr double k11 = 975.2987397408;
    constexpr double k12 = 363786.4299233184;
    constexpr double span = 0.9759999999999991;  // °C
    const S n = (t * k1 - k2 + k3 - k4) - t * t * k0 + k5 - t * k6 + t * k7 - t * t * k8 +
                t * t * k9 + k10 + t * t * k11 - t * k12;
    return n / (span * span) * 1e5;
}

}  // namespace

// Notes of a record evaluated at (T K, P Pa).
static unsigned notesOf(const WaterState& record, double temperatureK, double pressurePa) {
    if (record.error != 0) {
        return inIceField(temperatureK, pressurePa * 1e-6) ? kWaterNoteIceField : 0U;
    }
    return record.fromBracketedSolve ? kWaterNoteBracketedSolve : 0U;
}

WaterStateAt waterStateAt(double temperatureC, double pressureBar) {
    const double temperatureK = temperatureC + kKelvinOffset;
    const double pressurePa = pressureBar * 1e5;
    const WaterState state = stateAt(temperatureK, pressurePa);
    const unsigned notes = notesOf(state, temperatureK, pressurePa);
    if (state.error != 0) return {{kNaN, kNaN, kNaN}, notes};
    return {{state.rho, state.h, state.cp}, notes};
}

WaterPoint pureWater(double temperatureC, double pressureBar) {
    return waterStateAt(temperatureC, pressureBar).values;
}

double waterSaturationPressurePa(double temperatureC) {
    const double t = temperatureC;
    const double temperatureK = t + kKelvinOffset;
    if (373.0 < t && t < 373.976) return nearCriticalBridge<double>(t);
    if (temperatureK < kWaterTriplePointTemperatureK) {
        // No liquid-vapor equilibrium to solve below the triple point (0.01 °C itself rounds to
        // 273.15999999999997 K): continue the boiling curve with the auxiliary equation.
        return approxSaturationPressure(temperatureK).pressureMPa * 1e6;
    }
    WaterState liquid;
    WaterState vapor;
    saturationAtT(temperatureK, &liquid, &vapor);
    return pressureOf(liquid);
}

double waterSaturationPressureBar(double temperatureC) {
    return waterSaturationPressurePa(temperatureC) * 1e-05;
}

WaterSaturationAtPressure waterSaturationAtPressure(double pressureBar) {
    WaterState liquid;
    WaterState vapor;
    saturationAtP(pressureBar * 1e5, &liquid, &vapor);
    if (liquid.error != 0) return {kNaN, kNaN};
    return {liquid.T - kKelvinOffset, liquid.rho};
}

double waterSaturationTemperatureC(double pressureBar) {
    return waterSaturationAtPressure(pressureBar).temperatureC;
}

// A saturated record in the units of the rest of the model; NaN when refused.
static WaterSaturatedPhase saturatedPhase(const WaterState& record) {
    if (record.error != 0) return {kNaN, kNaN, kNaN};
    return {record.rho, record.h, record.cp};
}

WaterSaturatedStates waterSaturatedStatesAtPressure(double pressureBar) {
    WaterState liquid;
    WaterState vapor;
    saturationAtP(pressureBar * 1e5, &liquid, &vapor);
    if (liquid.error != 0) return {kNaN, kNaN, {kNaN, kNaN, kNaN}, {kNaN, kNaN, kNaN}};
    return {liquid.T - kKelvinOffset, pressureBar, saturatedPhase(liquid), saturatedPhase(vapor)};
}

WaterSaturatedStates waterSaturatedStatesAtTemperature(double temperatureC) {
    WaterState liquid;
    WaterState vapor;
    saturationAtT(temperatureC + kKelvinOffset, &liquid, &vapor);
    return {temperatureC, waterSaturationPressurePa(temperatureC) * 1e-05, saturatedPhase(liquid),
            saturatedPhase(vapor)};
}

WaterVolumeSlopes waterVolumeSlopes(double temperatureC, double pressureBar, double densityKgM3) {
    const double T = temperatureC + kKelvinOffset;
    const double P = pressureBar * 1e5;
    const double dP = kPressureStepBar * 1e5;  // Pa
    const double dT = kTemperatureStepK;
    const double v = kWaterMolarVolumeFactor / densityKgM3;  // NaN when the state was refused

    // Forward differences in P and T, used wherever no difference would span the saturation
    // curve.
    const auto plain = [&](SlopeCase slopeCase) {
        const WaterState plusDP = stateAt(T, P + dP);
        const WaterState plusDT = stateAt(T + dT, P);
        return WaterVolumeSlopes{(molarVolume(plusDP) - v) / kPressureStepBar / 1e5,
                                 (molarVolume(plusDT) - v) / dT, slopeCase,
                                 notesOf(plusDP, T, P + dP) | notesOf(plusDT, T + dT, P)};
    };
    if (T >= kWaterCriticalTemperatureK) return plain(SlopeCase::Supercritical);

    WaterState satLiquid;
    WaterState satVapor;
    saturationAtT(T, &satLiquid, &satVapor);
    const double pLiquid = pressureOf(satLiquid);
    const double pVapor = pressureOf(satVapor);

    // One-sided differences next to the saturation curve.
    if (P == pVapor || P == pLiquid) {
        const WaterState plusDP = stateAt(T, P + dP);
        const WaterState minusDT = stateAt(T - dT, P);
        return {(molarVolume(plusDP) - molarVolume(satLiquid)) / (pressureOf(plusDP) - P),
                (molarVolume(satLiquid) - molarVolume(minusDT)) / dT, SlopeCase::OnSaturation,
                notesOf(plusDP, T, P + dP) | notesOf(minusDT, T - dT, P)};
    }
    if (P < pVapor && pVapor <= P + dP) {
        const WaterState plusDT = stateAt(T + dT, P);
        return {(molarVolume(satVapor) - v) / (pVapor - P), (molarVolume(plusDT) - v) / dT,
                SlopeCase::VaporBelowSaturation, notesOf(plusDT, T + dT, P)};
    }
    if (P - dP <= pLiquid && pLiquid < P) {
        const WaterState minusDT = stateAt(T - dT, P);
        return {(v - molarVolume(satLiquid)) / (P - pLiquid), (v - molarVolume(minusDT)) / dT,
                SlopeCase::LiquidAboveSaturation, notesOf(minusDT, T - dT, P)};
    }
    return plain(SlopeCase::Plain);
}

DualWaterVolumeSlopes waterVolumeSlopes(const Dual& temperatureC, const Dual& pressureBar,
                                        const Dual& densityKgM3) {
    const Dual T = temperatureC + kKelvinOffset;
    const Dual P = pressureBar * 1e5;
    const double dP = kPressureStepBar * 1e5;  // Pa
    const double dT = kTemperatureStepK;
    const Dual v = kWaterMolarVolumeFactor / densityKgM3;
    // The molar volume of the state at (T K, P Pa) and its gradient through T and P.
    const auto volumeAt = [](const Dual& temperatureK, const Dual& pressurePa) {
        const WaterState state = stateAt(temperatureK.v, pressurePa.v);
        const double volume = molarVolume(state);
        const WaterPressureSlopes slopes = waterPressureSlopes(temperatureK.v, state.rho);
        // V = M/ρ: dV = −V/ρ dρ, dρ = (dP − (∂p/∂T) dT) / (∂p/∂ρ).
        const double scale = -volume / (state.rho * slopes.dpdRhoPaKgM3);
        return chain(volume, temperatureK, -slopes.dpdTPaK * scale, pressurePa, scale);
    };
    const auto plain = [&] {
        const Dual plusDP = volumeAt(T, P + dP);
        const Dual plusDT = volumeAt(T + dT, P);
        return DualWaterVolumeSlopes{(plusDP - v) / kPressureStepBar / 1e5, (plusDT - v) / dT};
    };
    if (T >= kWaterCriticalTemperatureK) return plain();
    // The cases next to the saturation curve, as the double evaluation tells them apart.
    const SlopeCase slopeCase =
        waterVolumeSlopes(temperatureC.v, pressureBar.v, densityKgM3.v).slopeCase;
    if (slopeCase == SlopeCase::Plain) return plain();
    return {Dual(kNaN, kNaN, kNaN, kNaN), Dual(kNaN, kNaN, kNaN, kNaN)};
}

WaterPressureSlopes waterPressureSlopes(double temperatureK, double densityKgM3) {
    EosWork work;
    computeHelmholtz(work, temperatureK, densityKgM3 * 0.001);
    return {work.dpdT * 1e6, work.dpdRho * 1000.0};
}

double waterSaturationPressureSlopePaK(double temperatureC) {
    const double t = temperatureC;
    const double temperatureK = t + kKelvinOffset;
    if (373.0 < t && t < 373.976) return nearCriticalBridge(Dual::variable(t, 0)).d[0];
    if (temperatureK < kWaterTriplePointTemperatureK) {
        return approxSaturationPressure(temperatureK).slopeMPaPerK * 1e6;
    }
    WaterState liquid;
    WaterState vapor;
    saturationAtT(temperatureK, &liquid, &vapor);
    if (liquid.error != 0) return kNaN;
    return (vapor.s - liquid.s) / (1.0 / vapor.rho - 1.0 / liquid.rho);
}

WaterSaturationSlopes waterSaturationSlopesAtPressure(double pressureBar) {
    const double pressurePa = pressureBar * 1e5;
    if (!(pressurePa * 1e-6 <= kNearCriticalPressureMPa)) return {kNaN, kNaN};
    WaterState liquid;
    WaterState vapor;
    saturationAtP(pressurePa, &liquid, &vapor);
    if (liquid.error != 0) return {kNaN, kNaN};
    // Clapeyron: dT_s/dP = (1/ρ_v − 1/ρ_l) / (s_v − s_l); the liquid moves along the curve.
    const double temperaturePerPa = (1.0 / vapor.rho - 1.0 / liquid.rho) / (vapor.s - liquid.s);
    const WaterPressureSlopes slopes = waterPressureSlopes(liquid.T, liquid.rho);
    const double densityPerPa = (1.0 - slopes.dpdTPaK * temperaturePerPa) / slopes.dpdRhoPaKgM3;
    return {temperaturePerPa * 1e5, densityPerPa * 1e5};
}

}  // namespace kelvoran
