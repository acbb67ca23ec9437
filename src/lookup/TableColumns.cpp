#include "lookup/TableColumns.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>

#include "boundaries/ThreePhaseCurve.h"
#include "kelvoran/Constants.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inverse.h"
#include "lookup/ColumnAnalysis.h"

namespace kelvoran {

namespace {

constexpr int kCompositionSamples = 32;   // evenly spaced samples of an x column
constexpr int kTemperatureSamples = 250;  // of the temperature sweep of an h column
constexpr double kLowestC = 0.0;          // °C: the temperatures evaluatePH searches
constexpr double kHighestC = 1000.0;

// Roughly where f changes sign in [lo, hi], from `samples` + 1 values and bisection: places
// to sample a column at, which the column's analysis then resolves exactly.
void addRoots(const std::function<double(double)>& f, double lo, double hi, int samples,
              std::vector<double>& out) {
    double a = lo;
    double fa = f(a);
    for (int i = 1; i <= samples; ++i) {
        const double b = i == samples ? hi : lo + (hi - lo) * i / samples;
        const double fb = f(b);
        if ((fa < 0.0 && fb > 0.0) || (fa > 0.0 && fb < 0.0)) {
            double l = a, u = b, fl = fa;
            for (int k = 0; k < 60 && u - l > 1e-13 * std::fmax(1.0, std::fabs(u)); ++k) {
                const double m = 0.5 * (l + u);
                const double fm = f(m);
                if ((fm < 0.0) == (fl < 0.0)) {
                    l = m;
                    fl = fm;
                } else {
                    u = m;
                }
            }
            out.push_back(l);
            out.push_back(u);
        }
        a = b;
        fa = fb;
    }
}

InverseResult solved(double t, double p, const PointResult& point) {
    InverseResult r;
    r.status = InverseStatus::Solved;
    r.temperatureC = t;
    r.pressureBar = p;
    r.point = point;
    return r;
}

// Whether two enthalpies (J/kg) at the ends of neighbouring pieces, `gap` K apart, are one
// continuous value: pieces cut between adjacent temperatures differ by far less than 1e-8, a
// jump by far more; pieces on either side of a sliver of a few nanokelvin where the model gives
// no value, by far less than the tolerance.
bool continuousAcross(double a, double b, double gap) {
    const double scale = std::fmax(std::fmax(std::fabs(a), std::fabs(b)), 1e5);
    const double d = std::fabs(b - a);
    return d <= 1e-8 * scale || (gap < 1e-6 && d <= 1e-7 * scale);
}

}  // namespace

ColumnModel::ColumnModel(TableVariables variables, const TableBox& box,
                         const std::atomic<bool>* cancelled)
    : variables_(variables), box_(box), cancelled_(cancelled) {}

void ColumnModel::count() {
    if (cancelled_ != nullptr && cancelled_->load(std::memory_order_relaxed)) {
        throw TableCancelled();
    }
    ++evaluations_;
}

ExactValues ColumnModel::direct(double t, double p, double x) {
    count();
    return exactValues(variables_, solved(t, p, calculator_.evaluate(t, p, x)));
}

ExactValues ColumnModel::evaluate(double u, double v, double c) {
    if (variables_ == TableVariables::TemperaturePressure) return direct(u, v, c);
    count();
    return exactValues(variables_, evaluatePH(u, c, v));
}

Column ColumnModel::column(double u, double v) {
    return variables_ == TableVariables::TemperaturePressure ? temperaturePressureColumn(u, v)
                                                             : pressureEnthalpyColumn(u, v);
}

const ExactValues& ColumnModel::node(Column& column, int k, double eta) {
    const ColumnSegment& s = column.segments[static_cast<std::size_t>(k)];
    if (eta <= 0.0 && s.lowerKnown) return s.lower;
    if (eta >= 1.0 && s.upperKnown) return s.upper;
    const double lower = column.breaks[static_cast<std::size_t>(k)];
    const double span = column.breaks[static_cast<std::size_t>(k) + 1] - lower;
    // An end whose state is not known is taken just inside the segment.
    const double e = std::clamp(eta, 1e-9, 1.0 - 1e-9);
    const double c = lower + e * span;
    const std::uint64_t key = std::bit_cast<std::uint64_t>(c);
    const auto found = column.memo.find(key);
    if (found != column.memo.end()) return found->second;
    return column.memo.emplace(key, evaluate(column.u, column.v, c)).first->second;
}

// Along x at (T, P): the pieces of the direct evaluation, sampled also at the compositions of
// the boundaries there.
Column ColumnModel::temperaturePressureColumn(double t, double p) {
    const ColumnSampler sampler = [&](double x) {
        ColumnSample s;
        s.z = x;
        s.exact = direct(t, p, x);
        s.valueCount = channelCount(variables_, static_cast<Phases>(s.exact.signature.state));
        channelValues(variables_, s.exact, s.values);
        return s;
    };
    std::vector<double> extra;
    for (double x : {haliteSaturatedVaporComposition(t, p), haliteLiquidusComposition(t, p),
                     coexistingLiquidComposition(t, p), coexistingVaporComposition(t, p),
                     criticalComposition(t), 0.1, 1e-4}) {
        if (std::isfinite(x)) extra.push_back(x);
    }
    std::size_t evaluations = 0;
    const ColumnPieces pieces = analyseColumn(sampler, box_.composition.lower,
                                              box_.composition.upper, extra, kCompositionSamples,
                                              evaluations);
    Column column;
    column.u = t;
    column.v = p;
    column.breaks.push_back(box_.composition.lower);
    for (std::size_t i = 0; i < pieces.pieces.size(); ++i) {
        const ColumnSample& first = pieces.samples[pieces.pieces[i].first];
        const ColumnSample& last = pieces.samples[pieces.pieces[i].last];
        if (i > 0) column.breaks.push_back(first.z);
        ColumnSegment segment;
        segment.signature = first.exact.signature;
        segment.lower = first.exact;
        segment.upper = last.exact;
        segment.lowerKnown = segment.upperKnown = true;
        column.segments.push_back(segment);
    }
    column.breaks.push_back(box_.composition.upper);
    return column;
}

// Along h at (P, x): the pieces of the temperature sweep 0–1000 °C of the direct evaluation,
// each piece of a state with an enthalpy the stretch of enthalpies it covers; between them
// and beyond them no state (evaluatePH says which status), where pieces overlap, the model.
// Each stretch is checked against evaluatePH at a few places.
Column ColumnModel::pressureEnthalpyColumn(double p, double x) {
    const ColumnSampler sampler = [&](double t) {
        ColumnSample s;
        s.z = t;
        s.exact = direct(t, p, x);
        const int count = channelCount(variables_, static_cast<Phases>(s.exact.signature.state));
        channelValues(variables_, s.exact, s.values);
        s.values[count] = s.exact.values[kBulk][kEnthalpy];
        s.valueCount = count + 1;
        return s;
    };
    std::vector<double> extra = {kWaterCriticalTemperatureC, kThreePhaseMaximumTemperatureC,
                                 kSaltTriplePointTemperatureC, 500.0, 600.0,
                                 saltMeltingTemperatureC(p)};
    const auto curve = [p](double t) { return threePhasePressureBar(t) - p; };
    addRoots(curve, kLowestC, kThreePhaseMaximumTemperatureC, 1, extra);
    addRoots(curve, kThreePhaseMaximumTemperatureC, kSaltTriplePointTemperatureC, 1, extra);
    if (p < kWaterCriticalPressureBar) extra.push_back(waterSaturationTemperatureC(p));
    addRoots([p](double t) { return criticalPressureBar(t) - p; }, kWaterCriticalTemperatureC,
             kHighestC, 16, extra);
    addRoots([p, x](double t) { return haliteLiquidusComposition(t, p) - x; }, kLowestC,
             kHighestC, 32, extra);
    addRoots([p, x](double t) { return haliteSaturatedVaporComposition(t, p) - x; }, kLowestC,
             kHighestC, 32, extra);
    const double critical = criticalTemperatureC(x);
    if (critical > kLowestC && critical < kHighestC) extra.push_back(critical);
    extra.erase(std::remove_if(extra.begin(), extra.end(),
                               [](double t) { return !(t > kLowestC && t < kHighestC); }),
                extra.end());
    std::size_t evaluations = 0;
    const ColumnPieces pieces =
        analyseColumn(sampler, kLowestC, kHighestC, extra, kTemperatureSamples, evaluations);

    // The enthalpy stretch of each piece with a state that has one.
    struct Stretch {
        double lower, upper;
        std::size_t first, last;  // the pieces whose first and last states are its ends
        bool regular;             // h rises through it
    };
    std::vector<Stretch> stretches;
    for (std::size_t i = 0; i < pieces.pieces.size(); ++i) {
        const auto [first, last] = pieces.pieces[i];
        const ExactValues& e = pieces.samples[first].exact;
        // A state with a bulk enthalpy has a stretch, tabulated or (V + L) left to the model.
        const bool modelled = e.signature.kind == SegmentKind::Exact &&
                              static_cast<Phases>(e.signature.state) == Phases::VaporLiquid;
        if (e.signature.kind != SegmentKind::Interpolated && !modelled) continue;
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        bool regular = true, finite = true;
        for (std::size_t k = first; k <= last; ++k) {
            const double h = pieces.samples[k].exact.values[kBulk][kEnthalpy];
            if (!std::isfinite(h)) finite = false;
            // Falling by more than the model's roughness between neighbouring doubles.
            const double before = k > first ? pieces.samples[k - 1].exact.values[kBulk][kEnthalpy] : h;
            if (h < before - 1e-7 * std::fmax(std::fabs(h), 1e5)) regular = false;
            lo = std::fmin(lo, h);
            hi = std::fmax(hi, h);
        }
        if (!finite || !(hi > lo)) continue;
        if (regular) {
            lo = pieces.samples[first].exact.values[kBulk][kEnthalpy];
            hi = pieces.samples[last].exact.values[kBulk][kEnthalpy];
            if (!(hi > lo)) continue;
        }
        // Continuous with the previous stretch (to within the model's roughness, across a cut
        // between adjacent temperatures or a sliver of temperatures without a value): one
        // breakpoint between them, or one stretch where the state is the same.
        if (!stretches.empty()) {
            Stretch& previous = stretches.back();
            const double gapC = pieces.samples[first].z - pieces.samples[pieces.pieces[previous.last].last].z;
            if (continuousAcross(previous.upper, lo, gapC)) {
                const Signature& before = pieces.samples[pieces.pieces[previous.last].first].exact.signature;
                if (before == e.signature && previous.regular && regular) {
                    previous.upper = hi;
                    previous.last = i;
                    continue;
                }
                lo = previous.upper;
                if (!(hi > lo)) continue;
            }
        }
        stretches.push_back({lo, hi, i, i, regular});
    }

    // The stretches cut [h0, h1] into elementary intervals, each covered by none, one or more.
    const double h0 = box_.second.lower, h1 = box_.second.upper;
    std::vector<double> places = {h0, h1};
    for (const Stretch& s : stretches) {
        for (double h : {s.lower, s.upper}) {
            if (h > h0 && h < h1) places.push_back(h);
        }
    }
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());

