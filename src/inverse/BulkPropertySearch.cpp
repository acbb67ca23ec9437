#include "inverse/BulkPropertySearch.h"

#include <algorithm>
#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "boundaries/ThreePhaseCurve.h"
#include "inverse/SinglePhaseTemperature.h"
#include "kelvoran/Constants.h"
#include "numerics/BracketedRoot.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteSaturatedVapor.h"
#include "water/WaterProperties.h"
#include "water/WaterSaturation.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kFittedLowestC = 0.0;        // °C, the fitted range in temperature
constexpr double kFittedHighestC = 1000.0;    // °C
constexpr double kFittedLowestBar = 1.0;      // bar, the fitted range in pressure
constexpr double kFittedHighestBar = 5000.0;  // bar
constexpr double kTolerance = 1e-10;          // relative residual a solved state may have
// Below this temperature (°C) a liquid's density may rise with temperature (cold water has its
// maximum near 4 °C): a density above that of the cold end may be met twice.
constexpr double kColdLimitC = 40.0;
// The pressure below which a liquid's molar volume may be extrapolated from the saturated
// liquid of water, bar, and how far (relative) the density may dip as the pressure rises there.
constexpr double kLowPressureLiquidBar = 16.0;
constexpr double kDipFraction = 1e-3;
// Up to this composition (mole fraction; a liquid's volume below 16 bar is mapped onto water as
// a vapor's is) a jump of the property within this distance of the boiling curve of water (°C,
// or relative in pressure) is the fluid boiling as water does.
constexpr double kDiluteComposition = 1e-4;
constexpr double kBoilingReachC = 0.5;
constexpr double kBoilingReachRelative = 0.02;
// Where a dilute fluid boils: its vapor + liquid field begins about kBubbleOffsetC · x above the
// boiling point of water (the boiling-point elevation of a dilute solution), or
// kBubbleOffsetRelative · x · P below its boiling pressure, and is searched within kBoilingFieldC
// (kBoilingFieldRelative · P) of it.
constexpr double kBubbleOffsetC = 60.0;
constexpr double kBubbleOffsetRelative = 3.0;
constexpr double kBoilingFieldC = 10.0;
constexpr double kBoilingFieldRelative = 0.3;
// A bracket whose ends miss the target by more than this (relative) is a jump of the
// property, not the roughness of the model's values (about 1e-9 relative).
constexpr double kJumpFraction = 1e-6;

// Whether the state at (T, P, x) holds halite: the classification's own tests, closed forms
// only (no water state).
bool haliteAt(double t, double p, double x) {
    const double p3 = threePhasePressureBar(t);
    if (p <= p3) return x > haliteSaturatedVaporComposition(t, p);
    return x > haliteLiquidusComposition(t, p);
}

// Places in [lo, hi] where g changes sign, from `samples` + 1 evenly spaced values refined by
// the bracketed root finder.
template <typename G>
void signChanges(const G& g, double lo, double hi, int samples, std::vector<double>& roots) {
    double a = lo;
    double ga = g(a);
    for (int i = 1; i <= samples; ++i) {
        const double b = i == samples ? hi : lo + (hi - lo) * i / samples;
        const double gb = g(b);
        if ((ga < 0.0 && gb > 0.0) || (ga > 0.0 && gb < 0.0)) {
            roots.push_back(bracketedRoot(g, a, b, ga, gb));
        }
        a = b;
        ga = gb;
    }
}

// A stretch of the search variable on one side of the three-phase curve and of one halite
// status, with its ends moved inside by a little, so that each end lies in that stretch.
struct Piece {
    double lower, upper;
    int region;  // kHaliteBit | kBelowCurveBit
    bool halite() const { return (region & 1) != 0; }
};
constexpr int kHaliteBit = 1;
constexpr int kBelowCurveBit = 2;

// The region of (T, P, x) in the sense of Piece::region.
int regionAt(double t, double p, double x) {
    return (haliteAt(t, p, x) ? kHaliteBit : 0) |
           (p <= threePhasePressureBar(t) ? kBelowCurveBit : 0);
}

// The pieces of [lo, hi] with `boundaries` between them, neighbours of one region merged, each
// end moved inside until it lies in the piece's region.
template <typename Region>
std::vector<Piece> piecesOf(std::vector<double> boundaries, double lo, double hi,
                            const Region& region) {
    std::sort(boundaries.begin(), boundaries.end());
    std::vector<double> ends = {lo};
    for (double b : boundaries) {
        if (b > ends.back() && b < hi) ends.push_back(b);
    }
    ends.push_back(hi);
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i + 1 < ends.size(); ++i) {
        const int here = region(0.5 * (ends[i] + ends[i + 1]));
        if (!pieces.empty() && pieces.back().region == here) {
            pieces.back().upper = ends[i + 1];
        } else {
            pieces.push_back({ends[i], ends[i + 1], here});
        }
    }
    const auto inside = [&](double end, double towards, int here) {
        if (end == lo || end == hi) return end;
        for (double step = 1e-12; step < 1e-3; step *= 10.0) {
            const double moved = end + (towards - end) * step;
            if (region(moved) == here) return moved;
        }
        return end + (towards - end) * 1e-3;
    };
    for (Piece& piece : pieces) {
        const double lower = inside(piece.lower, piece.upper, piece.region);
        piece.upper = inside(piece.upper, piece.lower, piece.region);
        piece.lower = lower;
    }
    return pieces;
}

// Temperatures in [lowest, highest] where the halite status of (T, P, x) changes: on the
// three-phase curve, where the halite-saturated vapor (below the curve) or the halite liquidus
// (above it) reaches x.
std::vector<double> haliteBoundariesInTemperature(double p, double x, double lowest,
                                                  double highest) {
    std::vector<double> boundaries;
    const auto curve = [p](double t) { return threePhasePressureBar(t) - p; };
    signChanges(curve, lowest, kThreePhaseMaximumTemperatureC, 1, boundaries);
    signChanges(curve, kThreePhaseMaximumTemperatureC, kSaltTriplePointTemperatureC, 1, boundaries);
    std::vector<double> ends = boundaries;
    ends.push_back(lowest);
    ends.push_back(highest);
    std::sort(ends.begin(), ends.end());
    for (std::size_t i = 0; i + 1 < ends.size(); ++i) {
        const double a = ends[i];
        const double b = ends[i + 1];
        if (threePhasePressureBar(0.5 * (a + b)) >= p) {
            signChanges([&](double t) { return x - haliteSaturatedVaporComposition(t, p); }, a, b,
                        8, boundaries);
        } else {
            signChanges([&](double t) { return x - haliteLiquidusComposition(t, p); }, a, b, 32,
                        boundaries);
        }
    }
    return boundaries;
}

