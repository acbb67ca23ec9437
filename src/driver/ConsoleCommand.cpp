#include "driver/ConsoleCommand.h"

#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "BuildInfo.h"
#include "driver/ConsoleDialogue.h"
#include "io/DescriptorStreams.h"
#include "text/NumberText.h"

namespace kelvoran {

namespace {

constexpr const char* kHelp = R"(Usage: kelvoran [--help | --version]

Phase state and phase properties of H2O-NaCl fluids, one point at a time.

Without arguments, kelvoran asks for a temperature (°C), a pressure (bar) and a
bulk composition (mole fraction NaCl), prints the phase state and the density,
molar volume, heat capacity and composition of every phase present, and asks
again, until a temperature of zero or less has been evaluated. The values may
also be piped in, on one line or on several:

  printf '400 250 0.05\n0 1 0\n' | kelvoran

Each value is one word, a decimal number such as 25, -0.5, 1e-3 or 5.; a word
that is not wholly a number (0,05 or 0.05abc or 0x1p3) is an error about that
value, and nothing is evaluated before the three values of a point are read. A
value too small for a double reads as zero; one too large is an error. On a
terminal such an error is reported and the value asked for again; from a pipe or
a file it ends the program. Words after the point that ends the session are not
read: one line on standard error names the first of them.

Options:
  -h, --help     show this help and exit
  --version      show the version and exit

Exit status:
  0  a temperature of zero or less was evaluated, or the input ended before a
     new temperature
  1  the input ended in the middle of a point, a value is not a number (not on a
     terminal), or the input or the output failed; one line on standard error
     says which
  2  bad command line

For many points at once, and CSV tables, use kelvoran-table.
)";

// Writes `text` to standard output; status 0, or 1 with a message when it cannot be written.
int print(const std::string& text) {
    const int error = writeAll(STDOUT_FILENO, text);
    if (error != 0) {
        std::cerr << "kelvoran: cannot write the output: " << std::strerror(error) << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

const char* consoleHelp() { return kHelp; }

int runConsoleCommand(int argc, char** argv) {
    if (argc > 1) {
        const std::string_view first = argv[1];
        const bool help = first == "--help" || first == "-h";
        const bool version = first == "--version";
        if (argc == 2 && help) {
            return print(std::string(kHelp) + "Error reports: " + kMaintainerContact + "\n");
        }
        if (argc == 2 && version) {
            return print(std::string("kelvoran ") + kProgramVersion +
                         "\nError reports: " + kMaintainerContact + "\n");
        }
        // The first word that is not allowed where it stands.
        const bool option = help || version;
        std::cerr << "kelvoran: unexpected argument '" << printable(option ? argv[2] : argv[1])
                  << "'" << (option ? " after " + std::string(first) : std::string())
                  << "; the console takes no arguments but --help or --version alone\n"
                  << "Run kelvoran --help for the usage.\n";
        return 2;
    }

    DescriptorInputBuffer inputBuffer(STDIN_FILENO);
    DescriptorOutputBuffer outputBuffer(STDOUT_FILENO);
    std::istream input(&inputBuffer);
    std::ostream output(&outputBuffer);
    ConsoleSettings settings;
    settings.interactive = ::isatty(STDIN_FILENO) == 1;
    return runConsoleDialogue(input, output, std::cerr, settings);
}

}  // namespace kelvoran
