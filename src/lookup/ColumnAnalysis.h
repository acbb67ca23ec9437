#pragma once

// The pieces of a column: a one-dimensional stretch of states (along x at fixed T and P, or
// along T at fixed P and x), cut where the signature of the state changes and where a value
// jumps, each cut found to adjacent doubles.

#include <functional>
#include <span>
#include <vector>

#include "lookup/TableChannels.h"

namespace kelvoran {

inline constexpr int kMaxColumnValues = kMaxChannels + 1;

/// The model at one place z of a column: the exact state and the values whose jumps cut it.
struct ColumnSample {
    double z = 0.0;
    ExactValues exact;
    int valueCount = 0;
    double values[kMaxColumnValues] = {};
};

/// Evaluates the model at z (pure: the same z gives the same sample).
using ColumnSampler = std::function<ColumnSample(double z)>;

/// The samples of a column in increasing z, and its pieces as index ranges into them: piece i
/// runs from samples[pieces[i].first] to samples[pieces[i].last] (its first and last places,
/// both of its signature); consecutive pieces are cut between adjacent doubles.
struct ColumnPieces {
    struct Range {
        std::size_t first, last;
    };
    std::vector<ColumnSample> samples;
    std::vector<Range> pieces;
};

/// Samples [z0, z1] at `count` + 1 evenly spaced places and at each of `extra` (with its
/// neighbouring doubles), then cuts it where the signature changes (bisecting to adjacent
/// doubles) and where a value jumps (a difference between samples that stands out against its
/// neighbours and stays as the interval shrinks to adjacent doubles). `evaluations` counts the
/// samples taken.
ColumnPieces analyseColumn(const ColumnSampler& sample, double z0, double z1,
                           std::span<const double> extra, int count, std::size_t& evaluations);

}  // namespace kelvoran
