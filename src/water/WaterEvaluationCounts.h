#pragma once

#include <cstdint>

namespace kelvoran {

/// How much work the pure-water library did on one thread: evaluations of the Helmholtz energy
/// at a density, density solves at (T, p), and saturation solves at T or p. Counted only in a
/// build configured with KELVORAN_COUNT_EVALUATIONS (a benchmark build); zero otherwise.
struct WaterEvaluationCounts {
    std::uint64_t helmholtz = 0;         ///< equation-of-state evaluations at a density
    std::uint64_t densitySolves = 0;     ///< density iterations at (T, p)
    std::uint64_t saturationSolves = 0;  ///< saturation solves at T or at p
};

#ifdef KELVORAN_COUNT_EVALUATIONS
inline constexpr bool kCountWaterEvaluations = true;
#else
inline constexpr bool kCountWaterEvaluations = false;
#endif

/// This thread's counts (all zero unless counting is compiled in).
WaterEvaluationCounts& waterEvaluationCounts();

/// Adds one to a count of this thread, in a counting build only.
inline void countWater(std::uint64_t WaterEvaluationCounts::*count) {
    if constexpr (kCountWaterEvaluations) ++(waterEvaluationCounts().*count);
}

}  // namespace kelvoran
