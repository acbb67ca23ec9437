#include "lookup/TableBuilder.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "lookup/Checksum.h"
#include "lookup/TableColumns.h"
#include "lookup/TableInterpolation.h"
#include "lookup/TableLayout.h"

#ifndef KELVORAN_LIBRARY_VERSION
#define KELVORAN_LIBRARY_VERSION "unknown"
#endif

namespace kelvoran {

namespace {

constexpr double kSafety = 0.5;           // test errors stay below this share of the tolerance
constexpr int kMaxIntervals = 256;        // intervals of a segment's normalised coordinate
constexpr double kFinestInterval = 0x1.0p-12;  // the narrowest of them
constexpr double kMarginFactor = 3.0;     // margin of a breakpoint / its largest test error
constexpr double kMaxMarginShare = 1e-5;  // of the column range: a wider margin splits a cell
// In a build of finest level kMarginLevelsFrom or more, a cell of the finest level whose cut
// places are interpolated with a margin wider than kFinerMarginShare of the column range is
// split up to kMarginLevels levels further. Such margins arise where the sequence of segments
// changes across the cell (a boundary between phase fields crossing it), and every lookup
// within one is left to the model. (Below that level, where a build should take a minute or
// less, the extra cells would double its time.)
constexpr int kMarginLevels = 2;
constexpr int kMarginLevelsFrom = 8;
constexpr double kFinerMarginShare = 5e-2;
int marginLevels(int maxLevel) { return maxLevel >= kMarginLevelsFrom ? kMarginLevels : 0; }

// The lattice of a build: the cells' corners lie at multiples of 2^-(maxLevel + margin levels)
// of the box; cells narrower than 2^(margin levels) of its steps are those split for their
// margins alone.
struct Rect {
    std::uint32_t u0, u1, v0, v1;
};

enum class Axis { U = 0, V = 1 };

// What one task (a root cell) builds: its part of every section, indices local to it.
struct Subtree {
    std::vector<TableNode> nodes;
    std::vector<TableLeaf> leaves;
    std::vector<double> breaks;
    std::vector<TableSegment> segments;
    std::vector<double> values;
    std::uint64_t cells = 0, exactCells = 0, segmentCount = 0, exactSegments = 0, nodeCount = 0;
    std::uint64_t evaluations = 0;
};

std::uint64_t splitmix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A place in (0.15, 0.85) drawn from the hash of a cell.
double drawn(std::uint64_t seed) {
    return 0.15 + 0.7 * static_cast<double>(splitmix(seed) >> 11) * 0x1.0p-53;
}

std::vector<Signature> sequenceOf(const Column& c) {
    std::vector<Signature> s;
    for (const ColumnSegment& segment : c.segments) s.push_back(segment.signature);
    return s;
}

// The result of fitting one segment.
enum class Fit { Done, Lateral, Column };

class CellBuilder {
  public:
    // The build stops (TableCancelled) within one evaluation of the model once `cancelled`
    // is set.
    CellBuilder(TableVariables variables, const TableBox& box, const TableTolerance& tolerance,
                int maxLevel, const std::atomic<bool>& cancelled)
        : variables_(variables),
          tolerance_(tolerance),
          gridLevel_(maxLevel + marginLevels(maxLevel)),
          finest_(1U << marginLevels(maxLevel)),
          model_(variables, box, &cancelled) {
        const bool ph = variables == TableVariables::PressureEnthalpy;
        lowU_ = box.first.lower;
        highU_ = box.first.upper;
        lowV_ = ph ? box.composition.lower : box.second.lower;
        highV_ = ph ? box.composition.upper : box.second.upper;
        lowC_ = ph ? box.second.lower : box.composition.lower;
        highC_ = ph ? box.second.upper : box.composition.upper;
    }

    void build(const Rect& root, Subtree& out) {
        out.nodes.push_back({});
        refine(root, 0, out);
        out.evaluations = model_.evaluations();
    }

  private:
    double latticeU(std::uint32_t i) const { return lattice(lowU_, highU_, i); }
    double latticeV(std::uint32_t i) const { return lattice(lowV_, highV_, i); }
    double lattice(double lo, double hi, std::uint32_t i) const {
        const std::uint32_t full = 1U << gridLevel_;
        if (i == full) return hi;
        return lo + (hi - lo) * std::ldexp(static_cast<double>(i), -gridLevel_);
    }

