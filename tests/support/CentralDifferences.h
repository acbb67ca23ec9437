#pragma once

#include <cmath>

// Difference quotients that check exact derivatives of the model's values. Each water state is
// solved to a relative pressure residual of 1e-8, so the values step by up to about 1e-9
// relative (more for a vapor's density, more again where the model takes finite differences of
// water volumes itself) from one input to the next, and within a solve's smooth stretch they
// follow the slope of its last iterate rather than that of its root (which the derivatives
// are). A quotient resolves a derivative only where those steps are small against the change
// over the stencil and where no branch of a correlation changes within it; both show in the
// stencil itself.

namespace kelvoran::testing {

/// The stencil, in steps h: values are taken at these offsets from the centre.
inline constexpr double kStencilOffsets[10] = {-6, -4, -3, -2, -1, 1, 2, 3, 4, 6};

/// A difference quotient of one output along one input.
struct DifferenceQuotient {
    bool resolved;  ///< whether the quotient can check a derivative
    double value;   ///< sixth-order central difference with step h
    double scale;   ///< what an error is relative to: |value|, or |centre|/inputScale if larger
};

/// The quotient from values f at kStencilOffsets·h and the centre value. Resolved when the
/// quotients of steps h and 2h agree to 1e-6 of the scale, the sixth differences at both
/// spacings (20 times a step in the centre value; h⁶ f⁽⁶⁾ for a smooth function) over h stay
/// below 1e-6 of it, and the values over ±3h differ by 1e-4 of the centre value at least (or
/// are all equal). `inputScale` is the input's natural scale (its range, or itself): relative
/// to the value over it a derivative whose terms cancel is compared.
inline DifferenceQuotient differenceQuotient(const double (&f)[10], double centre, double h,
                                             double inputScale) {
    const auto sixthOrder = [](double m3, double m2, double m1, double p1, double p2, double p3,
                               double step) {
        return (-m3 + 9.0 * m2 - 45.0 * m1 + 45.0 * p1 - 9.0 * p2 + p3) / (60.0 * step);
    };
    const double fine = sixthOrder(f[2], f[3], f[4], f[5], f[6], f[7], h);
    const double coarse = sixthOrder(f[0], f[1], f[3], f[6], f[8], f[9], 2.0 * h);
    const double sixthFine =
        f[2] - 6.0 * f[3] + 15.0 * f[4] - 20.0 * centre + 15.0 * f[5] - 6.0 * f[6] + f[7];
    const double sixthCoarse =
        f[0] - 6.0 * f[1] + 15.0 * f[3] - 20.0 * centre + 15.0 * f[6] - 6.0 * f[8] + f[9];
    const double scale = std::fmax(std::fabs(fine), std::fabs(centre) / inputScale);
    const double resolution = std::fmax(
        std::fabs(fine - coarse), std::fmax(std::fabs(sixthFine), std::fabs(sixthCoarse)) / h);
    bool allEqual = true;
    for (double v : f) allEqual = allEqual && v == centre;
    const bool resolved = allEqual || (resolution <= 1e-6 * scale &&
                                       std::fabs(f[7] - f[2]) >= 1e-4 * std::fabs(centre));
    return {resolved, fine, scale};
}

/// Relative disagreement of an exact derivative with a resolved quotient.
inline double disagreement(double exact, const DifferenceQuotient& q) {
    return exact == q.value ? 0.0 : std::fabs(exact - q.value) / q.scale;
}

}  // namespace kelvoran::testing
