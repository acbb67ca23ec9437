#include "table/TableFormatter.h"

#include "table/NumberText.h"

namespace kelvoran {

namespace {

constexpr const char* kPhaseNames[] = {"liquid", "vapor", "halite"};
constexpr const char* kPhaseColumns[] = {"x_NaCl",
                                         "w_NaCl",
                                         "density_kg_m3",
                                         "molar_volume_cm3_mol",
                                         "specific_enthalpy_J_kg",
                                         "heat_capacity_J_kg_K"};
constexpr int kLeadingColumns = 8;  // line .. state_name
constexpr int kPhaseColumnCount = 6;

}  // namespace

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
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

TableFormatter::TableFormatter(int digits) : digits_(digits) {}

int TableFormatter::columnCount() { return kLeadingColumns + 3 * kPhaseColumnCount + 1; }

std::string TableFormatter::header() const {
    std::string out = "line,T_C,P_bar,x_NaCl,w_NaCl,out_of_range,state,state_name";
    for (const char* phase : kPhaseNames) {
        for (const char* column : kPhaseColumns) {
            out += ',';
            out += phase;
            out += '_';
            out += column;
        }
    }
    out += ",error\n";
    return out;
}

void TableFormatter::appendPhase(std::string& out, const PhaseRecord& record, bool present,
                                 bool hasEnthalpy) const {
    if (!present) {
        out += ",,,,,,";
        return;
    }
    out += ',';
    appendNumber(out, record.composition, digits_);
    out += ',';
    appendNumber(out, record.massPercent * 0.01, digits_);
    out += ',';
    appendNumber(out, record.density, digits_);
    out += ',';
    appendNumber(out, record.molarVolume, digits_);
    out += ',';
    if (hasEnthalpy) {
        appendNumber(out, record.specificEnthalpy, digits_);
    }
    out += ',';
    appendNumber(out, record.heatCapacity, digits_);
}

void TableFormatter::appendRow(std::string& out, const InputRow& row,
                               const PointResult& result) const {
    out += std::to_string(row.line);
    out += ',';
    appendExact(out, row.temperatureC);
    out += ',';
    appendExact(out, row.pressureBar);
    out += ',';
    appendExact(out, row.composition);
    out += ',';
    appendExact(out, row.massFraction);
    out += inFittedRange(row.temperatureC, row.pressureBar, row.composition) ? ",0," : ",1,";
    out += std::to_string(static_cast<std::int32_t>(result.phases));
    out += ',';
    out += shortName(result.phases);
    appendPhase(out, result.liquid, result.hasLiquid(), true);
    appendPhase(out, result.vapor, result.hasVapor(), true);
    // The model computes no enthalpy for halite.
    appendPhase(out, result.halite, result.hasHalite(), false);
    out += ",\n";
}

void TableFormatter::appendErrorRow(std::string& out, const InputRow& row) const {
    out += std::to_string(row.line);
    out.append(static_cast<std::size_t>(columnCount() - 1), ',');
    out += csvField(row.error);
    out += '\n';
}

}  // namespace kelvoran
