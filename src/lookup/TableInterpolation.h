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

/// The biquadratic interpolant of 9 lattice values (column a + 3 b at (a/2, b/2)) at (s, t).
double latticeValue(const double* values, double s, double t);

/// How a lookup in a cell ended.
enum class CellLookup {
    Interpolated,  ///< outputs formed from the segment's channels
    Gap,           ///< a segment without a state: outputs hold state 0 and the status
    Exact,         ///< the model must evaluate the point
};

/// Where (u, v, c) falls in the cell: the segment, or Exact within a breakpoint's margin.
/// `segment` receives the segment's index.
CellLookup locateSegment(const CellGeometry& cell, double u, double v, double c, int& segment);

/// Interpolates the channels of segment `k` of `cell` (record `segment`, its values from
/// `values`) at (u, v, c) and forms the outputs; the inputs (a, b, x) are the table's
/// variables. False where the segment's normalised coordinate is not defined (its breakpoints
/// meet there): the model must evaluate the point.
bool interpolateSegment(TableVariables variables, const CellGeometry& cell, int k,
                        const TableSegment& segment, const double* values, double a, double b,
                        double x, TableOutputs& out);

}  // namespace kelvoran
