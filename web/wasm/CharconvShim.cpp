// The floating-point conversions of <charconv> for the WebAssembly build (see CharconvShim.h),
// giving the results of the C++17 functions:
//   - to_chars(value, scientific): the shortest digits that read back to `value`, and among
//     those the nearest to it (the digits of {fmt}'s shortest form, Dragonbox, rewritten in the
//     form d.ddde±XX);
//   - to_chars(value, scientific, precision): printf's "%.*e" (the C library writes the exact
//     decimal expansion, correctly rounded);
//   - from_chars(general): the longest prefix of the form [-]digits[.digits][e[±]digits], or
//     inf, infinity, nan, nan(...), read by the correctly rounded strtod; result_out_of_range,
//     the value untouched, where the magnitude overflows or a non-zero number reads as zero.
#include "CharconvShim.h"

#if defined(__EMSCRIPTEN__) && defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000

#define FMT_HEADER_ONLY 1
#include <fmt/format.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::to_chars_result copyOut(char* first, char* last, const char* text, std::size_t length) {
    if (static_cast<std::size_t>(last - first) < length) {
        return {last, std::errc::value_too_large};
    }
    std::memcpy(first, text, length);
    return {first + length, std::errc()};
}

}  // namespace

namespace std {

to_chars_result to_chars(char* first, char* last, double value, chars_format format,
                         int precision) {
    if (format != chars_format::scientific || precision < 0 || precision > 40) {
        return {last, errc::invalid_argument};
    }
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%.*e", precision, value);
    return copyOut(first, last, text, static_cast<std::size_t>(length));
}

to_chars_result to_chars(char* first, char* last, double value, chars_format format) {
    if (format != chars_format::scientific) return {last, errc::invalid_argument};
    if (!std::isfinite(value)) {
        char text[8];
        const int length = std::snprintf(text, sizeof text, "%e", value);
        return copyOut(first, last, text, static_cast<std::size_t>(length));
    }
    // {fmt}'s shortest form, fixed (760.313191105947, 0.0045642, 9007199254740992, 0) or
    // exponential (1e+22, 5e-324): its digits, with the power of ten of the first non-zero one.
    char shortest[64];
    char* end = fmt::format_to_n(shortest, sizeof shortest - 1, "{}", value).out;
    *end = 0;
    const char* p = shortest;
    const bool negative = *p == '-';
    if (negative) ++p;
    char all[40];
    int count = 0;
    int point = -1;  // digits before the decimal point
    for (; p != end && *p != 'e' && count < 40; ++p) {
        if (*p == '.') {
            point = count;
        } else {
            all[count++] = *p;
        }
    }
    if (point < 0) point = count;
    const int exponent = p != end && *p == 'e' ? std::atoi(p + 1) : 0;
    int lead = 0;
    while (lead < count - 1 && all[lead] == '0') ++lead;
    const char* digits = all + lead;
    count -= lead;
    const int power = point - lead + exponent - 1;
    while (count > 1 && digits[count - 1] == '0') --count;
    char text[64];
    std::size_t length = 0;
    if (negative) text[length++] = '-';
    text[length++] = digits[0];
    if (count > 1) {
        text[length++] = '.';
        std::memcpy(text + length, digits + 1, static_cast<std::size_t>(count - 1));
        length += static_cast<std::size_t>(count - 1);
    }
    text[length++] = 'e';
    text[length++] = power < 0 ? '-' : '+';
    const int magnitude = power < 0 ? -power : power;  // at most 324
    if (magnitude >= 100) text[length++] = static_cast<char>('0' + magnitude / 100);
    text[length++] = static_cast<char>('0' + magnitude / 10 % 10);
    text[length++] = static_cast<char>('0' + magnitude % 10);
    return copyOut(first, last, text, length);
}

from_chars_result from_chars(const char* first, const char* last, double& value,
                             chars_format format) {
    if (format != chars_format::general) return {first, errc::invalid_argument};
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (negative) ++p;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    const auto startsWith = [&](const char* at, const char* word) {
        for (; *word != 0; ++word, ++at) {
            if (at == last || lower(*at) != *word) return false;
        }
        return true;
    };
    if (startsWith(p, "inf")) {
        value = negative ? -HUGE_VAL : HUGE_VAL;
        return {startsWith(p, "infinity") ? p + 8 : p + 3, errc()};
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
    const auto digitRun = [&] {
        for (; p != last && isDigit(*p); ++p, ++digits) nonZero = nonZero || *p != '0';
    };
    digitRun();
    if (p != last && *p == '.') {
        ++p;
        digitRun();
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
    // strtod reads a terminated copy of exactly the form checked above.
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
