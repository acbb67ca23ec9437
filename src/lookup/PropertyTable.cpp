#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "inverse/TemperatureForEnthalpyNear.h"
#include "kelvoran/Constants.h"
#include "kelvoran/Table.h"
#include "lookup/TableBuilder.h"
#include "lookup/TableChannels.h"
#include "lookup/TableFile.h"
#include "lookup/TableInterpolation.h"
#include "phase/PhaseStateEvaluator.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kPointsPerClaim = 1024;
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

bool isPH(TableVariables variables) { return variables == TableVariables::PressureEnthalpy; }

// The interpolated outputs at (a, b, x), or false where the model must evaluate the point.
// `classifier` checks the phase state of (T, P, x) lookups next to a phase boundary.
// `hint` receives the interpolated temperature (°C, with its gradient) of a segment of the
// temperature alone (SegmentKind::FromTemperature), from which the model solves the state.
bool interpolate(const TableView& t, double a, double b, double x, PhaseStateEvaluator& classifier,
                 Dual3& hint, TableOutputs& out) {
    const TableCoordinates at = tableCoordinates(t.variables, a, b, x);
    if (!(at.u >= t.lowU && at.u <= t.highU && at.v >= t.lowV && at.v <= t.highV &&
          at.c >= t.lowC && at.c <= t.highC)) {
        return false;
    }
    const std::uint32_t last = t.gridPerAxis - 1;
    const auto iu = std::min(static_cast<std::uint32_t>((at.u - t.lowU) * t.gridScaleU), last);
    const auto iv = std::min(static_cast<std::uint32_t>((at.v - t.lowV) * t.gridScaleV), last);
    const TableNode* node = &t.nodes[t.grid[iu * t.gridPerAxis + iv]];
    while (node->kind != kNodeLeaf) {
        const double coordinate = node->kind == 0 ? at.u : at.v;
        node = &t.nodes[node->index + (coordinate >= node->split ? 1 : 0)];
    }
    const TableLeaf& leaf = t.leaves[node->index];
    if (leaf.kind != kLeafRegular) return false;
    const CellGeometry cell{leaf.lowerU, leaf.lowerV, leaf.scaleU, leaf.scaleV,
                            static_cast<int>(leaf.segmentCount), t.breaks + leaf.firstBreak};
    const CellPlace place(cell, at.u, at.v);
    const SegmentLocation where = locateSegment(cell, place, at.c, checkedZone(t.variables));
    if (where.where == CellLookup::Exact) return false;
    const int k = where.segment;
    const TableSegment* segments = t.segments + leaf.firstSegment;
    const TableSegment& segment = segments[k];
    if (where.where == CellLookup::Near) {
        // Next to a change of the phase state (or of the inverse status): the state of the
        // segment holds if the model's classification agrees, which a (P, h, x) table cannot
        // ask without the temperature. A segment of the temperature alone may still give it:
        // the model's state solved from there is checked to be the segment's.
        bool changes = false;
        for (int i = where.first; i <= where.last; ++i) {
            changes = changes || segments[i].state != segment.state ||
                      segments[i].status != segment.status;
        }
        if (changes) {
            const bool tabulated =
                segment.kind == static_cast<std::uint8_t>(SegmentKind::Interpolated);
            const bool fromTemperature =
                segment.kind == static_cast<std::uint8_t>(SegmentKind::FromTemperature);
            if (!fromTemperature &&
                (isPH(t.variables) || !tabulated ||
                 classifier.phasesAt(a, b, x) != static_cast<Phases>(segment.state))) {
                return false;
            }
        }
    }
    switch (static_cast<SegmentKind>(segment.kind)) {
        case SegmentKind::Gap:
            out = TableOutputs{};
            out.state = Phases::Undetermined;
            out.status = static_cast<InverseStatus>(segment.status);
            out.temperature = out.pressure = Dual3(kNaN);
            for (auto& phase : out.values) {
                for (Dual3& v : phase) v = Dual3(kNaN);
            }
            if (isPH(t.variables)) out.pressure = Dual3(a);
            return true;
        case SegmentKind::Interpolated:
            if (!interpolateSegment(t.variables, cell, place, k, segment, t.values, a, b, x,
                                    out)) {
                return false;
            }
            if (isPH(t.variables)) {
                // A solved temperature lies in 0–1000 °C: its interpolant is kept inside.
                const double temperature = std::clamp(out.temperature.v, 0.0, 1000.0);
                if (!inFittedRange(temperature, a, x)) out.warnings |= kWarningOutsideFittedRange;
            } else if (!inFittedRange(a, b, x)) {
                out.warnings |= kWarningOutsideFittedRange;
            }
            return true;
        case SegmentKind::FromTemperature:
            if (interpolateSegment(t.variables, cell, place, k, segment, t.values, a, b, x, out)) {
                hint = out.temperature;
            }
            return false;
        case SegmentKind::Exact:
            break;
    }
    return false;
}

