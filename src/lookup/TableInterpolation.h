#pragma once

// The lookup of a point in a property table: the cell of the lateral plane, the segment of
// its column, and the interpolated channels with their derivatives. The builder tests its
// cells with the same code.

#include <cstdint>

#include "kelvoran/Table.h"
#include "lookup/TableChannels.h"
#include "lookup/TableLayout.h"

namespace kelvoran {

/// The lateral variables (u, v) and the column variable c of a table's variables (a, b, x):
/// (T, P | x) for (T, P, x), (P, x | h) for (P, h, x).
struct TableCoordinates {
    double u, v, c;
};
inline TableCoordinates tableCoordinates(TableVariables variables, double a, double b, double x) {
    if (variables == TableVariables::PressureEnthalpy) return {a, x, b};
    return {a, b, x};
}

/// One cell: its corner, inverse widths, segment count, and its breaks (K + 1 breakpoints ×
/// the 9 columns of its lattice, then K + 1 margins).
struct CellGeometry {
    double lowerU, lowerV, scaleU, scaleV;
    int segmentCount;
    const double* breaks;
};

/// The quadratic Lagrange weights at s of the nodes 0, ½, 1 of a lattice axis, and their
/// derivatives in s.
struct QuadraticWeights {
    double w[3], d[3];
    explicit QuadraticWeights(double s)
        : w{(2.0 * s - 1.0) * (s - 1.0), 4.0 * s * (1.0 - s), s * (2.0 * s - 1.0)},
          d{4.0 * s - 3.0, 4.0 - 8.0 * s, 4.0 * s - 1.0} {}
};

/// A place (u, v) of a cell as the weights of its lattice along both axes, computed once per
/// lookup for the location of the segment and the interpolation of its channels.
struct CellPlace {
    QuadraticWeights s, t;
    CellPlace(const CellGeometry& cell, double u, double v)
        : CellPlace((u - cell.lowerU) * cell.scaleU, (v - cell.lowerV) * cell.scaleV) {}
    /// At the fractions (s, t) of the cell's widths.
    CellPlace(double fractionS, double fractionT) : s(fractionS), t(fractionT) {}
};

/// The biquadratic interpolant of 9 lattice values (column a + 3 b at (a/2, b/2)) at (s, t).
double latticeValue(const double* values, double s, double t);

/// How a lookup in a cell ended.
enum class CellLookup {
    Interpolated,  ///< outputs formed from the segment's channels
    Near,          ///< as Interpolated, but within checkedZone() margins of a breakpoint
    Exact,         ///< the model must evaluate the point
};

/// How far from a breakpoint, in multiples of its margin, a lookup does not take the phase
/// state of its segment on trust where the states on the two sides differ (the margin is three
/// times the largest error of the interpolated breakpoint at the cell's test places; this
/// guards against a larger error elsewhere in the cell). A (T, P, x) table checks the state
/// against the model's classification, which is cheap; a (P, h, x) table, which cannot
/// classify without the temperature, leaves the point to the model.
inline constexpr double kCheckedZoneTP = 1000.0;
inline constexpr double kCheckedZonePH = 10.0;
inline double checkedZone(TableVariables variables) {
    return variables == TableVariables::PressureEnthalpy ? kCheckedZonePH : kCheckedZoneTP;
}

/// Where a point falls in a cell: the segment it lies in, and the segments it may lie in
/// within `zone` margins of their breakpoints.
struct SegmentLocation {
    CellLookup where = CellLookup::Exact;
    int segment = 0;           ///< the segment of the point (Interpolated or Near)
    int first = 0, last = 0;   ///< first ≤ segment ≤ last; Near where they differ from it
};

/// Where (u, v, c), (u, v) at `place`, falls in the cell. The point lies in segment k when c
/// is above breakpoint k and below breakpoint k + 1 by more than their margins; it is Exact
/// where no segment is bounded so (within a margin of the breakpoints around it). Near when
/// the breakpoints around it are within `zone` margins: first and last are then the segments
/// between the nearest breakpoints farther than that.
SegmentLocation locateSegment(const CellGeometry& cell, const CellPlace& place, double c,
                              double zone);

/// Interpolates the channels of segment `k` of `cell` (record `segment`, its values from
/// `values`) at (u, v, c), (u, v) at `place`, and forms the outputs; the inputs (a, b, x) are the
/// table's variables. A segment of N = 0 intervals holds one row of values that do not change along
/// the column. A segment FromTemperature gives the temperature alone. False where the model
/// must evaluate the point: the segment's normalised coordinate is not defined there (its
/// breakpoints meet).
bool interpolateSegment(TableVariables variables, const CellGeometry& cell, const CellPlace& place,
                        int k, const TableSegment& segment, const double* values, double a,
                        double b, double x, TableOutputs& out);

}  // namespace kelvoran
