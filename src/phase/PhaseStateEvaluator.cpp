#include "phase/PhaseStateEvaluator.h"

#include <limits>

namespace kelvoran {

namespace {
constexpr double kUnset = std::numeric_limits<double>::quiet_NaN();
}

PhaseStateEvaluator::PhaseStateEvaluator(const double& temperatureC, const double& pressureBar,
                                         const double& composition)
    : boundTemperatureC_(temperatureC),
      boundPressureBar_(pressureBar),
      boundComposition_(composition),
      temperatureC_(kUnset),
      pressureBar_(kUnset),
      composition_(kUnset) {}

void PhaseStateEvaluator::evaluate() {
    pressureBar_ = boundPressureBar_;
    temperatureC_ = boundTemperatureC_;
    composition_ = boundComposition_;
}

PhaseProperties PhaseStateEvaluator::getLiquid() {
    evaluate();
    return liquid_;
}

PhaseProperties PhaseStateEvaluator::getVapor() {
    evaluate();
    return vapor_;
}

PhaseProperties PhaseStateEvaluator::getHalite() {
    evaluate();
    return halite_;
}

PhaseProperties PhaseStateEvaluator::getBulk() {
    evaluate();
    return bulk_;
}

}  // namespace kelvoran