// The lowest place in [lo, hi] with a finite value, hi's value being finite (the low end of a
// range can reach the ice field of water).
template <typename Q>
double lowestFinite(const Q& q, double lo, double hi) {
    for (int i = 0; i < 40; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (std::isfinite(q(mid))) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return hi;
}

InverseResult invalid() {
    InverseResult r;
    r.status = InverseStatus::InvalidInput;
    r.temperatureC = r.pressureBar = kNaN;
    return r;
}

InverseResult failed(InverseStatus status) {
    InverseResult r = invalid();
    r.status = status;
    return r;
}

InverseResult solved(const PointResult& point, bool amountsFromBulkProperty) {
    InverseResult r;
    r.status = InverseStatus::Solved;
    r.point = point;
    r.temperatureC = point.bulk.temperature;
    r.pressureBar = point.bulk.pressure;
    r.amountsFromBulkProperty = amountsFromBulkProperty;
    return r;
}

bool validComposition(double x) { return x >= 0.0 && x <= 1.0; }

bool straddles(double a, double b) { return (a <= 0.0 && b >= 0.0) || (a >= 0.0 && b <= 0.0); }

// An interval of the search variable whose ends have values of q (the property less the
// target) of opposite signs, or zero.
struct Bracket {
    double lower, upper, qLower, qUpper;
};

// The bracket narrowed by the values (z, q(z)) known inside it.
Bracket narrowedBy(Bracket b, const std::vector<std::pair<double, double>>& values) {
    for (const auto& [z, qz] : values) {
        if (!(z > b.lower && z < b.upper) || !std::isfinite(qz)) continue;
        if ((qz <= 0.0) == (b.qLower <= 0.0)) {
            b.lower = z;
            b.qLower = qz;
        } else {
            b.upper = z;
            b.qUpper = qz;
        }
    }
    return b;
}

// TOMS 748 on a bracket until its ends are a few units in the last place apart: the final
// bracket, with q at its ends (the values met on the way are kept, so that no end is evaluated
// twice).
template <typename Q>
Bracket narrowed(const Q& q, Bracket b) {
    if (b.qLower == 0.0) return {b.lower, b.lower, 0.0, 0.0};
    if (b.qUpper == 0.0) return {b.upper, b.upper, 0.0, 0.0};
    std::vector<std::pair<double, double>> seen;
    seen.reserve(64);
    const auto kept = [&](double z) {
        const double qz = q(z);
        seen.emplace_back(z, qz);
        return qz;
    };
    const auto valueAt = [&](double z) {
        if (z == b.lower) return b.qLower;
        if (z == b.upper) return b.qUpper;
        for (auto it = seen.rbegin(); it != seen.rend(); ++it) {
            if (it->first == z) return it->second;
        }
        return q(z);
    };
    std::uintmax_t iterations = 200;
    const auto close = [](double a, double c) {
        return std::fabs(c - a) <=
               4.0 * std::numeric_limits<double>::epsilon() * std::fmax(std::fabs(a), 1e-300);
    };
    const std::pair<double, double> ends = boost::math::tools::toms748_solve(
        kept, b.lower, b.upper, b.qLower, b.qUpper, close, iterations);
    return {ends.first, ends.second, valueAt(ends.first), valueAt(ends.second)};
}

// A crossing of q within [lower, upper] polished where the model's own values are rough: each
// water state is solved to a relative pressure residual of 1e-8, so the bulk property has steps
// of about 1e-9 relative between neighbouring doubles, and the root finder may stop at such a
// step at z. Newton steps on the local slope from there reach the crossing of the piece beside
// it; failing that, the places around it a fraction of the Newton step apart.
template <typename Q>
double polished(const Q& q, double lower, double upper, double z, double qz, double tolerance) {
    const double step = 1e-7 * std::fmax(std::fabs(z), 1.0);
    const double a = std::fmax(lower, z - step);
    const double b = std::fmin(upper, z + step);
    const double slope = (q(b) - q(a)) / (b - a);
    for (int i = 0; i < 4 && std::fabs(qz) > tolerance; ++i) {
        const double next = std::clamp(z - qz / slope, lower, upper);
        const double qNext = q(next);
        if (!(std::fabs(qNext) < std::fabs(qz))) break;
        z = next;
        qz = qNext;
    }
    const double spacing = std::fabs(qz / slope);
    const double centre = z;
    for (int k = 1; k <= 8 && std::fabs(qz) > tolerance; ++k) {
        for (const double side : {-1.0, 1.0}) {
            const double next = std::clamp(centre + side * 0.25 * k * spacing, lower, upper);
            const double qNext = q(next);
            if (std::fabs(qNext) < std::fabs(qz)) {
                z = next;
                qz = qNext;
            }
        }
    }
    return z;
}

// Golden-section search in [a, b] for the one maximum of sign·q there, for at most `steps` steps,
// stopping once sign·q reaches zero at one of its two inner places: the better of those two and
// q there.
template <typename Q>
std::pair<double, double> goldenTowardsZero(const Q& q, double a, double b, double sign,
                                            int steps) {
    const double golden = 0.6180339887498949;
    double c = b - golden * (b - a), d = a + golden * (b - a);
    double qc = q(c), qd = q(d);
    for (int i = 0; i < steps && sign * qc < 0.0 && sign * qd < 0.0; ++i) {
        if (sign * qc > sign * qd) {
            b = d;
            d = c;
            qd = qc;
            c = b - golden * (b - a);
            qc = q(c);
        } else {
            a = c;
            c = d;
            qc = qd;
            d = a + golden * (b - a);
            qd = q(d);
        }
    }
    return sign * qc >= sign * qd ? std::pair{c, qc} : std::pair{d, qd};
}

// A bracket of a sign change of q inside [lower, upper], whose ends have q of one sign: the
// first sign change among `samples` + 1 places (closer together at the low end, where the
// density of a cold liquid has its maximum), or else the extremum of q towards zero, found by
// golden-section search around the best sample. False when q does not reach zero.
template <typename Q>
bool interiorBracket(const Q& q, double& lower, double& upper, double& qLower, double& qUpper,
                     int samples) {
    const double sign = qLower > 0.0 ? -1.0 : 1.0;  // sign·q > 0 past zero
    std::vector<double> z(samples + 1), v(samples + 1);
    std::size_t best = 0;
    for (int i = 0; i <= samples; ++i) {
        const double f = static_cast<double>(i) / samples;
        z[i] = i == samples ? upper : lower + (upper - lower) * (f * f * f);
        v[i] = i == 0 ? qLower : i == samples ? qUpper : q(z[i]);
        if (i > 0 && std::isfinite(v[i - 1]) && std::isfinite(v[i]) && sign * v[i] >= 0.0) {
            upper = z[i];
            qUpper = v[i];
            lower = z[i - 1];
            qLower = v[i - 1];
            return true;
        }
        if (std::isfinite(v[i]) && sign * v[i] > sign * v[best]) best = i;
    }
    if (best == 0 || best == static_cast<std::size_t>(samples)) return false;
    const auto [top, qTop] = goldenTowardsZero(q, z[best - 1], z[best + 1], sign, 40);
    if (!(sign * qTop >= 0.0)) return false;
    upper = top;
    qUpper = qTop;
    return true;
}

// Brackets, in order, of every crossing of q in [a, b] that samples at n + 1 places reveal
// (place(f) for f = i / n, from a to b): the sign changes between neighbours, and the crossings
// on either side of an extremum between three samples of one sign that may reach zero (it lies
// closer to zero than its neighbours differ from it), found by golden-section search.
template <typename Q, typename Place>
void crossingsInside(const Q& q, double a, double b, double qa, double qb, int n,
                     const Place& place, std::vector<Bracket>& out) {
    std::vector<double> z(n + 1), v(n + 1);
    for (int i = 0; i <= n; ++i) {
        z[i] = i == 0 ? a : i == n ? b : place(static_cast<double>(i) / n);
        v[i] = i == 0 ? qa : i == n ? qb : q(z[i]);
    }
    for (int i = 1; i <= n; ++i) {
        if (!std::isfinite(v[i - 1]) || !std::isfinite(v[i])) continue;
        if ((v[i - 1] < 0.0 && v[i] >= 0.0) || (v[i - 1] > 0.0 && v[i] <= 0.0)) {
            out.push_back({z[i - 1], z[i], v[i - 1], v[i]});
            continue;
        }
        if (i == n || !std::isfinite(v[i + 1])) continue;
        const double sign = v[i] > 0.0 ? 1.0 : -1.0;  // sign·q > 0 at the three samples
        if (!(sign * v[i - 1] > 0.0 && sign * v[i + 1] > 0.0)) continue;
        if (!(sign * v[i] < sign * v[i - 1] && sign * v[i] <= sign * v[i + 1])) continue;
        const double reach = std::fmax(std::fabs(v[i] - v[i - 1]), std::fabs(v[i + 1] - v[i]));
        if (!(std::fabs(v[i]) <= reach)) continue;
        // Towards the extremum of sign·q, until it reaches zero.
        const auto [top, qTop] = goldenTowardsZero(q, z[i - 1], z[i + 1], -sign, 48);
        if (!(sign * qTop <= 0.0)) continue;
        out.push_back({z[i - 1], top, v[i - 1], qTop});
        out.push_back({top, z[i + 1], qTop, v[i + 1]});
    }
}

// Secant steps on a monotonic q (rising with z if `rising`, falling otherwise) from the places
// (z0, q0) and (z1, q1) inside [lower, upper], kept between the nearest places of opposite
// signs once there are some. They go on past |q| <= tolerance towards a thousandth of it while
// they still gain (for `patience` steps without), and stop where that bracket is `resolution`
// wide; the best place met where |q| <= tolerance, or NaN after `steps` steps or at a value that
// is not finite. Every value computed is added to `known`.
template <typename Q>
double secantRoot(const Q& q, bool rising, double z0, double q0, double z1, double q1, double lower,
                  double upper, double tolerance, int steps,
                  std::vector<std::pair<double, double>>& known, double resolution = 0.0,
                  int patience = 3) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double sign = rising ? 1.0 : -1.0;  // sign·q rises with z
    double below = -inf, qBelow = kNaN;       // the highest place with sign·q < 0
    double above = inf, qAbove = kNaN;        // the lowest place with sign·q > 0
    double best = std::fabs(q0) < std::fabs(q1) ? z0 : z1;
    double qBest = std::fmin(std::fabs(q0), std::fabs(q1));
    const auto note = [&](double z, double qz) {
        if (sign * qz < 0.0 && z > below) {
            below = z;
            qBelow = qz;
        } else if (sign * qz > 0.0 && z < above) {
            above = z;
            qAbove = qz;
        }
    };
    note(z0, q0);
    note(z1, q1);
    const double fine = 1e-3 * tolerance;
    int stalled = 0;  // steps since the last gain
    for (int i = 0; i < steps && qBest > fine; ++i) {
        if (std::isfinite(qBelow) && std::isfinite(qAbove) && above - below <= resolution) break;
        double z = z1 - q1 * (z1 - z0) / (q1 - q0);
        if (std::isfinite(qBelow) && std::isfinite(qAbove)) {
            if (!(z > below && z < above)) z = below - qBelow * (above - below) / (qAbove - qBelow);
            if (!(z > below && z < above)) z = 0.5 * (below + above);
        } else {
            const double reach = 4.0 * std::fabs(z1 - z0);
            z = std::clamp(z, std::fmax(lower, z1 - reach), std::fmin(upper, z1 + reach));
        }
        if (!std::isfinite(z) || z == z1 || z == z0) break;
        const double qz = q(z);
        known.emplace_back(z, qz);
        if (!std::isfinite(qz)) return kNaN;
        note(z, qz);
        if (std::fabs(qz) < qBest) {
            best = z;
            qBest = std::fabs(qz);
            stalled = 0;
        } else if (qBest <= tolerance || ++stalled == patience) {
            break;  // on the roughness of the model's values: no further gain
        }
        z0 = z1;
        q0 = q1;
        z1 = z;
        q1 = qz;
    }
    return qBest <= tolerance ? best : kNaN;
}