// The model's own result at one point, from the batch functions of the table's variables (so
// that an input no fluid can have gets the batch's answer, state 0 and invalid_input), with the
// model's exact derivatives when asked for.
struct ExactPoint {
    std::int32_t state = 0;
    std::uint32_t warnings = 0;
    std::int32_t fluidType = 0;
    std::int32_t status = 0;
    bool amountsFromBulkProperty = false;
    double temperatureC = kNaN, pressureBar = kNaN;
    double values[4][kPhaseValues] = {};
    // ∂ of the temperature, the pressure, then the phases' mass fraction, density, enthalpy,
    // amount and saturation, by the table's variables.
    double gradients[2 + 4 * 5][3] = {};
};
constexpr int kGradientValues[5] = {kMassFraction, kDensity, kEnthalpy, kAmount, kSaturation};

// The outputs of the model's result `e` at the table's variables (a, b, x).
void outputsOf(TableVariables variables, double a, double b, const ExactPoint& e, bool derivatives,
               TableOutputs& out);

void evaluateExactly(TableVariables variables, double a, double b, double x, bool derivatives,
                     TableOutputs& out) {
    ExactPoint e;
    BatchColumns columns;
    columns.state = &e.state;
    columns.warnings = &e.warnings;
    columns.fluidType = &e.fluidType;
    PhaseColumns* phases[4] = {&columns.liquid, &columns.vapor, &columns.halite, &columns.bulk};
    PhaseDerivativeColumns* gradients[4] = {&columns.derivatives.liquid, &columns.derivatives.vapor,
                                            &columns.derivatives.halite, &columns.derivatives.bulk};
    const auto bind = [](GradientColumns& g, double* into) {
        g.first = into;
        g.second = into + 1;
        g.third = into + 2;
    };
    for (int i = 0; i < 4; ++i) {
        PhaseColumns& c = *phases[i];
        c.composition = &e.values[i][kComposition];
        c.massFraction = &e.values[i][kMassFraction];
        c.density = &e.values[i][kDensity];
        c.specificEnthalpy = &e.values[i][kEnthalpy];
        c.phaseMassFraction = &e.values[i][kAmount];
        c.saturation = &e.values[i][kSaturation];
        if (!derivatives) continue;
        PhaseDerivativeColumns& g = *gradients[i];
        GradientColumns* of[5] = {&g.massFraction, &g.density, &g.specificEnthalpy,
                                  &g.phaseMassFraction, &g.saturation};
        for (int v = 0; v < 5; ++v) bind(*of[v], e.gradients[2 + i * 5 + v]);
    }
    if (derivatives) {
        bind(columns.derivatives.temperature, e.gradients[0]);
        bind(columns.derivatives.pressure, e.gradients[1]);
    }
    BatchOptions options;
    options.threads = 1;
    if (isPH(variables)) {
        InverseColumns inverse;
        inverse.temperatureC = &e.temperatureC;
        inverse.pressureBar = &e.pressureBar;
        inverse.status = &e.status;
        inverse.amountsFromBulkProperty = &e.amountsFromBulkProperty;
        evaluateBatchPH({&a, 1}, {&b, 1}, {&x, 1}, columns, inverse, options);
    } else {
        evaluateBatch({&a, 1}, {&b, 1}, {&x, 1}, columns, options);
        e.temperatureC = a;
        e.pressureBar = b;
    }
    outputsOf(variables, a, b, e, derivatives, out);
}

