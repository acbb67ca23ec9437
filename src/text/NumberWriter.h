#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvoran {

/// Most bytes of the text of one number ("-1.7976931348623157e+308").
inline constexpr std::size_t kLongestNumberText = 24;

/// Bytes at `out` that writeNumber may use: it writes whole words of digits, and what lies
/// past the end it returns is scratch.
inline constexpr std::size_t kNumberScratchBytes = 40;

/// Writes `value` in the table's number form at `out`, which has room for kNumberScratchBytes
/// bytes, and returns the end of its text (at most kLongestNumberText bytes). With `digits` 0, the
/// shortest digits that read back to exactly `value`; with `digits` 1 to 17, that many significant
/// digits (trailing zeros dropped). Magnitudes from 1e-4 to below 1e16 are written without an
/// exponent (1020.5, 0.00031839, 2800000); smaller and larger ones as 2.6e-07
/// or 1.7976931348623157e+308. NaN is written "nan", infinities "inf" and "-inf". `decimalMark` is
/// '.' or ','.
char* writeNumber(char* out, double value, int digits = 0, char decimalMark = '.');

/// Writes the decimal digits of `value` (with a '-' if negative) at `out`, which has room for
/// kNumberScratchBytes bytes, and returns the end of its text.
char* writeInteger(char* out, std::int64_t value);

/// Appends `value` as writeNumber writes it.
void appendNumber(std::string& out, double value, int digits = 0, char decimalMark = '.');

/// Appends the shortest text that reads back to exactly `value` (appendNumber with 0 digits).
void appendExact(std::string& out, double value);

}  // namespace kelvoran
