#pragma once

#include <string>

#include "kelvoran/Calculator.h"
#include "table/InputRow.h"

namespace kelvoran {

/// Writes the output table as CSV. Columns, in order:
///   line          input line number (CSV input) or point number (grid)
///   T_C, P_bar    the inputs, °C and bar, exactly as read
///   x_NaCl, w_NaCl   bulk composition as mole and mass fraction NaCl (one given, one derived)
///   out_of_range  1 when the point lies outside 0–1000 °C, 1–5000 bar, 0 ≤ x ≤ 1, else 0
///   state, state_name  phase-state code 1–7 and L, V, F, V+L, V+H, L+H, V+L+H
///   for each phase P of liquid, vapor, halite:
///     P_x_NaCl, P_w_NaCl, P_density_kg_m3, P_molar_volume_cm3_mol,
///     P_specific_enthalpy_J_kg, P_heat_capacity_J_kg_K   (empty when the phase is absent)
///   error         why the input line could not be read; empty for a computed row
/// Inputs are written in the shortest form that reads back exactly; computed values with
/// `digits` significant digits.
class TableFormatter {
  public:
    explicit TableFormatter(int digits);

    /// The header line, with its newline.
    std::string header() const;

    /// Appends the line of a computed point.
    void appendRow(std::string& out, const InputRow& row, const PointResult& result) const;

    /// Appends the line of a row that could not be read (`row.error` set).
    void appendErrorRow(std::string& out, const InputRow& row) const;

    /// Number of columns of every line.
    static int columnCount();

  private:
    void appendPhase(std::string& out, const PhaseRecord& record, bool present,
                     bool hasEnthalpy) const;

    int digits_;
};

/// `text` as one CSV field: unchanged, or in double quotes (inner quotes doubled) when it
/// holds a comma, a quote or a line break.
std::string csvField(const std::string& text);

}  // namespace kelvoran