// What a search over one variable z (temperature or pressure) is given.
struct SearchProblem {
    std::function<PointResult(double)> evaluate;  // the state at z
    std::function<double(double)> value;          // its bulk property (bit for bit), cheaper
    // The V + L + H state of a jump between two pieces at z in (lower, upper), or a result
    // that is not Solved where there is none.
    std::function<InverseResult(double, double)> threePhase;
    BulkProperty property;
    double target;
    bool withHalite;        // whether pieces with halite are searched
    bool alongTemperature;  // z is the temperature (the pressure otherwise)
    // Values q(z) = value(z) − target already computed, each at its z.
    std::vector<std::pair<double, double>> known;
    // Where the property may not be monotonic in z: the top of the stretch from a piece's lower
    // end (lower, upper) that is sampled, or NaN; and whether, with q at its two ends, it is
    // worth sampling.
    std::function<double(double, double)> sampledTop;
    std::function<bool(double, double)> worthSampling;
    // A dilute fluid whose property jumps where water boils: the vapor + liquid of the single
    // fluid on the liquid side of the jump and the saturated vapor of water there (false and
    // nothing made where the jump does not lie on the boiling curve of water). Optional.
    std::function<bool(const PointResult&, PointResult&)> boilingWater;
};

// A vapor + liquid state with the amounts that give the value, by the lever rule on it; a result
// that is not Solved where the value lies beyond the two phases'.
InverseResult vaporLiquidWithAmounts(const SearchProblem& s, PointResult point) {
    const double tolerance = kTolerance * std::fabs(s.target);
    const bool enthalpy = s.property == BulkProperty::Enthalpy;
    const double liquid = enthalpy ? point.liquid.specificEnthalpy : point.liquid.density;
    const double vapor = enthalpy ? point.vapor.specificEnthalpy : point.vapor.density;
    const double m = vaporMassFractionFor(s.property, liquid, vapor, s.target);
    if (!(m >= -1e-9 && m <= 1.0 + 1e-9)) return failed(InverseStatus::Undefined);
    setVaporLiquidAmounts(point, std::clamp(m, 0.0, 1.0));
    if (!(std::fabs(bulkValue(point, s.property) - s.target) <= 100.0 * tolerance)) {
        return failed(InverseStatus::Undefined);
    }
    return solved(point, true);
}