    Column& columnAt(double u, double v) {
        const auto key = std::make_pair(std::bit_cast<std::uint64_t>(u), std::bit_cast<std::uint64_t>(v));
        auto found = columns_.find(key);
        if (found == columns_.end()) {
            found = columns_.emplace(key, std::make_unique<Column>(model_.column(u, v))).first;
            created_.push_back(key);
        }
        return *found->second;
    }

    // Drops the columns created since `mark` that lie strictly inside (u0, u1) × (v0, v1): no
    // later cell of the depth-first walk has them as a corner.
    void dropInside(std::size_t mark, double u0, double u1, double v0, double v1) {
        std::size_t kept = mark;
        for (std::size_t i = mark; i < created_.size(); ++i) {
            const double u = std::bit_cast<double>(created_[i].first);
            const double v = std::bit_cast<double>(created_[i].second);
            if (u > u0 && u < u1 && v > v0 && v < v1) {
                columns_.erase(created_[i]);
            } else {
                created_[kept++] = created_[i];
            }
        }
        created_.resize(kept);
    }

    std::array<double, 3> inputs(double u, double v, double c) const {
        if (variables_ == TableVariables::PressureEnthalpy) return {u, c, v};
        return {u, v, c};
    }

    void refine(const Rect& r, std::size_t node, Subtree& out) {
        const std::size_t mark = created_.size();
        const double u0 = latticeU(r.u0), u1 = latticeU(r.u1);
        const double v0 = latticeV(r.v0), v1 = latticeV(r.v1);
        refineCell(r, node, out);
        dropInside(mark, u0, u1, v0, v1);
    }

    void split(const Rect& r, std::size_t node, Subtree& out, Axis axis) {
        const std::size_t first = out.nodes.size();
        out.nodes.push_back({});
        out.nodes.push_back({});
        Rect lower = r, upper = r;
        if (axis == Axis::U) {
            const std::uint32_t mid = (r.u0 + r.u1) / 2;
            lower.u1 = upper.u0 = mid;
            out.nodes[node] = {latticeU(mid), 0, static_cast<std::uint32_t>(first)};
        } else {
            const std::uint32_t mid = (r.v0 + r.v1) / 2;
            lower.v1 = upper.v0 = mid;
            out.nodes[node] = {latticeV(mid), 1, static_cast<std::uint32_t>(first)};
        }
        refine(lower, first, out);
        refine(upper, first + 1, out);
    }

    // The axis to split: the preferred one if it can be split, else the other.
    // Along an axis wider than `finest` steps of the lattice (finest_, the cells of the finest
    // level, except for a split for the margins alone).
    static Axis choose(const Rect& r, Axis preferred, std::uint32_t finest) {
        const bool canU = r.u1 - r.u0 > finest, canV = r.v1 - r.v0 > finest;
        if (preferred == Axis::U) return canU ? Axis::U : Axis::V;
        return canV ? Axis::V : Axis::U;
    }
    Axis choose(const Rect& r, Axis preferred) const { return choose(r, preferred, finest_); }
    static Axis longer(const Rect& r) { return r.u1 - r.u0 >= r.v1 - r.v0 ? Axis::U : Axis::V; }
    static bool canSplit(const Rect& r, std::uint32_t finest) {
        return r.u1 - r.u0 > finest || r.v1 - r.v0 > finest;
    }

    void emitExact(double u0, double u1, double v0, double v1, Subtree& out, std::size_t node) {
        TableLeaf leaf{u0, v0, 1.0 / (u1 - u0), 1.0 / (v1 - v0), kLeafExact, 0,
                       static_cast<std::uint32_t>(out.segments.size()),
                       static_cast<std::uint32_t>(out.breaks.size())};
        out.nodes[node] = {0.0, kNodeLeaf, static_cast<std::uint32_t>(out.leaves.size())};
        out.leaves.push_back(leaf);
        ++out.cells;
        ++out.exactCells;
    }

    // The place at fraction f (a multiple of ¼) of the cell's extent [i0, i1) of the lattice:
    // a lattice place where the cell is wide enough, so that its children share it.
    double placeU(const Rect& r, double f) const { return place(r.u0, r.u1, f, true); }
    double placeV(const Rect& r, double f) const { return place(r.v0, r.v1, f, false); }
    double place(std::uint32_t i0, std::uint32_t i1, double f, bool u) const {
        const std::uint32_t width = i1 - i0;
        const double quarters = f * 4.0;
        const auto q = static_cast<std::uint32_t>(quarters);
        if (static_cast<double>(q) == quarters && (width * q) % 4 == 0) {
            const std::uint32_t i = i0 + width * q / 4;
            return u ? latticeU(i) : latticeV(i);
        }
        const double lo = u ? latticeU(i0) : latticeV(i0);
        const double hi = u ? latticeU(i1) : latticeV(i1);
        return lo + f * (hi - lo);
    }

