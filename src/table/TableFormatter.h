#pragma once

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
#include "text/NumberWriter.h"

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
    /// With --derivatives: derivative column c of the point at derivatives[c × derivativeStride]
    /// (null: none computed).
    const double* derivatives = nullptr;
    std::size_t derivativeStride = 0;

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

/// What one output column shows.
enum class ColumnKind : std::uint8_t {
    Line,               ///< input line number (CSV input) or point number (grid)
    Temperature,        ///< T_C, °C: given, or found (P–h and P–ρ modes)
    Pressure,           ///< P_bar, bar: given, or found (T–ρ mode)
    MoleFraction,       ///< x_NaCl, given or derived
    MassFraction,       ///< w_NaCl, given or derived
    GivenBulk,          ///< h_J_kg or rho_kg_m3 of an inverse mode
    InverseStatus,      ///< how an inverse search ended
    Extra,              ///< a passed-through input column
    OutOfRange,         ///< 1 outside the fitted range
    State,              ///< phase-state code
    StateName,          ///< L, V, F, V+L, V+H, L+H, V+L+H
    PhaseComposition,   ///< <phase>_x_NaCl
    PhaseSalinity,      ///< <phase>_w_NaCl
    PhaseDensity,       ///< <phase>_density_kg_m3
    PhaseMolarVolume,   ///< <phase>_molar_volume_cm3_mol
    PhaseEnthalpy,      ///< <phase>_specific_enthalpy_J_kg
    PhaseHeatCapacity,  ///< <phase>_heat_capacity_J_kg_K
    Warnings,           ///< warning names joined by '|'
    FluidType,          ///< liquid, vapor, supercritical
    PhaseMassFraction,  ///< <phase>_mass_fraction
    PhaseSaturation,    ///< <phase>_saturation
    BulkDensity,        ///< bulk_density_kg_m3
    BulkEnthalpy,       ///< bulk_specific_enthalpy_J_kg
    Error,              ///< why the input line could not be read
    Derivative,         ///< d_<quantity>_d_<variable> (--derivatives; `extra` its index)
};

/// One column of the output table: its name and what it shows (`phase` 0 liquid, 1 vapor,
/// 2 halite for the phase columns; `extra` the index of a passed-through column).
struct OutputColumn {
    std::string name;
    ColumnKind kind = ColumnKind::Line;
    std::uint8_t phase = 0;
    std::uint32_t extra = 0;
};

/// Which computed values a set of output columns reads (what the evaluation must provide).
struct ColumnNeeds {
    bool state = false;         ///< the phase state (every phase column needs it too)
    bool warnings = false;      ///< the warning bits
    bool fluidType = false;     ///< the fluid type
    bool compositions = false;  ///< phase compositions and mass fractions NaCl
    bool volumes = false;       ///< densities, molar volumes, saturations, bulk density
    bool thermal = false;       ///< specific enthalpies, heat capacities, bulk enthalpy
    bool amounts = false;       ///< phase mass fractions
    bool derivatives = false;   ///< the derivative columns (TableDerivatives)
    /// Whether any column needs an evaluation at all (in the direct mode only the inputs,
    /// out_of_range and the error need none).
    bool any() const {
        return state || warnings || fluidType || compositions || volumes || thermal || amounts ||
               derivatives;
    }
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
/// select() keeps some of them, in any order. A row of an inverse mode whose search found no
/// state has its found quantity and every computed column empty. Every number is written by
/// writeNumber: inputs in the shortest form that reads back to the same double, computed values
/// the same way or with `digits` significant digits; a value the model cannot evaluate is
/// written nan. A formatter remembers the text of the last number of each column, to copy a
/// repeated value: one formatter serves one thread at a time.
class TableFormatter {
  public:
    explicit TableFormatter(TableStyle style = {}, std::vector<std::string> extraColumns = {},
                            TableMode mode = TableMode::Direct);
    /// Shorthand for a comma-separated table with `digits` significant digits.
    explicit TableFormatter(int digits, TableMode mode = TableMode::Direct)
        : TableFormatter(TableStyle{digits}, {}, mode) {}

