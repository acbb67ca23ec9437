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
constexpr int kPhaseColumnCount = 6;
// out_of_range .. halite_heat_capacity_J_kg_K
constexpr int kComputedColumns = 3 + 3 * kPhaseColumnCount;

PhaseValues valuesOf(const PhaseRecord& record) {
    return {record.composition, record.massPercent * 0.01, record.density,
            record.molarVolume, record.specificEnthalpy,   record.heatCapacity};
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

ComputedPoint ComputedPoint::from(const PointResult& result) {
    return {result.phases, valuesOf(result.liquid), valuesOf(result.vapor),
            valuesOf(result.halite)};
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

TableFormatter::TableFormatter(TableStyle style, std::vector<std::string> extraColumns)
    : style_(style), extraColumns_(std::move(extraColumns)) {}

int TableFormatter::columnCount() const {
    return 1 + 4 + static_cast<int>(extraColumns_.size()) + kComputedColumns + 1;
}

std::string TableFormatter::clashingColumn(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::string_view trimmed = trimBlanks(name);
        if (sameIgnoringCase(trimmed, "line") || sameIgnoringCase(trimmed, "error")) {
            return name;
        }
        for (const char* column : kStateColumns) {
            if (sameIgnoringCase(trimmed, column)) return name;
        }
        for (const char* phase : kPhaseNames) {
            for (const char* column : kPhaseColumns) {
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
    out += d;
    out += "error\n";
    return out;
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
        appendNumber(out, value, style_.digits, style_.decimalMark);
    };
    number(values.composition);
    number(values.massFraction);
    number(values.density);
    number(values.molarVolume);
    out += d;
    if (hasEnthalpy) {
        appendNumber(out, values.specificEnthalpy, style_.digits, style_.decimalMark);
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
    const auto input = [&](double value) {
        out += d;
        appendNumber(out, value, 0, style_.decimalMark);
    };
    out += std::to_string(row.line);
    input(row.temperatureC);
    input(row.pressureBar);
    input(row.composition);
    input(row.massFraction);
    appendExtras(out, row);
    out += d;
    out += inFittedRange(row.temperatureC, row.pressureBar, row.composition) ? '0' : '1';
    out += d;
    out += std::to_string(static_cast<std::int32_t>(point.phases));
    out += d;
    out += shortName(point.phases);
    appendPhase(out, point.liquid, hasLiquid(point.phases), true);
    appendPhase(out, point.vapor, hasVapor(point.phases), true);
    // The model computes no enthalpy for halite.
    appendPhase(out, point.halite, hasHalite(point.phases), false);
    out += d;
    out += '\n';
}

void TableFormatter::appendErrorRow(std::string& out, const InputRow& row) const {
    const char d = style_.delimiter;
    out += std::to_string(row.line);
    for (const std::string& text : row.inputText) {
        out += d;
        out += csvField(text, d);
    }
    appendExtras(out, row);
    out.append(kComputedColumns + 1, d);
    out += csvField(row.error, d);
    out += '\n';
}

}  // namespace kelvoran
