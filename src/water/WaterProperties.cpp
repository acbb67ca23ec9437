#include "water/WaterProperties.h"

#include <limits>
#include <new>

#include "water/WaterLibrary.h"
#include "water/WaterSaturation.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Molar volume of a record, cm³/mol; NaN when its evaluation was refused.
double molarVolume(const WaterState& record) {
    return record.error == 0 ? WaterProperties::molarVolumeFactor / record.rho : kNaN;
}

// Pressure of a record, Pa; NaN when its evaluation was refused.
double pressureOf(const WaterState& record) { return record.error == 0 ? record.p : kNaN; }

// Saturation pressure (Pa) across 373.0 < t < 373.976 °C: a quadratic in t from 217.98879 bar
// to the critical pressure of the formulation, 220.54915 bar.
double nearCriticalBridge(double t) {
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
    const double n = (t * k1 - k2 + k3 - k4) - t * t * k0 + k5 - t * k6 + t * k7 - t * t * k8 +
                     t * t * k9 + k10 + t * t * k11 - t * k12;
    return n / (span * span) * 1e5;
}

}  // namespace

WaterProperties::Record WaterProperties::makeRecord() {
    Record record(newProp('T', 'p', 1));
    if (!record) throw std::bad_alloc();
    return record;
}

WaterProperties::WaterProperties(const double& temperatureC, const double& pressureBar)
    : boundTemperatureC_(&temperatureC),
      boundPressureBar_(&pressureBar),
      temperatureK_(kNaN),
      pressurePa_(kNaN),
      dVdP_(kNaN),
      dVdT_(kNaN),
      slopeCase_(SlopeCase::None),
      state_(makeRecord()),
      statePlusDP_(makeRecord()),
      statePlusDT_(makeRecord()),
      satLiquidAtT_(makeRecord()),
      satVaporAtT_(makeRecord()),
      satLiquidAtP_(makeRecord()),
      satVaporAtP_(makeRecord()) {}

double WaterProperties::saturationTemperature() {
    pressurePa_ = *boundPressureBar_ * 1e5;
    saturationAtP(pressurePa_, satLiquidAtP_.get(), satVaporAtP_.get());
    return satLiquidAtP_->error == 0 ? satLiquidAtP_->T - kelvinOffset : kNaN;
}

double WaterProperties::saturationPressure() {
    const double t = *boundTemperatureC_;
    temperatureK_ = t + kelvinOffset;
    if (373.0 < t && t < 373.976) return nearCriticalBridge(t);
    if (temperatureK_ < kWaterTriplePointTemperatureK) {
        // No liquid-vapor equilibrium to solve below the triple point (0.01 °C itself rounds to
        // 273.15999999999997 K): continue the boiling curve with the auxiliary equation.
        return approxSaturationPressure(temperatureK_).pressureMPa * 1e6;
    }
    saturationAtT(temperatureK_, satLiquidAtT_.get(), satVaporAtT_.get());
    return pressureOf(*satLiquidAtT_);
}

void WaterProperties::update() {
    temperatureK_ = *boundTemperatureC_ + kelvinOffset;
    pressurePa_ = *boundPressureBar_ * 1e5;
    const double T = temperatureK_;
    const double P = pressurePa_;
    const double dP = pressureStep * 1e5;  // Pa
    const double dT = temperatureStep;

    evaluateTP(T, P, densityGuess, tolerance, state_.get());
    evaluateTP(T, P + dP, densityGuess, tolerance, statePlusDP_.get());
    evaluateTP(T + dT, P, densityGuess, tolerance, statePlusDT_.get());

    if (T >= kWaterCriticalTemperatureK) {
        slopeCase_ = SlopeCase::Supercritical;
        dVdP_ = (molarVolume(*statePlusDP_) - molarVolume(*state_)) / pressureStep / 1e5;
        dVdT_ = (molarVolume(*statePlusDT_) - molarVolume(*state_)) / dT;
        return;
    }

    saturationAtP(P, satLiquidAtP_.get(), satVaporAtP_.get());
    saturationAtT(T, satLiquidAtT_.get(), satVaporAtT_.get());
    const double pLiquid = pressureOf(*satLiquidAtT_);
    const double pVapor = pressureOf(*satVaporAtT_);

    // One-sided differences: none may span the saturation curve.
    if (P == pVapor || P == pLiquid) {
        slopeCase_ = SlopeCase::OnSaturation;
        dVdP_ = (molarVolume(*statePlusDP_) - molarVolume(*satLiquidAtT_)) /
                (pressureOf(*statePlusDP_) - P);
        evaluateTP(T - dT, P, densityGuess, tolerance, statePlusDT_.get());
        dVdT_ = (molarVolume(*satLiquidAtT_) - molarVolume(*statePlusDT_)) / dT;
        evaluateTP(T + dT, P, densityGuess, tolerance, statePlusDT_.get());
    } else if (P < pVapor && pVapor <= P + dP) {
        slopeCase_ = SlopeCase::VaporBelowSaturation;
        dVdP_ = (molarVolume(*satVaporAtT_) - molarVolume(*state_)) / (pVapor - P);
        dVdT_ = (molarVolume(*statePlusDT_) - molarVolume(*state_)) / dT;
    } else if (P - dP <= pLiquid && pLiquid < P) {
        slopeCase_ = SlopeCase::LiquidAboveSaturation;
        dVdP_ = (molarVolume(*state_) - molarVolume(*satLiquidAtT_)) / (P - pLiquid);
        evaluateTP(T - dT, P, densityGuess, tolerance, statePlusDT_.get());
        dVdT_ = (molarVolume(*state_) - molarVolume(*statePlusDT_)) / dT;
        evaluateTP(T + dT, P, densityGuess, tolerance, statePlusDT_.get());
    } else {
        slopeCase_ = SlopeCase::Plain;
        dVdP_ = (molarVolume(*statePlusDP_) - molarVolume(*state_)) / pressureStep / 1e5;
        dVdT_ = (molarVolume(*statePlusDT_) - molarVolume(*state_)) / dT;
    }
}

double WaterProperties::density() const { return state_->error == 0 ? state_->rho : kNaN; }

double WaterProperties::specificEnthalpy() const { return state_->error == 0 ? state_->h : kNaN; }

double WaterProperties::heatCapacity() const { return state_->error == 0 ? state_->cp : kNaN; }

double WaterProperties::saturatedLiquidDensityAtP() const {
    return satLiquidAtP_->error == 0 ? satLiquidAtP_->rho : kNaN;
}

double WaterProperties::dVdP() const { return dVdP_; }

double WaterProperties::dVdT() const { return dVdT_; }

const WaterState& WaterProperties::state() const { return *state_; }

WaterProperties::SlopeCase WaterProperties::slopeCase() const { return slopeCase_; }

}  // namespace kelvoran
