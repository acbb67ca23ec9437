// Where a lookup falls in a cell: the segment between the breakpoints around it, the model
// within their margins, and the segments within the checked zone.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "lookup/TableInterpolation.h"

namespace kelvoran {
namespace {

constexpr int kSegments = 4;

struct Case {
    const char* what;
    std::array<double, kSegments + 1> breaks;   // the same at every lattice column
    std::array<double, kSegments + 1> margins;  // the first and last are the box's ends
    double c, zone;
    CellLookup where;
    int segment, first, last;  // compared where not Exact
};

TEST(TableInterpolationTest, LocatesTheSegmentBetweenTheBreakpointsAroundThePoint) {
    const Case cases[] = {
        {"inside a segment", {0, 10, 20, 30, 100}, {0, 0.1, 0.1, 0.1, 0}, 15, 10,
         CellLookup::Interpolated, 1, 1, 1},
        {"within a margin", {0, 10, 20, 30, 100}, {0, 0.1, 0.1, 0.1, 0}, 10.05, 10,
         CellLookup::Exact, 0, 0, 0},
        {"within the zone", {0, 10, 20, 30, 100}, {0, 0.1, 0.1, 0.1, 0}, 10.5, 10,
         CellLookup::Near, 1, 0, 1},
        // A poorly interpolated breakpoint beyond the one next to the point: the cut places are
        // ordered in every column, so the point lies above it all the same.
        {"a wide margin farther down", {0, 10, 20, 30, 100}, {0, 0.1, 50, 0.1, 0}, 40, 10,
         CellLookup::Interpolated, 3, 3, 3},
        {"a wide margin next to it", {0, 10, 20, 30, 100}, {0, 0.1, 50, 0.1, 0}, 25, 10,
         CellLookup::Exact, 0, 0, 0},
        {"breakpoints out of order", {0, 10, 35, 30, 100}, {0, 0.1, 0.1, 0.1, 0}, 32, 10,
         CellLookup::Exact, 0, 0, 0},
        // Two breakpoints within the zone: both segments below are possible.
        {"two breakpoints within the zone", {0, 10, 10.5, 30, 100}, {0, 0.01, 0.01, 0.01, 0},
         10.7, 100, CellLookup::Near, 2, 0, 2},
        {"the builder's test places (no zone)", {0, 10, 20, 30, 100}, {0, 0.1, 0.1, 0.1, 0}, 20.2,
         0, CellLookup::Interpolated, 2, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> breaks;
        for (double b : c.breaks) breaks.insert(breaks.end(), kCellColumns, b);
        breaks.insert(breaks.end(), c.margins.begin(), c.margins.end());
        const CellGeometry cell{0.0, 0.0, 1.0, 1.0, kSegments, breaks.data()};
        const SegmentLocation at = locateSegment(cell, CellPlace(0.3, 0.6), c.c, c.zone);
        EXPECT_EQ(at.where, c.where);
        if (c.where == CellLookup::Exact) continue;
        EXPECT_EQ(at.segment, c.segment);
        EXPECT_EQ(at.first, c.first);
        EXPECT_EQ(at.last, c.last);
    }
}

}  // namespace
}  // namespace kelvoran