    void refineCell(const Rect& r, std::size_t node, Subtree& out) {
        const double u0 = latticeU(r.u0), u1 = latticeU(r.u1);
        const double v0 = latticeV(r.v0), v1 = latticeV(r.v1);
        const bool splittable = canSplit(r, finest_);

        // The 3 × 3 lattice of the cell (column a + 3 b at (a/2, b/2)), then the test
        // columns: two on the middle row (errors along u), two on the middle column (along v),
        // two on the diagonals and one drawn place.
        constexpr int kTests = 7;
        constexpr int kAll = kCellColumns + kTests;
        Column* columns[kAll];
        double fractionS[kAll], fractionT[kAll];
        for (int b = 0; b < 3; ++b) {
            for (int a = 0; a < 3; ++a) {
                fractionS[a + 3 * b] = 0.5 * a;
                fractionT[a + 3 * b] = 0.5 * b;
            }
        }
        const std::uint64_t seed = (static_cast<std::uint64_t>(r.u0) << 40) ^
                                   (static_cast<std::uint64_t>(r.v0) << 16) ^ (r.u1 - r.u0) ^
                                   (static_cast<std::uint64_t>(r.v1 - r.v0) << 8);
        const double testS[kTests] = {0.25, 0.75, 0.5, 0.5, 0.25, 0.75, drawn(seed)};
        const double testT[kTests] = {0.5, 0.5, 0.25, 0.75, 0.25, 0.75, drawn(seed + 1)};
        for (int i = 0; i < kTests; ++i) {
            fractionS[kCellColumns + i] = testS[i];
            fractionT[kCellColumns + i] = testT[i];
        }
        const auto columnOf = [&](int i) {
            const double u = i < kAll - 1 ? placeU(r, fractionS[i]) : u0 + fractionS[i] * (u1 - u0);
            const double v = i < kAll - 1 ? placeV(r, fractionT[i]) : v0 + fractionT[i] * (v1 - v0);
            return &columnAt(u, v);
        };
        for (int i = 0; i < kCellColumns; ++i) columns[i] = columnOf(i);
        const std::vector<Signature> reference = sequenceOf(*columns[0]);
        const auto differs = [&](int a, int b) {
            return sequenceOf(*columns[a]) != sequenceOf(*columns[b]);
        };
        // Where the lattice's columns differ: along u (within rows) or along v (within columns).
        const auto topologyAxis = [&] {
            int alongU = 0, alongV = 0;
            for (int b = 0; b < 3; ++b) {
                alongU += int{differs(3 * b, 3 * b + 1)} + int{differs(3 * b + 1, 3 * b + 2)};
            }
            for (int a = 0; a < 3; ++a) {
                alongV += int{differs(a, a + 3)} + int{differs(a + 3, a + 6)};
            }
            if (alongU != alongV) return alongU > alongV ? Axis::U : Axis::V;
            return longer(r);
        };
        bool same = true;
        for (int i = 1; i < kCellColumns; ++i) same = same && sequenceOf(*columns[i]) == reference;
        if (!same && splittable) return split(r, node, out, choose(r, topologyAxis()));
        for (int i = kCellColumns; i < kAll; ++i) {
            columns[i] = columnOf(i);
            same = same && sequenceOf(*columns[i]) == reference;
        }
        if (!same && splittable) {
            const int alongU = int{differs(kCellColumns, 4)} + int{differs(kCellColumns + 1, 4)};
            const int alongV = int{differs(kCellColumns + 2, 4)} + int{differs(kCellColumns + 3, 4)};
            const Axis axis = alongU != alongV ? (alongU > alongV ? Axis::U : Axis::V) : longer(r);
            return split(r, node, out, choose(r, axis));
        }

        // The segments the columns share: a common start and end, and between them (where
        // the columns differ, in a cell that cannot be split) one segment for the model.
        std::size_t prefix = reference.size(), suffix = reference.size();
        std::size_t shortest = reference.size();
        bool regular = true;
        for (Column* c : columns) {
            const std::vector<Signature> s = sequenceOf(*c);
            std::size_t p = 0;
            while (p < std::min(prefix, s.size()) && s[p] == reference[p]) ++p;
            prefix = p;
            std::size_t q = 0;
            while (q < std::min(suffix, s.size()) &&
                   s[s.size() - 1 - q] == reference[reference.size() - 1 - q]) {
                ++q;
            }
            suffix = q;
            shortest = std::min(shortest, s.size());
            regular = regular && s == reference;
        }
        if (!regular) {
            if (prefix + suffix > shortest) suffix = shortest - prefix;
            if (prefix == 0 && suffix == 0) return emitExact(u0, u1, v0, v1, out, node);
        }
        const std::size_t count = regular ? reference.size() : prefix + 1 + suffix;
        // Breakpoint j and segment k of the cell in column c.
        const auto breakIndex = [&](const Column& c, std::size_t j) {
            if (regular || j <= prefix) return j;
            return c.segments.size() - (count - j);
        };
        const auto segmentIndex = [&](const Column& c, std::size_t k) {
            if (regular || k < prefix) return k;
            return c.segments.size() - (count - k);
        };

        // Breakpoints on the lattice, and their margins from their errors at the tests.
        const std::size_t stride = kCellColumns;
        std::vector<double> breaks((stride + 1) * (count + 1), 0.0);
        for (std::size_t j = 0; j <= count; ++j) {
            for (int c = 0; c < kCellColumns; ++c) {
                breaks[stride * j + static_cast<std::size_t>(c)] =
                    columns[c]->breaks[breakIndex(*columns[c], j)];
            }
        }
        double marginErrorU = 0.0, marginErrorV = 0.0;
        bool wideMargin = false, widerMargin = false;
        const double range = highC_ - lowC_;
        for (std::size_t j = 1; j < count; ++j) {
            const double* b = &breaks[stride * j];
            double worst = 0.0, largest = 0.0;
            for (int i = kCellColumns; i < kAll; ++i) {
                const double interpolated = latticeValue(b, fractionS[i], fractionT[i]);
                const double exact = columns[i]->breaks[breakIndex(*columns[i], j)];
                const double e = std::fabs(interpolated - exact);
                worst = std::fmax(worst, e);
                largest = std::fmax(largest, std::fabs(exact));
                if (i < kCellColumns + 2) marginErrorU = std::fmax(marginErrorU, e);
                if (i >= kCellColumns + 2 && i < kCellColumns + 4) {
                    marginErrorV = std::fmax(marginErrorV, e);
                }
            }
            for (int c = 0; c < kCellColumns; ++c) largest = std::fmax(largest, std::fabs(b[c]));
            const double margin = kMarginFactor * worst + 1e-13 * range + 4e-16 * largest;
            breaks[stride * (count + 1) + j] = margin;
            if (margin > kMaxMarginShare * range) wideMargin = true;
            if (margin > kFinerMarginShare * range) widerMargin = true;
        }
        if ((wideMargin && splittable) || (widerMargin && canSplit(r, 1))) {
            const Axis axis = marginErrorU != marginErrorV
                                  ? (marginErrorU > marginErrorV ? Axis::U : Axis::V)
                                  : longer(r);
            return split(r, node, out, choose(r, axis, splittable ? finest_ : 1));
        }

        const CellGeometry geometry{u0, v0, 1.0 / (u1 - u0), 1.0 / (v1 - v0),
                                    static_cast<int>(count), breaks.data()};
        std::vector<TableSegment> segments(count);
        std::vector<std::vector<double>> values(count);
        for (std::size_t k = 0; k < count; ++k) {
            TableSegment& segment = segments[k];
            segment = {};
            const bool middle = !regular && k == prefix;
            const Signature signature =
                middle ? Signature{} : columns[0]->segments[segmentIndex(*columns[0], k)].signature;
            segment.kind = static_cast<std::uint8_t>(signature.kind);
            segment.state = signature.state;
            segment.status = signature.status;
            segment.fluidType = signature.fluidType;
            segment.warnings = signature.warnings;
            if (signature.kind != SegmentKind::Interpolated) continue;
            Axis axis = Axis::U;
            const Fit fit = fitSegment(columns, u0, u1, v0, v1, k, segmentIndex, signature,
                                       geometry, segment, values[k], axis);
            if (fit == Fit::Lateral && splittable) return split(r, node, out, choose(r, axis));
            if (fit != Fit::Done) {
                segment = TableSegment{};
                segment.kind = static_cast<std::uint8_t>(SegmentKind::Exact);
                values[k].clear();
            }
        }

        // The cell.
        TableLeaf leaf{u0, v0, 1.0 / (u1 - u0), 1.0 / (v1 - v0), kLeafRegular,
                       static_cast<std::uint32_t>(count),
                       static_cast<std::uint32_t>(out.segments.size()),
                       static_cast<std::uint32_t>(out.breaks.size())};
        out.nodes[node] = {0.0, kNodeLeaf, static_cast<std::uint32_t>(out.leaves.size())};
        out.leaves.push_back(leaf);
        out.breaks.insert(out.breaks.end(), breaks.begin(), breaks.end());
        for (std::size_t k = 0; k < count; ++k) {
            segments[k].valueIndex = out.values.size();
            out.values.insert(out.values.end(), values[k].begin(), values[k].end());
            out.segments.push_back(segments[k]);
            if (segments[k].kind == static_cast<std::uint8_t>(SegmentKind::Exact)) ++out.exactSegments;
            if (segments[k].kind == static_cast<std::uint8_t>(SegmentKind::Interpolated) ||
                segments[k].kind == static_cast<std::uint8_t>(SegmentKind::FromTemperature)) {
                out.nodeCount += kCellColumns * (segments[k].intervals + 1);
            }
        }
        out.segmentCount += count;
        ++out.cells;
    }

