#pragma once

#include <cstdint>

namespace kelvoran::testing {

/// splitmix64: a fixed, portable stream of random numbers, the same on every machine.
struct RandomStream {
    std::uint64_t state;
    /// Uniform in [0, 1) with 53 random bits.
    double unit() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-53;
    }
};

}  // namespace kelvoran::testing
