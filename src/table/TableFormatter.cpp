#include "table/TableFormatter.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>

#include "numerics/BitCast.h"
#include "text/NumberText.h"
#include "text/NumberWriter.h"

namespace kelvoran {

namespace {

constexpr const char* kPhaseNames[] = {"liquid", "vapor", "halite"};

// The computed columns in their default order: those of each phase are repeated for liquid,
// vapor and halite.
struct ColumnDefinition {
    const char* name;
    ColumnKind kind;
    bool perPhase;
};
constexpr ColumnDefinition kStateColumns[] = {
    {"out_of_range", ColumnKind::OutOfRange, false},
    {"state", ColumnKind::State, false},
    {"state_name", ColumnKind::StateName, false},
};
constexpr ColumnDefinition kPhaseColumns[] = {
    {"x_NaCl", ColumnKind::PhaseComposition, true},
    {"w_NaCl", ColumnKind::PhaseSalinity, true},
    {"density_kg_m3", ColumnKind::PhaseDensity, true},
    {"molar_volume_cm3_mol", ColumnKind::PhaseMolarVolume, true},
    {"specific_enthalpy_J_kg", ColumnKind::PhaseEnthalpy, true},
    {"heat_capacity_J_kg_K", ColumnKind::PhaseHeatCapacity, true},
};
constexpr ColumnDefinition kPointColumns[] = {
    {"warnings", ColumnKind::Warnings, false},
    {"fluid_type", ColumnKind::FluidType, false},
};
constexpr ColumnDefinition kAmountColumns[] = {
    {"mass_fraction", ColumnKind::PhaseMassFraction, true},
    {"saturation", ColumnKind::PhaseSaturation, true},
};
constexpr ColumnDefinition kBulkColumns[] = {
    {"bulk_density_kg_m3", ColumnKind::BulkDensity, false},
    {"bulk_specific_enthalpy_J_kg", ColumnKind::BulkEnthalpy, false},
};
constexpr const char* kInverseStatusColumn = "inverse_status";
// The longest field of a fixed-size column (a number, a state, status or fluid-type name) with
// its separator, and the scratch room the writing of one may use past it.
constexpr std::size_t kFieldBytes = kLongestNumberText + 1;
constexpr std::size_t kScratchBytes = kNumberScratchBytes;
// All warning names joined by '|', quoted.
constexpr std::size_t kWarningsBytes = 256;

PhaseValues valuesOf(const PhaseRecord& record) {
    return {record.composition,       record.massPercent * 0.01, record.density,
            record.molarVolume,       record.specificEnthalpy,   record.heatCapacity,
            record.phaseMassFraction, record.saturation};
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool isInverse(TableMode mode) { return mode != TableMode::Direct; }

// The input column of the given bulk property of an inverse mode.
const char* bulkInputColumn(TableMode mode) {
    return mode == TableMode::PressureEnthalpy ? "h_J_kg" : "rho_kg_m3";
}

// Whether a column is computed: empty in a row of an inverse mode whose search found no state.
bool isComputed(ColumnKind kind) {
    return kind >= ColumnKind::OutOfRange && kind != ColumnKind::Error;
}

bool needsQuotes(std::string_view text, char delimiter) {
    if (text.empty()) return false;
    if (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t') {
        return true;
    }
    for (const char ch : text) {
        if (ch == '"' || ch == '\r' || ch == '\n' || ch == delimiter) return true;
    }
    return false;
}

// Writes `text` as one CSV field at `out` (room for 2 × its size + 2) and returns the end.
char* writeField(char* out, std::string_view text, char delimiter) {
    if (!needsQuotes(text, delimiter)) {
        if (!text.empty()) std::memcpy(out, text.data(), text.size());
        return out + text.size();
    }
    *out++ = '"';
    for (const char ch : text) {
        *out++ = ch;
        if (ch == '"') *out++ = '"';
    }
    *out++ = '"';
    return out;
}

char* writeText(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// A short name (a state, a fluid type, a status), padded for a fixed-size copy.
struct ShortName {
    char text[16] = {};
    std::uint8_t size = 0;

    ShortName() = default;
    explicit ShortName(std::string_view name) {
        size = static_cast<std::uint8_t>(name.size() < sizeof text ? name.size() : sizeof text);
        std::memcpy(text, name.data(), size);
    }
};

char* writeShortName(char* out, const ShortName& name) {
    std::memcpy(out, name.text, sizeof name.text);
    return out + name.size;
}

// The names of the codes 0 to 7 of the phase state, 0 to 3 of the fluid type and the inverse
// status; and for each state which values are shown, by Presence (below).
struct ShortNames {
    ShortName states[8], fluidTypes[4], statuses[4];
    bool presence[8][6] = {};

    ShortNames() {
        for (std::int32_t i = 0; i < 8; ++i) {
            const auto phases = static_cast<Phases>(i);
            states[i] = ShortName(shortName(phases));
            const bool halite = hasHalite(phases);
            const bool determined = phases != Phases::Undetermined;
            const bool shown[] = {hasLiquid(phases), hasVapor(phases),      halite,
                                  determined,        determined && !halite, false};
            std::copy(std::begin(shown), std::end(shown), presence[i]);
        }
        for (std::int32_t i = 0; i < 4; ++i) {
            fluidTypes[i] = ShortName(shortName(static_cast<FluidType>(i)));
            statuses[i] = ShortName(inverseStatusName(static_cast<InverseStatus>(i)));
        }
    }
};

const ShortNames kShortNames;

// The warning names joined by '|' at `out` (as warningNames, without allocating).
char* writeWarnings(char* out, std::uint32_t warnings, char delimiter) {
    char names[kWarningsBytes];
    char* p = names;
    for (std::uint32_t bit = 1; bit != 0 && warnings >= bit; bit <<= 1) {
        if ((warnings & bit) == 0) continue;
        const std::string_view name = warningName(static_cast<Warning>(bit));
        if (name.empty() || p + name.size() + 1 > names + sizeof names) continue;
        if (p != names) *p++ = '|';
        p = writeText(p, name);
    }
    return writeField(out, std::string_view(names, static_cast<std::size_t>(p - names)), delimiter);
}

// Room for one row: on the stack for the usual row, on the heap for one with long texts.
class RowSpace {
  public:
    explicit RowSpace(std::size_t bytes) {
        if (bytes > sizeof stack_) {
            heap_ = std::unique_ptr<char[]>(new char[bytes]);
        }
    }
    char* begin() { return heap_ ? heap_.get() : stack_; }

  private:
    char stack_[4096];
    std::unique_ptr<char[]> heap_;
};

}  // namespace

ComputedPoint ComputedPoint::from(const PointResult& result) {
    ComputedPoint point;
    point.phases = result.phases;
    point.warnings = result.warnings;
    point.fluidType = result.fluidType;
    point.liquid = valuesOf(result.liquid);
    point.vapor = valuesOf(result.vapor);
    point.halite = valuesOf(result.halite);
    point.bulkDensity = result.bulk.density;
    point.bulkSpecificEnthalpy = result.bulk.specificEnthalpy;
    return point;
}

ComputedPoint ComputedPoint::from(const InverseResult& result) {
    ComputedPoint point = from(result.point);
    point.status = result.status;
    point.foundTemperatureC = result.temperatureC;
    point.foundPressureBar = result.pressureBar;
    return point;
}

std::string_view inverseStatusName(InverseStatus status) {
    switch (status) {
        case InverseStatus::Solved:
            return "solved";
        case InverseStatus::OutOfRange:
            return "out_of_range";
        case InverseStatus::Undefined:
            return "undefined";
        case InverseStatus::InvalidInput:
            return "invalid_input";
    }
    return "invalid_input";
}

std::string csvField(std::string_view text, char delimiter) {
    std::string field(2 * text.size() + 2, '\0');
    field.resize(
        static_cast<std::size_t>(writeField(field.data(), text, delimiter) - field.data()));
    return field;
}

std::vector<OutputColumn> TableFormatter::defaultColumns(
    const std::vector<std::string>& extraColumns, TableMode mode) {
    std::vector<OutputColumn> columns = {{"line", ColumnKind::Line},
                                         {"T_C", ColumnKind::Temperature},
                                         {"P_bar", ColumnKind::Pressure},
                                         {"x_NaCl", ColumnKind::MoleFraction},
                                         {"w_NaCl", ColumnKind::MassFraction}};
    if (isInverse(mode)) {
        columns.push_back({bulkInputColumn(mode), ColumnKind::GivenBulk});
        columns.push_back({kInverseStatusColumn, ColumnKind::InverseStatus});
    }
    for (std::size_t i = 0; i < extraColumns.size(); ++i) {
        columns.push_back({extraColumns[i], ColumnKind::Extra, 0, static_cast<std::uint32_t>(i)});
    }
    const auto add = [&](const auto& definitions) {
        for (const ColumnDefinition& definition : definitions) {
            if (!definition.perPhase) {
                columns.push_back({definition.name, definition.kind});
            }
        }
    };
    const auto addPerPhase = [&](const auto& definitions) {
        for (std::uint8_t phase = 0; phase < 3; ++phase) {
            for (const ColumnDefinition& definition : definitions) {
                columns.push_back({std::string(kPhaseNames[phase]) + "_" + definition.name,
                                   definition.kind, phase});
            }
        }
    };
    add(kStateColumns);
    addPerPhase(kPhaseColumns);
    add(kPointColumns);
    addPerPhase(kAmountColumns);
    add(kBulkColumns);
    columns.push_back({"error", ColumnKind::Error});
    return columns;
}

TableFormatter::TableFormatter(TableStyle style, std::vector<std::string> extraColumns,
                               TableMode mode)
    : style_(style),
      extraColumns_(std::move(extraColumns)),
      mode_(mode),
      columns_(defaultColumns(extraColumns_, mode_)) {
    prepareSteps();
}

std::vector<OutputColumn> TableFormatter::allColumns() const {
    std::vector<OutputColumn> columns = defaultColumns(extraColumns_, mode_);
    if (derivatives_) {
        std::vector<OutputColumn> added;
        for (std::size_t c = 0; c < derivatives_->count(); ++c) {
            added.push_back({derivatives_->names()[c], ColumnKind::Derivative, 0,
                             static_cast<std::uint32_t>(c)});
        }
        columns.insert(columns.end() - 1, added.begin(), added.end());  // before error
    }
    return columns;
}

void TableFormatter::addDerivatives() {
    derivatives_.emplace(mode_);
    columns_ = allColumns();
    prepareSteps();
}

std::string TableFormatter::select(const std::vector<std::string>& names) {
    const std::vector<OutputColumn> all = allColumns();
    std::vector<OutputColumn> chosen;
    std::vector<bool> taken(all.size(), false);
    for (const std::string& name : names) {
        const std::string_view wanted = trimBlanks(name);
        std::size_t found = all.size();
        // A passed-through column by its exact name first, then any column by its name in any
        // letter case.
        for (std::size_t i = 0; i < all.size() && found == all.size(); ++i) {
            if (all[i].kind == ColumnKind::Extra && trimBlanks(all[i].name) == wanted) found = i;
        }
        for (std::size_t i = 0; i < all.size() && found == all.size(); ++i) {
            if (sameIgnoringCase(trimBlanks(all[i].name), wanted)) found = i;
        }
        std::string fault(1, '\'');
        fault += printable(wanted);
        fault += '\'';
        if (found == all.size()) {
            fault += " is not a column of this table";
            if (isInverse(mode_)) fault += " in this inverse mode";
            return fault + " (see --help for the columns)";
        }
        if (taken[found]) return fault + " is named twice";
        taken[found] = true;
        chosen.push_back(all[found]);
    }
    if (chosen.empty()) return "no column is named";
    columns_ = std::move(chosen);
    prepareSteps();
    return {};
}

ColumnNeeds TableFormatter::needs() const {
    ColumnNeeds needs;
    for (const OutputColumn& column : columns_) {
        switch (column.kind) {
            case ColumnKind::Line:
            case ColumnKind::MoleFraction:
            case ColumnKind::MassFraction:
            case ColumnKind::GivenBulk:
            case ColumnKind::Extra:
            case ColumnKind::OutOfRange:
            case ColumnKind::Error:
                break;
            case ColumnKind::Temperature:
            case ColumnKind::Pressure:
            case ColumnKind::InverseStatus:
                // Found by the search of an inverse mode, which evaluates in any case.
                break;
            case ColumnKind::State:
            case ColumnKind::StateName:
                needs.state = true;
                break;
            case ColumnKind::PhaseComposition:
            case ColumnKind::PhaseSalinity:
                needs.state = needs.compositions = true;
                break;
            case ColumnKind::PhaseDensity:
            case ColumnKind::PhaseMolarVolume:
            case ColumnKind::PhaseSaturation:
                needs.state = needs.volumes = true;
                break;
            case ColumnKind::BulkDensity:
                needs.volumes = true;
                break;
            case ColumnKind::PhaseEnthalpy:
            case ColumnKind::PhaseHeatCapacity:
                needs.state = needs.thermal = true;
                break;
            case ColumnKind::BulkEnthalpy:
                needs.state = needs.thermal = true;  // none with halite
                break;
            case ColumnKind::PhaseMassFraction:
                needs.state = needs.amounts = true;
                break;
            case ColumnKind::Warnings:
                needs.warnings = true;
                break;
            case ColumnKind::FluidType:
                needs.fluidType = true;
                break;
            case ColumnKind::Derivative:
                needs.state = needs.derivatives = true;
                break;
        }
    }
    return needs;
}

std::string TableFormatter::clashingColumn(const std::vector<std::string>& names, TableMode mode) {
    const std::vector<OutputColumn> outputs = defaultColumns({}, mode);
    for (const std::string& name : names) {
        const std::string_view trimmed = trimBlanks(name);
        for (const OutputColumn& column : outputs) {
            if (column.kind > ColumnKind::GivenBulk && sameIgnoringCase(trimmed, column.name)) {
                return name;
            }
            if (column.kind == ColumnKind::Line && sameIgnoringCase(trimmed, column.name)) {
                return name;
            }
        }
    }
    return {};
}

std::string TableFormatter::header() const {
    std::string out;
    for (const OutputColumn& column : columns_) {
        if (!out.empty()) out += style_.delimiter;
        out += column.kind == ColumnKind::Extra ? csvField(column.name, style_.delimiter)
                                                : column.name;
    }
    out += '\n';
    return out;
}

std::size_t TableFormatter::fixedRowBytes() const {
    return columns_.size() * kFieldBytes + kWarningsBytes + kScratchBytes + 1;
}

std::size_t TableFormatter::rowBytes(const InputRow& row) const {
    std::size_t bytes = fixedRowBytes() + 2 * row.error.size() + 2;
    for (const std::string& field : row.inputText) bytes += 2 * field.size() + 2;
    for (const std::string& field : row.extras) bytes += 2 * field.size() + 2;
    return bytes;
}

void TableFormatter::appendRow(std::string& text, const InputRow& row,
                               const ComputedPoint& point) const {
    RowSpace space(rowBytes(row));
    char* const start = space.begin();
    text.append(start, static_cast<std::size_t>(writeRow(start, row, point) - start));
}

void TableFormatter::appendErrorRow(std::string& text, const InputRow& row) const {
    RowSpace space(rowBytes(row));
    char* const start = space.begin();
    text.append(start, static_cast<std::size_t>(writeErrorRow(start, row) - start));
}

namespace {

// When a step's value is shown: with its phase, with any state (the bulk density; a point
// without a state, an input no fluid can have, has no bulk values either), with a state without
// halite (the bulk enthalpy), or never (the enthalpy of halite).
enum Presence : std::uint8_t {
    kLiquid = 0,
    kVapor = 1,
    kHalite = 2,
    kDetermined,
    kDeterminedWithoutHalite,
    kNever
};

std::uint16_t phaseValueOffset(std::uint8_t phase, std::size_t member) {
    constexpr std::size_t phases[] = {offsetof(ComputedPoint, liquid),
                                      offsetof(ComputedPoint, vapor),
                                      offsetof(ComputedPoint, halite)};
    return static_cast<std::uint16_t>(phases[phase] + member);
}

}  // namespace

void TableFormatter::prepareSteps() {
    steps_.clear();
    const bool temperatureGiven =
        mode_ == TableMode::Direct || mode_ == TableMode::TemperatureDensity;
    const bool pressureGiven = mode_ != TableMode::TemperatureDensity;
    for (const OutputColumn& column : columns_) {
        WriteStep step;
        step.computed = isComputed(column.kind);
        step.extra = column.extra;
        const auto computedValue = [&](std::size_t member, std::uint8_t presence) {
            step.op = WriteStep::Computed;
            step.offset = phaseValueOffset(column.phase, member);
            step.presence = presence;
        };
        switch (column.kind) {
            case ColumnKind::Line:
                step.op = WriteStep::Line;
                break;
            case ColumnKind::Temperature:
                if (temperatureGiven) {
                    step.op = WriteStep::Given;
                    step.input = &InputRow::temperatureC;
                } else {
                    step.op = WriteStep::Found;
                    step.offset = offsetof(ComputedPoint, foundTemperatureC);
                }
                break;
            case ColumnKind::Pressure:
                if (pressureGiven) {
                    step.op = WriteStep::Given;
                    step.input = &InputRow::pressureBar;
                } else {
                    step.op = WriteStep::Found;
                    step.offset = offsetof(ComputedPoint, foundPressureBar);
                }
                break;
            case ColumnKind::MoleFraction:
                step.op = WriteStep::Given;
                step.input = &InputRow::composition;
                break;
            case ColumnKind::MassFraction:
                step.op = WriteStep::Given;
                step.input = &InputRow::massFraction;
                break;
            case ColumnKind::GivenBulk:
                step.op = WriteStep::Given;
                step.input = &InputRow::bulkValue;
                break;
            case ColumnKind::InverseStatus:
                step.op = WriteStep::Status;
                break;
            case ColumnKind::Extra:
                step.op = WriteStep::Extra;
                break;
            case ColumnKind::OutOfRange:
                step.op = WriteStep::OutOfRange;
                break;
            case ColumnKind::State:
                step.op = WriteStep::State;
                break;
            case ColumnKind::StateName:
                step.op = WriteStep::StateName;
                break;
            case ColumnKind::PhaseComposition:
                computedValue(offsetof(PhaseValues, composition), column.phase);
                break;
            case ColumnKind::PhaseSalinity:
                computedValue(offsetof(PhaseValues, massFraction), column.phase);
                break;
            case ColumnKind::PhaseDensity:
                computedValue(offsetof(PhaseValues, density), column.phase);
                break;
            case ColumnKind::PhaseMolarVolume:
                computedValue(offsetof(PhaseValues, molarVolume), column.phase);
                break;
            case ColumnKind::PhaseEnthalpy:
                // The model computes no enthalpy for halite.
                computedValue(offsetof(PhaseValues, specificEnthalpy),
                              column.phase == 2 ? std::uint8_t{kNever} : column.phase);
                break;
            case ColumnKind::PhaseHeatCapacity:
                computedValue(offsetof(PhaseValues, heatCapacity), column.phase);
                break;
            case ColumnKind::Warnings:
                step.op = WriteStep::Warnings;
                break;
            case ColumnKind::FluidType:
                step.op = WriteStep::FluidType;
                break;
            case ColumnKind::PhaseMassFraction:
                computedValue(offsetof(PhaseValues, phaseMassFraction), column.phase);
                break;
            case ColumnKind::PhaseSaturation:
                computedValue(offsetof(PhaseValues, saturation), column.phase);
                break;
            case ColumnKind::BulkDensity:
                step.op = WriteStep::Computed;
                step.offset = offsetof(ComputedPoint, bulkDensity);
                step.presence = kDetermined;
                break;
            case ColumnKind::BulkEnthalpy:
                // Without an enthalpy of halite there is no bulk enthalpy of a state with halite.
                step.op = WriteStep::Computed;
                step.offset = offsetof(ComputedPoint, bulkSpecificEnthalpy);
                step.presence = kDeterminedWithoutHalite;
                break;
            case ColumnKind::Error:
                step.op = WriteStep::Nothing;
                break;
            case ColumnKind::Derivative: {
                // Shown with its phase; the bulk's with any state, its enthalpy without halite;
                // the quantity found in every solved row.
                const TableDerivatives::Column& d = derivatives_->column(column.extra);
                step.op = WriteStep::Derivative;
                step.presence = d.phase < 3    ? static_cast<std::uint8_t>(d.phase)
                                : d.phase == 4 ? std::uint8_t{kDetermined}
                                : d.quantity == 2 ? std::uint8_t{kDeterminedWithoutHalite}
                                                  : std::uint8_t{kDetermined};
                break;
            }
        }
        steps_.push_back(step);
    }
    memos_.assign(steps_.size(), NumberMemo{});
}

template <bool kUnsolved>
char* TableFormatter::writeFields(char* out, const InputRow& row,
                                  const ComputedPoint& point) const {
    const char d = style_.delimiter;
    const char mark = style_.decimalMark;
    const int digits = style_.digits;
    const auto code = static_cast<std::uint32_t>(point.phases);
    bool present[6];
    std::memcpy(present, kShortNames.presence[code < 8 ? code : 0], sizeof present);
    const auto* base = reinterpret_cast<const unsigned char*>(&point);
    const ShortNames& names = kShortNames;
    // A number equal to the last one of its column (a grid's slower axes, the phases of a
    // two-phase state along the composition axis) is copied from there.
    const auto number = [&](NumberMemo& memo, double value, int digitsOfValue) {
        const auto bits = bitCast<std::uint64_t>(value);
        if (memo.bits == bits) {
            std::memcpy(out, memo.text, sizeof memo.text);
            out += memo.size;
            return;
        }
        char* const start = out;
        out = writeNumber(out, value, digitsOfValue, mark);
        memo.bits = bits;
        memo.size = static_cast<std::uint8_t>(out - start);
        std::memcpy(memo.text, start, sizeof memo.text);
    };
    NumberMemo* memo = memos_.data();
    for (const WriteStep& step : steps_) {
        NumberMemo& columnMemo = *memo++;
        if (kUnsolved && step.computed) {
            *out++ = d;
            continue;
        }
        // The most frequent step first, outside the switch.
        if (step.op == WriteStep::Computed) {
            if (present[step.presence]) {
                double value;
                std::memcpy(&value, base + step.offset, sizeof value);
                number(columnMemo, value, digits);
            }
            *out++ = d;
            continue;
        }
        switch (step.op) {
            case WriteStep::Line:
                out = writeInteger(out, row.line);
                break;
            case WriteStep::Given:
                number(columnMemo, row.*step.input, 0);
                break;
            case WriteStep::Found:
                if (!kUnsolved) {
                    double value;
                    std::memcpy(&value, base + step.offset, sizeof value);
                    number(columnMemo, value, digits);
                }
                break;
            case WriteStep::Computed:
                if (present[step.presence]) {
                    double value;
                    std::memcpy(&value, base + step.offset, sizeof value);
                    number(columnMemo, value, digits);
                }
                break;
            case WriteStep::Status: {
                const auto code = static_cast<std::uint32_t>(point.status);
                out = code < 4 ? writeShortName(out, names.statuses[code])
                               : writeText(out, inverseStatusName(point.status));
                break;
            }
            case WriteStep::Extra:
                if (step.extra < row.extras.size()) {
                    out = writeField(out, row.extras[step.extra], d);
                }
                break;
            case WriteStep::OutOfRange: {
                const bool temperatureGiven =
                    mode_ == TableMode::Direct || mode_ == TableMode::TemperatureDensity;
                const bool pressureGiven = mode_ != TableMode::TemperatureDensity;
                const double t = temperatureGiven ? row.temperatureC : point.foundTemperatureC;
                const double p = pressureGiven ? row.pressureBar : point.foundPressureBar;
                *out++ = inFittedRange(t, p, row.composition) ? '0' : '1';
                break;
            }
            case WriteStep::State:
                out = writeInteger(out, static_cast<std::int32_t>(point.phases));
                break;
            case WriteStep::StateName: {
                const auto code = static_cast<std::uint32_t>(point.phases);
                out = code < 8 ? writeShortName(out, names.states[code])
                               : writeText(out, shortName(point.phases));
                break;
            }
            case WriteStep::Warnings:
                if (point.warnings != 0) out = writeWarnings(out, point.warnings, d);
                break;
            case WriteStep::FluidType: {
                const auto code = static_cast<std::uint32_t>(point.fluidType);
                out = code < 4 ? writeShortName(out, names.fluidTypes[code])
                               : writeText(out, shortName(point.fluidType));
                break;
            }
            case WriteStep::Derivative:
                if (present[step.presence] && point.derivatives != nullptr) {
                    number(columnMemo, point.derivatives[step.extra * point.derivativeStride],
                           digits);
                }
                break;
            case WriteStep::Nothing:
                break;
        }
        *out++ = d;
    }
    out[-1] = '\n';  // in place of the separator after the last field
    return out;
}

char* TableFormatter::writeRow(char* out, const InputRow& row, const ComputedPoint& point) const {
    if (isInverse(mode_) && point.status != InverseStatus::Solved) {
        return writeFields<true>(out, row, point);
    }
    return writeFields<false>(out, row, point);
}

char* TableFormatter::writeErrorRow(char* out, const InputRow& row) const {
    const char d = style_.delimiter;
    bool first = true;
    for (const OutputColumn& column : columns_) {
        if (!first) *out++ = d;
        first = false;
        std::string_view field;
        switch (column.kind) {
            case ColumnKind::Line:
                out = writeInteger(out, row.line);
                break;
            case ColumnKind::Temperature:
            case ColumnKind::Pressure:
            case ColumnKind::MoleFraction:
            case ColumnKind::MassFraction:
                field = row.inputText[static_cast<std::size_t>(column.kind) -
                                      static_cast<std::size_t>(ColumnKind::Temperature)];
                break;
            case ColumnKind::GivenBulk:
                field = row.inputText[static_cast<std::size_t>(mode_ == TableMode::PressureEnthalpy
                                                                   ? InputColumn::Enthalpy
                                                                   : InputColumn::Density)];
                break;
            case ColumnKind::Extra:
                if (column.extra < row.extras.size()) field = row.extras[column.extra];
                break;
            case ColumnKind::Error:
                field = row.error;
                break;
            default:
                break;  // nothing was evaluated: no status, no computed value
        }
        out = writeField(out, field, d);
    }
    *out++ = '\n';
    return out;
}

}  // namespace kelvoran
