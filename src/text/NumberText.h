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
/// independent of the locale and correctly rounded, so that text written by appendNumber reads
/// back to the very same double. A single leading '+' is accepted; hexadecimal is not a number
/// here, and "nan" or "inf" give NotFinite. A magnitude too small for a double reads as the nearest
/// subnormal or as zero of the same sign; only a magnitude beyond the largest double is OutOfRange.
/// Both front ends read every value with this function. `value` is written only on NumberParse::Ok.
NumberParse parseNumber(std::string_view text, double& value);

/// As parseNumber, with `decimalMark` (',' or '.') as the decimal separator. With ',' a text
/// holding a '.' is not a number.
NumberParse parseNumber(std::string_view text, double& value, char decimalMark);

/// One-line description of a failed parse of `text`, e.g. "'abc' is not a number".
std::string describeParseFailure(NumberParse outcome, std::string_view text);

/// Appends `value` in the table's number form: with `digits` 0, the shortest digits that read
/// back to exactly `value`; with `digits` 1 to 17, that many significant digits (trailing zeros
/// dropped). Magnitudes from 1e-4 to below 1e16 are written without an exponent (1020.5,
/// 0.00031839, 2800000); smaller and larger ones as 2.6e-07 or 1.7976931348623157e+308. NaN is
/// written "nan", infinities "inf" and "-inf". `decimalMark` is '.' or ','.
void appendNumber(std::string& out, double value, int digits = 0, char decimalMark = '.');

/// Appends the shortest text that reads back to exactly `value` (appendNumber with 0 digits).
void appendExact(std::string& out, double value);

/// `text` made safe for a one-line message: control and non-ASCII bytes written as \xNN, and
/// cut to at most `limit` characters with "..." appended.
std::string printable(std::string_view text, std::size_t limit = 40);

/// Removes blanks (spaces and tabs) at both ends.
std::string_view trimBlanks(std::string_view text);

}  // namespace kelvoran