    /// Keeps only the columns named in `names` (output column names, letter case ignored, or
    /// the names of passed-through columns), in that order. Returns why it cannot (an unknown
    /// or repeated name), or empty; the columns are then unchanged.
    std::string select(const std::vector<std::string>& names);

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

    /// The most bytes writeRow or writeErrorRow may use at `out` for `row` (its text and scratch).
    std::size_t rowBytes(const InputRow& row) const;
    /// appendRow and appendErrorRow straight into a buffer with room for rowBytes(row) bytes;
    /// they return the end of the line.
    char* writeRow(char* out, const InputRow& row, const ComputedPoint& point) const;
    char* writeErrorRow(char* out, const InputRow& row) const;

    /// Number of fields of every line.
    int columnCount() const { return static_cast<int>(columns_.size()); }

    /// The columns written, in order.
    const std::vector<OutputColumn>& columns() const { return columns_; }

    /// What the columns written read of a computed point.
    ColumnNeeds needs() const;

    TableMode mode() const { return mode_; }

    /// Adds the derivative columns of the mode before error (kelvoran-table --derivatives);
    /// select() may then name them too.
    void addDerivatives();
    /// The derivative columns, or null without them.
    const TableDerivatives* derivatives() const {
        return derivatives_ ? &*derivatives_ : nullptr;
    }

    /// The first of `names` that is also the name of an output column of `mode` other than its
    /// input columns (letter case ignored), or empty.
    static std::string clashingColumn(const std::vector<std::string>& names,
                                      TableMode mode = TableMode::Direct);

    /// Every output column of `mode` with `extraColumns` passed through, in the default order.
    static std::vector<OutputColumn> defaultColumns(const std::vector<std::string>& extraColumns,
                                                    TableMode mode);

  private:
    // Every column of this formatter's table before select(): the default ones, and the
    // derivative columns before error when added.
    std::vector<OutputColumn> allColumns() const;

    // Room the fields of one row need, besides its passed-through and error texts.
    std::size_t fixedRowBytes() const;

    // What writeRow does for one column, prepared once: where its number lies (a member of
    // the input row, or an offset into the ComputedPoint) and when it is shown.
    struct WriteStep {
        enum Op : std::uint8_t {
            Line,
            Given,
            Found,
            Computed,
            Status,
            Extra,
            OutOfRange,
            State,
            StateName,
            Warnings,
            FluidType,
            Derivative,
            Nothing
        };
        Op op = Nothing;
        std::uint8_t presence = 0;          // Computed: shown for a present phase, always, ...
        bool computed = false;              // empty in an unsolved row of an inverse mode
        std::uint16_t offset = 0;           // Found, Computed: of the double in the ComputedPoint
        std::uint32_t extra = 0;            // Extra: which passed-through field; Derivative:
                                            // which derivative column
        double InputRow::*input = nullptr;  // Given
    };
    // The text of the last number written in a column (at first that of +0).
    struct NumberMemo {
        std::uint64_t bits = 0;
        std::uint8_t size = 1;
        char text[kLongestNumberText] = {'0'};
    };
    void prepareSteps();
    template <bool kUnsolved>
    char* writeFields(char* out, const InputRow& row, const ComputedPoint& point) const;

    TableStyle style_;
    std::vector<std::string> extraColumns_;
    TableMode mode_;
    std::vector<OutputColumn> columns_;
    std::vector<WriteStep> steps_;
    mutable std::vector<NumberMemo> memos_;
    std::optional<TableDerivatives> derivatives_;
};

/// `text` as one CSV field with separator `delimiter`: unchanged, or in double quotes (inner
/// quotes doubled) when it holds the separator, a quote or a line break, or starts or ends
/// with a blank.
std::string csvField(std::string_view text, char delimiter = ',');

}  // namespace kelvoran
