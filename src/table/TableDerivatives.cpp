#include "table/TableDerivatives.h"

#include <algorithm>

#include "text/NumberText.h"

namespace kelvoran {

namespace {

constexpr const char* kPhaseNames[] = {"liquid", "vapor", "halite", "bulk"};
constexpr const char* kQuantityNames[] = {"w_NaCl", "density_kg_m3", "specific_enthalpy_J_kg",
                                          "mass_fraction", "saturation"};

// The given variables of a mode, as the table names its input columns.
std::array<const char*, 3> variablesOf(TableMode mode) {
    switch (mode) {
        case TableMode::Direct:
            break;
        case TableMode::PressureEnthalpy:
            return {"P_bar", "h_J_kg", "x_NaCl"};
        case TableMode::PressureDensity:
            return {"P_bar", "rho_kg_m3", "x_NaCl"};
        case TableMode::TemperatureDensity:
            return {"T_C", "rho_kg_m3", "x_NaCl"};
    }
    return {"T_C", "P_bar", "x_NaCl"};
}

GradientColumns& gradientOf(DerivativeColumns& d, int phase, int quantity) {
    if (phase == 4) return quantity == 0 ? d.temperature : d.pressure;
    PhaseDerivativeColumns* phases[] = {&d.liquid, &d.vapor, &d.halite, &d.bulk};
    PhaseDerivativeColumns& p = *phases[phase];
    GradientColumns* quantities[] = {&p.massFraction, &p.density, &p.specificEnthalpy,
                                     &p.phaseMassFraction, &p.saturation};
    return *quantities[quantity];
}

}  // namespace

TableDerivatives::TableDerivatives(TableMode mode) {
    // (phase, quantity) pairs in column order; phase 4 is the quantity found (0 T, 1 P).
    std::vector<std::pair<int, int>> quantities;
    if (mode == TableMode::PressureEnthalpy || mode == TableMode::PressureDensity) {
        quantities.emplace_back(4, 0);
    } else if (mode == TableMode::TemperatureDensity) {
        quantities.emplace_back(4, 1);
    }
    for (int phase : {0, 1}) {
        for (int q = 0; q < 5; ++q) quantities.emplace_back(phase, q);
    }
    for (int q : {1, 3, 4}) quantities.emplace_back(2, q);
    for (int q : {1, 2}) quantities.emplace_back(3, q);
    const std::array<const char*, 3> variables = variablesOf(mode);
    for (const auto& [phase, quantity] : quantities) {
        const std::string name =
            phase == 4 ? (quantity == 0 ? "T_C" : "P_bar")
                       : std::string(kPhaseNames[phase]) + "_" + kQuantityNames[quantity];
        for (int v = 0; v < 3; ++v) {
            columns_.push_back({phase, quantity, v});
            names_.push_back("d_" + name + "_d_" + variables[static_cast<std::size_t>(v)]);
        }
    }
}

void TableDerivatives::bind(DerivativeColumns& out, double* storage, std::size_t capacity) const {
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        GradientColumns& g = gradientOf(out, columns_[c].phase, columns_[c].quantity);
        double* column = storage + c * capacity;
        (columns_[c].variable == 0   ? g.first
         : columns_[c].variable == 1 ? g.second
                                     : g.third) = column;
    }
}

std::string TableDerivatives::clashingColumn(const std::vector<std::string>& names) const {
    const auto lower = [](std::string_view text) {
        std::string out(text);
        std::transform(out.begin(), out.end(), out.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        return out;
    };
    for (const std::string& name : names) {
        const std::string given = lower(trimBlanks(name));
        for (const std::string& column : names_) {
            if (given == lower(column)) return name;
        }
    }
    return {};
}

}  // namespace kelvoran
