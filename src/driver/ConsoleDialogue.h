#pragma once

#include <cstddef>
#include <iosfwd>

namespace kelvoran {

/// How the console talks to its user.
struct ConsoleSettings {
    /// A person types at a terminal: a value that cannot be read is reported and asked for
    /// again, and at the end of the input the prompt line is ended with a newline.
    bool interactive = false;
};

/// Longest word read as one value, in bytes; a longer word is reported as too long (only its
/// start is kept and shown), so memory stays bounded on any input.
inline constexpr std::size_t kLongestConsoleValue = 1000;

/// Runs the interactive console: banner, then prompt for T (°C), P (bar) and x (mole fraction
/// NaCl), evaluate, print the result box, until a temperature of zero or less has been
/// evaluated. Each value is one word (text between blanks or line ends) that must be a decimal
/// number as a whole ("0,05", "0.05abc" and "0x1p3" are not); nothing is evaluated before all
/// three values of a point are read. Returns the process exit status:
///   0 when the loop ends on T <= 0, or when the input ends before a temperature is read (words
///     at hand after the point that ends the session are not read: one line on `error` names
///     the first);
///   1 when the input ends in the middle of a point, a value is not a number (unless
///     interactive: then it is asked for again), or the input or the output fails. One line on
///     `error` names the value and what was found there, or the failure.
int runConsoleDialogue(std::istream& input, std::ostream& output, std::ostream& error,
                       const ConsoleSettings& settings = {});

}  // namespace kelvoran
