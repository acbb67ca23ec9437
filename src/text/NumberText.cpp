#include "text/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <system_error>

namespace kelvoran {

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

namespace {

// Whether a decimal number that from_chars found out of range is too small rather than too
// large: the power of ten of its first non-zero digit is negative. `digits` holds the whole
// number, sign excluded, and from_chars took all of it.
bool underflows(std::string_view digits) {
    std::int64_t position = 0;  // power of ten of the first non-zero digit, before the exponent
    bool seenPoint = false;
    bool seenNonZero = false;
    std::int64_t leadingZerosAfterPoint = 0;
    std::int64_t digitsBeforePoint = 0;
    std::size_t i = 0;
    for (; i < digits.size(); ++i) {
        const char ch = digits[i];
        if (ch == '.') {
            seenPoint = true;
        } else if (ch >= '0' && ch <= '9') {
            if (!seenNonZero && ch == '0') {
                if (seenPoint) ++leadingZerosAfterPoint;
                continue;
            }
            if (!seenNonZero) {
                seenNonZero = true;
                position = seenPoint ? -(leadingZerosAfterPoint + 1) : 0;
            }
            if (!seenPoint) ++digitsBeforePoint;
        } else {
            break;  // the exponent mark
        }
    }
    if (!seenNonZero) {
        return true;  // zero never overflows
    }
    if (digitsBeforePoint > 0) {
        position = digitsBeforePoint - 1;
    }
    std::int64_t exponent = 0;
    if (i < digits.size()) {
        ++i;  // 'e' or 'E'
        bool negative = false;
        if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) {
            negative = digits[i] == '-';
            ++i;
        }
        for (; i < digits.size(); ++i) {
            if (exponent < 1'000'000'000) {
                exponent = exponent * 10 + (digits[i] - '0');
            }
        }
        exponent = negative ? -exponent : exponent;
    }
    // Positions are bounded by the text length, far below the saturated exponent.
    return position + exponent < 0;
}

}  // namespace

NumberParse parseNumber(std::string_view text, double& value) {
    text = trimBlanks(text);
    if (text.empty()) {
        return NumberParse::Empty;
    }
    std::string_view digits = text;
    if (digits.front() == '+') {
        digits.remove_prefix(1);
        if (digits.empty() || digits.front() == '+' || digits.front() == '-') {
            return NumberParse::NotANumber;
        }
    }
    double read = 0.0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, read, std::chars_format::general);
    if (ec == std::errc::result_out_of_range && ptr == end) {
        const bool negative = digits.front() == '-';
        if (underflows(negative ? digits.substr(1) : digits)) {
            // Below half the smallest subnormal: zero, of the sign written.
            value = negative ? -0.0 : 0.0;
            return NumberParse::Ok;
        }
        return NumberParse::OutOfRange;
    }
    if (ec != std::errc() || ptr != end) {
        return NumberParse::NotANumber;
    }
    if (!std::isfinite(read)) {
        return NumberParse::NotFinite;
    }
    value = read;
    return NumberParse::Ok;
}

NumberParse parseNumber(std::string_view text, double& value, char decimalMark) {
    if (decimalMark == '.') {
        return parseNumber(text, value);
    }
    if (text.find('.') != std::string_view::npos) {
        return trimBlanks(text).empty() ? NumberParse::Empty : NumberParse::NotANumber;
    }
    std::string swapped(text);
    for (char& ch : swapped) {
        if (ch == decimalMark) ch = '.';
    }
    return parseNumber(swapped, value);
}

std::string printable(std::string_view text, std::size_t limit) {
    std::string out;
    for (const char ch : text) {
        if (out.size() >= limit) {
            out += "...";
            break;
        }
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte >= 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out;
}

std::string describeParseFailure(NumberParse outcome, std::string_view text) {
    std::string shown(1, '\'');
    shown += printable(trimBlanks(text));
    shown += '\'';
    switch (outcome) {
        case NumberParse::Ok:
            return "no error";
        case NumberParse::Empty:
            return "the value is missing";
        case NumberParse::NotANumber:
            return shown + " is not a number";
        case NumberParse::OutOfRange:
            return shown + " is beyond the range of a double";
        case NumberParse::NotFinite:
            return shown + " is not a finite number";
    }
    return shown + " cannot be read";
}

void appendNumber(std::string& out, double value, int digits, char decimalMark) {
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0.0 ? "-inf" : "inf";
        return;
    }
    digits = digits < 0 ? 0 : (digits > 17 ? 17 : digits);
    // The digits and the power of ten, from the scientific form d.ddde±XX.
    char buffer[64];
    const auto result = digits == 0 ? std::to_chars(buffer, buffer + sizeof buffer, value,
                                                    std::chars_format::scientific)
                                    : std::to_chars(buffer, buffer + sizeof buffer, value,
                                                    std::chars_format::scientific, digits - 1);
    const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    std::size_t i = 0;
    const bool negative = scientific[0] == '-';
    if (negative) ++i;
    char digitsBuffer[32];
    std::size_t count = 0;
    for (; i < scientific.size() && scientific[i] != 'e'; ++i) {
        if (scientific[i] != '.') digitsBuffer[count++] = scientific[i];
    }
    int exponent = 0;
    bool negativeExponent = false;
    for (++i; i < scientific.size(); ++i) {
        if (scientific[i] == '-') {
            negativeExponent = true;
        } else if (scientific[i] != '+') {
            exponent = exponent * 10 + (scientific[i] - '0');
        }
    }
    exponent = negativeExponent ? -exponent : exponent;
    while (count > 1 && digitsBuffer[count - 1] == '0') {
        --count;
    }
    const std::string_view mantissa(digitsBuffer, count);

    if (negative) out += '-';
    if (exponent < -4 || exponent > 15) {
        out += mantissa[0];
        if (mantissa.size() > 1) {
            out += decimalMark;
            out += mantissa.substr(1);
        }
        char tail[16];
        std::snprintf(tail, sizeof tail, "e%c%02d", exponent < 0 ? '-' : '+',
                      exponent < 0 ? -exponent : exponent);
        out += tail;
    } else if (exponent < 0) {
        out += '0';
        out += decimalMark;
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += mantissa;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (mantissa.size() <= whole) {
            out += mantissa;
            out.append(whole - mantissa.size(), '0');
        } else {
            out += mantissa.substr(0, whole);
            out += decimalMark;
            out += mantissa.substr(whole);
        }
    }
}

void appendExact(std::string& out, double value) { appendNumber(out, value, 0); }

}  // namespace kelvoran
