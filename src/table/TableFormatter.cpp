#include "table/TableFormatter.h"

#include "text/NumberText.h"

namespace kelvoran {

namespace {

constexpr const char* kPhaseNames[] = {"liquid", "vapor", "halite"};
constexpr const char* kPhaseColumns[] = {"x_NaCl",
                                         "w_NaCl",
                                         "density_kg_m3",
                                         "molar_volume_cm3_mol",
                                         "specific_enthalpy_J_kg",
                                         "heat_capacity_J_kg_K"};
constexpr const char* kInputColumns[] = {"T_C", "P_bar", "x_NaCl", "w_NaCl"};
constexpr const char* kStateColumns[] = {"out_of_range", "state", "state_name"};
constexpr const char* kAmountColumns[] = {"mass_fraction", "saturation"};
constexpr const char* kPointColumns[] = {"warnings", "fluid_type"};
constexpr const char* kBulkColumns[] = {"bulk_density_kg_m3", "bulk_specific_enthalpy_J_kg"};
constexpr const char* kInverseStatusColumn = "inverse_status";
constexpr int kPhaseColumnCount = 6;
constexpr int kAmountColumnCount = 2;
// out_of_range .. bulk_specific_enthalpy_J_kg
constexpr int kComputedColumns = 3 + 3 * kPhaseColumnCount + 2 + 3 * kAmountColumnCount + 2;

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
    const bool blankEnd = !text.empty() && (text.front() == ' ' || text.front() == '\t' ||
                                            text.back() == ' ' || text.back() == '\t');
    if (!blankEnd && text.find_first_of("\"\r\n") == std::string_view::npos &&
        text.find(delimiter) == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char ch : text) {
        quoted += ch;
        if (ch == '"') {
            quoted += '"';
        }
    }
    quoted += '"';
    return quoted;
}

TableFormatter::TableFormatter(TableStyle style, std::vector<std::string> extraColumns,
                               TableMode mode)
    : style_(style), extraColumns_(std::move(extraColumns)), mode_(mode) {}

int TableFormatter::columnCount() const {
    return 1 + 4 + (isInverse(mode_) ? 2 : 0) + static_cast<int>(extraColumns_.size()) +
           kComputedColumns + 1;
}

std::string TableFormatter::clashingColumn(const std::vector<std::string>& names, TableMode mode) {
    for (const std::string& name : names) {
        const std::string_view trimmed = trimBlanks(name);
        if (sameIgnoringCase(trimmed, "line") || sameIgnoringCase(trimmed, "error")) {
            return name;
        }
        if (isInverse(mode) && sameIgnoringCase(trimmed, kInverseStatusColumn)) return name;
        for (const char* column : kStateColumns) {
            if (sameIgnoringCase(trimmed, column)) return name;
        }
        for (const char* column : kPointColumns) {
            if (sameIgnoringCase(trimmed, column)) return name;
        }
        for (const char* column : kBulkColumns) {
            if (sameIgnoringCase(trimmed, column)) return name;
        }
        for (const char* phase : kPhaseNames) {
            for (const char* column : kPhaseColumns) {
                if (sameIgnoringCase(trimmed, std::string(phase) + "_" + column)) return name;
            }
            for (const char* column : kAmountColumns) {
                if (sameIgnoringCase(trimmed, std::string(phase) + "_" + column)) return name;
            }
        }
    }
    return {};
}

std::string TableFormatter::header() const {
    const char d = style_.delimiter;
    std::string out = "line";
    for (const char* column : kInputColumns) {
        out += d;
        out += column;
    }
    if (isInverse(mode_)) {
        out += d;
        out += bulkInputColumn(mode_);
        out += d;
        out += kInverseStatusColumn;
    }
    for (const std::string& name : extraColumns_) {
        out += d;
        out += csvField(name, d);
    }
    for (const char* column : kStateColumns) {
        out += d;
        out += column;
    }
    for (const char* phase : kPhaseNames) {
        for (const char* column : kPhaseColumns) {
            out += d;
            out += phase;
            out += '_';
            out += column;
        }
    }
    for (const char* column : kPointColumns) {
        out += d;
        out += column;
    }
    for (const char* phase : kPhaseNames) {
        for (const char* column : kAmountColumns) {
            out += d;
            out += phase;
            out += '_';
            out += column;
        }
    }
    for (const char* column : kBulkColumns) {
        out += d;
        out += column;
    }
    out += d;
    out += "error\n";
    return out;
}

void TableFormatter::appendValue(std::string& out, double value, bool computed) const {
    appendNumber(out, value, computed ? style_.digits : 0, style_.decimalMark);
}

void TableFormatter::appendPhase(std::string& out, const PhaseValues& values, bool present,
                                 bool hasEnthalpy) const {
    const char d = style_.delimiter;
    if (!present) {
        out.append(kPhaseColumnCount, d);
        return;
    }
    const auto number = [&](double value) {
        out += d;
        appendValue(out, value, true);
    };
    number(values.composition);
    number(values.massFraction);
    number(values.density);
    number(values.molarVolume);
    out += d;
    if (hasEnthalpy) {
        appendValue(out, values.specificEnthalpy, true);
    }
    number(values.heatCapacity);
}

void TableFormatter::appendExtras(std::string& out, const InputRow& row) const {
    for (std::size_t i = 0; i < extraColumns_.size(); ++i) {
        out += style_.delimiter;
        if (i < row.extras.size()) {
            out += csvField(row.extras[i], style_.delimiter);
        }
    }
}

void TableFormatter::appendRow(std::string& out, const InputRow& row,
                               const ComputedPoint& point) const {
    const char d = style_.delimiter;
    const bool solved = point.status == InverseStatus::Solved;
    // A given value in full; a found one as a computed value, empty when none was found.
    const auto field = [&](double value, bool given) {
        out += d;
        if (given) {
            appendValue(out, value, false);
        } else if (solved) {
            appendValue(out, value, true);
        }
    };
    const bool temperatureGiven =
        mode_ == TableMode::Direct || mode_ == TableMode::TemperatureDensity;
    const bool pressureGiven = mode_ != TableMode::TemperatureDensity;
    const double t = temperatureGiven ? row.temperatureC : point.foundTemperatureC;
    const double p = pressureGiven ? row.pressureBar : point.foundPressureBar;
    out += std::to_string(row.line);
    field(t, temperatureGiven);
    field(p, pressureGiven);
    field(row.composition, true);
    field(row.massFraction, true);
    if (isInverse(mode_)) {
        field(row.bulkValue, true);
        out += d;
        out += inverseStatusName(point.status);
    }
    appendExtras(out, row);
    if (isInverse(mode_) && !solved) {
        out.append(kComputedColumns + 1, d);
        out += '\n';
        return;
    }
    out += d;
    out += inFittedRange(t, p, row.composition) ? '0' : '1';
    out += d;
    out += std::to_string(static_cast<std::int32_t>(point.phases));
    out += d;
    out += shortName(point.phases);
    const bool present[] = {hasLiquid(point.phases), hasVapor(point.phases),
                            hasHalite(point.phases)};
    const PhaseValues* values[] = {&point.liquid, &point.vapor, &point.halite};
    // The model computes no enthalpy for halite.
    for (int phase = 0; phase < 3; ++phase) {
        appendPhase(out, *values[phase], present[phase], phase != 2);
    }
    out += d;
    out += csvField(warningNames(point.warnings), d);
    out += d;
    out += shortName(point.fluidType);
    for (int phase = 0; phase < 3; ++phase) {
        if (!present[phase]) {
            out.append(kAmountColumnCount, d);
            continue;
        }
        field(values[phase]->phaseMassFraction, false);
        field(values[phase]->saturation, false);
    }
    // A point without a state (an input no fluid can have) has no bulk values either.
    const bool determined = point.phases != Phases::Undetermined;
    if (determined) {
        field(point.bulkDensity, false);
    } else {
        out += d;
    }
    out += d;
    // Without an enthalpy of halite there is no bulk enthalpy of a state with halite.
    if (determined && !present[2]) {
        appendValue(out, point.bulkSpecificEnthalpy, true);
    }
    out += d;
    out += '\n';
}

void TableFormatter::appendErrorRow(std::string& out, const InputRow& row) const {
    const char d = style_.delimiter;
    out += std::to_string(row.line);
    for (std::size_t i = 0; i < 4; ++i) {
        out += d;
        out += csvField(row.inputText[i], d);
    }
    if (isInverse(mode_)) {
        const InputColumn given =
            mode_ == TableMode::PressureEnthalpy ? InputColumn::Enthalpy : InputColumn::Density;
        out += d;
        out += csvField(row.inputText[static_cast<std::size_t>(given)], d);
        out += d;  // no status: nothing was evaluated
    }
    appendExtras(out, row);
    out.append(kComputedColumns + 1, d);
    out += csvField(row.error, d);
    out += '\n';
}

}  // namespace kelvoran
