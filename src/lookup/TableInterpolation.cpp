#include "lookup/TableInterpolation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "kelvoran/Constants.h"

namespace kelvoran {

namespace {

// Two channels side by side, computed by one pass of packed arithmetic where the processor has
// it: each lane takes exactly the operations, in the order, that one channel alone would.
using Pair = double __attribute__((vector_size(16)));
inline double load(const double* p, double /*lane type*/) { return *p; }
inline Pair load(const double* p, Pair /*lane type*/) {
    Pair r;
    std::memcpy(&r, p, sizeof r);
    return r;
}

// The biquadratic interpolant over the 3 × 3 lattice of a cell at (s, t), summed row by row
// (the weights are products of the quadratic weights in s and in t). `f` holds the 9 values
// `stride` doubles apart; `V` is double for one channel, Pair for two neighbouring ones.
struct Lattice {
    const QuadraticWeights& a;
    const QuadraticWeights& b;
    explicit Lattice(const CellPlace& place) : a(place.s), b(place.t) {}
    template <class V = double>
    V value(const double* f, int stride = 1) const {
        V v{};
        for (int j = 0; j < 3; ++j) {
            const double* r = f + 3 * j * stride;
            v += b.w[j] * (a.w[0] * load(r, V{}) + a.w[1] * load(r + stride, V{}) +
                           a.w[2] * load(r + 2 * stride, V{}));
        }
        return v;
    }
    // The value and its derivatives in s and in t.
    template <class V = double>
    struct Sums {
        V value, s, t;
    };
    template <class V = double>
    Sums<V> sums(const double* f, int stride = 1) const {
        return sumsOf<V>([&](int i) { return load(f + i * stride, V{}); });
    }
    // The same of the values `at(i)`, i = column + 3 row.
    template <class V, class At>
    Sums<V> sumsOf(const At& at) const {
        Sums<V> out{V{}, V{}, V{}};
        for (int j = 0; j < 3; ++j) {
            const V r0 = at(3 * j), r1 = at(3 * j + 1), r2 = at(3 * j + 2);
            const V row = a.w[0] * r0 + a.w[1] * r1 + a.w[2] * r2;
            const V rowS = a.d[0] * r0 + a.d[1] * r1 + a.d[2] * r2;
            out.value += b.w[j] * row;
            out.s += b.w[j] * rowS;
            out.t += b.d[j] * row;
        }
        return out;
    }
};

}  // namespace

double latticeValue(const double* values, double s, double t) {
    return Lattice(CellPlace(s, t)).value(values);
}

SegmentLocation locateSegment(const CellGeometry& cell, const CellPlace& place, double c,
                              double zone) {
    const Lattice w(place);
    const int count = cell.segmentCount;
    const double* margins = cell.breaks + kCellColumns * (count + 1);
    // The breakpoints that c lies beyond by more than their margin (times the zone): the
    // nearest below gives the lowest segment c may lie in, the nearest above the highest. The
    // cut places themselves are ordered in every column, so that a breakpoint farther away, its
    // interpolant however poor, cannot hold c on its other side (where one does, the
    // interpolants are out of order: Exact).
    int below = 0, above = count, belowZone = 0, aboveZone = count;
    for (int j = 1; j < count; ++j) {
        const double b = w.value(cell.breaks + kCellColumns * j);
        const double m = margins[j];
        if (c > b + m) below = j;
        if (c > b + zone * m) belowZone = j;
        if (c < b - m && above == count) above = j;
        if (c < b - zone * m && aboveZone == count) aboveZone = j;
    }
    SegmentLocation at;
    if (above != below + 1) return at;  // within a margin, or breakpoints out of order: Exact
    at.segment = below;
    at.first = std::min(belowZone, below);
    at.last = std::max(aboveZone - 1, below);
    at.where = at.first < below || at.last > below ? CellLookup::Near : CellLookup::Interpolated;
    return at;
}

bool interpolateSegment(TableVariables variables, const CellGeometry& cell, const CellPlace& place,
                        int k, const TableSegment& segment, const double* values, double a,
                        double b, double x, TableOutputs& out) {
    const TableCoordinates at = tableCoordinates(variables, a, b, x);
    const Lattice w(place);
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
        int j = 0;
        for (; j + 1 < m; j += 2) {
            const Lattice::Sums<Pair> f = w.sums<Pair>(row + j, m);
            const Pair dU = f.s * cell.scaleU, dV = f.t * cell.scaleV;
            store(j, f.value[0], dU[0], dV[0], 0.0);
            store(j + 1, f.value[1], dU[1], dV[1], 0.0);
        }
        if (j < m) {
            const Lattice::Sums f = w.sums(row + j, m);
            store(j, f.value, f.s * cell.scaleU, f.t * cell.scaleV, 0.0);
        }
    } else {
        const double* lowerBreak = cell.breaks + kCellColumns * k;
        const double* upperBreak = lowerBreak + kCellColumns;
        // Both breakpoints of the segment in one pass (lane 0 the lower one).
        const Lattice::Sums<Pair> ends = w.sumsOf<Pair>([&](int i) {
            return Pair{lowerBreak[i], upperBreak[i]};
        });
        const Lattice::Sums<double> lower{ends.value[0], ends.s[0], ends.t[0]};
        const Lattice::Sums<double> upper{ends.value[1], ends.s[1], ends.t[1]};
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
            // The channels of a segment, two at a time: the polynomial along the column at
            // the 9 lattice places, then across the cell.
            const auto interpolate = [&](int j, auto laneType) {
                using V = decltype(laneType);
                V g[kCellColumns], slope[kCellColumns];
                for (int column = 0; column < kCellColumns; ++column) {
                    const double* f = rows + column * m + j;
                    V value{}, rise{};
                    for (int node = 0; node <= kOrder; ++node) {
                        const V y = load(f + node * row, V{});
                        value += lw[node] * y;
                        rise += dw[node] * y;
                    }
                    g[column] = value;
                    slope[column] = rise;
                }
                // The 9 values of V, as doubles `lanes` apart.
                constexpr int lanes = sizeof(V) / sizeof(double);
                const V dEta = w.value<V>(reinterpret_cast<const double*>(slope), lanes);
                const Lattice::Sums<V> across =
                    w.sums<V>(reinterpret_cast<const double*>(g), lanes);
                const V dU = (across.s + dEta * etaS) * cell.scaleU;
                const V dV = (across.t + dEta * etaT) * cell.scaleV;
                const V dC = dEta * etaC;
                if constexpr (lanes == 1) {
                    store(j, across.value, dU, dV, dC);
                } else {
                    store(j, across.value[0], dU[0], dV[0], dC[0]);
                    store(j + 1, across.value[1], dU[1], dV[1], dC[1]);
                }
            };
            int j = 0;
            for (; j + 1 < m; j += 2) interpolate(j, Pair{});
            if (j < m) interpolate(j, 0.0);
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
    out.amountsFromBulkProperty = false;
    if (segment.kind == static_cast<std::uint8_t>(SegmentKind::FromTemperature)) {
        // The temperature alone, from which the model solves the state.
        out.temperature = channels[0];
        out.pressure = inputs[0];
        return true;
    }
    formOutputs(variables, out.state, channels, inputs, out);
    return true;
}

}  // namespace kelvoran
