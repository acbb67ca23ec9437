#pragma once

// Floating-point std::to_chars and std::from_chars for the WebAssembly build, whose standard
// library (libc++ 13) has them for integers only. Force-included (-include) into every source
// of that build and nowhere else, so that the shared number text of the table tool compiles
// unchanged. Built on the C library's exact conversions (the printf of the WebAssembly C
// library writes the exact decimal expansion; its strtod is correctly rounded), they give the
// results of the C++17 functions:
//   - to_chars(value, scientific): the shortest digits that read back to `value`, and among
//     those the nearest to it;
//   - to_chars(value, scientific, precision): as printf's "%.*e";
//   - from_chars(general): the longest prefix of the decimal form [-]digits[.digits][e[±]digits]
//     (or inf, infinity, nan, nan(...)), correctly rounded; result_out_of_range, the value
//     untouched, where the magnitude overflows or a non-zero number rounds to zero.

#include <charconv>

#if defined(__EMSCRIPTEN__) && defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace kelvoran::charconv_shim {

// Copies `text` (at most 40 bytes, a complete "%.*e" form) into `first`..`last`.
inline std::to_chars_result copyOut(char* first, char* last, const char* text, int length) {
    if (length < 0 || last - first < length) return {last, std::errc::value_too_large};
    std::memcpy(first, text, static_cast<std::size_t>(length));
    return {first + length, std::errc()};
}

inline bool readsBackTo(const char* text, double value) {
    return std::strtod(text, nullptr) == value;
}

// `text` ("-d.ddde±XX") with its last mantissa digit moved by `step` (±1) in place, carrying;
// false where the carry would change the exponent (that candidate is not of the same length).
inline bool stepLastDigit(char* text, int step) {
    char* e = std::strchr(text, 'e');
    char* p = e - 1;
    while (true) {
        if (*p == '.') {
            --p;
            continue;
        }
        if (*p < '0' || *p > '9') return false;
        const int digit = *p - '0' + step;
        if (digit >= 0 && digit <= 9) {
            *p = static_cast<char>('0' + digit);
            // A leading digit of zero is no longer a number of this length.
            const char* lead = text[0] == '-' ? text + 1 : text;
            return *lead != '0';
        }
        *p = step > 0 ? '0' : '9';
        if (p == text || p[-1] == '-') return false;
        --p;
    }
}

}  // namespace kelvoran::charconv_shim

namespace std {

inline to_chars_result to_chars(char* first, char* last, double value, chars_format format,
                                int precision) {
    char text[48];
    if (format != chars_format::scientific || precision < 0 || precision > 30)
        return {last, errc::invalid_argument};
    const int length = std::snprintf(text, sizeof text, "%.*e", precision, value);
    return kelvoran::charconv_shim::copyOut(first, last, text, length);
}

inline to_chars_result to_chars(char* first, char* last, double value, chars_format format) {
    if (format != chars_format::scientific) return {last, errc::invalid_argument};
    char text[48];
    if (!std::isfinite(value) || value == 0.0) {
        const int length = std::snprintf(text, sizeof text, "%.0e", value);
        return kelvoran::charconv_shim::copyOut(first, last, text, length);
    }
    for (int precision = 0; precision <= 16; ++precision) {
        int length = std::snprintf(text, sizeof text, "%.*e", precision, value);
        if (kelvoran::charconv_shim::readsBackTo(text, value))
            return kelvoran::charconv_shim::copyOut(first, last, text, length);
        // Next to a power of two the interval that reads back to `value` is lopsided: a
        // neighbour of the nearest candidate of this length may lie in it while the nearest
        // does not.
        for (const int step : {1, -1}) {
            char neighbour[48];
            std::memcpy(neighbour, text, sizeof text);
            if (kelvoran::charconv_shim::stepLastDigit(neighbour, step) &&
                kelvoran::charconv_shim::readsBackTo(neighbour, value)) {
                length = static_cast<int>(std::strlen(neighbour));
                return kelvoran::charconv_shim::copyOut(first, last, neighbour, length);
            }
        }
    }
    const int length = std::snprintf(text, sizeof text, "%.16e", value);
    return kelvoran::charconv_shim::copyOut(first, last, text, length);
}

inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format format = chars_format::general) {
    if (format != chars_format::general) return {first, errc::invalid_argument};
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (negative) ++p;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    const auto startsWith = [&](const char* at, const char* word) {
        for (; *word != 0; ++word, ++at)
            if (at == last || lower(*at) != *word) return false;
        return true;
    };
    if (startsWith(p, "inf")) {
        const char* end = startsWith(p, "infinity") ? p + 8 : p + 3;
        value = negative ? -HUGE_VAL : HUGE_VAL;
        return {end, errc()};
    }
    if (startsWith(p, "nan")) {
        const char* end = p + 3;
        if (end != last && *end == '(') {
            const char* q = end + 1;
            while (q != last && (std::isalnum(static_cast<unsigned char>(*q)) || *q == '_')) ++q;
            if (q != last && *q == ')') end = q + 1;
        }
        value = negative ? -NAN : NAN;
        return {end, errc()};
    }
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    bool nonZero = false;
    std::size_t digits = 0;
    while (p != last && isDigit(*p)) nonZero |= *p++ != '0', ++digits;
    if (p != last && *p == '.') {
        ++p;
        while (p != last && isDigit(*p)) nonZero |= *p++ != '0', ++digits;
    }
    if (digits == 0) return {first, errc::invalid_argument};
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q != last && (*q == '+' || *q == '-')) ++q;
        if (q != last && isDigit(*q)) {
            while (q != last && isDigit(*q)) ++q;
            p = q;
        }
    }
    // strtod needs a terminated copy; the form checked above is all it reads of it.
    const std::size_t length = static_cast<std::size_t>(p - first);
    char small[128];
    char* copy = length < sizeof small ? small : static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) return {first, errc::not_enough_memory};
    std::memcpy(copy, first, length);
    copy[length] = 0;
    errno = 0;
    const double read = std::strtod(copy, nullptr);
    const int error = errno;
    if (copy != small) std::free(copy);
    if (std::isinf(read) || (error == ERANGE && read == 0.0 && nonZero)) {
        return {p, errc::result_out_of_range};
    }
    value = read;
    return {p, errc()};
}

}  // namespace std

#endif
