#include "lookup/TableInterpolation.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "kelvoran/Constants.h"

namespace kelvoran {

namespace {

// Quadratic Lagrange weights at s of the nodes 0, ½, 1, and their derivatives.
struct Quadratic {
    double w[3], d[3];
    explicit Quadratic(double s) {
        w[0] = (2.0 * s - 1.0) * (s - 1.0);
        w[1] = 4.0 * s * (1.0 - s);
        w[2] = s * (2.0 * s - 1.0);
        d[0] = 4.0 * s - 3.0;
        d[1] = 4.0 - 8.0 * s;
        d[2] = 4.0 * s - 1.0;
    }
};

// The biquadratic interpolant over the 3 × 3 lattice of a cell at (s, t), summed row by row
// (the weights are products of the quadratic weights in s and in t). `f` holds the 9 values
// `stride` doubles apart.
struct Lattice {
    Quadratic a, b;
    Lattice(double s, double t) : a(s), b(t) {}
    double value(const double* f, int stride = 1) const {
        double v = 0.0;
        for (int j = 0; j < 3; ++j) {
            const double* r = f + 3 * j * stride;
            v += b.w[j] * (a.w[0] * r[0] + a.w[1] * r[stride] + a.w[2] * r[2 * stride]);
        }
        return v;
    }
    // The value and its derivatives in s and in t.
    struct Sums {
        double value, s, t;
    };
    Sums sums(const double* f, int stride = 1) const {
        Sums out{0.0, 0.0, 0.0};
        for (int j = 0; j < 3; ++j) {
            const double* r = f + 3 * j * stride;
            const double row = a.w[0] * r[0] + a.w[1] * r[stride] + a.w[2] * r[2 * stride];
            const double rowS = a.d[0] * r[0] + a.d[1] * r[stride] + a.d[2] * r[2 * stride];
            out.value += b.w[j] * row;
            out.s += b.w[j] * rowS;
            out.t += b.d[j] * row;
        }
        return out;
    }
};

}  // namespace

double latticeValue(const double* values, double s, double t) {
    const Lattice w(s, t);
    return w.value(values);
}

CellLookup locateSegment(const CellGeometry& cell, double u, double v, double c, double zone,
                         int& segment, int& near) {
    const Lattice w((u - cell.lowerU) * cell.scaleU, (v - cell.lowerV) * cell.scaleV);
    const int count = cell.segmentCount;
    const double* margins = cell.breaks + kCellColumns * (count + 1);
    int k = 0;
    near = 0;
    for (int j = 1; j < count; ++j) {
        const double b = w.value(cell.breaks + kCellColumns * j);
        const double m = margins[j];
        if (c < b - m) {
            if (b - c <= zone * m) near = j;
            break;
        }
        if (c <= b + m) return CellLookup::Exact;
        if (c - b <= zone * m) near = j;
        k = j;
    }
    segment = k;
    return near == 0 ? CellLookup::Interpolated : CellLookup::Near;
}

bool interpolateSegment(TableVariables variables, const CellGeometry& cell, int k,
                        const TableSegment& segment, const double* values, double a, double b,
                        double x, TableOutputs& out) {
    const TableCoordinates at = tableCoordinates(variables, a, b, x);
    const Lattice w((at.u - cell.lowerU) * cell.scaleU, (at.v - cell.lowerV) * cell.scaleV);
    const bool ph = variables == TableVariables::PressureEnthalpy;
    const int n = static_cast<int>(segment.intervals);
    const int m = static_cast<int>(segment.channels);
    const double* nodes = values + segment.valueIndex;
    Dual3 channels[kMaxChannels];
    const auto store = [&](int j, double value, double dU, double dV, double dC) {
        channels[j] = ph ? Dual3(value, dU, dC, dV) : Dual3(value, dU, dV, dC);
    };

    if (n == 0) {
        // Values that do not change along the column (the coexisting phases of a (T, P, x)
        // table): one row of the lattice, biquadratic across the cell.
        const double* row = nodes + 1;
        for (int j = 0; j < m; ++j) {
            const Lattice::Sums f = w.sums(row + j, m);
            store(j, f.value, f.s * cell.scaleU, f.t * cell.scaleV, 0.0);
        }
    } else {
        const double* lowerBreak = cell.breaks + kCellColumns * k;
        const double* upperBreak = lowerBreak + kCellColumns;
        const Lattice::Sums lower = w.sums(lowerBreak), upper = w.sums(upperBreak);
        const double span = upper.value - lower.value;
        if (!(span > 0.0)) return false;
        double eta = (at.c - lower.value) / span;
        if (eta < 0.0) eta = 0.0;
        if (eta > 1.0) eta = 1.0;
        // The normalised coordinate and its derivatives in (s, t, c).
        const double etaC = 1.0 / span;
        const double etaS = -(lower.s + eta * (upper.s - lower.s)) * etaC;
        const double etaT = -(lower.t + eta * (upper.t - lower.t)) * etaC;

        // Along the column: the Lagrange polynomial through up to four nodes around the
        // interval of η (cubic from three intervals on), its weights and their derivatives in
        // η. The nodes η_0 = 0 < … < η_N = 1 lead the segment's values.
        const int i = static_cast<int>(std::upper_bound(nodes + 1, nodes + n, eta) - (nodes + 1));
        const int order = n < 3 ? n : 3;
        const int first = std::clamp(i - 1, 0, n - order);
        const std::size_t row = static_cast<std::size_t>(kCellColumns) * m;
        const double* rows = nodes + (n + 1) + static_cast<std::size_t>(first) * row;
        // With `Order` + 1 nodes (a constant, so that the loops unroll): the weight of node a is
        // the product of the e[b] = η − η_b, b ≠ a, over that of its distances to the other
        // nodes, and its derivative the sum of the products without one more factor.
        const auto channelsOf = [&](auto orderConstant) {
            constexpr int kOrder = decltype(orderConstant)::value;
            const double* z = nodes + first;
            double e[kOrder + 1], lw[kOrder + 1], dw[kOrder + 1];
            for (int a = 0; a <= kOrder; ++a) e[a] = eta - z[a];
            for (int a = 0; a <= kOrder; ++a) {
                double distances = 1.0, product = 1.0, derivative = 0.0;
                for (int b = 0; b <= kOrder; ++b) {
                    if (b == a) continue;
                    distances *= z[a] - z[b];
                    derivative = derivative * e[b] + product;
                    product *= e[b];
                }
                const double r = 1.0 / distances;
                lw[a] = product * r;
                dw[a] = derivative * r;
            }
            for (int j = 0; j < m; ++j) {
                double g[kCellColumns], slope[kCellColumns];
                for (int column = 0; column < kCellColumns; ++column) {
                    const double* f = rows + column * m + j;
                    double value = 0.0, rise = 0.0;
                    for (int node = 0; node <= kOrder; ++node) {
                        value += lw[node] * f[node * row];
                        rise += dw[node] * f[node * row];
                    }
                    g[column] = value;
                    slope[column] = rise;
                }
                const double dEta = w.value(slope);
                const Lattice::Sums across = w.sums(g);
                store(j, across.value, (across.s + dEta * etaS) * cell.scaleU,
                      (across.t + dEta * etaT) * cell.scaleV, dEta * etaC);
            }
        };
        if (order == 3) {
            channelsOf(std::integral_constant<int, 3>{});
        } else if (order == 2) {
            channelsOf(std::integral_constant<int, 2>{});
        } else {
            channelsOf(std::integral_constant<int, 1>{});
        }
    }
    out.state = static_cast<Phases>(segment.state);
    const Dual3 inputs[3] = {Dual3::variable(a, 0), Dual3::variable(b, 1), Dual3::variable(x, 2)};
    out.status = static_cast<InverseStatus>(segment.status);
    out.fluidType = static_cast<FluidType>(segment.fluidType);
    out.warnings = segment.warnings;
    out.exact = false;
    formOutputs(variables, out.state, channels, inputs, out);
    return true;
}

}  // namespace kelvoran
