#include "kelvoran/Calculator.h"

#include "kelvoran/Constants.h"
#include "phase/PhaseStateEvaluator.h"

namespace kelvoran {

struct Calculator::Model {
    PhaseStateEvaluator evaluator;
};

Calculator::Calculator() : model_(std::make_unique<Model>()) {}
Calculator::~Calculator() = default;
Calculator::Calculator(Calculator&&) noexcept = default;
Calculator& Calculator::operator=(Calculator&&) noexcept = default;

PointResult Calculator::evaluate(double temperatureC, double pressureBar, double composition) {
    if (!model_) {  // moved from: serve again with a fresh model
        model_ = std::make_unique<Model>();
    }
    return model_->evaluator.evaluate(temperatureC, pressureBar, composition);
}

std::string_view shortName(Phases phases) {
    switch (phases) {
        case Phases::Liquid:
            return "L";
        case Phases::Vapor:
            return "V";
        case Phases::Fluid:
            return "F";
        case Phases::VaporLiquid:
            return "V+L";
        case Phases::VaporHalite:
            return "V+H";
        case Phases::LiquidHalite:
            return "L+H";
        case Phases::VaporLiquidHalite:
            return "V+L+H";
        default:
            return "undetermined";
    }
}

std::string_view warningName(Warning warning) {
    switch (warning) {
        case kWarningOutsideFittedRange:
            return "outside_fitted_range";
        case kWarningIceField:
            return "ice_field";
        case kWarningLowPressureVolume:
            return "low_pressure_volume";
        case kWarningHighTemperatureVolume:
            return "high_temperature_volume";
        case kWarningLiquidEnthalpyVaporSide:
            return "liquid_enthalpy_vapor_side";
        case kWarningAmountsUndetermined:
            return "amounts_undetermined";
        case kWarningWaterFallbackSolve:
            return "water_fallback_solve";
        case kWarningInvalidInput:
            return "invalid_input";
        case kWarningMultipleSolutions:
            return "multiple_solutions";
    }
    return "";
}

std::string warningNames(std::uint32_t warnings) {
    std::string names;
    for (std::uint32_t bit = 1; bit != 0; bit <<= 1) {
        if ((warnings & bit) == 0) continue;
        const std::string_view name = warningName(static_cast<Warning>(bit));
        if (name.empty()) continue;
        if (!names.empty()) names += '|';
        names += name;
    }
    return names;
}

std::string_view shortName(FluidType fluidType) {
    switch (fluidType) {
        case FluidType::LiquidLike:
            return "liquid";
        case FluidType::VaporLike:
            return "vapor";
        case FluidType::Supercritical:
            return "supercritical";
        case FluidType::None:
            break;
    }
    return "";
}

bool hasLiquid(Phases phases) {
    return phases == Phases::Liquid || phases == Phases::Fluid || phases == Phases::VaporLiquid ||
           phases == Phases::LiquidHalite || phases == Phases::VaporLiquidHalite;
}

bool hasVapor(Phases phases) {
    return phases == Phases::Vapor || phases == Phases::VaporLiquid ||
           phases == Phases::VaporHalite || phases == Phases::VaporLiquidHalite;
}

bool isSinglePhase(Phases phases) {
    return phases == Phases::Liquid || phases == Phases::Vapor || phases == Phases::Fluid;
}

bool hasHalite(Phases phases) {
    return phases == Phases::VaporHalite || phases == Phases::LiquidHalite ||
           phases == Phases::VaporLiquidHalite;
}

double waterMolarMassGPerMol() { return kWaterMolarMass; }
double saltMolarMassGPerMol() { return kSaltMolarMass; }

double moleFractionFromMassFraction(double massFraction) {
    const double salt = massFraction / kSaltMolarMass;            // mol NaCl per g
    const double water = (1.0 - massFraction) / kWaterMolarMass;  // mol H2O per g
    return salt / (salt + water);
}

double massFractionFromMoleFraction(double composition) {
    const double a = composition * kSaltMolarMass;
    return a / ((1.0 - composition) * kWaterMolarMass + a);
}

bool inFittedRange(double temperatureC, double pressureBar, double composition) {
    return temperatureC >= 0.0 && temperatureC <= 1000.0 && pressureBar >= 1.0 &&
           pressureBar <= 5000.0 && composition >= 0.0 && composition <= 1.0;
}

}  // namespace kelvoran
