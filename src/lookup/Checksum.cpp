#include "lookup/Checksum.h"

#include <bit>
#include <cstring>

namespace kelvoran {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ULL;

// Little-endian reads (the byte order of the files on every machine).
std::uint64_t read64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
std::uint64_t read32(const unsigned char* p) {
    return static_cast<std::uint64_t>(p[0]) | static_cast<std::uint64_t>(p[1]) << 8 |
           static_cast<std::uint64_t>(p[2]) << 16 | static_cast<std::uint64_t>(p[3]) << 24;
}

std::uint64_t round(std::uint64_t accumulator, std::uint64_t input) {
    accumulator += input * kPrime2;
    accumulator = std::rotl(accumulator, 31);
    return accumulator * kPrime1;
}

std::uint64_t mergeRound(std::uint64_t accumulator, std::uint64_t value) {
    accumulator ^= round(0, value);
    return accumulator * kPrime1 + kPrime4;
}

}  // namespace

std::uint64_t xxh64(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    const unsigned char* const end = p + size;
    std::uint64_t h;
    if (size >= 32) {
        std::uint64_t v1 = kPrime1 + kPrime2, v2 = kPrime2, v3 = 0, v4 = 0 - kPrime1;
        if constexpr (std::endian::native == std::endian::little) {
            // The same reads, done as whole words where the machine's order is the file's.
            for (; p + 32 <= end; p += 32) {
                std::uint64_t w[4];
                std::memcpy(w, p, 32);
                v1 = round(v1, w[0]);
                v2 = round(v2, w[1]);
                v3 = round(v3, w[2]);
                v4 = round(v4, w[3]);
            }
        } else {
            for (; p + 32 <= end; p += 32) {
                v1 = round(v1, read64(p));
                v2 = round(v2, read64(p + 8));
                v3 = round(v3, read64(p + 16));
                v4 = round(v4, read64(p + 24));
            }
        }
        h = std::rotl(v1, 1) + std::rotl(v2, 7) + std::rotl(v3, 12) + std::rotl(v4, 18);
        h = mergeRound(h, v1);
        h = mergeRound(h, v2);
        h = mergeRound(h, v3);
        h = mergeRound(h, v4);
    } else {
        h = kPrime5;
    }
    h += static_cast<std::uint64_t>(size);
    for (; p + 8 <= end; p += 8) {
        h ^= round(0, read64(p));
        h = std::rotl(h, 27) * kPrime1 + kPrime4;
    }
    if (p + 4 <= end) {
        h ^= read32(p) * kPrime1;
        h = std::rotl(h, 23) * kPrime2 + kPrime3;
        p += 4;
    }
    for (; p < end; ++p) {
        h ^= static_cast<std::uint64_t>(*p) * kPrime5;
        h = std::rotl(h, 11) * kPrime1;
    }
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

}  // namespace kelvoran
