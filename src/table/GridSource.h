#pragma once

#include <cstdint>
#include <vector>

#include "table/InputRow.h"

namespace kelvoran {

/// The Cartesian product of two axes and a composition axis, in the order first (slowest),
/// second, composition (fastest). The axes are those of the mode's given quantities: temperature
/// °C and pressure bar (direct), pressure bar and bulk specific enthalpy J/kg, pressure bar and
/// bulk density kg/m³, or temperature °C and bulk density kg/m³. Points are numbered from 1.
class GridSource {
  public:
    /// `compositions` are mass fractions NaCl when `massFractions` is true, else mole fractions.
    GridSource(std::vector<double> first, std::vector<double> second,
               std::vector<double> compositions, bool massFractions,
               TableMode mode = TableMode::Direct);

    /// Number of points; 0 when the product would not fit in 63 bits.
    std::uint64_t size() const { return size_; }

    /// The next point; false after the last.
    bool next(InputRow& row);

  private:
    std::vector<double> first_;
    std::vector<double> second_;
    std::vector<double> compositions_;
    bool massFractions_;
    TableMode mode_;
    std::uint64_t size_ = 0;
    std::uint64_t index_ = 0;
};

}  // namespace kelvoran
