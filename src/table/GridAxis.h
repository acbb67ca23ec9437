#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvoran {

/// The values of one grid axis, read from the command-line syntax
///
///   ITEM[,ITEM...]     each ITEM one of
///   VALUE              a single value
///   START:STOP:COUNT   COUNT evenly spaced values from START to STOP, both included
///   START:STOP:COUNT:log   COUNT values from START to STOP spaced evenly in log10
///                          (START and STOP greater than zero)
///
/// Values keep the order written (ranges may descend). The first and last value of a range are
/// START and STOP exactly, and every value of a range lies between them (so every value is
/// finite).
class GridAxis {
  public:
    /// Most values one axis may hold.
    static constexpr std::size_t maximumValues = 10'000'000;

    /// Reads `text`, at most `maxValues` values; throws std::invalid_argument with a one-line
    /// message naming the fault, and std::bad_alloc when the values do not fit in memory.
    static std::vector<double> parse(std::string_view text, std::size_t maxValues = maximumValues);

    /// Value i of a linear range of `count` values from `start` to `stop`.
    static double linearValue(double start, double stop, std::size_t count, std::size_t i);

    /// Value i of a logarithmic range (start, stop > 0).
    static double logValue(double start, double stop, std::size_t count, std::size_t i);
};

}  // namespace kelvoran
