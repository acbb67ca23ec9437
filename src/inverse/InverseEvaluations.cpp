#include "inverse/BulkPropertySearch.h"
#include "kelvoran/Inverse.h"

namespace kelvoran {

std::string_view describe(InverseStatus status) {
    switch (status) {
        case InverseStatus::Solved:
            return "solved";
        case InverseStatus::OutOfRange:
            return "no temperature (pressure) of the search range gives that value";
        case InverseStatus::Undefined:
            return "the value falls where the model defines no such bulk property (a state with "
                   "halite, whose enthalpy the model does not give, or a jump of the model)";
        case InverseStatus::InvalidInput:
            return "an input is not a finite number, or the composition is outside 0-1";
    }
    return "";
}

InverseResult evaluatePH(double pressureBar, double specificEnthalpyJKg, double composition) {
    PhaseStateEvaluator evaluator;
    return temperatureForBulkProperty(evaluator, pressureBar, specificEnthalpyJKg, composition,
                                      BulkProperty::Enthalpy);
}

InverseResult evaluatePRho(double pressureBar, double densityKgM3, double composition) {
    PhaseStateEvaluator evaluator;
    return temperatureForBulkProperty(evaluator, pressureBar, densityKgM3, composition,
                                      BulkProperty::Density);
}

InverseResult evaluateTRho(double temperatureC, double densityKgM3, double composition) {
    PhaseStateEvaluator evaluator;
    return pressureForBulkDensity(evaluator, temperatureC, densityKgM3, composition);
}

}  // namespace kelvoran
