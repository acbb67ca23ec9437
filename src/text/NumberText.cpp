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

std::string quotedName(std::string_view name) {
    std::string out(1, '\'');
    for (const char ch : name) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            out += escaped;
            continue;
        }
        if (ch == '\'' || ch == '\\') out += '\\';
        out += ch;
    }
    out += '\'';
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

}  // namespace kelvoran