    Column column;
    column.u = p;
    column.v = x;
    column.breaks.push_back(h0);
    // -1: no stretch (a gap), -2: several or an irregular one (the model), else the stretch.
    std::vector<int> labels;
    for (std::size_t i = 0; i + 1 < places.size(); ++i) {
        const double a = places[i], b = places[i + 1];
        int label = -1;
        for (std::size_t k = 0; k < stretches.size(); ++k) {
            const Stretch& s = stretches[k];
            if (s.lower < b && s.upper > a) label = label == -1 && s.regular ? static_cast<int>(k) : -2;
        }
        if (!labels.empty() && labels.back() == label && label < 0) {
            column.breaks.back() = b;  // extends the previous gap or model segment
            continue;
        }
        labels.push_back(label);
        column.breaks.push_back(b);
        ColumnSegment segment;
        if (label >= 0) {
            const Stretch& s = stretches[static_cast<std::size_t>(label)];
            const std::size_t first = pieces.pieces[s.first].first;
            const std::size_t last = pieces.pieces[s.last].last;
            segment.signature = pieces.samples[first].exact.signature;
            // The piece's end states (their enthalpies differ from a breakpoint snapped to the
            // neighbour's by no more than the model's roughness).
            segment.lowerKnown = a == s.lower;
            segment.upperKnown = b == s.upper;
            segment.lower = pieces.samples[first].exact;
            segment.upper = pieces.samples[last].exact;
        } else {
            segment.signature.kind = label == -1 ? SegmentKind::Gap : SegmentKind::Exact;
        }
        column.segments.push_back(segment);
    }
    // The last breakpoint is h1: the loop ended on it.

