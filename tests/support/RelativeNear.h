#pragma once

#include <gtest/gtest.h>

#include <cmath>

namespace kelvoran::testing {

/// Passes when |actual − expected| ≤ relative·|expected| (exact equality for expected = 0).
inline ::testing::AssertionResult relativeNear(double actual, double expected, double relative) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const double error = std::fabs(actual - expected);
    if (error <= relative * std::fabs(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "actual " << ::testing::PrintToString(actual) << " vs expected "
           << ::testing::PrintToString(expected) << ": relative error "
           << error / std::fabs(expected) << " > " << relative;
}

}  // namespace kelvoran::testing
