#include "lookup/TableInterpolation.h"

#include <algorithm>
#include <cmath>

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

// Biquadratic weights over the 3 × 3 lattice of a cell at (s, t).
struct Lattice {
    double w[kCellColumns], ds[kCellColumns], dt[kCellColumns];
    Lattice(double s, double t) {
        const Quadratic a(s), b(t);
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                w[i + 3 * j] = a.w[i] * b.w[j];
                ds[i + 3 * j] = a.d[i] * b.w[j];
                dt[i + 3 * j] = a.w[i] * b.d[j];
            }
        }
    }
    static double sum(const double* weights, const double* f) {
        double r = 0.0;
        for (int k = 0; k < kCellColumns; ++k) r += weights[k] * f[k];
        return r;
    }
};

}  // namespace

bool coexistenceAt(const CoexistenceView& table, double t, double p, double* values,
                   double* slopeT, double* slopeP) {
    if (table.cells == nullptr || !(t >= table.lowT && t <= table.highT && p >= table.lowP &&
                                    p <= table.highP)) {
        return false;
    }
    const std::uint32_t last = table.rootsPerAxis - 1;
    const auto it = std::min(static_cast<std::uint32_t>((t - table.lowT) * table.rootScaleT), last);
    const auto ip = std::min(static_cast<std::uint32_t>((p - table.lowP) * table.rootScaleP), last);
    const TableNode* node = &table.nodes[table.roots[it * table.rootsPerAxis + ip]];
    while (node->kind != kNodeLeaf) {
        node = &table.nodes[node->index + ((node->kind == 0 ? t : p) >= node->split ? 1 : 0)];
    }
    const TableCoexistenceCell& cell = table.cells[node->index];
    if (cell.kind != kLeafRegular) return false;
    const Lattice w((t - cell.lowerT) * cell.scaleT, (p - cell.lowerP) * cell.scaleP);
    const double* v = table.values + cell.valueIndex;
    for (int c = 0; c < kCoexistenceChannels; ++c) {
        double f[kCellColumns];
        for (int k = 0; k < kCellColumns; ++k) f[k] = v[k * kCoexistenceChannels + c];
        values[c] = Lattice::sum(w.w, f);
        slopeT[c] = Lattice::sum(w.ds, f) * cell.scaleT;
        slopeP[c] = Lattice::sum(w.dt, f) * cell.scaleP;
    }
    return true;
}

double latticeValue(const double* values, double s, double t) {
    const Lattice w(s, t);
    return Lattice::sum(w.w, values);
}

CellLookup locateSegment(const CellGeometry& cell, double u, double v, double c, int& segment) {
    const Lattice w((u - cell.lowerU) * cell.scaleU, (v - cell.lowerV) * cell.scaleV);
    const int count = cell.segmentCount;
    const double* margins = cell.breaks + kCellColumns * (count + 1);
    int k = 0;
    for (int j = 1; j < count; ++j) {
        const double b = Lattice::sum(w.w, cell.breaks + kCellColumns * j);
        const double m = margins[j];
        if (c < b - m) break;
        if (c <= b + m) return CellLookup::Exact;
        k = j;
    }
    segment = k;
    return CellLookup::Interpolated;
}