    // The place of normalised coordinate η in segment k of a column.
    static double placeOf(const Column& c, std::size_t k, double eta) {
        const double lower = c.breaks[k];
        const double e = std::clamp(eta, 1e-9, 1.0 - 1e-9);
        return lower + e * (c.breaks[k + 1] - lower);
    }

    // Tabulates segment k of the cell on the lattice's columns with the fewest intervals
    // (0 for values that hold along the whole column, else 1, 2, 4, … 256) whose errors at
    // the tests stay within the tolerance: Done; Column where no count will do (the model
    // takes the segment); Lateral where the tests across the cell fail (the cell is split
    // along `axis`). A state kept as its temperature alone (V + L of a (P, h, x) table) makes a
    // segment FromTemperature, its one channel fitted to kFromTemperatureTolerance times its
    // tolerance.
    template <typename SegmentIndex>
    Fit fitSegment(Column* const* columns, double u0, double u1, double v0, double v1,
                   std::size_t k, const SegmentIndex& segmentIndex, const Signature& signature,
                   const CellGeometry& geometry, TableSegment& segment,
                   std::vector<double>& values, Axis& axis) {
        const Phases state = static_cast<Phases>(signature.state);
        const bool onlyTemperature = keptAsTemperature(variables_, state);
        const int m = channelCount(variables_, state);
        segment.kind = static_cast<std::uint8_t>(onlyTemperature ? SegmentKind::FromTemperature
                                                                 : SegmentKind::Interpolated);
        segment.channels = static_cast<std::uint32_t>(m);
        segment.valueIndex = 0;
        TableOutputs outputs;
        double channels[kMaxChannels];
        // The error at place η of column `index` (a lattice column: only along the column),
        // raised into `error`; false where the model has another state there.
        const auto errorAt = [&](int index, double eta, double& error) {
            Column& c = *columns[index];
            const std::size_t kc = segmentIndex(c, k);
            const double place = placeOf(c, kc, eta);
            const CellPlace lateral(geometry, c.u, c.v);
            if (index >= kCellColumns) {
                const SegmentLocation where = locateSegment(geometry, lateral, place, 0.0);
                if (where.where == CellLookup::Exact || where.segment != static_cast<int>(k)) {
                    return true;  // a lookup there goes to the model
                }
            }
            const ExactValues& exact = model_.node(c, static_cast<int>(kc), eta);
            if (!(exact.signature == signature)) return false;
            const std::array<double, 3> in = inputs(c.u, c.v, place);
            if (!interpolateSegment(variables_, geometry, lateral, static_cast<int>(k), segment,
                                    values.data(), in[0], in[1], in[2], outputs)) {
                return true;
            }
            error = std::fmax(error, errorRatio(outputs, exact, tolerance_, onlyTemperature));
            return true;
        };
        // Across the cell: the test columns at the places `etas` of η. Done, or Lateral with
        // the axis to split.
        const auto acrossCell = [&](const std::vector<double>& etas) {
            double errorU = 0.0, errorV = 0.0, errorOther = 0.0;
            for (int t = 0; t < 7; ++t) {
                double e = 0.0;
                bool fine = true;
                for (std::size_t i = 0; i < etas.size() && fine; ++i) {
                    fine = errorAt(kCellColumns + t, etas[i], e);
                }
                if (!fine) e = HUGE_VAL;
                double& into = t < 2 ? errorU : (t < 4 ? errorV : errorOther);
                into = std::fmax(into, e);
            }
            if (errorU <= kSafety && errorV <= kSafety && errorOther <= kSafety) return Fit::Done;
            if (errorU > kSafety || errorV > kSafety) {
                axis = errorU >= errorV ? Axis::U : Axis::V;
            } else {
                axis = (u1 - u0) / (highU_ - lowU_) >= (v1 - v0) / (highV_ - lowV_) ? Axis::U
                                                                                       : Axis::V;
            }
            return Fit::Lateral;
        };
        const std::size_t row = static_cast<std::size_t>(kCellColumns) * m;

        // Values that are the same at both ends and the middle of every lattice column (the
        // coexisting phases at fixed T and P): one row, N = 0, if it holds at the tests.
        {
            bool constant = true;
            values.assign(1 + row, 0.0);
            for (int c = 0; c < kCellColumns; ++c) {
                Column& column = *columns[c];
                const int kc = static_cast<int>(segmentIndex(column, k));
                double* into = values.data() + 1 + static_cast<std::size_t>(c * m);
                for (const double eta : {0.0, 0.5, 1.0}) {
                    const ExactValues& e = model_.node(column, kc, eta);
                    if (!(e.signature == signature)) return Fit::Column;
                    channelValues(variables_, e, channels);
                    if (eta == 0.0) {
                        std::copy(channels, channels + m, into);
                    } else {
                        constant = constant && std::equal(channels, channels + m, into);
                    }
                }
            }
            if (constant) {
                segment.intervals = 0;
                // Next to its ends as well: the amounts of two coexisting phases come from the
                // lever rule on their compositions, and the volume share of a phase that is
                // nearly absent amplifies their errors by up to the ratio of the densities
                // (a few hundred for a brine boiling at low pressure).
                const std::vector<double> etas = {1e-4, 0.05, 0.25, 0.5, 0.75, 0.95, 1.0 - 1e-4};
                double error = 0.0;
                for (int c = 0; c < kCellColumns; ++c) {
                    for (const double eta : etas) {
                        if (!errorAt(c, eta, error)) return Fit::Column;
                    }
                }
                if (error <= kSafety) return acrossCell(etas);
            }
        }

        // The nodes in η, refined where the errors between them are too large: each failing
        // interval is halved (so that the places of the model's values repeat).
        std::vector<double> nodes = {0.0, 1.0};
        while (true) {
            const std::size_t n = nodes.size() - 1;
            segment.intervals = static_cast<std::uint32_t>(n);
            values.assign((n + 1) * (1 + row), 0.0);
            std::copy(nodes.begin(), nodes.end(), values.begin());
            for (std::size_t i = 0; i <= n; ++i) {
                for (int c = 0; c < kCellColumns; ++c) {
                    Column& column = *columns[c];
                    const ExactValues& e =
                        model_.node(column, static_cast<int>(segmentIndex(column, k)), nodes[i]);
                    if (!(e.signature == signature)) return Fit::Column;
                    channelValues(variables_, e, channels);
                    double* into = values.data() + (n + 1) + i * row + static_cast<std::size_t>(c * m);
                    std::copy(channels, channels + m, into);
                }
            }
            // Along the lattice's columns: the middle of each interval, and next to the ends.
            std::vector<bool> failing(n, false);
            bool any = false;
            for (std::size_t i = 0; i < n; ++i) {
                const double width = nodes[i + 1] - nodes[i];
                double error = 0.0;
                for (int c = 0; c < kCellColumns; ++c) {
                    bool consistent = errorAt(c, nodes[i] + 0.5 * width, error);
                    if (i == 0) consistent = consistent && errorAt(c, 0.05 * width, error);
                    if (i + 1 == n) consistent = consistent && errorAt(c, 1.0 - 0.05 * width, error);
                    if (!consistent) return Fit::Column;
                }
                if (error > kSafety) failing[i] = any = true;
            }
            if (any) {
                std::vector<double> refined;
                for (std::size_t i = 0; i < n; ++i) {
                    refined.push_back(nodes[i]);
                    if (!failing[i]) continue;
                    if (nodes[i + 1] - nodes[i] < kFinestInterval) return Fit::Column;
                    refined.push_back(0.5 * (nodes[i] + nodes[i + 1]));
                }
                refined.push_back(1.0);
                if (refined.size() - 1 > static_cast<std::size_t>(kMaxIntervals)) return Fit::Column;
                nodes.swap(refined);
                continue;
            }
            // Across the cell: the test columns at the nodes and between them.
            std::vector<double> etas;
            for (std::size_t i = 0; i <= 2 * n; ++i) {
                etas.push_back(i == 0        ? 0.05 * nodes[1]
                               : i == 2 * n ? 1.0 - 0.05 * (1.0 - nodes[n - 1])
                                            : (i % 2 == 0 ? nodes[i / 2]
                                                          : 0.5 * (nodes[i / 2] + nodes[i / 2 + 1])));
            }
            return acrossCell(etas);
        }
    }

