#pragma once

namespace kelvoran {

/// Exit statuses of kelvoran-tabulate.
enum TabulateExit : int {
    TabulateExitOk = 0,          ///< the table was built and written (or --info printed)
    TabulateExitUsage = 2,       ///< bad command line
    TabulateExitInput = 3,       ///< --info: the file is not a table
    TabulateExitOutput = 4,      ///< the table cannot be written
    TabulateExitFailure = 5,     ///< anything else (out of memory, no thread started)
    TabulateExitInterrupt = 130  ///< interrupted (Ctrl-C): no file written
};

/// The kelvoran-tabulate program: builds a property table and writes it to a file, or
/// describes a table file. Returns the exit status.
int runTabulateCommand(int argc, char** argv);

}  // namespace kelvoran
