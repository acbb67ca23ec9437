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
            return "an input is not a finite number, the composition is outside 0-1, or the "
                   "search range is empty";
    }
    return "";
}

InverseResult evaluatePH(double pressureBar, double specificEnthalpyJKg, double composition) {
    return evaluatePH(pressureBar, specificEnthalpyJKg, composition, SearchRange{});
}

InverseResult evaluatePRho(double pressureBar, double densityKgM3, double composition) {
    return evaluatePRho(pressureBar, densityKgM3, composition, SearchRange{});
}

InverseResult evaluateTRho(double temperatureC, double densityKgM3, double composition) {
    return evaluateTRho(temperatureC, densityKgM3, composition, SearchRange{});
}

InverseResult evaluatePH(double pressureBar, double specificEnthalpyJKg, double composition,
                         const SearchRange& range) {
    PhaseStateEvaluator evaluator;
    return temperatureForBulkProperty(evaluator, pressureBar, specificEnthalpyJKg, composition,
                                      BulkProperty::Enthalpy, range);
}

InverseResult evaluatePRho(double pressureBar, double densityKgM3, double composition,
                           const SearchRange& range) {
    PhaseStateEvaluator evaluator;
    return temperatureForBulkProperty(evaluator, pressureBar, densityKgM3, composition,
                                      BulkProperty::Density, range);
}

InverseResult evaluateTRho(double temperatureC, double densityKgM3, double composition,
                           const SearchRange& range) {
    PhaseStateEvaluator evaluator;
    return pressureForBulkDensity(evaluator, temperatureC, densityKgM3, composition, range);
}

}  // namespace kelvoran
