#pragma once

#include <cmath>

namespace kelvoran::testing {

/// Fourth-order central difference of f at x with step h.
template <typename F>
double centralDifference(F f, double x, double h) {
    return (-f(x + 2.0 * h) + 8.0 * f(x + h) - 8.0 * f(x - h) + f(x - 2.0 * h)) / (12.0 * h);
}

/// |a − b| within rel × max(|a|, |b|) + abs.
inline bool closeTo(double a, double b, double rel, double abs = 0.0) {
    return std::fabs(a - b) <= rel * std::fmax(std::fabs(a), std::fabs(b)) + abs;
}

}  // namespace kelvoran::testing
