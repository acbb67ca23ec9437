#pragma once

#include <iosfwd>

namespace kelvoran {

/// The maintainers' address printed in the banner.
inline constexpr const char* kMaintainerAddress = "kelvoran-maintainers@example.org";

/// Runs the interactive console: banner, then prompt for T (°C), P (bar) and x (mole fraction
/// NaCl), evaluate, print the result box, until a temperature of zero or less has been
/// evaluated. Returns the process exit status:
///   0 when the loop ends on T <= 0, or when the input ends before a temperature is read;
///   1 when the input ends in the middle of a point or a value is not a number (one line on
///     `error` names the value and what was found there).
int runConsoleDialogue(std::istream& input, std::ostream& output, std::ostream& error);

}  // namespace kelvoran
