#pragma once

// The bits of a value reinterpreted as another type of the same size: std::bit_cast where the
// standard library has it, else the compiler built-in it is made of (the WebAssembly build's
// library lacks std::bit_cast). Both give the same bits.

#include <type_traits>
#if __has_include(<bit>)
#include <bit>
#endif

namespace kelvoran {

template <typename To, typename From>
    requires(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> &&
             std::is_trivially_copyable_v<From>)
constexpr To bitCast(const From& from) noexcept {
#if defined(__cpp_lib_bit_cast)
    return std::bit_cast<To>(from);
#else
    return __builtin_bit_cast(To, from);
#endif
}

}  // namespace kelvoran
