#pragma once

#include <cmath>

// Forward-mode automatic differentiation: a number with its gradient with respect to three
// independent variables (the three inputs of an evaluation). The value part of every operation
// is computed by exactly the double operation it replaces, so a function templated on its
// scalar type gives, instantiated with Dual, the value of its double instantiation bit for bit
// together with the derivatives of that value; branches compare value parts, so the dual
// follows the branch the double takes (the derivative of the branch a point lies in).

namespace kelvoran {

struct Dual {
    double v = 0.0;           ///< value
    double d[3] = {0, 0, 0};  ///< ∂value/∂(input k), k = 0, 1, 2

    Dual() = default;
    Dual(double value) : v(value) {}  // a constant (implicit, as a double literal converts)
    Dual(double value, double d0, double d1, double d2) : v(value), d{d0, d1, d2} {}

    /// Input number k (0, 1 or 2) of value `value`: gradient the unit vector k.
    static Dual variable(double value, int k) {
        Dual x(value);
        x.d[k] = 1.0;
        return x;
    }
};

/// The value of a scalar: itself for a double, the value part of a Dual.
inline double valueOf(double a) { return a; }
inline double valueOf(const Dual& a) { return a.v; }

/// a's gradient scaled by s (the chain rule through a function of slope s at a.v).
inline Dual chain(double value, const Dual& a, double s) {
    return {value, s * a.d[0], s * a.d[1], s * a.d[2]};
}

/// The chain rule through a function of two duals with slopes sa and sb at their values.
inline Dual chain(double value, const Dual& a, double sa, const Dual& b, double sb) {
    return {value, sa * a.d[0] + sb * b.d[0], sa * a.d[1] + sb * b.d[1], sa * a.d[2] + sb * b.d[2]};
}

inline Dual operator-(const Dual& a) { return {-a.v, -a.d[0], -a.d[1], -a.d[2]}; }

inline Dual operator+(const Dual& a, const Dual& b) {
    return {a.v + b.v, a.d[0] + b.d[0], a.d[1] + b.d[1], a.d[2] + b.d[2]};
}
inline Dual operator+(const Dual& a, double b) { return {a.v + b, a.d[0], a.d[1], a.d[2]}; }
inline Dual operator+(double a, const Dual& b) { return {a + b.v, b.d[0], b.d[1], b.d[2]}; }

inline Dual operator-(const Dual& a, const Dual& b) {
    return {a.v - b.v, a.d[0] - b.d[0], a.d[1] - b.d[1], a.d[2] - b.d[2]};
}
inline Dual operator-(const Dual& a, double b) { return {a.v - b, a.d[0], a.d[1], a.d[2]}; }
inline Dual operator-(double a, const Dual& b) { return {a - b.v, -b.d[0], -b.d[1], -b.d[2]}; }

inline Dual operator*(const Dual& a, const Dual& b) {
    return {a.v * b.v, a.d[0] * b.v + a.v * b.d[0], a.d[1] * b.v + a.v * b.d[1],
            a.d[2] * b.v + a.v * b.d[2]};
}
inline Dual operator*(const Dual& a, double b) { return chain(a.v * b, a, b); }
inline Dual operator*(double a, const Dual& b) { return chain(a * b.v, b, a); }

inline Dual operator/(const Dual& a, const Dual& b) {
    const double q = a.v / b.v;
    return {q, (a.d[0] - q * b.d[0]) / b.v, (a.d[1] - q * b.d[1]) / b.v,
            (a.d[2] - q * b.d[2]) / b.v};
}
inline Dual operator/(const Dual& a, double b) {
    return {a.v / b, a.d[0] / b, a.d[1] / b, a.d[2] / b};
}
inline Dual operator/(double a, const Dual& b) {
    const double q = a / b.v;
    return chain(q, b, -q / b.v);
}

inline Dual& operator+=(Dual& a, const Dual& b) { return a = a + b; }
inline Dual& operator-=(Dual& a, const Dual& b) { return a = a - b; }
inline Dual& operator*=(Dual& a, const Dual& b) { return a = a * b; }
inline Dual& operator/=(Dual& a, const Dual& b) { return a = a / b; }

// Comparisons look at the value parts only.
inline bool operator<(const Dual& a, const Dual& b) { return a.v < b.v; }
inline bool operator<=(const Dual& a, const Dual& b) { return a.v <= b.v; }
inline bool operator>(const Dual& a, const Dual& b) { return a.v > b.v; }
inline bool operator>=(const Dual& a, const Dual& b) { return a.v >= b.v; }
inline bool operator==(const Dual& a, const Dual& b) { return a.v == b.v; }

inline Dual sqrt(const Dual& a) {
    const double r = std::sqrt(a.v);
    return chain(r, a, 0.5 / r);
}
inline Dual exp(const Dual& a) {
    const double e = std::exp(a.v);
    return chain(e, a, e);
}
inline Dual log(const Dual& a) { return chain(std::log(a.v), a, 1.0 / a.v); }
inline Dual log10(const Dual& a) {
    return chain(std::log10(a.v), a, 1.0 / (a.v * 2.302585092994046));
}
/// a^b for a constant exponent: b a^(b−1).
inline Dual pow(const Dual& a, double b) {
    return chain(std::pow(a.v, b), a, b * std::pow(a.v, b - 1.0));
}
/// a^b for a constant base: a^b ln a.
inline Dual pow(double a, const Dual& b) {
    const double value = std::pow(a, b.v);
    return chain(value, b, value * std::log(a));
}
/// a^b: a^b (b a'/a + b' ln a).
inline Dual pow(const Dual& a, const Dual& b) {
    const double value = std::pow(a.v, b.v);
    const double slopeA = b.v * std::pow(a.v, b.v - 1.0);
    const double slopeB = value * std::log(a.v);
    return {value, slopeA * a.d[0] + slopeB * b.d[0], slopeA * a.d[1] + slopeB * b.d[1],
            slopeA * a.d[2] + slopeB * b.d[2]};
}

}  // namespace kelvoran
