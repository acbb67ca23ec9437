#include "lookup/CoexistenceBuilder.h"

#include <array>
#include <bit>
#include <cmath>
#include <algorithm>
#include <map>
#include <utility>

#include "kelvoran/Correlations.h"
#include "lookup/TableInterpolation.h"

namespace kelvoran {

namespace {

constexpr double kSafety = 0.5;
// The coexistence table is held closer than the tolerance, leaving the rest to the error of
// the temperature it is looked up at.
constexpr double kRelativeShare = 0.1;
constexpr double kAbsoluteShare = 0.1;
constexpr int kFinerLevels = 2;  // levels finer than the table's finest cells
constexpr double kLowestC = 0.0;
constexpr double kHighestC = 1000.0;

class CoexistenceRefiner {
  public:
    CoexistenceRefiner(double lowP, double highP, const TableTolerance& tolerance, int maxLevel,
                       int boundaryLevel, CoexistenceTable& out)
        : lowP_(lowP),
          highP_(highP),
          tolerance_(tolerance),
          maxLevel_(maxLevel),
          boundaryLevel_(boundaryLevel),
          out_(out) {}

    void refine(std::uint32_t t0, std::uint32_t t1, std::uint32_t p0, std::uint32_t p1,
                std::size_t node) {
        const double lt = temperature(t0), ut = temperature(t1);
        const double lp = pressure(p0), up = pressure(p1);
        const bool splitT = t1 - t0 > 1, splitP = p1 - p0 > 1;
        const double mt = place(t0, t1, 0.5, true), mp = place(p0, p1, 0.5, false);
        const double ts[3] = {lt, mt, ut}, ps[3] = {lp, mp, up};
        double lattice[kCellColumns][kCoexistenceChannels];
        int finite = 0;
        for (int b = 0; b < 3; ++b) {
            for (int a = 0; a < 3; ++a) {
                const double* g = at(ts[a], ps[b]);
                std::copy(g, g + kCoexistenceChannels, lattice[a + 3 * b]);
                finite += valid(g) ? 1 : 0;
            }
        }
        const auto split = [&](bool alongT) {
            const std::size_t first = out_.nodes.size();
            out_.nodes.push_back({});
            out_.nodes.push_back({});
            if (alongT) {
                const std::uint32_t mid = (t0 + t1) / 2;
                out_.nodes[node] = {temperature(mid), 0, static_cast<std::uint32_t>(first)};
                refine(t0, mid, p0, p1, first);
                refine(mid, t1, p0, p1, first + 1);
            } else {
                const std::uint32_t mid = (p0 + p1) / 2;
                out_.nodes[node] = {pressure(mid), 1, static_cast<std::uint32_t>(first)};
                refine(t0, t1, p0, mid, first);
                refine(t0, t1, mid, p1, first + 1);
            }
        };
        const bool longerT = t1 - t0 >= p1 - p0;
        // Outside the coexisting states throughout: nothing to tabulate.
        if (finite == 0) return emit(lt, ut, lp, up, node, nullptr);
        // The errors at the test places: on the middle lines (along T, along P), the diagonals.
        constexpr double tests[6][2] = {{0.25, 0.5}, {0.75, 0.5}, {0.5, 0.25},
                                        {0.5, 0.75}, {0.25, 0.25}, {0.75, 0.75}};
        double errorT = 0.0, errorP = 0.0, errorOther = 0.0;
        bool allValid = finite == kCellColumns;
        for (int i = 0; i < 6 && allValid; ++i) {
            const double tt = place(t0, t1, tests[i][0], true);
            const double pp = place(p0, p1, tests[i][1], false);
            const double* exact = at(tt, pp);
            if (!valid(exact)) {
                allValid = false;
                break;
            }
            const double e = error(lattice, (tt - lt) / (ut - lt), (pp - lp) / (up - lp), exact);
            (i < 2 ? errorT : (i < 4 ? errorP : errorOther)) =
                std::fmax(i < 2 ? errorT : (i < 4 ? errorP : errorOther), e);
        }
        if (allValid && errorT <= kSafety && errorP <= kSafety && errorOther <= kSafety) {
            return emit(lt, ut, lp, up, node, lattice);
        }
        // Cut by the edge of the coexisting states (their critical pressure): refined no finer
        // than the table's cells, the rest left to the model.
        const std::uint32_t coarsest = 1U << (maxLevel_ - boundaryLevel_);
        const bool partial = !allValid && t1 - t0 <= coarsest && p1 - p0 <= coarsest;
        if ((!splitT && !splitP) || partial) return emit(lt, ut, lp, up, node, nullptr);
        bool alongT = longerT;
        if (allValid && (errorT > kSafety || errorP > kSafety)) alongT = errorT >= errorP;
        if (alongT && !splitT) alongT = false;
        if (!alongT && !splitP) alongT = true;
        split(alongT);
    }