void outputsOf(TableVariables variables, double a, double b, const ExactPoint& e, bool derivatives,
               TableOutputs& out) {
    out = TableOutputs{};
    out.exact = true;
    out.amountsFromBulkProperty = e.amountsFromBulkProperty;
    out.state = static_cast<Phases>(e.state);
    out.status = static_cast<InverseStatus>(e.status);
    out.fluidType = static_cast<FluidType>(e.fluidType);
    out.warnings = e.warnings;
    const auto dual = [&](double value, const double* g) {
        return derivatives ? Dual3(value, g[0], g[1], g[2]) : Dual3(value);
    };
    out.temperature = dual(e.temperatureC, e.gradients[0]);
    out.pressure = dual(e.pressureBar, e.gradients[1]);
    if (!isPH(variables)) {
        out.temperature = Dual3::variable(a, 0);
        out.pressure = Dual3::variable(b, 1);
    }
    for (int i = 0; i < 4; ++i) {
        Dual3* v = out.values[i];
        for (int k = 0; k < kPhaseValues; ++k) v[k] = Dual3(e.values[i][k]);
        for (int k = 0; k < 5; ++k) {
            v[kGradientValues[k]] = dual(e.values[i][kGradientValues[k]], e.gradients[2 + i * 5 + k]);
        }
        // The mole fraction follows the mass fraction: ∂x = ∂w / (dw/dx).
        const double slope = massFractionOf(Dual3::variable(e.values[i][kComposition], 0)).d[0];
        for (int j = 0; j < 3; ++j) {
            v[kComposition].d[j] = derivatives ? v[kMassFraction].d[j] / slope : 0.0;
        }
    }
}

// The model's state at (P, h, x) of a (P, h, x) table, in the segment's `state`, solved from
// the table's temperature `hint` (within kFromTemperatureTolerance times its tolerance of the
// model's) in a few steps, as the batch gives it; false where the steps do not find it, and
// the model searches as it does without a table.
bool solveFromTemperature(const TableView& view, double p, double h, double x, Phases state,
                          const Dual3& hint, bool derivatives, PhaseStateEvaluator& evaluator,
                          TableOutputs& out) {
    const double reach =
        kFromTemperatureTolerance * view.header->relativeTolerance * std::fabs(hint.v + 273.15);
    PointDerivatives d;
    // The interpolant's ∂T/∂h (its gradient is in (P, h, x)) for a first Newton step.
    const InverseResult r = temperatureForEnthalpyNear(evaluator, p, h, x, state, hint.v, reach,
                                                       hint.d[1], derivatives ? &d : nullptr);
    if (r.status != InverseStatus::Solved) return false;
    ExactPoint e;
    e.state = static_cast<std::int32_t>(r.point.phases);
    e.warnings = r.point.warnings;
    e.fluidType = static_cast<std::int32_t>(r.point.fluidType);
    e.status = static_cast<std::int32_t>(r.status);
    e.temperatureC = r.temperatureC;
    e.pressureBar = r.pressureBar;
    // The values as the batch columns hold them (absent phases NaN).
    const ExactValues values = exactValues(view.variables, r);
    std::memcpy(e.values, values.values, sizeof e.values);
    const PhaseDerivatives* duals[4] = {&d.liquid, &d.vapor, &d.halite, &d.bulk};
    const auto gradient = [](const Dual& q, double* into) {
        for (int j = 0; j < 3; ++j) into[j] = q.d[j];
    };
    for (int i = 0; i < 4 && derivatives; ++i) {
        const PhaseDerivatives& g = *duals[i];
        const Dual* of[5] = {&g.massFraction, &g.density, &g.specificEnthalpy, &g.phaseMassFraction,
                             &g.saturation};
        for (int k = 0; k < 5; ++k) gradient(*of[k], e.gradients[2 + i * 5 + k]);
    }
    if (derivatives) {
        gradient(d.temperature, e.gradients[0]);
        gradient(d.pressure, e.gradients[1]);
    }
    outputsOf(view.variables, p, h, e, derivatives, out);
    return true;
}