// Finds the state of a bracket that holds a crossing or a jump of q, or a result that is not
// Solved.
InverseResult solveBracket(const SearchProblem& s, Bracket bracket) {
    const auto q = [&](double z) { return s.value(z) - s.target; };
    const double tolerance = kTolerance * std::fabs(s.target);
    // Secant steps first, the property being nearly linear inside most brackets; the root
    // finder, which cannot fail, on what is left of the bracket.
    std::vector<std::pair<double, double>> seen;
    const double root =
        secantRoot(q, bracket.qLower < bracket.qUpper, bracket.lower, bracket.qLower, bracket.upper,
                   bracket.qUpper, bracket.lower, bracket.upper, tolerance, 8, seen,
                   8.0 * std::numeric_limits<double>::epsilon() *
                       std::fmax(std::fabs(bracket.lower), std::fabs(bracket.upper)));
    if (std::isfinite(root)) {
        const PointResult point = s.evaluate(root);
        if (std::fabs(bulkValue(point, s.property) - s.target) <= 100.0 * tolerance) {
            return solved(point, false);
        }
    }
    bracket = narrowedBy(bracket, seen);
    const Bracket b = narrowed(q, bracket);
    double z = std::fabs(b.qLower) <= std::fabs(b.qUpper) ? b.lower : b.upper;
    const double qz = z == b.lower ? b.qLower : b.qUpper;
    const bool rough =
        std::fmin(std::fabs(b.qLower), std::fabs(b.qUpper)) <= kJumpFraction * std::fabs(s.target);
    if (std::fabs(qz) > tolerance && rough) {
        z = polished(q, bracket.lower, bracket.upper, z, qz, tolerance);
    }
    const PointResult point = s.evaluate(z);
    const double residual = std::fabs(bulkValue(point, s.property) - s.target);
    if (residual <= tolerance) return solved(point, false);
    // A vapor + liquid field whose property changes too steeply for neighbouring doubles to
    // reach the value (a dilute fluid's), by the slope over a stretch far wider than the steps
    // of the model's values: that state with the amounts the value fixes.
    bool steep = false;
    if (point.phases == Phases::VaporLiquid) {
        const double step = 1e-7 * std::fmax(std::fabs(z), 1.0);
        const double slope = (q(z + step) - q(z - step)) / (2.0 * step);
        steep = std::fabs(slope) * 8.0 * std::numeric_limits<double>::epsilon() *
                    std::fmax(std::fabs(z), 1.0) >
                tolerance;
    }
    // Within the roughness of the model's values.
    if (!steep && rough && residual <= 100.0 * tolerance) return solved(point, false);
    if (point.phases == Phases::VaporLiquid) {
        const InverseResult r = vaporLiquidWithAmounts(s, point);
        if (r.status == InverseStatus::Solved) return r;
    }

    // A jump across the bracket (its ends neighbouring doubles, or nearly): a vapor + liquid
    // state at one of its ends with the amounts the value fixes, the two single fluids on
    // either side as the two phases, or a dilute fluid boiling where water does.
    if (!(b.upper - b.lower <= 1e-12 * std::fmax(std::fabs(b.lower), 1.0))) {
        return failed(InverseStatus::Undefined);
    }
    const PointResult a = s.evaluate(b.lower);
    const PointResult c = s.evaluate(b.upper);
    const PointResult* ends[2] = {&a, &c};
    if (std::fabs(b.qUpper) < std::fabs(b.qLower)) std::swap(ends[0], ends[1]);
    for (const PointResult* end : ends) {
        if (end->phases != Phases::VaporLiquid) continue;
        const InverseResult r = vaporLiquidWithAmounts(s, *end);
        if (r.status == InverseStatus::Solved) return r;
    }
    // The liquid lies on the low-temperature (high-pressure) side.
    const PointResult& liquidSide = s.alongTemperature ? a : c;
    const PointResult& vaporSide = s.alongTemperature ? c : a;
    PointResult sides;
    if (vaporLiquidFromSides(liquidSide, vaporSide, sides)) {
        const InverseResult r = vaporLiquidWithAmounts(s, sides);
        if (r.status == InverseStatus::Solved) return r;
    }
    if (s.boilingWater && s.boilingWater(liquidSide, sides)) {
        return vaporLiquidWithAmounts(s, sides);
    }
    return failed(InverseStatus::Undefined);
}

