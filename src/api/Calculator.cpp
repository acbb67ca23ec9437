#include "kelvoran/Calculator.h"

#include "phase/PhaseProperties.h"
#include "phase/PhaseState.h"
#include "phase/PhaseStateEvaluator.h"

namespace kelvoran {

// The public codes are the evaluator's codes.
static_assert(static_cast<std::int32_t>(Phases::Liquid) == LiquidSinglePhase);
static_assert(static_cast<std::int32_t>(Phases::Vapor) == VaporSinglePhase);
static_assert(static_cast<std::int32_t>(Phases::Fluid) == HighPressureSinglePhase);
static_assert(static_cast<std::int32_t>(Phases::VaporLiquid) == VaporLiquid);
static_assert(static_cast<std::int32_t>(Phases::VaporHalite) == VaporHalite);
static_assert(static_cast<std::int32_t>(Phases::LiquidHalite) == LiquidHalite);
static_assert(static_cast<std::int32_t>(Phases::VaporLiquidHalite) == VaporLiquidHalite);

namespace {

PhaseRecord toPublic(const PhaseProperties& r) {
    PhaseRecord p;
    p.temperature = r.temperature;
    p.pressure = r.pressure;
    p.composition = r.composition;
    p.massPercent = r.massPercent;
    p.massFraction = r.massFraction;
    p.density = r.density;
    p.molarVolume = r.molarVolume;
    p.specificEnthalpy = r.specificEnthalpy;
    p.heatCapacity = r.heatCapacity;
    p.phaseState = r.phaseState;
    return p;
}

}  // namespace

// The evaluator is bound for life to the three doubles beside it, so the pair lives on the
// heap, where moving the Calculator cannot move the doubles.
struct Calculator::Model {
    double temperatureC = 0.0;  // °C
    double pressureBar = 0.0;   // bar
    double composition = 0.0;   // mole fraction NaCl
    PhaseStateEvaluator evaluator{temperatureC, pressureBar, composition};
};

Calculator::Calculator() : model_(std::make_unique<Model>()) {}
Calculator::~Calculator() = default;
Calculator::Calculator(Calculator&&) noexcept = default;
Calculator& Calculator::operator=(Calculator&&) noexcept = default;

PointResult Calculator::evaluate(double temperatureC, double pressureBar, double composition) {
    if (!model_) {  // moved from: serve again with a fresh model
        model_ = std::make_unique<Model>();
    }
    Model& m = *model_;
    m.temperatureC = temperatureC;
    m.pressureBar = pressureBar;
    m.composition = composition;
    m.evaluator.evaluate();

    PointResult result;
    result.liquid = toPublic(m.evaluator.liquid());
    result.vapor = toPublic(m.evaluator.vapor());
    result.halite = toPublic(m.evaluator.halite());
    result.bulk = toPublic(m.evaluator.bulk());
    result.phases = static_cast<Phases>(result.bulk.phaseState);
    return result;
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

bool hasLiquid(Phases phases) {
    return phases == Phases::Liquid || phases == Phases::Fluid || phases == Phases::VaporLiquid ||
           phases == Phases::LiquidHalite || phases == Phases::VaporLiquidHalite;
}

bool hasVapor(Phases phases) {
    return phases == Phases::Vapor || phases == Phases::VaporLiquid ||
           phases == Phases::VaporHalite || phases == Phases::VaporLiquidHalite;
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