void lookup(const TableView& view, double a, double b, double x, bool derivatives,
            PhaseStateEvaluator& evaluator, TableOutputs& out) {
    Dual3 hint(kNaN);
    if (interpolate(view, a, b, x, evaluator, hint, out)) return;
    if (!std::isnan(hint.v) &&
        solveFromTemperature(view, a, b, x, out.state, hint, derivatives, evaluator, out)) {
        return;
    }
    evaluateExactly(view.variables, a, b, x, derivatives, out);
}

void put(double* column, std::size_t i, double value) {
    if (column != nullptr) column[i] = value;
}

// A column of a group the batch writes in full (`Given`) is written without a check.
template <bool Given>
void putIn(double* column, std::size_t i, double value) {
    if (Given || column != nullptr) column[i] = value;
}

// The tabulated values of one phase (NaN where it is absent).
template <bool Given>
void putValues(const PhaseColumns& c, std::size_t i, const Dual3* v, bool present) {
    if (present) {
        putIn<Given>(c.composition, i, v[kComposition].v);
        putIn<Given>(c.massFraction, i, v[kMassFraction].v);
        putIn<Given>(c.density, i, v[kDensity].v);
        putIn<Given>(c.specificEnthalpy, i, v[kEnthalpy].v);
        putIn<Given>(c.phaseMassFraction, i, v[kAmount].v);
        putIn<Given>(c.saturation, i, v[kSaturation].v);
    } else {
        for (double* column : {c.composition, c.massFraction, c.density, c.specificEnthalpy,
                               c.phaseMassFraction, c.saturation}) {
            putIn<Given>(column, i, kNaN);
        }
    }
}

template <bool Given>
void putGradient(const GradientColumns& g, std::size_t i, const Dual3& value) {
    putIn<Given>(g.first, i, value.d[0]);
    putIn<Given>(g.second, i, value.d[1]);
    putIn<Given>(g.third, i, value.d[2]);
}

// The gradients of the values of one phase (NaN where it is absent).
template <bool Given>
void putGradients(const PhaseDerivativeColumns& g, std::size_t i, const Dual3* v, bool present) {
    const GradientColumns* of[5] = {&g.massFraction, &g.density, &g.specificEnthalpy,
                                    &g.phaseMassFraction, &g.saturation};
    constexpr int kValue[5] = {kMassFraction, kDensity, kEnthalpy, kAmount, kSaturation};
    for (int k = 0; k < 5; ++k) putGradient<Given>(*of[k], i, present ? v[kValue[k]] : undefinedDual());
}

// Which groups of columns a batch writes in full (found once per batch): the tabulated values
// of each phase, and their gradients.
struct ColumnGroups {
    bool values[4];
    bool gradients[4];
};

ColumnGroups columnGroups(const BatchColumns& out) {
    const PhaseColumns* phases[4] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
    const DerivativeColumns& d = out.derivatives;
    const PhaseDerivativeColumns* derivatives[4] = {&d.liquid, &d.vapor, &d.halite, &d.bulk};
    ColumnGroups groups{};
    for (int p = 0; p < 4; ++p) {
        const PhaseColumns& c = *phases[p];
        groups.values[p] = c.composition && c.massFraction && c.density && c.specificEnthalpy &&
                           c.phaseMassFraction && c.saturation;
        const PhaseDerivativeColumns& g = *derivatives[p];
        bool all = true;
        for (const GradientColumns* of : {&g.massFraction, &g.density, &g.specificEnthalpy,
                                          &g.phaseMassFraction, &g.saturation}) {
            all = all && of->first && of->second && of->third;
        }
        groups.gradients[p] = all;
    }
    return groups;
}

