#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace kelvoran::testing {

/// Equal bit for bit (so 0 and −0 differ, and so do NaNs of different payloads).
inline bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

/// Equal bit for bit, except that any NaN matches any NaN (the sign and payload of a NaN
/// follow the compiler's choice of operand order, not the model).
inline bool sameValue(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || sameBits(a, b);
}

}  // namespace kelvoran::testing
