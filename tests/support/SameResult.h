#pragma once

#include <gtest/gtest.h>

#include <tuple>

#include "kelvoran/Calculator.h"
#include "support/SameValue.h"

namespace kelvoran::testing {

/// Whether two records agree field by field under sameValue (bit for bit, any NaN matching
/// any NaN), naming the first field that differs.
inline ::testing::AssertionResult sameRecord(const char* role, const PhaseRecord& seen,
                                             const PhaseRecord& expected) {
    struct Field {
        const char* name;
        double seen, expected;
    };
    const Field fields[] = {
        {"temperature", seen.temperature, expected.temperature},
        {"pressure", seen.pressure, expected.pressure},
        {"composition", seen.composition, expected.composition},
        {"massPercent", seen.massPercent, expected.massPercent},
        {"massFraction", seen.massFraction, expected.massFraction},
        {"density", seen.density, expected.density},
        {"molarVolume", seen.molarVolume, expected.molarVolume},
        {"specificEnthalpy", seen.specificEnthalpy, expected.specificEnthalpy},
        {"heatCapacity", seen.heatCapacity, expected.heatCapacity},
        {"phaseMassFraction", seen.phaseMassFraction, expected.phaseMassFraction},
        {"saturation", seen.saturation, expected.saturation}};
    for (const Field& f : fields) {
        if (!sameValue(f.seen, f.expected)) {
            return ::testing::AssertionFailure()
                   << role << "." << f.name << " is " << ::testing::PrintToString(f.seen)
                   << ", expected " << ::testing::PrintToString(f.expected);
        }
    }
    if (seen.phaseState != expected.phaseState) {
        return ::testing::AssertionFailure() << role << ".phaseState is " << seen.phaseState
                                             << ", expected " << expected.phaseState;
    }
    return ::testing::AssertionSuccess();
}

/// Whether two results agree in their state, their warnings, their fluid type and in all four
/// records (see sameRecord).
inline ::testing::AssertionResult sameResult(const PointResult& seen, const PointResult& expected) {
    if (seen.phases != expected.phases) {
        return ::testing::AssertionFailure()
               << "state " << shortName(seen.phases) << ", expected " << shortName(expected.phases);
    }
    if (seen.warnings != expected.warnings) {
        return ::testing::AssertionFailure() << "warnings " << warningNames(seen.warnings)
                                             << ", expected " << warningNames(expected.warnings);
    }
    if (seen.fluidType != expected.fluidType) {
        return ::testing::AssertionFailure() << "fluid type " << shortName(seen.fluidType)
                                             << ", expected " << shortName(expected.fluidType);
    }
    for (const auto& [role, a, b] : {std::tuple{"liquid", &seen.liquid, &expected.liquid},
                                     {"vapor", &seen.vapor, &expected.vapor},
                                     {"halite", &seen.halite, &expected.halite},
                                     {"bulk", &seen.bulk, &expected.bulk}}) {
        if (::testing::AssertionResult same = sameRecord(role, *a, *b); !same) return same;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace kelvoran::testing