void write(const TableOutputs& o, std::size_t i, double a, double b, const BatchColumns& out,
           const InverseColumns& inverse, const ColumnGroups& groups, bool ph) {
    if (out.state != nullptr) out.state[i] = static_cast<std::int32_t>(o.state);
    if (out.warnings != nullptr) out.warnings[i] = o.warnings;
    if (out.fluidType != nullptr) out.fluidType[i] = static_cast<std::int32_t>(o.fluidType);
    const PhaseColumns* phases[4] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
    const DerivativeColumns& d = out.derivatives;
    const PhaseDerivativeColumns* derivatives[4] = {&d.liquid, &d.vapor, &d.halite, &d.bulk};
    for (int p = 0; p < 4; ++p) {
        const bool present = phasePresent(o.state, p);
        const PhaseColumns& c = *phases[p];
        const Dual3* v = o.values[p];
        if (groups.values[p]) {
            putValues<true>(c, i, v, present);
        } else {
            putValues<false>(c, i, v, present);
        }
        if (c.molarVolume != nullptr) {
            c.molarVolume[i] =
                present ? molarMass(v[kComposition].v) * (1000.0 / v[kDensity].v) : kNaN;
        }
        put(c.heatCapacity, i, kNaN);
        if (groups.gradients[p]) {
            putGradients<true>(*derivatives[p], i, v, present);
        } else {
            putGradients<false>(*derivatives[p], i, v, present);
        }
    }
    const bool solved = o.status == InverseStatus::Solved && o.state != Phases::Undetermined;
    putGradient<false>(d.temperature, i, solved ? o.temperature : undefinedDual());
    putGradient<false>(d.pressure, i, solved ? o.pressure : undefinedDual());
    if (ph) {
        put(inverse.temperatureC, i, solved ? o.temperature.v : kNaN);
        put(inverse.pressureBar, i, solved ? a : kNaN);
    } else {
        put(inverse.temperatureC, i, a);
        put(inverse.pressureBar, i, b);
    }
    if (inverse.status != nullptr) inverse.status[i] = static_cast<std::int32_t>(o.status);
    if (inverse.amountsFromBulkProperty != nullptr) {
        inverse.amountsFromBulkProperty[i] = o.amountsFromBulkProperty;
    }
}

bool wantsDerivatives(const DerivativeColumns& d) {
    const auto any = [](const GradientColumns& g) {
        return g.first != nullptr || g.second != nullptr || g.third != nullptr;
    };
    const auto anyPhase = [&](const PhaseDerivativeColumns& p) {
        return any(p.massFraction) || any(p.density) || any(p.specificEnthalpy) ||
               any(p.phaseMassFraction) || any(p.saturation);
    };
    return any(d.temperature) || any(d.pressure) || anyPhase(d.liquid) || anyPhase(d.vapor) ||
           anyPhase(d.halite) || anyPhase(d.bulk);
}

void fillRecord(PhaseRecord& r, const TableOutputs& o, int phase) {
    const Dual3* v = o.values[phase];
    r.temperature = o.temperature.v;
    r.pressure = o.pressure.v;
    r.composition = v[kComposition].v;
    r.massFraction = v[kMassFraction].v;
    r.massPercent = r.massFraction * 100.0;
    r.density = v[kDensity].v;
    r.molarVolume = molarMass(r.composition) * (1000.0 / r.density);
    r.specificEnthalpy = v[kEnthalpy].v;
    r.heatCapacity = kNaN;
    r.phaseState = static_cast<std::int32_t>(o.state);
    r.phaseMassFraction = v[kAmount].v;
    r.saturation = v[kSaturation].v;
}

