#include "inverse/BulkPropertySearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "boundaries/ThreePhaseCurve.h"
#include "kelvoran/Constants.h"
#include "numerics/BracketedRoot.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteSaturatedVapor.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLowestC = 0.0;        // °C, the search range in temperature
constexpr double kHighestC = 1000.0;    // °C
constexpr double kLowestBar = 1.0;      // bar, the search range in pressure
constexpr double kHighestBar = 5000.0;  // bar
constexpr double kTolerance = 1e-10;    // relative residual a solved state may have

double bulkValue(const PointResult& r, BulkProperty property) {
    return property == BulkProperty::Enthalpy ? r.bulk.specificEnthalpy : r.bulk.density;
}

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

// Temperatures in the search range where the halite status of (T, P, x) changes: on the
// three-phase curve, where the halite-saturated vapor (below the curve) or the halite liquidus
// (above it) reaches x.
std::vector<double> haliteBoundariesInTemperature(double p, double x) {
    std::vector<double> boundaries;
    const auto curve = [p](double t) { return threePhasePressureBar(t) - p; };
    signChanges(curve, kLowestC, kThreePhaseMaximumTemperatureC, 1, boundaries);
    signChanges(curve, kThreePhaseMaximumTemperatureC, kSaltTriplePointTemperatureC, 1, boundaries);
    std::vector<double> ends = boundaries;
    ends.push_back(kLowestC);
    ends.push_back(kHighestC);
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

// V + L + H at an evaluated three-phase point, with the amounts of the three phases that give
// the bulk density ρ: Σ mᵢ = 1, Σ mᵢ wᵢ = w, Σ mᵢ / ρᵢ = 1 / ρ. False when no amounts in
// [0, 1] do.
bool fixThreePhaseAmounts(PointResult& r, double densityKgM3) {
    PhaseRecord* phases[3] = {&r.vapor, &r.liquid, &r.halite};
    double w[3], v[3];
    for (int i = 0; i < 3; ++i) {
        w[i] = phases[i]->massPercent * 0.01;
        v[i] = 1.0 / phases[i]->density;
    }
    const double bulkW = r.bulk.massPercent * 0.01;
    const double bulkV = 1.0 / densityKgM3;
    // Cramer's rule on the rows (1, 1, 1), (w), (v).
    const auto det = [](const double* a, const double* b, const double* c) {
        return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
               a[2] * (b[0] * c[1] - b[1] * c[0]);
    };
    const double ones[3] = {1.0, 1.0, 1.0};
    const double d = det(ones, w, v);
    double m[3];
    for (int i = 0; i < 3; ++i) {
        double a[3] = {1.0, 1.0, 1.0}, b[3] = {w[0], w[1], w[2]}, c[3] = {v[0], v[1], v[2]};
        a[i] = 1.0;
        b[i] = bulkW;
        c[i] = bulkV;
        m[i] = det(a, b, c) / d;
        if (!(m[i] >= -1e-12 && m[i] <= 1.0 + 1e-12)) return false;
    }
    for (int i = 0; i < 3; ++i) {
        phases[i]->phaseMassFraction = m[i];
        phases[i]->saturation = m[i] * v[i] / bulkV;
    }
    r.bulk.density = densityKgM3;
    r.bulk.molarVolume = molarMass(r.bulk.composition) * (1000.0 / densityKgM3);
    r.warnings &= ~static_cast<std::uint32_t>(kWarningAmountsUndetermined);  // fixed now
    return true;
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

bool validComposition(double x) { return x >= 0.0 && x <= 1.0; }

// Where q crosses zero in [lower, upper] (q of opposite signs at the ends), polished where the
// model's own values are rough: each water state is solved to a relative pressure residual of
// 1e-8, so the bulk property has steps of about 1e-9 relative between neighbouring doubles,
// and the root finder may stop at such a step. Newton steps on the local slope from the better
// end then reach the crossing of the piece beside it.
template <typename Q>
double crossing(const Q& q, double lower, double upper, double qLower, double qUpper,
                double tolerance) {
    double z = bracketedRoot(q, lower, upper, qLower, qUpper);
    double qz = q(z);
    if (std::fabs(qz) <= tolerance) return z;
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
    // Still on a step: the places around it a fraction of the Newton step apart.
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
    double a = z[best - 1];
    double b = z[best + 1];
    const double golden = 0.6180339887498949;
    double c = b - golden * (b - a), d = a + golden * (b - a);
    double qc = q(c), qd = q(d);
    for (int i = 0; i < 40 && sign * qc < 0.0 && sign * qd < 0.0; ++i) {
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
    const double top = sign * qc >= sign * qd ? c : d;
    const double qTop = sign * qc >= sign * qd ? qc : qd;
    if (!(sign * qTop >= 0.0)) return false;
    upper = top;
    qUpper = qTop;
    return true;
}

// The search over one variable z (temperature or pressure) shared by both directions:
// `evaluate(z)` gives the state, `value(z)` its bulk property, `pieces` the stretches of one
// region, `withHalite` whether pieces with halite count, `threePhase(lower, upper)` makes the V + L
// + H state of a jump between two pieces (or reports none by a result whose status is not Solved).
// The pieces are tried in order; a piece whose ends do not bracket the target is sampled inside
// only when no piece's ends do (a bulk density may have a maximum, as water has near 4 °C).
template <typename Evaluate, typename Value, typename ThreePhase>
InverseResult search(const Evaluate& evaluate, const Value& value, const std::vector<Piece>& pieces,
                     bool withHalite, double target, BulkProperty property,
                     const ThreePhase& threePhase) {
    const auto q = [&](double z) { return value(z) - target; };
    const double tolerance = kTolerance * std::fabs(target);
    const auto solvedAt = [&](double z) {
        InverseResult r;
        r.point = evaluate(z);
        const double residual = bulkValue(r.point, property) - target;
        // Beyond the roughness of the model's values: a jump inside the piece.
        r.status = std::fabs(residual) <= 100.0 * tolerance ? InverseStatus::Solved
                                                            : InverseStatus::Undefined;
        return r.status == InverseStatus::Solved ? r : failed(InverseStatus::Undefined);
    };
    struct Ends {
        double lower, upper, qLower, qUpper;
    };
    std::vector<Ends> usable;
    bool below = false, above = false;  // whether some usable value lies below / above target
    const Piece* previous = nullptr;
    double previousUpper = kNaN;  // q at the upper end of the previous usable piece
    for (const Piece& piece : pieces) {
        if (piece.halite() && !withHalite) {
            previous = nullptr;
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
        if (previous != nullptr &&
            ((previousUpper < 0.0 && e.qLower > 0.0) || (previousUpper > 0.0 && e.qLower < 0.0))) {
            const InverseResult r = threePhase(previous->upper, e.lower);
            if (r.status == InverseStatus::Solved) return r;
            return solvedAt(
                crossing(q, previous->upper, e.lower, previousUpper, e.qLower, tolerance));
        }
        if ((e.qLower <= 0.0 && e.qUpper >= 0.0) || (e.qLower >= 0.0 && e.qUpper <= 0.0)) {
            return solvedAt(crossing(q, e.lower, e.upper, e.qLower, e.qUpper, tolerance));
        }
        usable.push_back(e);
        previous = &piece;
        previousUpper = e.qUpper;
    }
    for (Ends e : usable) {
        if (interiorBracket(q, e.lower, e.upper, e.qLower, e.qUpper, 16)) {
            return solvedAt(crossing(q, e.lower, e.upper, e.qLower, e.qUpper, tolerance));
        }
    }
    // Values on both sides of the target but none reaching it: a gap (a jump of the model, or
    // states with halite where the enthalpy is not defined). Values on one side only: beyond
    // the range, unless the range ends in states with halite, where the value may lie but is
    // not defined (the property rising with the search variable).
    if (below && above) return failed(InverseStatus::Undefined);
    const bool lowEndLeftOut = !pieces.empty() && pieces.front().halite() && !withHalite;
    const bool highEndLeftOut = !pieces.empty() && pieces.back().halite() && !withHalite;
    const bool targetLow = !below;  // every value lies above the target
    return failed((targetLow ? lowEndLeftOut : highEndLeftOut) ? InverseStatus::Undefined
                                                               : InverseStatus::OutOfRange);
}

}  // namespace

InverseResult temperatureForBulkProperty(PhaseStateEvaluator& evaluator, double pressureBar,
                                         double target, double composition, BulkProperty property) {
    const double p = pressureBar;
    const double x = composition;
    if (!std::isfinite(p) || !(p > 0.0) || !std::isfinite(target) || !validComposition(x) ||
        (property == BulkProperty::Density && !(target > 0.0))) {
        return invalid();
    }
    const std::vector<Piece> pieces =
        piecesOf(haliteBoundariesInTemperature(p, x), kLowestC, kHighestC,
                 [&](double t) { return regionAt(t, p, x); });
    const auto evaluate = [&](double t) { return evaluator.evaluate(t, p, x); };
    // Where the density jumps at the three-phase curve: V + L + H at the curve's temperature.
    const auto threePhase = [&](double lower, double upper) {
        InverseResult r = failed(InverseStatus::Undefined);
        if (property != BulkProperty::Density) return r;
        const auto curve = [p](double t) { return threePhasePressureBar(t) - p; };
        const double gl = curve(lower);
        const double gu = curve(upper);
        if (!((gl < 0.0 && gu > 0.0) || (gl > 0.0 && gu < 0.0))) return r;
        const double t = bracketedRoot(curve, lower, upper, gl, gu);
        PointResult point = evaluator.evaluateThreePhase(t, p, x);
        if (!fixThreePhaseAmounts(point, target)) return r;
        r.status = InverseStatus::Solved;
        r.point = point;
        return r;
    };
    const auto value = [&](double t) {
        return property == BulkProperty::Enthalpy ? evaluator.bulkSpecificEnthalpy(t, p, x)
                                                  : evaluator.evaluate(t, p, x).bulk.density;
    };
    InverseResult r = search(evaluate, value, pieces, property == BulkProperty::Density, target,
                             property, threePhase);
    if (r.status == InverseStatus::Solved) {
        r.temperatureC = r.point.bulk.temperature;
        r.pressureBar = r.point.bulk.pressure;
    }
    return r;
}

InverseResult pressureForBulkDensity(PhaseStateEvaluator& evaluator, double temperatureC,
                                     double densityKgM3, double composition) {
    const double t = temperatureC;
    const double x = composition;
    if (!std::isfinite(t) || !std::isfinite(densityKgM3) || !(densityKgM3 > 0.0) ||
        !validComposition(x)) {
        return invalid();
    }
    // The three-phase pressure at T is an exact double: the classification's own V + L + H
    // point, just above the pieces below and just below those above it.
    const double p3 = threePhasePressureBar(t);
    std::vector<double> boundaries;
    if (p3 > kLowestBar && p3 < kHighestBar) boundaries.push_back(p3);
    signChanges([&](double p) { return x - haliteLiquidusComposition(t, p); }, kLowestBar,
                kHighestBar, 32, boundaries);
    const std::vector<Piece> pieces =
        piecesOf(boundaries, kLowestBar, kHighestBar, [&](double p) { return regionAt(t, p, x); });
    const auto evaluate = [&](double p) { return evaluator.evaluate(t, p, x); };
    const auto threePhase = [&](double lower, double upper) {
        InverseResult r = failed(InverseStatus::Undefined);
        if (!(lower < p3 && p3 < upper)) return r;
        PointResult point = evaluator.evaluate(t, p3, x);
        if (point.phases != Phases::VaporLiquidHalite ||
            !fixThreePhaseAmounts(point, densityKgM3)) {
            return r;
        }
        r.status = InverseStatus::Solved;
        r.point = point;
        return r;
    };
    const auto value = [&](double p) { return evaluate(p).bulk.density; };
    InverseResult r =
        search(evaluate, value, pieces, true, densityKgM3, BulkProperty::Density, threePhase);
    if (r.status == InverseStatus::Solved) {
        r.temperatureC = r.point.bulk.temperature;
        r.pressureBar = r.point.bulk.pressure;
    }
    return r;
}

}  // namespace kelvoran