bool interpolateSegment(TableVariables variables, const CellGeometry& cell, int k,
                        const TableSegment& segment, const double* values, double a, double b,
                        double x, const CoexistenceView* coexistence, TableOutputs& out) {
    const TableCoordinates at = tableCoordinates(variables, a, b, x);
    const Lattice w((at.u - cell.lowerU) * cell.scaleU, (at.v - cell.lowerV) * cell.scaleV);
    const double* lowerBreak = cell.breaks + kCellColumns * k;
    const double* upperBreak = lowerBreak + kCellColumns;
    const double lower = Lattice::sum(w.w, lowerBreak);
    const double span = Lattice::sum(w.w, upperBreak) - lower;
    if (!(span > 0.0)) return false;
    double eta = (at.c - lower) / span;
    if (eta < 0.0) eta = 0.0;
    if (eta > 1.0) eta = 1.0;
    // The normalised coordinate and its derivatives in (s, t, c).
    const double etaC = 1.0 / span;
    const double lowerS = Lattice::sum(w.ds, lowerBreak), lowerT = Lattice::sum(w.dt, lowerBreak);
    const double etaS = -(lowerS + eta * (Lattice::sum(w.ds, upperBreak) - lowerS)) * etaC;
    const double etaT = -(lowerT + eta * (Lattice::sum(w.dt, upperBreak) - lowerT)) * etaC;

    // Along the column: the Lagrange polynomial through up to four nodes around the interval
    // of η (cubic from three intervals on), its weights and their derivatives in η. The nodes
    // η_0 = 0 < … < η_N = 1 lead the segment's values.
    const int n = static_cast<int>(segment.intervals);
    const int m = static_cast<int>(segment.channels);
    const double* nodes = values + segment.valueIndex;
    int i = static_cast<int>(std::upper_bound(nodes + 1, nodes + n, eta) - (nodes + 1));
    const int order = n < 3 ? n : 3;
    const int first = std::clamp(i - 1, 0, n - order);
    double lw[4], dw[4];
    {
        double e[4], den[4];
        for (int a = 0; a <= order; ++a) e[a] = eta - nodes[first + a];
        for (int a = 0; a <= order; ++a) {
            den[a] = 1.0;
            for (int b = 0; b <= order; ++b) {
                if (b != a) den[a] *= nodes[first + a] - nodes[first + b];
            }
        }
        for (int a = 0; a <= order; ++a) {
            // The product of the e[b], b ≠ a, and its derivative (sum of the products without
            // one more factor).
            double product = 1.0, derivative = 0.0;
            for (int b = 0; b <= order; ++b) {
                if (b == a) continue;
                derivative = derivative * e[b] + product;
                product *= e[b];
            }
            lw[a] = product / den[a];
            dw[a] = derivative / den[a];
        }
    }
    const std::size_t row = static_cast<std::size_t>(kCellColumns) * m;
    const double* rows = nodes + (n + 1) + static_cast<std::size_t>(first) * row;
    const bool ph = variables == TableVariables::PressureEnthalpy;

    Dual3 channels[kMaxChannels];
    for (int j = 0; j < m; ++j) {
        double g[kCellColumns], slope[kCellColumns];
        for (int column = 0; column < kCellColumns; ++column) {
            const double* f = rows + column * m + j;
            double value = 0.0, rise = 0.0;
            for (int node = 0; node <= order; ++node) {
                value += lw[node] * f[node * row];
                rise += dw[node] * f[node * row];
            }
            g[column] = value;
            slope[column] = rise;
        }
        const double value = Lattice::sum(w.w, g);
        const double dEta = Lattice::sum(w.w, slope);
        const double dU = (Lattice::sum(w.ds, g) + dEta * etaS) * cell.scaleU;
        const double dV = (Lattice::sum(w.dt, g) + dEta * etaT) * cell.scaleV;
        const double dC = dEta * etaC;
        channels[j] = ph ? Dual3(value, dU, dC, dV) : Dual3(value, dU, dV, dC);
    }
    out.state = static_cast<Phases>(segment.state);
    if (ph && out.state == Phases::VaporLiquid) {
        // The temperature and the amount of vapor are tabulated; the phases are those of the
        // coexistence table at that temperature.
        if (coexistence == nullptr) return false;
        double g[kCoexistenceChannels], gT[kCoexistenceChannels], gP[kCoexistenceChannels];
        const Dual3 t = channels[0];
        channels[7] = channels[1];  // the amount of vapor, after the phases
        if (!coexistenceAt(*coexistence, t.v, a, g, gT, gP)) return false;
        for (int c = 0; c < kCoexistenceChannels; ++c) {
            channels[1 + c] = Dual3(g[c], gP[c] + gT[c] * t.d[0], gT[c] * t.d[1], gT[c] * t.d[2]);
        }
    }
    const Dual3 inputs[3] = {Dual3::variable(a, 0), Dual3::variable(b, 1), Dual3::variable(x, 2)};
    out.status = static_cast<InverseStatus>(segment.status);
    out.fluidType = static_cast<FluidType>(segment.fluidType);
    out.warnings = segment.warnings;
    out.exact = false;
    formOutputs(variables, out.state, channels, inputs, out);
    return true;
}

}  // namespace kelvoran