    TableVariables variables_;
    TableTolerance tolerance_;
    int gridLevel_;          // the finest level of the lattice: maxLevel + margin levels
    std::uint32_t finest_;   // the width of a cell of the finest level, in lattice steps
    double lowU_, highU_, lowV_, highV_, lowC_, highC_;
    ColumnModel model_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::unique_ptr<Column>> columns_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> created_;
};

std::size_t aligned(std::size_t offset) {
    return (offset + kTableSectionAlignment - 1) / kTableSectionAlignment * kTableSectionAlignment;
}

template <typename T>
void place(std::vector<std::byte>& image, TableSection& section, std::size_t& offset,
           const std::vector<T>& items) {
    offset = aligned(offset);
    section.offset = offset;
    section.count = items.size();
    if (!items.empty()) std::memcpy(image.data() + offset, items.data(), items.size() * sizeof(T));
    offset += items.size() * sizeof(T);
}

// Runs task(i) for i in [0, tasks) on `threads` workers (results must depend on i alone),
// reporting the tasks done a few times a second on the calling thread; throws what a task threw, and
// TableCancelled when the report asks to stop. `cancelled` is set then (and when a task
// fails): the tasks running look at it to stop early.
void runTasks(std::size_t tasks, int threads, const std::function<void(std::size_t)>& task,
              const std::function<bool(std::size_t)>& report, std::atomic<bool>& cancelled) {
    std::atomic<std::size_t> next{0}, done{0};
    std::mutex mutex;
    std::condition_variable finished;
    std::exception_ptr failure;
    const auto work = [&] {
        try {
            while (!cancelled.load()) {
                const std::size_t i = next.fetch_add(1);
                if (i >= tasks) break;
                task(i);
                done.fetch_add(1);
                finished.notify_all();
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (!failure) failure = std::current_exception();
            cancelled.store(true);
            finished.notify_all();
        }
    };
    threads = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(threads), tasks));
    std::vector<std::thread> workers;
    try {
        for (int i = 0; i < threads; ++i) workers.emplace_back(work);
    } catch (const std::system_error&) {
        // As many as could be started; none: this thread works alone, below.
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (done.load() < tasks && !cancelled.load()) {
            if (workers.empty()) {
                lock.unlock();
                const std::size_t i = next.fetch_add(1);
                if (i < tasks) {
                    task(i);
                    done.fetch_add(1);
                }
                if (!report(done.load())) cancelled.store(true);
                lock.lock();
                continue;
            }
            finished.wait_for(lock, std::chrono::milliseconds(200));
            lock.unlock();
            if (!report(done.load())) cancelled.store(true);
            lock.lock();
        }
    }
    for (std::thread& w : workers) w.join();
    if (failure) std::rethrow_exception(failure);
    if (cancelled.load()) throw TableCancelled();
}

}  // namespace

