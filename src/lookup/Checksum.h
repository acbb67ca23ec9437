#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvoran {

/// XXH64 (seed 0) of `size` bytes: the checksum of a table file (about 10 GB/s, so that a
/// large table is checked in a fraction of a second when it is loaded).
std::uint64_t xxh64(const void* data, std::size_t size);

}  // namespace kelvoran
