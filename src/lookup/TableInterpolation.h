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

/// The coexistence table of a (P, h, x) table: the coexisting liquid and vapor over (T, P).
struct CoexistenceView {
    const std::uint32_t* roots = nullptr;
    const TableNode* nodes = nullptr;
    const TableCoexistenceCell* cells = nullptr;
    const double* values = nullptr;
    std::uint32_t rootsPerAxis = 0;
    double lowT = 0.0, highT = 0.0, lowP = 0.0, highP = 0.0;
    double rootScaleT = 0.0, rootScaleP = 0.0;  ///< root cells per K and per bar
};

/// The coexisting phases at (T °C, P bar): the channels (x_L, ρ_L, h_L, x_V, ρ_V, h_V) and
/// their derivatives in T and in P. False outside the table or in a cell left to the model.
bool coexistenceAt(const CoexistenceView& table, double t, double p, double* values,
                   double* slopeT, double* slopeP);

/// Where (u, v, c) falls in the cell: the segment, or Exact within a breakpoint's margin.
/// `segment` receives the segment's index.
CellLookup locateSegment(const CellGeometry& cell, double u, double v, double c, int& segment);

/// Interpolates the channels of segment `k` of `cell` (record `segment`, its values from
/// `values`) at (u, v, c) and forms the outputs; the inputs (a, b, x) are the table's
/// variables. A V + L segment of a (P, h, x) table holds the temperature and the amount of
/// vapor: the phases come from `coexistence` at that temperature. False where the model must
/// evaluate the point: the segment's normalised coordinate is not defined there (its
/// breakpoints meet), or the coexistence table does not cover it.
bool interpolateSegment(TableVariables variables, const CellGeometry& cell, int k,
                        const TableSegment& segment, const double* values, double a, double b,
                        double x, const CoexistenceView* coexistence, TableOutputs& out);

}  // namespace kelvoran
