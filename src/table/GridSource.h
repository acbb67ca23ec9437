#pragma once

#include <cstdint>
#include <vector>

#include "table/InputRow.h"

namespace kelvoran {

/// The Cartesian product of temperature, pressure and composition axes, in the order
/// temperature (slowest), pressure, composition (fastest). Points are numbered from 1.
class GridSource {
  public:
    /// `compositions` are mass fractions NaCl when `massFractions` is true, else mole fractions.
    GridSource(std::vector<double> temperaturesC, std::vector<double> pressuresBar,
               std::vector<double> compositions, bool massFractions);

    /// Number of points; 0 when the product would not fit in 63 bits.
    std::uint64_t size() const { return size_; }

    /// The next point; false after the last.
    bool next(InputRow& row);

  private:
    std::vector<double> temperaturesC_;
    std::vector<double> pressuresBar_;
    std::vector<double> compositions_;
    bool massFractions_;
    std::uint64_t size_ = 0;
    std::uint64_t index_ = 0;
};

}  // namespace kelvoran
