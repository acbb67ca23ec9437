#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "table/InputRow.h"

// The derivative columns of kelvoran-table --derivatives: d_<quantity>_d_<variable> for the
// quantities below and the three given variables of the mode — (T_C, P_bar, x_NaCl) directly,
// (P_bar, h_J_kg, x_NaCl), (P_bar, rho_kg_m3, x_NaCl) and (T_C, rho_kg_m3, x_NaCl) in the
// inverse modes — each in the unit of the quantity per unit of the variable:
//   T_C (P–h and P–ρ modes: the temperature found) or P_bar (T–ρ mode: the pressure found)
//   <phase>_w_NaCl, <phase>_density_kg_m3, <phase>_specific_enthalpy_J_kg,
//   <phase>_mass_fraction, <phase>_saturation   for the liquid and the vapor
//   halite_density_kg_m3, halite_mass_fraction, halite_saturation
//   bulk_density_kg_m3, bulk_specific_enthalpy_J_kg

namespace kelvoran {

/// The most derivative columns a mode has.
inline constexpr std::size_t kMaxDerivativeColumns = 48;

/// The derivative columns of one mode.
class TableDerivatives {
  public:
    explicit TableDerivatives(TableMode mode);

    /// The column names, in order.
    const std::vector<std::string>& names() const { return names_; }
    std::size_t count() const { return names_.size(); }

    /// Points the derivative columns of `out` at `storage`: count() arrays of `capacity`
    /// doubles, column c at storage + c·capacity.
    void bind(DerivativeColumns& out, double* storage, std::size_t capacity) const;

    /// Whose quantity column c holds, and which.
    struct Column {
        int phase;     ///< 0 liquid, 1 vapor, 2 halite, 3 bulk, 4 the quantity found (T or P)
        int quantity;  ///< 0 NaCl mass fraction, 1 density, 2 enthalpy, 3 phase mass fraction,
                       ///< 4 saturation (for phase 4: 0 the temperature, 1 the pressure)
        int variable;  ///< 0, 1, 2: the given variable
    };
    const Column& column(std::size_t c) const { return columns_[c]; }

    /// The first of `names` that is also the name of a derivative column (blanks around it and
    /// letter case ignored), or empty.
    std::string clashingColumn(const std::vector<std::string>& names) const;

  private:
    std::vector<Column> columns_;
    std::vector<std::string> names_;
};

}  // namespace kelvoran
