#pragma once

#include <string>
#include <string_view>

namespace kelvoran {

/// Outcome of reading one number from text.
enum class NumberParse {
    Ok,
    Empty,       ///< nothing but blanks
    NotANumber,  ///< not a decimal number, or trailing characters
    OutOfRange,  ///< magnitude beyond the largest double
    NotFinite,   ///< "nan", "inf" and the like
};

/// Reads a decimal floating-point number that fills all of `text` (blanks around it allowed),
/// independent of the locale and correctly rounded, so that text written by appendNumber
/// (text/NumberWriter.h) reads back to the very same double. A single leading '+' is accepted;
/// hexadecimal is not a number here, and "nan" or "inf" give NotFinite. A magnitude too small
/// for a double reads as the nearest subnormal or as zero of the same sign; only a magnitude
/// beyond the largest double is OutOfRange. Both front ends read every value with this
/// function. `value` is written only on NumberParse::Ok.
NumberParse parseNumber(std::string_view text, double& value);

/// As parseNumber, with `decimalMark` (',' or '.') as the decimal separator. With ',' a text
/// holding a '.' is not a number.
NumberParse parseNumber(std::string_view text, double& value, char decimalMark);

/// One-line description of a failed parse of `text`, e.g. "'abc' is not a number".
std::string describeParseFailure(NumberParse outcome, std::string_view text);

/// `text` made safe for a one-line message: control and non-ASCII bytes written as \xNN, and
/// cut to at most `limit` characters with "..." appended.
std::string printable(std::string_view text, std::size_t limit = 40);

/// A file name (or any name) in single quotes for a message, so that it stays on one line:
/// control bytes written as \xNN, a quote or a backslash preceded by a backslash; other bytes
/// (UTF-8 letters) unchanged.
std::string quotedName(std::string_view name);

/// Removes blanks (spaces and tabs) at both ends.
std::string_view trimBlanks(std::string_view text);

}  // namespace kelvoran