// A dilute fluid whose value lies between those of water's saturated liquid and vapor boils just
// past water's boiling point `boiling` (above it along T, `away` = 1; below it along P, -1): its
// vapor + liquid field, as narrow as the salt is little, holds the value, the vapor fraction
// there rising as 1 - a/d with the distance d from the boiling point. A bracket of the crossing
// from secant steps in u = ln d, in which that rise is smooth, starting `first` away and staying
// within `reach`; the state of the bracket then by solveBracket. A result that is not Solved
// where the steps find no such bracket.
InverseResult nearBoiling(const SearchProblem& s, double boiling, double away, double first,
                          double reach) {
    const double tolerance = kTolerance * std::fabs(s.target);
    const auto zAt = [&](double u) { return boiling + away * std::exp(u); };
    const auto q = [&](double u) { return s.value(zAt(u)) - s.target; };
    // Farther into the field the vapor grows: the enthalpy rises, the density falls.
    const bool rising = s.property == BulkProperty::Enthalpy;
    const auto pastRoot = [&](double qu) { return rising ? qu > 0.0 : qu < 0.0; };
    const double step = std::log(4.0);
    const double smallest = std::log(1e-13 * std::fmax(std::fabs(boiling), 1.0));
    double u0 = std::log(first);
    double q0 = q(u0);
    if (!std::isfinite(q0)) return failed(InverseStatus::Undefined);
    // The next place on the other side of the crossing, by steps of a factor 4 in d.
    const double direction = pastRoot(q0) ? -1.0 : 1.0;
    double u1 = u0;
    double q1 = q0;
    while (pastRoot(q1) == pastRoot(q0)) {
        u0 = u1;
        q0 = q1;
        u1 = u0 + direction * step;
        if (u1 > std::log(reach)) return failed(InverseStatus::Undefined);
        if (u1 < smallest) {
            // The crossing lies at the boiling point itself, closer than the doubles resolve.
            const double z = zAt(u0);
            const double qz = q0;
            const double qBoiling = s.value(boiling) - s.target;
            const Bracket b =
                away > 0.0 ? Bracket{boiling, z, qBoiling, qz} : Bracket{z, boiling, qz, qBoiling};
            if (!straddles(b.qLower, b.qUpper)) return failed(InverseStatus::Undefined);
            return solveBracket(s, b);
        }
        q1 = q(u1);
        if (!std::isfinite(q1)) return failed(InverseStatus::Undefined);
    }
    std::vector<std::pair<double, double>> seen = {{u0, q0}, {u1, q1}};
    const bool risingInU = (direction > 0.0) == (q1 > q0);
    // Where neighbouring doubles of z cannot resolve the field further.
    const double resolution =
        8.0 * std::numeric_limits<double>::epsilon() * std::fabs(boiling) / std::exp(u1);
    // Where the field is too steep for neighbouring doubles of T (or P), its values rough by
    // 1e-4 relative or more: steps until a millionth off, then the amounts the value fixes.
    secantRoot(q, risingInU, u0, q0, u1, q1, std::fmin(u0, u1), std::fmax(u0, u1),
               1e3 * kJumpFraction * std::fabs(s.target), 8, seen, resolution, 2);
    // The best place met: the state there, with the amounts the value fixes where the field is
    // too steep (its values too rough) for the steps to reach the value.
    const auto best = std::min_element(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
        return !(std::fabs(a.second) >= std::fabs(b.second));
    });
    const PointResult point = s.evaluate(zAt(best->first));
    if (std::fabs(bulkValue(point, s.property) - s.target) <= tolerance)
        return solved(point, false);
    if (point.phases == Phases::VaporLiquid) {
        const InverseResult r = vaporLiquidWithAmounts(s, point);
        if (r.status == InverseStatus::Solved) return r;
    }
    // The tightest bracket met, in z.
    double inner = kNaN, qInner = kNaN, outer = kNaN, qOuter = kNaN;  // before and past the root
    for (const auto& [u, qu] : seen) {
        if (!std::isfinite(qu)) continue;
        if (!pastRoot(qu) && (std::isnan(inner) || u > inner)) {
            inner = u;
            qInner = qu;
        } else if (pastRoot(qu) && (std::isnan(outer) || u < outer)) {
            outer = u;
            qOuter = qu;
        }
    }
    if (std::isnan(inner) || std::isnan(outer)) return failed(InverseStatus::Undefined);
    const double zInner = zAt(inner), zOuter = zAt(outer);
    const Bracket b = zInner < zOuter ? Bracket{zInner, zOuter, qInner, qOuter}
                                      : Bracket{zOuter, zInner, qOuter, qInner};
    return solveBracket(s, b);
}

