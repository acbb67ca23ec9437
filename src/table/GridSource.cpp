#include "table/GridSource.h"

#include <limits>

#include "kelvoran/Calculator.h"

namespace kelvoran {

GridSource::GridSource(std::vector<double> temperaturesC, std::vector<double> pressuresBar,
                       std::vector<double> compositions, bool massFractions)
    : temperaturesC_(std::move(temperaturesC)),
      pressuresBar_(std::move(pressuresBar)),
      compositions_(std::move(compositions)),
      massFractions_(massFractions) {
    constexpr std::uint64_t limit = std::numeric_limits<std::int64_t>::max();
    std::uint64_t size = 1;
    for (const std::size_t n :
         {temperaturesC_.size(), pressuresBar_.size(), compositions_.size()}) {
        if (n != 0 && size > limit / n) {
            size_ = 0;
            return;
        }
        size *= n;
    }
    size_ = size;
}

bool GridSource::next(InputRow& row) {
    if (index_ >= size_) {
        return false;
    }
    const std::uint64_t nx = compositions_.size();
    const std::uint64_t np = pressuresBar_.size();
    const std::uint64_t k = index_ % nx;
    const std::uint64_t j = (index_ / nx) % np;
    const std::uint64_t i = index_ / nx / np;
    ++index_;

    row = InputRow{};
    row.line = static_cast<std::int64_t>(index_);
    row.temperatureC = temperaturesC_[i];
    row.pressureBar = pressuresBar_[j];
    if (massFractions_) {
        row.massFraction = compositions_[k];
        row.composition = moleFractionFromMassFraction(row.massFraction);
    } else {
        row.composition = compositions_[k];
        row.massFraction = massFractionFromMoleFraction(row.composition);
    }
    return true;
}

}  // namespace kelvoran
