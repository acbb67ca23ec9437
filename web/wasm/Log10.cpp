// The decimal logarithm of the native build's C library (the algorithm of glibc's log10 on
// x86-64: the exponent split off, the rest through the natural logarithm, as fdlibm does it),
// linked into the WebAssembly module in place of its own C library's log10, whose other
// algorithm differs in the last bit for about one argument in thirty. The natural logarithm
// (as exp and pow) is the same algorithm in both libraries; with this function the module
// computes the very numbers of the native build on a processor without fused multiply-add.
// Checked against glibc bit for bit on millions of arguments, subnormal and special ones
// included.
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

double fromBits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

extern "C" double log10(double x) {
    const double two54 = fromBits(0x4350000000000000ULL);      // 2^54
    const double ivln10 = fromBits(0x3FDBCB7B1526E50EULL);     // 1 / ln 10
    const double log10Of2High = fromBits(0x3FD34413509F6000ULL);  // log10(2), leading bits
    const double log10Of2Low = fromBits(0x3D59FEF311F12B36ULL);   // log10(2), the rest
    std::uint64_t bits = bitsOf(x);
    auto high = static_cast<std::int32_t>(bits >> 32);
    const auto low = static_cast<std::uint32_t>(bits);
    std::int32_t k = 0;
    if (high < 0x00100000) {  // below 2^-1022: zero, negative or subnormal
        if (((static_cast<std::uint32_t>(high) & 0x7fffffffU) | low) == 0) {
            return -two54 / std::fabs(x);  // −inf
        }
        if (high < 0) return (x - x) / (x - x);  // NaN
        k -= 54;
        x *= two54;
        bits = bitsOf(x);
        high = static_cast<std::int32_t>(bits >> 32);
    }
    if (high >= 0x7ff00000) return x + x;  // inf, NaN
    k += (high >> 20) - 1023;
    const auto i = static_cast<std::int32_t>((static_cast<std::uint32_t>(k) & 0x80000000U) >> 31);
    high = (high & 0x000fffff) | ((0x3ff - i) << 20);
    const double y = static_cast<double>(k + i);
    x = fromBits((static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
                 (bits & 0xffffffffULL));
    const double z = y * log10Of2Low + ivln10 * std::log(x);
    return z + y * log10Of2High;
}
