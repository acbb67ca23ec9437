#pragma once

#include <string>
#include <string_view>

namespace kelvoran {

/// Outcome of reading one number from text.
enum class NumberParse {
    Ok,
    Empty,       ///< nothing but blanks
    NotANumber,  ///< not a decimal number, or trailing characters
    OutOfRange,  ///< magnitude beyond a double
    NotFinite,   ///< "nan", "inf" and the like
};

/// Reads a decimal floating-point number that fills all of `text` (blanks around it allowed),
/// independent of the locale and correctly rounded, so that text written by appendNumber or
/// appendExact reads back to the very same double. A single leading '+' is accepted.
/// `value` is written only on NumberParse::Ok.
NumberParse parseNumber(std::string_view text, double& value);

/// One-line description of a failed parse of `text`, e.g. "'abc' is not a number".
std::string describeParseFailure(NumberParse outcome, std::string_view text);

/// Appends `value` with `digits` significant digits (1 to 17) in the general notation of
/// printf's %.*g (17 digits: every double reads back exactly). NaN is written "nan",
/// infinities "inf" and "-inf".
void appendNumber(std::string& out, double value, int digits);

/// Appends the shortest text that reads back to exactly `value`.
void appendExact(std::string& out, double value);

/// `text` made safe for a one-line message: control and non-ASCII bytes written as \xNN, and
/// cut to at most `limit` characters with "..." appended.
std::string printable(std::string_view text, std::size_t limit = 40);

/// Removes blanks (spaces and tabs) at both ends.
std::string_view trimBlanks(std::string_view text);

}  // namespace kelvoran