// The search over the pieces, in the order of z. Each usable piece whose ends bracket the
// target holds a state; so does the jump between two neighbouring pieces that brackets it, and
// a cold piece whose density rises past the target from its low end (twice). The first of them
// that gives a state is returned, with kWarningMultipleSolutions where there are more; the
// enthalpy rises along the pieces, so its search ends at the first. A piece whose ends do not
// bracket the target is sampled inside only when nothing else holds a state.
InverseResult search(const SearchProblem& s, const std::vector<Piece>& pieces) {
    const auto q = [&](double z) { return s.value(z) - s.target; };
    const bool enthalpy = s.property == BulkProperty::Enthalpy;

    // Values already known that bracket the target inside one piece of the enthalpy: the only
    // crossing there is (the enthalpy rises with T).
    if (enthalpy && s.known.size() >= 2) {
        std::vector<std::pair<double, double>> known = s.known;
        std::sort(known.begin(), known.end());
        for (std::size_t i = 0; i + 1 < known.size(); ++i) {
            const double za = known[i].first, qa = known[i].second;
            const double zb = known[i + 1].first, qb = known[i + 1].second;
            if (!(qa < 0.0 && qb > 0.0)) continue;
            const bool samePiece = std::any_of(pieces.begin(), pieces.end(), [&](const Piece& p) {
                return !p.halite() && p.lower <= za && zb <= p.upper;
            });
            if (!samePiece) continue;
            const InverseResult r = solveBracket(s, {za, zb, qa, qb});
            if (r.status == InverseStatus::Solved) return r;
        }
    }

    struct Ends {
        double lower, upper, qLower, qUpper;
    };
    struct Candidate {
        Bracket bracket;
        bool betweenPieces;  // the jump between two neighbouring pieces
    };
    std::vector<Candidate> candidates;
    std::vector<Ends> usable;
    bool below = false, above = false;  // whether some usable value lies below / above target
    bool havePrevious = false;
    Ends previous{};
    for (const Piece& piece : pieces) {
        if (piece.halite() && !s.withHalite) {
            havePrevious = false;
            continue;
        }
        Ends e{piece.lower, piece.upper, q(piece.lower), q(piece.upper)};
        if (!std::isfinite(e.qUpper)) continue;
        if (!std::isfinite(e.qLower)) {
            e.lower = lowestFinite(q, e.lower, e.upper);
            e.qLower = q(e.lower);
        }
        below = below || e.qLower <= 0.0 || e.qUpper <= 0.0;
        above = above || e.qLower >= 0.0 || e.qUpper >= 0.0;
        // In the jump between the previous piece and this one.
        if (havePrevious && ((previous.qUpper < 0.0 && e.qLower > 0.0) ||
                             (previous.qUpper > 0.0 && e.qLower < 0.0))) {
            candidates.push_back({{previous.upper, e.lower, previous.qUpper, e.qLower}, true});
        }
        // Where the property may not be monotonic: samples inside, and the rest of the piece
        // from their top.
        const double sampledTop = s.sampledTop ? s.sampledTop(e.lower, e.upper) : kNaN;
        bool sampled = false;
        if (!enthalpy && sampledTop > e.lower) {
            const double top = std::fmin(sampledTop, e.upper);
            const double qTop = top == e.upper ? e.qUpper : q(top);
            if (s.worthSampling(e.qLower, qTop)) {
                sampled = true;
                std::vector<Bracket> inside;
                const double lower = e.lower;
                // Closer together at the cold end, where a density maximum lies, or evenly
                // in ln P.
                const auto place = [&](double f) {
                    return s.alongTemperature ? lower + (top - lower) * (f * f * f)
                                              : lower * std::pow(top / lower, f);
                };
                crossingsInside(q, lower, top, e.qLower, qTop, s.alongTemperature ? 10 : 12, place,
                                inside);
                for (const Bracket& b : inside) candidates.push_back({b, false});
                if (top < e.upper && straddles(qTop, e.qUpper) &&
                    !(qTop == 0.0 && !inside.empty())) {
                    candidates.push_back({{top, e.upper, qTop, e.qUpper}, false});
                }
            }
        }
        if (!sampled && straddles(e.qLower, e.qUpper)) {
            candidates.push_back(
                {narrowedBy({e.lower, e.upper, e.qLower, e.qUpper}, s.known), false});
        }
        usable.push_back(e);
        havePrevious = true;
        previous = e;
        if (enthalpy && !candidates.empty()) break;
    }
    if (candidates.empty()) {
        for (Ends e : usable) {
            if (interiorBracket(q, e.lower, e.upper, e.qLower, e.qUpper, 16)) {
                candidates.push_back({{e.lower, e.upper, e.qLower, e.qUpper}, false});
                break;
            }
        }
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Bracket& b = candidates[i].bracket;
        InverseResult r = failed(InverseStatus::Undefined);
        if (candidates[i].betweenPieces) r = s.threePhase(b.lower, b.upper);
        if (r.status != InverseStatus::Solved) r = solveBracket(s, b);
        if (r.status != InverseStatus::Solved) {
            if (i + 1 < candidates.size()) continue;
            return r;
        }
        if (i + 1 < candidates.size()) r.point.warnings |= kWarningMultipleSolutions;
        return r;
    }
    // Values on both sides of the target but none reaching it: a gap (a jump of the model, or
    // states with halite where the enthalpy is not defined). Values on one side only: beyond
    // the range, unless the range ends in states with halite, where the value may lie but is
    // not defined (the property rising with the search variable).
    if (below && above) return failed(InverseStatus::Undefined);
    const bool lowEndLeftOut = !pieces.empty() && pieces.front().halite() && !s.withHalite;
    const bool highEndLeftOut = !pieces.empty() && pieces.back().halite() && !s.withHalite;
    const bool targetLow = !below;  // every value lies above the target
    return failed((targetLow ? lowEndLeftOut : highEndLeftOut) ? InverseStatus::Undefined
                                                               : InverseStatus::OutOfRange);
}

// Pure water between its saturated liquid and vapor: V + L at that point of the boiling curve
// with the amounts the property fixes; a result that is not Solved elsewhere.
InverseResult boilingWater(const WaterSaturatedStates& states, BulkProperty property,
                           double target) {
    const bool enthalpy = property == BulkProperty::Enthalpy;
    const double liquid = enthalpy ? states.liquid.specificEnthalpyJKg : states.liquid.densityKgM3;
    const double vapor = enthalpy ? states.vapor.specificEnthalpyJKg : states.vapor.densityKgM3;
    const double m = vaporMassFractionFor(property, liquid, vapor, target);
    if (!(m >= 0.0 && m <= 1.0)) return failed(InverseStatus::OutOfRange);
    PointResult point = boilingWaterPoint(states);
    setVaporLiquidAmounts(point, m);
    return solved(point, true);
}

