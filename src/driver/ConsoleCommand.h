#pragma once

namespace kelvoran {

/// The kelvoran console program: with no arguments, the dialogue on standard input and output
/// (interactive when standard input is a terminal); `--help` or `-h` prints the usage and
/// `--version` the version, each with status 0; any other argument is a usage error, status 2.
/// Returns the exit status.
int runConsoleCommand(int argc, char** argv);

/// The text of `kelvoran --help`.
const char* consoleHelp();

}  // namespace kelvoran