void validate(TableVariables variables, const TableBox& box, const TableTolerance& tolerance,
              const TableBuildOptions& options) {
    if (variables != TableVariables::TemperaturePressure &&
        variables != TableVariables::PressureEnthalpy) {
        throw std::invalid_argument("kelvoran::PropertyTable: unknown table variables");
    }
    for (const TableRange* r : {&box.first, &box.second, &box.composition}) {
        if (!std::isfinite(r->lower) || !std::isfinite(r->upper) || !(r->lower < r->upper)) {
            throw std::invalid_argument(
                "kelvoran::PropertyTable: every range of the box needs finite ends, lower < upper");
        }
    }
    if (box.composition.lower < 0.0 || box.composition.upper > 1.0) {
        throw std::invalid_argument("kelvoran::PropertyTable: the composition range lies in 0-1");
    }
    const TableRange& pressure = isPH(variables) ? box.first : box.second;
    if (!(pressure.lower > 0.0)) {
        throw std::invalid_argument("kelvoran::PropertyTable: pressures must be above 0 bar");
    }
    if (!(tolerance.relative > 0.0) || !(tolerance.absolute > 0.0) ||
        !std::isfinite(tolerance.relative) || !std::isfinite(tolerance.absolute) ||
        !(tolerance.enthalpyFloorJKg >= 0.0) || !std::isfinite(tolerance.enthalpyFloorJKg)) {
        throw std::invalid_argument(
            "kelvoran::PropertyTable: tolerances must be finite and above zero");
    }
    if ((options.maxLevel != 0 && (options.maxLevel < 4 || options.maxLevel > 20)) ||
        options.rootLevel < 0 ||
        options.rootLevel > 8 || (options.maxLevel != 0 && options.rootLevel > options.maxLevel) ||
        options.threads < 0) {
        throw std::invalid_argument(
            "kelvoran::PropertyTable: maxLevel 0 or 4-20, rootLevel 0-8 and at most maxLevel, "
            "threads 0 or more");
    }
}

}  // namespace

std::string_view shortName(TableVariables variables) {
    switch (variables) {
        case TableVariables::TemperaturePressure:
            return "tpx";
        case TableVariables::PressureEnthalpy:
            return "phx";
    }
    return "";
}

TableBox defaultTableBox(TableVariables variables) {
    if (isPH(variables)) return {{1.0, 5000.0}, {0.0, 4.7e6}, {0.0, 1.0}};
    return {{0.0, 1000.0}, {1.0, 5000.0}, {0.0, 1.0}};
}

PropertyTable::PropertyTable(std::shared_ptr<const Storage> storage) : storage_(std::move(storage)) {}

int defaultMaxLevel(TableVariables variables) { return isPH(variables) ? 8 : 10; }

int defaultMaxLevel(TableVariables variables, const TableBox& box) {
    const int finest = defaultMaxLevel(variables);
    const TableBox full = defaultTableBox(variables);
    // The levels fewer that give cells as wide along one lateral variable ((T, P) or (P, x)).
    const auto fewer = [](const TableRange& fitted, const TableRange& range) {
        const double ratio = (fitted.upper - fitted.lower) / (range.upper - range.lower);
        return static_cast<int>(std::lround(std::log2(ratio)));
    };
    const bool ph = isPH(variables);
    const int level = finest - std::min(fewer(full.first, box.first),
                                        ph ? fewer(full.composition, box.composition)
                                           : fewer(full.second, box.second));
    return std::clamp(level, 4, finest);
}

namespace {

// The storage of a table held in memory (built here or given as bytes), checked and attached;
// `name` for the messages.
std::shared_ptr<PropertyTable::Storage> ownedStorage(std::vector<std::byte> image,
                                                     const std::string& name) {
    auto storage = std::make_shared<PropertyTable::Storage>();
    storage->owned = std::move(image);
    storage->bytes = storage->owned.data();
    storage->size = storage->owned.size();
    attachTable(*storage, name);
    return storage;
}

}  // namespace