// The enthalpy of a single fluid: the temperature of the model's mapping onto pure water,
// checked by the state there. A vapor + liquid state there instead holds the root nearby (its
// enthalpy rising about as steeply as the fluid's): secant steps from there. The places
// evaluated on the way go into s.known for the search that follows where these fail.
InverseResult enthalpyNearSingleFluid(PhaseStateEvaluator& evaluator, SearchProblem& s, double p,
                                      double x, const SearchRange& range,
                                      const WaterSaturatedStates& saturation) {
    const double target = s.target;
    const double lo = range.lowerC;
    const double hi = range.upperC;
    const double tolerance = kTolerance * std::fabs(target);
    const SinglePhaseTemperature single =
        singlePhaseTemperatureForEnthalpy(p, target, x, saturation);
    const double t = single.temperatureC;
    if (!(t >= lo && t <= hi)) return failed(InverseStatus::Undefined);
    PointResult point = evaluator.evaluate(t, p, x);
    double qt = point.bulk.specificEnthalpy - target;
    // The temperature found solves the equation of state to round-off, the model's own water
    // states to 1e-8 in pressure: Newton steps on the state's heat capacity take the rest, and
    // more where the model's values step.
    const double fine = 1e-2 * tolerance;
    for (int i = 0; i < 3 && isSinglePhase(point.phases) && std::fabs(qt) > fine &&
                    std::fabs(qt) <= kJumpFraction * std::fabs(target);
         ++i) {
        const double next =
            std::clamp(point.bulk.temperature - qt / point.bulk.heatCapacity, lo, hi);
        const PointResult polished = evaluator.evaluate(next, p, x);
        const double qNext = polished.bulk.specificEnthalpy - target;
        if (!isSinglePhase(polished.phases) || !(std::fabs(qNext) < std::fabs(qt))) break;
        point = polished;
        qt = qNext;
    }
    if (isSinglePhase(point.phases) && std::fabs(qt) > tolerance &&
        std::fabs(qt) <= kJumpFraction * std::fabs(target)) {
        // Newton's steps stall on the steps of the model's values: the places around.
        const auto q = [&](double z) { return s.value(z) - target; };
        const double z = polished(q, lo, hi, point.bulk.temperature, qt, tolerance);
        const PointResult around = evaluator.evaluate(z, p, x);
        const double qAround = around.bulk.specificEnthalpy - target;
        if (isSinglePhase(around.phases) && std::fabs(qAround) < std::fabs(qt)) {
            point = around;
            qt = qAround;
        }
    }
    if (isSinglePhase(point.phases) && std::fabs(qt) <= 100.0 * tolerance) {
        return solved(point, false);
    }
    const double tc = point.bulk.temperature;
    if (!std::isfinite(qt)) return failed(InverseStatus::Undefined);
    s.known.emplace_back(tc, qt);
    if (point.phases != Phases::VaporLiquid || !(single.heatCapacityJKgK > 0.0)) {
        return failed(InverseStatus::Undefined);
    }
    const double next = std::clamp(tc - qt / single.heatCapacityJKgK, lo, hi);
    const double qNext = s.value(next) - target;
    s.known.emplace_back(next, qNext);
    if (!std::isfinite(qNext) || next == tc) return failed(InverseStatus::Undefined);
    const auto q = [&](double z) { return s.value(z) - target; };
    const double root =
        secantRoot(q, true, tc, qt, next, qNext, lo, hi, tolerance, 8, s.known,
                   8.0 * std::numeric_limits<double>::epsilon() * std::fmax(std::fabs(tc), 1.0));
    if (!std::isfinite(root)) return failed(InverseStatus::Undefined);
    point = evaluator.evaluate(root, p, x);
    if (!(std::fabs(point.bulk.specificEnthalpy - target) <= 100.0 * tolerance)) {
        return failed(InverseStatus::Undefined);
    }
    return solved(point, false);
}

}  // namespace

bool validTemperatureRange(const SearchRange& range) {
    return std::isfinite(range.lowerC) && std::isfinite(range.upperC) &&
           range.lowerC < range.upperC;
}

bool validPressureRange(const SearchRange& range) {
    return std::isfinite(range.lowerBar) && std::isfinite(range.upperBar) && range.lowerBar > 0.0 &&
           range.lowerBar < range.upperBar;
}

InverseResult temperatureForBulkProperty(PhaseStateEvaluator& evaluator, double pressureBar,
                                         double target, double composition, BulkProperty property,
                                         const SearchRange& range) {
    const double p = pressureBar;
    const double x = composition;
    if (!std::isfinite(p) || !(p > 0.0) || !std::isfinite(target) || !validComposition(x) ||
        (property == BulkProperty::Density && !(target > 0.0)) || !validTemperatureRange(range)) {
        return invalid();
    }
    const double lo = range.lowerC;
    const double hi = range.upperC;
    const bool enthalpy = property == BulkProperty::Enthalpy;

    // Below the critical pressure pure water boils at one temperature: a value between its
    // saturated liquid and vapor is that V + L state, and no other state has it.
    WaterSaturatedStates saturation{kNaN, kNaN, {kNaN, kNaN, kNaN}, {kNaN, kNaN, kNaN}};
    if (p < kWaterCriticalPressureBar && (x == 0.0 || enthalpy)) {
        saturation = waterSaturatedStatesAtPressure(p);
    }
    if (x == 0.0 && saturation.temperatureC >= lo && saturation.temperatureC <= hi) {
        const InverseResult r = boilingWater(saturation, property, target);
        if (r.status == InverseStatus::Solved) return r;
    }

    SearchProblem s;
    s.evaluate = [&](double t) { return evaluator.evaluate(t, p, x); };
    s.value = [&](double t) {
        return enthalpy ? evaluator.bulkSpecificEnthalpy(t, p, x)
                        : evaluator.evaluate(t, p, x).bulk.density;
    };
    // Where the density jumps at the three-phase curve: V + L + H at the curve's temperature.
    s.threePhase = [&](double lower, double upper) {
        InverseResult r = failed(InverseStatus::Undefined);
        if (enthalpy) return r;
        const auto curve = [p](double t) { return threePhasePressureBar(t) - p; };
        const double gl = curve(lower);
        const double gu = curve(upper);
        if (!((gl < 0.0 && gu > 0.0) || (gl > 0.0 && gu < 0.0))) return r;
        const double t = bracketedRoot(curve, lower, upper, gl, gu);
        PointResult point = evaluator.evaluateThreePhase(t, p, x);
        if (!fixThreePhaseAmounts(point, target)) return r;
        return solved(point, true);
    };
    s.property = property;
    s.target = target;
    s.withHalite = !enthalpy;
    s.alongTemperature = true;
    // A cold liquid's density may rise with T to a maximum (water's near 4 °C): where it lies
    // below the target at the cold end, it may reach the target twice.
    s.sampledTop = [](double lower, double) { return lower < kColdLimitC ? kColdLimitC : kNaN; };
    s.worthSampling = [](double qLower, double) { return qLower < 0.0; };
    s.boilingWater = [&](const PointResult& liquidSide, PointResult& out) {
        if (!(x <= kDiluteComposition) || !(p < kWaterCriticalPressureBar)) return false;
        if (std::isnan(saturation.temperatureC)) saturation = waterSaturatedStatesAtPressure(p);
        return std::fabs(liquidSide.bulk.temperature - saturation.temperatureC) <= kBoilingReachC &&
               boilingDiluteFluid(liquidSide, saturation, out);
    };

    if (enthalpy) {
        const InverseResult r = enthalpyNearSingleFluid(evaluator, s, p, x, range, saturation);
        if (r.status == InverseStatus::Solved) return r;
    }
    // A dilute fluid with a value between water's saturated liquid and vapor: just above the
    // boiling point of water.
    if (x > 0.0 && x <= kDiluteComposition && p < kWaterCriticalPressureBar) {
        if (std::isnan(saturation.temperatureC)) saturation = waterSaturatedStatesAtPressure(p);
        const double tb = saturation.temperatureC;
        const double m = vaporMassFractionFor(
            property,
            enthalpy ? saturation.liquid.specificEnthalpyJKg : saturation.liquid.densityKgM3,
            enthalpy ? saturation.vapor.specificEnthalpyJKg : saturation.vapor.densityKgM3,
            enthalpy ? target * (1.0 + x) : target);
        if (m > 0.0 && m < 1.0 && tb >= lo && tb + kBoilingFieldC <= hi) {
            const InverseResult r = nearBoiling(s, tb, 1.0, kBubbleOffsetC * x, kBoilingFieldC);
            if (r.status == InverseStatus::Solved) return r;
        }
    }
    const std::vector<Piece> pieces =
        piecesOf(haliteBoundariesInTemperature(p, x, std::fmin(lo, kFittedLowestC),
                                               std::fmax(hi, kFittedHighestC)),
                 lo, hi, [&](double t) { return regionAt(t, p, x); });
    return search(s, pieces);
}

