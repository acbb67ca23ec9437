#pragma once

namespace kelvoran {

/// Exit statuses of kelvoran-table.
enum TableExit : int {
    TableExitOk = 0,       ///< every row computed and written
    TableExitBadRows = 1,  ///< the table is complete, but some input rows could not be read
    TableExitUsage = 2,    ///< bad command line (unknown option, bad grid, bad number)
    TableExitInput = 3,    ///< the input cannot be used: unreadable file, bad or no header
    TableExitOutput = 4,   ///< the output cannot be written
    TableExitFailure = 5,  ///< anything else (out of memory, no thread could be started)
};

/// The kelvoran-table program: parses the command line, reads a CSV file, standard input or a
/// grid, and writes the table. Returns the exit status.
int runTableCommand(int argc, char** argv);

}  // namespace kelvoran