    // What evaluatePH says inside each segment.
    for (std::size_t k = 0; k < column.segments.size(); ++k) {
        ColumnSegment& segment = column.segments[k];
        const double a = column.breaks[k], b = column.breaks[k + 1];
        if (segment.signature.kind == SegmentKind::Exact) continue;
        if (segment.signature.kind == SegmentKind::Interpolated) {
            if (!(evaluate(p, x, 0.5 * (a + b)).signature == segment.signature)) {
                segment = ColumnSegment{};  // Exact
            }
            continue;
        }
        const ExactValues first = evaluate(p, x, a + 0.25 * (b - a));
        bool same = true;
        for (double f : {0.5, 0.75}) same = same && evaluate(p, x, a + f * (b - a)).signature == first.signature;
        segment = ColumnSegment{};
        if (same && first.signature.kind != SegmentKind::Exact) segment.signature = first.signature;
    }
    // Neighbours that became alike merge.
    for (std::size_t k = 1; k < column.segments.size();) {
        const Signature& here = column.segments[k].signature;
        if (here.kind != SegmentKind::Interpolated && here == column.segments[k - 1].signature) {
            column.segments.erase(column.segments.begin() + static_cast<std::ptrdiff_t>(k));
            column.breaks.erase(column.breaks.begin() + static_cast<std::ptrdiff_t>(k));
        } else {
            ++k;
        }
    }
    return column;
}

}  // namespace kelvoran