InverseResult pressureForBulkDensity(PhaseStateEvaluator& evaluator, double temperatureC,
                                     double densityKgM3, double composition,
                                     const SearchRange& range) {
    const double t = temperatureC;
    const double x = composition;
    if (!std::isfinite(t) || !std::isfinite(densityKgM3) || !(densityKgM3 > 0.0) ||
        !validComposition(x) || !validPressureRange(range)) {
        return invalid();
    }
    const double lo = range.lowerBar;
    const double hi = range.upperBar;

    // Pure water below its critical temperature boils at one pressure: a density between its
    // saturated vapor and liquid is that V + L state, and no other state has it.
    if (x == 0.0 && t < kWaterCriticalTemperatureC) {
        const WaterSaturatedStates saturation = waterSaturatedStatesAtTemperature(t);
        if (saturation.pressureBar >= lo && saturation.pressureBar <= hi) {
            const InverseResult r = boilingWater(saturation, BulkProperty::Density, densityKgM3);
            if (r.status == InverseStatus::Solved) return r;
        }
    }

    // The three-phase pressure at T is an exact double: the classification's own V + L + H
    // point, just above the pieces below and just below those above it.
    const double p3 = threePhasePressureBar(t);
    SearchProblem s;
    std::vector<double> boundaries;
    if (p3 > lo && p3 < hi) boundaries.push_back(p3);
    const auto liquidus = [&](double p) { return x - haliteLiquidusComposition(t, p); };
    signChanges(liquidus, kFittedLowestBar, std::fmax(hi, kFittedHighestBar), 32, boundaries);
    if (lo < kFittedLowestBar) signChanges(liquidus, lo, kFittedLowestBar, 8, boundaries);
    const std::vector<Piece> pieces =
        piecesOf(boundaries, lo, hi, [&](double p) { return regionAt(t, p, x); });
    s.evaluate = [&](double p) { return evaluator.evaluate(t, p, x); };
    s.value = [&](double p) { return evaluator.evaluate(t, p, x).bulk.density; };
    s.threePhase = [&](double lower, double upper) {
        InverseResult r = failed(InverseStatus::Undefined);
        if (!(lower < p3 && p3 < upper)) return r;
        PointResult point = evaluator.evaluate(t, p3, x);
        if (point.phases != Phases::VaporLiquidHalite ||
            !fixThreePhaseAmounts(point, densityKgM3)) {
            return r;
        }
        return solved(point, true);
    };
    s.property = BulkProperty::Density;
    s.target = densityKgM3;
    s.withHalite = true;
    s.alongTemperature = false;
    // The molar volume of a liquid extrapolated below 16 bar, and of a salt-rich phase from the
    // high-temperature extrapolation below 390.15 bar, may make the density dip as the pressure
    // rises (by up to about 1e-4 relative): near the target there it may be met more than once.
    const double sampledTop =
        t > kThreePhaseMaximumTemperatureC ? kThreePhaseMaximumPressureBar : kLowPressureLiquidBar;
    s.sampledTop = [sampledTop](double lower, double) {
        return lower < sampledTop ? sampledTop : kNaN;
    };
    s.worthSampling = [target = densityKgM3](double qLower, double qTop) {
        return !(qLower * qTop > 0.0) ||
               std::fmin(std::fabs(qLower), std::fabs(qTop)) <= kDipFraction * target;
    };
    s.boilingWater = [&](const PointResult& liquidSide, PointResult& out) {
        if (!(x <= kDiluteComposition) || !(t < kWaterCriticalTemperatureC)) return false;
        const WaterSaturatedStates saturation = waterSaturatedStatesAtTemperature(t);
        return std::fabs(liquidSide.bulk.pressure - saturation.pressureBar) <=
                   kBoilingReachRelative * saturation.pressureBar &&
               boilingDiluteFluid(liquidSide, saturation, out);
    };
    // A dilute fluid with a density between water's saturated vapor and liquid: just below the
    // boiling pressure of water.
    if (x > 0.0 && x <= kDiluteComposition && t < kWaterCriticalTemperatureC) {
        const WaterSaturatedStates w = waterSaturatedStatesAtTemperature(t);
        const double m = vaporMassFractionFor(BulkProperty::Density, w.liquid.densityKgM3,
                                              w.vapor.densityKgM3, densityKgM3);
        const double reach = kBoilingFieldRelative * w.pressureBar;
        if (m > 0.0 && m < 1.0 && w.pressureBar <= hi && w.pressureBar - reach >= lo) {
            const InverseResult r = nearBoiling(s, w.pressureBar, -1.0,
                                                kBubbleOffsetRelative * x * w.pressureBar, reach);
            if (r.status == InverseStatus::Solved) return r;
        }
    }
    return search(s, pieces);
}

}  // namespace kelvoran
