#pragma once

#include <cmath>

namespace kelvoran {

/// A value with its gradient with respect to three variables (forward-mode differentiation):
/// the arithmetic a table lookup applies to its interpolated values (lever rule, volumes,
/// mass fractions) carries the derivatives along.
struct Dual3 {
    double v = 0.0;
    double d[3] = {0.0, 0.0, 0.0};

    constexpr Dual3() = default;
    constexpr Dual3(double value) : v(value) {}  // NOLINT: a constant
    constexpr Dual3(double value, double d0, double d1, double d2) : v(value), d{d0, d1, d2} {}

    /// The variable `index` (0–2) at `value`.
    static constexpr Dual3 variable(double value, int index) {
        Dual3 r(value);
        r.d[index] = 1.0;
        return r;
    }
};

inline Dual3 operator+(const Dual3& a, const Dual3& b) {
    return {a.v + b.v, a.d[0] + b.d[0], a.d[1] + b.d[1], a.d[2] + b.d[2]};
}
inline Dual3 operator-(const Dual3& a, const Dual3& b) {
    return {a.v - b.v, a.d[0] - b.d[0], a.d[1] - b.d[1], a.d[2] - b.d[2]};
}
inline Dual3 operator*(const Dual3& a, const Dual3& b) {
    return {a.v * b.v, a.d[0] * b.v + a.v * b.d[0], a.d[1] * b.v + a.v * b.d[1],
            a.d[2] * b.v + a.v * b.d[2]};
}
inline Dual3 operator/(const Dual3& a, const Dual3& b) {
    const double q = a.v / b.v;
    const double r = 1.0 / b.v;
    return {q, (a.d[0] - q * b.d[0]) * r, (a.d[1] - q * b.d[1]) * r, (a.d[2] - q * b.d[2]) * r};
}
inline Dual3 operator-(const Dual3& a) { return {-a.v, -a.d[0], -a.d[1], -a.d[2]}; }

/// A value whose derivatives are not defined (NaN throughout).
inline Dual3 undefinedDual() {
    const double n = std::nan("");
    return {n, n, n, n};
}

}  // namespace kelvoran