PropertyTable PropertyTable::build(TableVariables variables, const TableBox& box,
                                   const TableTolerance& tolerance,
                                   const TableBuildOptions& given) {
    TableBuildOptions options = given;
    validate(variables, box, tolerance, options);
    if (options.maxLevel == 0) {
        options.maxLevel = std::max(defaultMaxLevel(variables, box), options.rootLevel);
    }
    const auto start = std::chrono::steady_clock::now();
    auto storage = ownedStorage(buildTableImage(variables, box, tolerance, options),
                                "the table built");
    storage->buildSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return PropertyTable(std::move(storage));
}

PropertyTable PropertyTable::load(const std::string& path) {
    auto storage = std::make_shared<Storage>();
    mapTableFile(*storage, path);
    return PropertyTable(std::move(storage));
}

PropertyTable PropertyTable::fromBytes(std::span<const std::byte> bytes, const std::string& name) {
    return PropertyTable(ownedStorage({bytes.begin(), bytes.end()}, name));
}

std::span<const std::byte> PropertyTable::bytes() const { return {storage_->bytes, storage_->size}; }

void PropertyTable::save(const std::string& path) const {
    writeTableFile(path, storage_->bytes, storage_->size);
}

TableVariables PropertyTable::variables() const { return storage_->view.variables; }

TableBox PropertyTable::box() const {
    const double* b = storage_->view.header->box;
    return {{b[0], b[1]}, {b[2], b[3]}, {b[4], b[5]}};
}

TableTolerance PropertyTable::tolerance() const {
    const TableHeader& h = *storage_->view.header;
    return {h.relativeTolerance, h.absoluteTolerance, h.enthalpyFloorJKg};
}

std::string PropertyTable::kelvoranVersion() const {
    const char* v = storage_->view.header->kelvoranVersion;
    return std::string(v, strnlen(v, sizeof storage_->view.header->kelvoranVersion));
}

int PropertyTable::maxLevel() const { return storage_->view.header->maxLevel; }
int PropertyTable::rootLevel() const { return storage_->view.header->rootLevel; }

TableStatistics PropertyTable::statistics() const {
    const TableHeader& h = *storage_->view.header;
    TableStatistics s;
    s.cells = h.cells;
    s.exactCells = h.exactCells;
    s.segments = h.segmentCount;
    s.exactSegments = h.exactSegments;
    s.nodes = h.nodeCount;
    s.fileBytes = h.fileBytes;
    s.buildSeconds = storage_->buildSeconds;
    s.modelEvaluations = h.modelEvaluations;
    return s;
}

TablePoint PropertyTable::evaluate(double first, double second, double composition) const {
    const TableView& view = storage_->view;
    TableOutputs o;
    PhaseStateEvaluator classifier;
    lookup(view, first, second, composition, true, classifier, o);
    TablePoint p;
    p.exact = o.exact;
    InverseResult& r = p.result;
    r.status = o.status;
    const bool solved = o.status == InverseStatus::Solved && o.state != Phases::Undetermined;
    if (isPH(view.variables)) {
        r.temperatureC = solved ? o.temperature.v : kNaN;
        r.pressureBar = solved ? first : kNaN;
    } else {
        r.temperatureC = first;
        r.pressureBar = second;
    }
    if (o.status == InverseStatus::Solved) {
        r.amountsFromBulkProperty = o.amountsFromBulkProperty;
        r.point.phases = o.state;
        r.point.warnings = o.warnings;
        r.point.fluidType = o.fluidType;
        PhaseRecord* records[4] = {&r.point.liquid, &r.point.vapor, &r.point.halite, &r.point.bulk};
        for (int i = 0; i < 4; ++i) {
            if (phasePresent(o.state, i)) fillRecord(*records[i], o, i);
        }
    }
    TablePoint::Gradient& g = p.derivatives;
    const auto gradient = [&](const Dual3& v, bool present) {
        return present ? std::array<double, 3>{v.d[0], v.d[1], v.d[2]}
                       : std::array<double, 3>{kNaN, kNaN, kNaN};
    };
    const auto of = [&](int phase, int value) {
        return gradient(o.values[phase][value], phasePresent(o.state, phase));
    };
    g.temperature = gradient(o.temperature, solved);
    g.liquidComposition = of(kLiquid, kComposition);
    g.liquidMassFraction = of(kLiquid, kMassFraction);
    g.liquidDensity = of(kLiquid, kDensity);
    g.liquidSpecificEnthalpy = of(kLiquid, kEnthalpy);
    g.liquidPhaseMassFraction = of(kLiquid, kAmount);
    g.liquidSaturation = of(kLiquid, kSaturation);
    g.vaporComposition = of(kVapor, kComposition);
    g.vaporMassFraction = of(kVapor, kMassFraction);
    g.vaporDensity = of(kVapor, kDensity);
    g.vaporSpecificEnthalpy = of(kVapor, kEnthalpy);
    g.vaporPhaseMassFraction = of(kVapor, kAmount);
    g.vaporSaturation = of(kVapor, kSaturation);
    g.halitePhaseMassFraction = of(kHalite, kAmount);
    g.haliteSaturation = of(kHalite, kSaturation);
    g.haliteDensity = of(kHalite, kDensity);
    g.bulkDensity = of(kBulk, kDensity);
    g.bulkSpecificEnthalpy = of(kBulk, kEnthalpy);
    return p;
}