  private:
    // The place at fraction f (a multiple of ¼) of [i0, i1): a lattice place where the cell is
    // wide enough, so that its children share it.
    double place(std::uint32_t i0, std::uint32_t i1, double f, bool alongT) const {
        const std::uint32_t width = i1 - i0;
        const auto quarters = static_cast<std::uint32_t>(f * 4.0);
        if ((width * quarters) % 4 == 0) {
            const std::uint32_t i = i0 + width * quarters / 4;
            return alongT ? temperature(i) : pressure(i);
        }
        const double lo = alongT ? temperature(i0) : pressure(i0);
        const double hi = alongT ? temperature(i1) : pressure(i1);
        return lo + f * (hi - lo);
    }

    double temperature(std::uint32_t i) const {
        if (i == 1U << maxLevel_) return kHighestC;
        return kLowestC + (kHighestC - kLowestC) * std::ldexp(static_cast<double>(i), -maxLevel_);
    }
    double pressure(std::uint32_t i) const {
        if (i == 1U << maxLevel_) return highP_;
        return lowP_ + (highP_ - lowP_) * std::ldexp(static_cast<double>(i), -maxLevel_);
    }

    static bool valid(const double* g) {
        for (int c = 0; c < kCoexistenceChannels; ++c) {
            if (!std::isfinite(g[c])) return false;
        }
        return true;
    }

    const double* at(double t, double p) {
        const auto key = std::make_pair(std::bit_cast<std::uint64_t>(t), std::bit_cast<std::uint64_t>(p));
        auto found = memo_.find(key);
        if (found == memo_.end()) {
            std::array<double, kCoexistenceChannels> g{};
            coexistingPhases(t, p, g.data());
            ++out_.evaluations;
            found = memo_.emplace(key, g).first;
        }
        return found->second.data();
    }

    double error(const double (*lattice)[kCoexistenceChannels], double s, double t,
                 const double* exact) const {
        double worst = 0.0;
        for (int c = 0; c < kCoexistenceChannels; ++c) {
            double f[kCellColumns];
            for (int k = 0; k < kCellColumns; ++k) f[k] = lattice[k][c];
            const double d = std::fabs(latticeValue(f, s, t) - exact[c]);
            const bool composition = c == 0 || c == 3;
            const bool enthalpy = c == 2 || c == 5;
            const double scale =
                composition ? kAbsoluteShare * tolerance_.absolute
                            : kRelativeShare * tolerance_.relative *
                                  (enthalpy ? std::fmax(std::fabs(exact[c]), tolerance_.enthalpyFloorJKg)
                                            : std::fabs(exact[c]));
            worst = std::fmax(worst, d / scale);
        }
        return worst;
    }

    void emit(double lt, double ut, double lp, double up, std::size_t node,
              const double (*lattice)[kCoexistenceChannels]) {
        TableCoexistenceCell cell{lt, lp, 1.0 / (ut - lt), 1.0 / (up - lp),
                                  lattice != nullptr ? kLeafRegular : kLeafExact, 0,
                                  out_.values.size()};
        if (lattice != nullptr) {
            for (int k = 0; k < kCellColumns; ++k) {
                out_.values.insert(out_.values.end(), lattice[k], lattice[k] + kCoexistenceChannels);
            }
        }
        out_.nodes[node] = {0.0, kNodeLeaf, static_cast<std::uint32_t>(out_.cells.size())};
        out_.cells.push_back(cell);
    }

    double lowP_, highP_;
    TableTolerance tolerance_;
    int maxLevel_;
    int boundaryLevel_;
    CoexistenceTable& out_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::array<double, kCoexistenceChannels>> memo_;
};

}  // namespace

void coexistingPhases(double t, double p, double* g) {
    const double xL = coexistingLiquidComposition(t, p);
    const double xV = coexistingVaporComposition(t, p);
    const FluidPoint liquid = mixtureProperties(t, p, xL, FluidKind::Liquid);
    const FluidPoint vapor = mixtureProperties(t, p, xV, FluidKind::Vapor);
    g[0] = xL;
    g[1] = liquid.densityKgM3;
    g[2] = liquid.specificEnthalpyJKg;
    g[3] = xV;
    g[4] = vapor.densityKgM3;
    g[5] = vapor.specificEnthalpyJKg;
}

void buildCoexistenceCell(std::size_t task, double lowP, double highP,
                          const TableTolerance& tolerance, int rootLevel, int maxLevel,
                          CoexistenceTable& out) {
    // Finer than the table's cells: the coexistence table is the cheaper to refine (two
    // variables, no column), and it is held closer than the tolerance.
    const int finest = std::min(maxLevel + kFinerLevels, 24);
    const std::uint32_t roots = 1U << rootLevel;
    const std::uint32_t width = 1U << (finest - rootLevel);
    const auto it = static_cast<std::uint32_t>(task / roots);
    const auto ip = static_cast<std::uint32_t>(task % roots);
    out.nodes.push_back({});
    CoexistenceRefiner refiner(lowP, highP, tolerance, finest, maxLevel, out);
    refiner.refine(it * width, (it + 1) * width, ip * width, (ip + 1) * width, 0);
}

}  // namespace kelvoran
