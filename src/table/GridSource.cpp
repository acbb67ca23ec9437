#include "table/GridSource.h"

#include <limits>

#include "kelvoran/Calculator.h"

namespace kelvoran {

GridSource::GridSource(std::vector<double> first, std::vector<double> second,
                       std::vector<double> compositions, bool massFractions, TableMode mode)
    : first_(std::move(first)),
      second_(std::move(second)),
      compositions_(std::move(compositions)),
      massFractions_(massFractions),
      mode_(mode) {
    constexpr std::uint64_t limit = std::numeric_limits<std::int64_t>::max();
    std::uint64_t size = 1;
    for (const std::size_t n : {first_.size(), second_.size(), compositions_.size()}) {
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
    const std::uint64_t np = second_.size();
    const std::uint64_t k = index_ % nx;
    const std::uint64_t j = (index_ / nx) % np;
    const std::uint64_t i = index_ / nx / np;
    ++index_;

    row = InputRow{};
    row.line = static_cast<std::int64_t>(index_);
    switch (mode_) {
        case TableMode::Direct:
            row.temperatureC = first_[i];
            row.pressureBar = second_[j];
            break;
        case TableMode::PressureEnthalpy:
        case TableMode::PressureDensity:
            row.pressureBar = first_[i];
            row.bulkValue = second_[j];
            break;
        case TableMode::TemperatureDensity:
            row.temperatureC = first_[i];
            row.bulkValue = second_[j];
            break;
    }
    row.setComposition(compositions_[k], massFractions_);
    return true;
}

}  // namespace kelvoran