std::vector<std::byte> buildTableImage(TableVariables variables, const TableBox& box,
                                       const TableTolerance& tolerance,
                                       const TableBuildOptions& options) {
    const int rootLevel = options.rootLevel;
    const std::uint32_t roots = 1U << rootLevel;
    const int gridLevel = options.maxLevel + marginLevels(options.maxLevel);
    const std::uint32_t width = 1U << (gridLevel - rootLevel);
    const std::size_t tasks = static_cast<std::size_t>(roots) * roots;
    const auto report = [&](std::size_t done) {
        return !options.progress || options.progress(done, tasks);
    };
    if (!report(0)) throw TableCancelled();
    const int threads = options.threads > 0
                            ? options.threads
                            : static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));

    std::vector<Subtree> subtrees(tasks);
    std::atomic<bool> cancelled{false};
    runTasks(
        tasks, threads,
        [&](std::size_t task) {
            const auto iu = static_cast<std::uint32_t>(task / roots);
            const auto iv = static_cast<std::uint32_t>(task % roots);
            CellBuilder builder(variables, box, tolerance, options.maxLevel, cancelled);
            builder.build({iu * width, (iu + 1) * width, iv * width, (iv + 1) * width},
                          subtrees[task]);
        },
        report, cancelled);
    report(tasks);

    // One table of the subtrees, in the order of their root cells.
    std::vector<std::uint32_t> rootNodes(tasks);
    std::vector<TableNode> nodes;
    std::vector<TableLeaf> leaves;
    std::vector<double> breaks, values;
    std::vector<TableSegment> segments;
    TableHeader header;
    std::memset(&header, 0, sizeof header);
    for (std::size_t task = 0; task < tasks; ++task) {
        const Subtree& s = subtrees[task];
        const auto nodeBase = static_cast<std::uint32_t>(nodes.size());
        const auto leafBase = static_cast<std::uint32_t>(leaves.size());
        const std::size_t breakBase = breaks.size(), segmentBase = segments.size();
        const std::uint64_t valueBase = values.size();
        if (breakBase + s.breaks.size() > UINT32_MAX || segmentBase + s.segments.size() > UINT32_MAX ||
            nodes.size() + s.nodes.size() > UINT32_MAX) {
            throw std::length_error("the table is too large for its format");
        }
        rootNodes[task] = nodeBase;
        for (TableNode n : s.nodes) {
            n.index += n.kind == kNodeLeaf ? leafBase : nodeBase;
            nodes.push_back(n);
        }
        for (TableLeaf l : s.leaves) {
            l.firstSegment += static_cast<std::uint32_t>(segmentBase);
            l.firstBreak += static_cast<std::uint32_t>(breakBase);
            leaves.push_back(l);
        }
        for (TableSegment g : s.segments) {
            g.valueIndex += valueBase;
            segments.push_back(g);
        }
        breaks.insert(breaks.end(), s.breaks.begin(), s.breaks.end());
        values.insert(values.end(), s.values.begin(), s.values.end());
        header.cells += s.cells;
        header.exactCells += s.exactCells;
        header.segmentCount += s.segmentCount;
        header.exactSegments += s.exactSegments;
        header.nodeCount += s.nodeCount;
        header.modelEvaluations += s.evaluations;
    }
    subtrees.clear();

    std::memcpy(header.magic, kTableMagic, sizeof header.magic);
    header.formatVersion = kTableFormatVersion;
    header.headerBytes = kTableHeaderBytes;
    std::strncpy(header.kelvoranVersion, KELVORAN_LIBRARY_VERSION, sizeof header.kelvoranVersion - 1);
    header.variables = static_cast<std::int32_t>(variables);
    header.maxLevel = options.maxLevel;
    header.rootLevel = rootLevel;
    const double boxValues[6] = {box.first.lower, box.first.upper, box.second.lower,
                                 box.second.upper, box.composition.lower, box.composition.upper};
    std::memcpy(header.box, boxValues, sizeof boxValues);
    header.relativeTolerance = tolerance.relative;
    header.absoluteTolerance = tolerance.absolute;
    header.enthalpyFloorJKg = tolerance.enthalpyFloorJKg;
    // The build time is not part of the file: the same inputs give the same bytes.
    header.buildSeconds = 0.0;

    std::size_t size = kTableHeaderBytes;
    size = aligned(size) + rootNodes.size() * sizeof(std::uint32_t);
    size = aligned(size) + nodes.size() * sizeof(TableNode);
    size = aligned(size) + leaves.size() * sizeof(TableLeaf);
    size = aligned(size) + breaks.size() * sizeof(double);
    size = aligned(size) + segments.size() * sizeof(TableSegment);
    size = aligned(size) + values.size() * sizeof(double);
    // The four sections of format 1's coexistence table follow, empty.
    size = aligned(size);
    std::vector<std::byte> image(size);
    std::size_t offset = kTableHeaderBytes;
    place(image, header.roots, offset, rootNodes);
    place(image, header.nodes, offset, nodes);
    place(image, header.leaves, offset, leaves);
    place(image, header.breaks, offset, breaks);
    place(image, header.segments, offset, segments);
    place(image, header.values, offset, values);
    const std::vector<double> none;
    for (TableSection* s : {&header.coexistenceRoots, &header.coexistenceNodes,
                            &header.coexistenceCells, &header.coexistenceValues}) {
        place(image, *s, offset, none);
    }
    header.fileBytes = size;
    std::memcpy(image.data(), &header, sizeof header);
    header.checksum = xxh64(image.data() + kTableChecksummedFrom, size - kTableChecksummedFrom);
    std::memcpy(image.data(), &header, sizeof header);
    return image;
}

}  // namespace kelvoran