BatchStatus PropertyTable::evaluate(std::span<const double> first, std::span<const double> second,
                                    std::span<const double> composition, const BatchColumns& out,
                                    const InverseColumns& inverse,
                                    const BatchOptions& options) const {
    if (first.size() != second.size() || first.size() != composition.size()) {
        throw std::invalid_argument("kelvoran::PropertyTable::evaluate: the inputs differ in length");
    }
    const std::size_t total = first.size();
    const TableView& view = storage_->view;
    const bool withDerivatives = wantsDerivatives(out.derivatives);
    const ColumnGroups groups = columnGroups(out);
    const bool ph = isPH(view.variables);
    std::atomic<std::size_t> next{0}, finished{0};
    std::atomic<bool> cancelled{false};
    const auto report = [&](std::size_t done) {
        if (options.progress && !options.progress(done, total)) cancelled.store(true);
    };
    // The calling thread works too, and reports progress between its blocks.
    const auto work = [&](bool caller) {
        TableOutputs o;
        PhaseStateEvaluator classifier;
        auto last = std::chrono::steady_clock::now();
        while (!cancelled.load(std::memory_order_relaxed)) {
            const std::size_t begin = next.fetch_add(kPointsPerClaim);
            if (begin >= total) break;
            const std::size_t end = std::min(begin + kPointsPerClaim, total);
            for (std::size_t i = begin; i < end; ++i) {
                lookup(view, first[i], second[i], composition[i], withDerivatives, classifier, o);
                write(o, i, first[i], second[i], out, inverse, groups, ph);
            }
            finished.fetch_add(end - begin, std::memory_order_relaxed);
            if (caller && options.progress) {
                const auto now = std::chrono::steady_clock::now();
                if (now - last >= kProgressInterval) {
                    last = now;
                    report(finished.load());
                }
            }
        }
    };
    report(0);
    if (cancelled.load()) return BatchStatus::Cancelled;
    std::size_t threads = options.threads > 0 ? static_cast<std::size_t>(options.threads)
                                              : std::max(1U, std::thread::hardware_concurrency());
    threads = std::min(threads, (total + kPointsPerClaim - 1) / kPointsPerClaim);
    std::vector<std::thread> workers;
    try {
        for (std::size_t i = 1; i < threads; ++i) workers.emplace_back(work, false);
    } catch (const std::system_error&) {
        // The threads that started, and this one, do the work.
    }
    try {
        work(true);
    } catch (...) {
        cancelled.store(true);
        for (std::thread& w : workers) w.join();
        throw;
    }
    for (std::thread& w : workers) w.join();
    if (cancelled.load() && finished.load() < total) return BatchStatus::Cancelled;
    if (options.progress) options.progress(total, total);
    return BatchStatus::Completed;
}

}  // namespace kelvoran
