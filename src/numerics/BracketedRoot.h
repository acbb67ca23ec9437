#pragma once

#include <functional>

namespace kelvoran {

/// The root of f in [lower, upper], given f there of opposite signs (fLower ≤ 0 ≤ fUpper or
/// the reverse): Boost.Math's TOMS 748 until the bracket is a few units in the last place
/// wide, then the end of the final bracket with the smaller |f|. Where f jumps across zero
/// instead of crossing it, the result is the place of the jump.
double bracketedRoot(const std::function<double(double)>& f, double lower, double upper,
                     double fLower, double fUpper);

}  // namespace kelvoran
