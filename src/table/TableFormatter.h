#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelvoran/Calculator.h"
#include "kelvoran/Inverse.h"
#include "table/InputRow.h"
#include "table/TableDerivatives.h"

namespace kelvoran {

/// What the table shows of one phase at one point.
struct PhaseValues {
    double composition = 0.0;        ///< mole fraction NaCl
    double massFraction = 0.0;       ///< mass fraction NaCl
    double density = 0.0;            ///< kg/m³
    double molarVolume = 0.0;        ///< cm³/mol
    double specificEnthalpy = 0.0;   ///< J/kg
    double heatCapacity = 0.0;       ///< J/(kg K)
    double phaseMassFraction = 0.0;  ///< mass of the phase per mass of the bulk, kg/kg
    double saturation = 0.0;         ///< volume of the phase per volume of the bulk, m³/m³
};

/// The computed values of one point, as the table writes them.
struct ComputedPoint {
    Phases phases = Phases::Undetermined;
    std::uint32_t warnings = 0;             ///< kelvoran::Warning bits
    FluidType fluidType = FluidType::None;  ///< for a single fluid
    PhaseValues liquid, vapor, halite;
    double bulkDensity = 0.0;           ///< kg/m³
    double bulkSpecificEnthalpy = 0.0;  ///< J/kg
    /// The inverse modes: how the search ended, and the temperature °C (P–h, P–ρ) or the
    /// pressure bar (T–ρ) it found (NaN unless solved).
    InverseStatus status = InverseStatus::Solved;
    double foundTemperatureC = std::numeric_limits<double>::quiet_NaN();
    double foundPressureBar = std::numeric_limits<double>::quiet_NaN();
    /// With --derivatives: the values of the derivative columns, in their order.
    std::array<double, kMaxDerivativeColumns> derivatives{};

    /// The values of a library result (mass fraction = massPercent × 0.01).
    static ComputedPoint from(const PointResult& result);
    /// The values of an inverse evaluation, with its status and the temperature and pressure.
    static ComputedPoint from(const InverseResult& result);
};

/// The text of an inverse evaluation's status in the inverse_status column: "solved",
/// "out_of_range", "undefined" or "invalid_input".
std::string_view inverseStatusName(InverseStatus status);

/// How numbers and fields are written.
struct TableStyle {
    int digits = 0;          ///< significant digits of computed values; 0: shortest exact form
    char delimiter = ',';    ///< field separator: ',', ';', '|' or '\t'
    char decimalMark = '.';  ///< '.' or ',' (',' only with another delimiter)
};

/// Writes the output table as CSV. Columns, in order:
///   line          input line number (CSV input) or point number (grid)
///   T_C, P_bar    °C and bar: the inputs, except the one an inverse evaluation finds
///   x_NaCl, w_NaCl   bulk composition as mole and mass fraction NaCl (one given, one derived)
///   h_J_kg or rho_kg_m3, inverse_status   the inverse modes only: the given bulk specific
///                 enthalpy (J/kg) or bulk density (kg/m³), and how the search ended
///   the passed-through input columns, in input order, with their names and texts unchanged
///   out_of_range  1 when the point lies outside 0–1000 °C, 1–5000 bar, 0 ≤ x ≤ 1, else 0
///   state, state_name  phase-state code 1–7 and L, V, F, V+L, V+H, L+H, V+L+H
///   for each phase P of liquid, vapor, halite:
///     P_x_NaCl, P_w_NaCl, P_density_kg_m3, P_molar_volume_cm3_mol,
///     P_specific_enthalpy_J_kg, P_heat_capacity_J_kg_K   (empty when the phase is absent)
///   warnings      the short names of the point's warnings joined by '|', empty when none
///   fluid_type    liquid, vapor or supercritical for a single fluid, empty otherwise
///   for each phase P of liquid, vapor, halite: P_mass_fraction (kg of the phase per kg of the
///                 bulk), P_saturation (volume fraction)   (empty when the phase is absent)
///   bulk_density_kg_m3, bulk_specific_enthalpy_J_kg   of the whole fluid (the enthalpy empty
///                 in a state with halite, whose enthalpy the model does not give)
///   with addDerivatives() the derivative columns of TableDerivatives (empty where the quantity
///                 is, nan where the model has no derivative)
///   error         why the input line could not be read; empty for a computed row
/// A row of an inverse mode whose search found no state has its found quantity and every
/// column from out_of_range on empty. Every number is written by appendNumber: inputs in the
/// shortest form that reads back to the same double, computed values the same way or with
/// `digits` significant digits; a value the model cannot evaluate is written nan.
class TableFormatter {
  public:
    explicit TableFormatter(TableStyle style = {}, std::vector<std::string> extraColumns = {},
                            TableMode mode = TableMode::Direct);
    /// Shorthand for a comma-separated table with `digits` significant digits.
    explicit TableFormatter(int digits, TableMode mode = TableMode::Direct)
        : TableFormatter(TableStyle{digits}, {}, mode) {}

    /// The header line, with its newline.
    std::string header() const;

    /// Appends the line of a computed point.
    void appendRow(std::string& out, const InputRow& row, const ComputedPoint& point) const;
    void appendRow(std::string& out, const InputRow& row, const PointResult& result) const {
        appendRow(out, row, ComputedPoint::from(result));
    }
    void appendRow(std::string& out, const InputRow& row, const InverseResult& result) const {
        appendRow(out, row, ComputedPoint::from(result));
    }

    /// Appends the line of a row that could not be read (`row.error` set): its line number, the
    /// text of its input fields as read, its passed-through fields and the error.
    void appendErrorRow(std::string& out, const InputRow& row) const;

    /// Number of fields of every line.
    int columnCount() const;

    TableMode mode() const { return mode_; }

    /// Adds the derivative columns of the mode (kelvoran-table --derivatives).
    void addDerivatives() { derivatives_.emplace(mode_); }
    /// The derivative columns, or null without them.
    const TableDerivatives* derivatives() const { return derivatives_ ? &*derivatives_ : nullptr; }

    /// The first of `names` that is also the name of an output column of `mode` other than its
    /// input columns (letter case ignored), or empty.
    static std::string clashingColumn(const std::vector<std::string>& names,
                                      TableMode mode = TableMode::Direct);

  private:
    void appendPhase(std::string& out, const PhaseValues& values, bool present,
                     bool hasEnthalpy) const;
    void appendExtras(std::string& out, const InputRow& row) const;
    void appendValue(std::string& out, double value, bool computed) const;

    TableStyle style_;
    std::vector<std::string> extraColumns_;
    TableMode mode_;
    std::optional<TableDerivatives> derivatives_;
};

/// `text` as one CSV field with separator `delimiter`: unchanged, or in double quotes (inner
/// quotes doubled) when it holds the separator, a quote or a line break, or starts or ends
/// with a blank.
std::string csvField(std::string_view text, char delimiter = ',');

}  // namespace kelvoran
