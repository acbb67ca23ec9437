#include "table/NumberText.h"

#include <charconv>
#include <cmath>
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

namespace {

void appendSpecial(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "nan";
    } else {
        out += value < 0.0 ? "-inf" : "inf";
    }
}

}  // namespace

void appendNumber(std::string& out, double value, int digits) {
    if (!std::isfinite(value)) {
        appendSpecial(out, value);
        return;
    }
    digits = digits < 1 ? 1 : (digits > 17 ? 17 : digits);
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    out.append(buffer, result.ptr);
}

void appendExact(std::string& out, double value) {
    if (!std::isfinite(value)) {
        appendSpecial(out, value);
        return;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace kelvoran
