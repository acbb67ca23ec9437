#include "table/TableCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BuildInfo.h"
#include "io/DescriptorStreams.h"
#include "kelvoran/Inverse.h"
#include "kelvoran/Table.h"
#include "table/CsvReader.h"
#include "table/GridAxis.h"
#include "table/GridSource.h"
#include "table/OutputFile.h"
#include "table/ProgressBar.h"
#include "table/TableDerivatives.h"
#include "table/TableFormatter.h"
#include "table/TableRunner.h"
#include "text/NumberText.h"

namespace kelvoran {

namespace {

constexpr const char* kProgram = "kelvoran-table";

constexpr const char* kDescription =
    "Phase state and phase properties of H2O-NaCl fluids for many points at once.\n"
    "Reads points from a CSV file (or standard input), or evaluates a grid given with\n"
    "-T, -P and -x (or -w); writes one CSV row per point, in input order. Given a bulk\n"
    "specific enthalpy or a bulk density instead of T or P, it finds the temperature\n"
    "(or the pressure) and the state there.\n";

constexpr const char* kFooter = R"(Input CSV:
  A header line naming the columns T_C (°C), P_bar (bar) and x_NaCl (mole fraction
  NaCl) or w_NaCl (mass fraction NaCl), in any order and any letter case, then one
  point per line. Any other column (sample names, comments) is passed through to
  the output unchanged. Fields are separated by commas (or by --delimiter); blanks
  around them are ignored; a field may be quoted as spreadsheets write it ("a, b",
  "say ""hi""", line breaks inside quotes). Blank lines, lines of empty fields and
  lines starting with # are skipped (after the header only while the first column
  is one of the input columns; a spreadsheet error value such as #N/A is a bad
  value, not a comment). A record may hold at most 1 MiB (1048576 bytes). A quoted
  field that spans lines and turns out broken is taken for a stray quote: its
  first line is a bad row, the lines after it are read again. With both x_NaCl and
  w_NaCl (this program's table read back) they must agree to the digits written.

Inverse evaluations, chosen by the header (each with x_NaCl or w_NaCl):
  P_bar,h_J_kg      bulk specific enthalpy (J/kg) at P: finds T_C
  P_bar,rho_kg_m3   bulk density (kg/m³) at P: finds T_C
  T_C,rho_kg_m3     bulk density at T: finds P_bar (a point of an isochore)
  The search runs over 0-1000 °C (or 1-5000 bar), or over --T-min to --T-max
  (--P-min to --P-max). States with halite have no bulk enthalpy in the model, so
  an enthalpy is found among halite-free states only. A value inside a jump of the
  bulk property (pure water boiling, the three-phase curve) gives the two- or
  three-phase state there with the amounts that produce it. The bulk density is
  not monotonic in T (cold water has a maximum near 4 °C; salt-rich fluids reach
  one density on both sides of the three-phase curve): where several states of
  the range have the value, the one of lowest T (P) is written with the warning
  multiple_solutions, and a narrower range picks another. A header with both T_C
  and P_bar is evaluated directly; an h_J_kg or rho_kg_m3 column beside them is
  passed through.

Grid values (-T, -P, -x, -w, -H, --density): a comma-separated list of items, each
  VALUE                  a single value, e.g. 25
  START:STOP:COUNT       COUNT evenly spaced values, ends included, e.g. 0:1000:11
  START:STOP:COUNT:log   COUNT values evenly spaced in log10, e.g. 1:5000:20:log
  The grid is every combination, the first given quantity slowest (T, or P for
  -P -H and -P --density), x fastest. Write values that start with a minus sign
  as --temperature=-10:0:3.

Numbers: decimal, such as 25, -0.5, 1e-3; a value too small for a double reads
  as zero, one too large is an error. Every number is written in the shortest
  form that reads back to the same double (0.05, 1020.5, 2800000, 2.6e-07: an
  exponent only below 1e-4 and from 1e16 on); --digits N writes computed values
  with N significant digits instead. Inputs are always written in full.

Output columns:
  line, T_C, P_bar, x_NaCl, w_NaCl, in the inverse modes then h_J_kg (or
  rho_kg_m3) and inverse_status, then the passed-through input columns in input
  order, then out_of_range, state, state_name, then for each phase of liquid,
  vapor, halite: <phase>_x_NaCl, <phase>_w_NaCl, <phase>_density_kg_m3,
  <phase>_molar_volume_cm3_mol, <phase>_specific_enthalpy_J_kg,
  <phase>_heat_capacity_J_kg_K, then warnings, fluid_type, for each phase of
  liquid, vapor, halite <phase>_mass_fraction and <phase>_saturation, then
  bulk_density_kg_m3, bulk_specific_enthalpy_J_kg, and last error.
  line is the input line number (the point number for a grid). out_of_range is 1
  for a point outside 0-1000 °C, 1-5000 bar, 0 <= x <= 1 (extrapolated), else 0.
  state: 1 L (liquid), 2 V (vapor), 3 F (fluid above the vapor-liquid region),
  4 V+L, 5 V+H, 6 L+H, 7 V+L+H (H = halite). A single fluid appears in the liquid
  columns (L, F) or the vapor columns (V). warnings: reasons to doubt the point's
  numbers, joined by | (outside_fitted_range, ice_field, low_pressure_volume,
  high_temperature_volume, liquid_enthalpy_vapor_side, amounts_undetermined,
  water_fallback_solve, invalid_input, multiple_solutions). invalid_input: an
  input no fluid can have (P not above 0, x outside 0-1, T below absolute zero)
  gets state 0, undetermined, and no values. fluid_type: for a single fluid,
  liquid or vapor below the critical temperature of its composition,
  supercritical above it.
  <phase>_mass_fraction is kg of the phase per kg of the whole (not its NaCl
  content, which is <phase>_w_NaCl); <phase>_saturation its volume fraction.
  Phases absent at a point have empty columns, as have the enthalpy of halite and
  the bulk enthalpy of a state with halite (the model gives none). A value the
  model cannot evaluate is written nan, as are the amounts and bulk density in
  V+L+H, which (T, P, x) do not fix (warning amounts_undetermined).
  inverse_status: solved; out_of_range (no T in the search range, 0-1000 °C, or
  P in 1-5000 bar, gives the value); undefined (the value lies where the model has no such bulk
  property: with halite, or in a jump); invalid_input (x outside 0-1, P or the
  density not above zero). A row without a state found keeps its inputs and
  status, and every other column is empty. A row that cannot be read keeps its
  line number, the text of its fields and says why in the error column.

Derivatives (--derivatives):
  Before error, for each quantity and then each given variable of the mode
  (T_C, P_bar, x_NaCl; in the inverse modes P_bar, h_J_kg, x_NaCl; P_bar,
  rho_kg_m3, x_NaCl; T_C, rho_kg_m3, x_NaCl), a column d_<quantity>_d_<variable>
  in the unit of the quantity per unit of the variable, the other two held.
  Quantities: T_C (found by the P-h and P-rho modes) or P_bar (found by the T-rho
  mode), <phase>_w_NaCl, <phase>_density_kg_m3, <phase>_specific_enthalpy_J_kg,
  <phase>_mass_fraction, <phase>_saturation of liquid and vapor,
  halite_density_kg_m3, halite_mass_fraction, halite_saturation,
  bulk_density_kg_m3, bulk_specific_enthalpy_J_kg. Empty where the quantity is;
  nan where the model is not differentiable (V+L+H of the direct mode). --columns
  may name them.

Property tables (--table FILE):
  The points are looked up in a table written by kelvoran-tabulate instead of
  being evaluated: a (P, h, x) table for P_bar,h_J_kg input (or -P -H), a
  (T, P, x) table for T_C,P_bar input (or -T -P). The columns are the same;
  heat capacities are not tabulated (nan). Points the table does not cover, and
  points near a phase boundary, are evaluated by the model.

Output file (-o):
  The file appears only when complete; on failure or an interruption no partial
  file is left and an earlier file is untouched. /dev/stdout, /dev/stderr and
  /dev/fd/N are written in place, like -o -. A read-only file is not replaced,
  a dangling symbolic link creates the file it names, and the input file itself
  is refused as output. Unlike >, -o replaces the file by a new one (hard links
  keep the old contents; the owner becomes the caller). A temporary file left by
  a killed run is removed by the next one.

Exit status:
  0  every row computed (also rows of an inverse mode without a state found;
     a line on standard error counts them)
  1  the table was written, but some input rows could not be read
  2  bad command line
  3  the input cannot be used (cannot be read, no header, missing column), or
     could not be read to its end (the rows before are written)
  4  the output cannot be written (also a file-size limit)
  5  any other failure (such as running out of memory)

Examples:
  kelvoran-table -T 100:500:5 -P 1:1000:4:log -x 0,0.05,0.1 -o grid.csv
  kelvoran-table points.csv -o results.csv --threads 2
  kelvoran-table --delimiter ';' --decimal-comma export.csv -o results.csv
  printf 'T_C,P_bar,w_NaCl\n400,250,0.1\n' | kelvoran-table
  kelvoran-table -P 250 -H 1e6:3e6:5 -w 0.1          # T from bulk enthalpy
  kelvoran-table -T 200:600:5 --density 800 -w 0.2   # an isochore
  kelvoran-table -P 100 -H 1e6:3e6:5 -x 0.01 --derivatives   # dT/dh, ...
)";

struct Options {
    std::string input;
    std::string output;
    std::string temperature;
    std::string pressure;
    std::string composition;
    std::string massFraction;
    std::string enthalpy;
    std::string density;
    std::string delimiter = ",";
    SearchRange searchRange;
    std::string threads = "0";
    std::string digits = "0";
    std::string columns;
    std::string table;
    bool decimalComma = false;
    bool quiet = false;
    bool derivatives = false;
};

// The field separator named by --delimiter, or 0.
char delimiterOf(const std::string& text) {
    if (text == "," || text == ";" || text == "|" || text == "\t") return text[0];
    if (text == "tab" || text == "TAB" || text == "\\t") return '\t';
    return 0;
}

// Whether the search ranges given are usable (kelvoran::SearchRange).
bool validTemperatureBounds(const SearchRange& r) {
    return std::isfinite(r.lowerC) && std::isfinite(r.upperC) && r.lowerC < r.upperC;
}
bool validPressureBounds(const SearchRange& r) {
    return std::isfinite(r.lowerBar) && std::isfinite(r.upperBar) && r.lowerBar > 0.0 &&
           r.lowerBar < r.upperBar;
}

int usageError(const std::string& message) {
    std::cerr << kProgram << ": " << message << "\nRun " << kProgram << " --help for the syntax.\n";
    return TableExitUsage;
}

// Reads one grid axis; the fault, or empty. Running out of memory is no fault of the command
// line: std::bad_alloc goes on to the caller.
std::string axisOption(const std::string& text, const char* option, std::vector<double>& values) {
    try {
        values = GridAxis::parse(text);
        return {};
    } catch (const std::invalid_argument& e) {
        return std::string(option) + ": " + e.what();
    }
}

// Reads the whole number `text` of `option` into `value`, within [low, high]; the fault, or
// empty.
std::string integerOption(const std::string& text, const char* option, int low, int high,
                          int& value) {
    double read = 0.0;
    const std::string shown = "'" + printable(text) + "'";
    if (parseNumber(text, read) != NumberParse::Ok ||
        read != static_cast<double>(static_cast<long long>(read))) {
        return std::string(option) + ": " + shown + " is not a whole number";
    }
    if (read < low || read > high) {
        return std::string(option) + ": " + shown + " is not in " + std::to_string(low) + "-" +
               std::to_string(high);
    }
    value = static_cast<int>(read);
    return {};
}

// The names of a comma-separated list.
std::vector<std::string> listItems(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        items.emplace_back(trimBlanks(std::string_view(text).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

// Whether the table goes to the terminal that standard error is (the bar would share its lines).
bool sharesTerminalWithStandardError(const OutputFile& table) {
    struct stat error {};
    return ::isatty(STDERR_FILENO) == 1 && ::fstat(STDERR_FILENO, &error) == 0 &&
           table.writesToTerminal(error);
}

int failure(const std::string& message, int status) {
    std::cerr << kProgram << ": " << message << '\n';
    return status;
}

// Closes an input file we opened (never standard input).
struct InputFile {
    std::FILE* file = nullptr;
    bool owned = false;
    ~InputFile() {
        if (owned && file != nullptr) {
            std::fclose(file);
        }
    }
};

int runTable(int argc, char** argv);

}  // namespace

int runTableCommand(int argc, char** argv) {
    try {
        return runTable(argc, argv);
    } catch (const std::bad_alloc&) {
        return failure("out of memory", TableExitFailure);
    } catch (const std::exception& e) {
        return failure(e.what(), TableExitFailure);
    }
}

namespace {

int runTable(int argc, char** argv) {
    Options options;
    CLI::App app{kDescription, kProgram};
    app.set_version_flag("--version", std::string(kProgram) + " " + kProgramVersion +
                                          "\nError reports: " + kMaintainerContact);
    app.add_option("input", options.input,
                   "CSV file of points; '-' or nothing reads standard input")
        ->type_name("FILE");
    auto* output = app.add_option("-o,--output", options.output,
                                  "write the table to FILE instead of standard output ('-')")
                       ->type_name("FILE");
    auto* temperature =
        app.add_option("-T,--temperature", options.temperature, "grid temperatures, °C")
            ->type_name("VALUES");
    auto* pressure = app.add_option("-P,--pressure", options.pressure, "grid pressures, bar")
                         ->type_name("VALUES");
    auto* composition = app.add_option("-x,--composition", options.composition,
                                       "grid compositions, mole fraction NaCl")
                            ->type_name("VALUES");
    auto* massFraction = app.add_option("-w,--mass-fraction", options.massFraction,
                                        "grid compositions, mass fraction NaCl (instead of -x)")
                             ->type_name("VALUES");
    auto* enthalpy = app.add_option("-H,--enthalpy", options.enthalpy,
                                    "grid bulk specific enthalpies, J/kg (with -P: finds T)")
                         ->type_name("VALUES");
    auto* density =
        app.add_option("--density", options.density,
                       "grid bulk densities, kg/m³ (with -P: finds T; with -T: finds P)")
            ->type_name("VALUES");
    composition->excludes(massFraction);
    enthalpy->excludes(density);
    // The search range of the inverse modes.
    auto* lowestT = app.add_option("--T-min", options.searchRange.lowerC,
                                   "inverse modes (P, h) and (P, rho): lowest T searched, °C "
                                   "(default 0)")
                        ->type_name("T");
    auto* highestT = app.add_option("--T-max", options.searchRange.upperC,
                                    "inverse modes (P, h) and (P, rho): highest T searched, °C "
                                    "(default 1000)")
                         ->type_name("T");
    auto* lowestP = app.add_option("--P-min", options.searchRange.lowerBar,
                                   "inverse mode (T, rho): lowest P searched, bar (default 1)")
                        ->type_name("P");
    auto* highestP = app.add_option("--P-max", options.searchRange.upperBar,
                                    "inverse mode (T, rho): highest P searched, bar "
                                    "(default 5000)")
                         ->type_name("P");
    app.add_option("-j,--threads", options.threads,
                   "worker threads, 0-1024 (0 or default: all cores); the output is the same "
                   "for any")
        ->type_name("N");
    auto* digits = app.add_option("--digits", options.digits,
                                  "significant digits of computed values, 1-17 (default: the "
                                  "shortest form that reads back exactly)")
                       ->type_name("N");
    auto* columns =
        app.add_option("--columns", options.columns,
                       "write only these columns, in this order (comma-separated names of output "
                       "or passed-through columns); only what they need is computed")
            ->type_name("LIST");
    app.add_option("-d,--delimiter", options.delimiter,
                   "field separator of the input and the output: ',' (default), ';', '|' or tab")
        ->type_name("CHAR");
    app.add_flag("--decimal-comma", options.decimalComma,
                 "read and write numbers with a decimal comma (needs --delimiter ';', '|' or tab)");
    app.add_flag("-q,--quiet", options.quiet, "no progress bar");
    app.add_option("--table", options.table,
                   "look the points up in the property table FILE (kelvoran-tabulate)")
        ->type_name("FILE");
    app.add_flag("--derivatives", options.derivatives,
                 "add the derivatives of the outputs with respect to the three given variables "
                 "(columns d_<quantity>_d_<variable>)");
    app.footer(std::string(kFooter) + "\nError reports: " + kMaintainerContact + "\n");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            // --help or --version: a failed write of the text is an output error.
            std::ostringstream text, errors;
            app.exit(e, text, errors);
            const int error = writeAll(STDOUT_FILENO, text.str());
            if (error != 0) {
                return failure(std::string("cannot write standard output: ") + std::strerror(error),
                               TableExitOutput);
            }
            return TableExitOk;
        }
        return usageError(e.what());
    }

    int threadCount = 0;
    int digitCount = 0;
    for (const std::string& fault :
         {integerOption(options.threads, "--threads", 0, 1024, threadCount),
          digits->count() > 0 ? integerOption(options.digits, "--digits", 1, 17, digitCount)
                              : std::string()}) {
        if (!fault.empty()) return usageError(fault);
    }
    std::vector<std::string> columnNames;
    if (columns->count() > 0) columnNames = listItems(options.columns);

    if (output->count() > 0 && options.output.empty()) {
        return usageError("--output: the file name is empty");
    }
    const char delimiter = delimiterOf(options.delimiter);
    if (delimiter == 0) {
        return usageError("--delimiter: use ',', ';', '|' or tab, not '" +
                          printable(options.delimiter) + "'");
    }
    if (options.decimalComma && delimiter == ',') {
        return usageError("--decimal-comma needs another field separator: --delimiter ';'");
    }
    const bool temperatureBounds = lowestT->count() + highestT->count() > 0;
    const bool pressureBounds = lowestP->count() + highestP->count() > 0;
    if (temperatureBounds && !validTemperatureBounds(options.searchRange)) {
        return usageError(
            "--T-min, --T-max: the search range needs finite values, T-min below "
            "T-max");
    }
    if (pressureBounds && !validPressureBounds(options.searchRange)) {
        return usageError(
            "--P-min, --P-max: the search range needs finite values, 0 < P-min "
            "below P-max");
    }
    if (!options.table.empty() && (temperatureBounds || pressureBounds)) {
        return usageError(
            "--T-min, --T-max, --P-min and --P-max do not apply to --table: a property table "
            "covers the temperatures of its box");
    }
    // The bounds apply to the searched quantity of the mode only.
    const auto boundsFault = [&](TableMode mode) -> std::string {
        const bool searchesT =
            mode == TableMode::PressureEnthalpy || mode == TableMode::PressureDensity;
        if (temperatureBounds && !searchesT) {
            return "--T-min and --T-max apply to the inverse modes (P, h) and (P, rho) only";
        }
        if (pressureBounds && mode != TableMode::TemperatureDensity) {
            return "--P-min and --P-max apply to the inverse mode (T, rho) only";
        }
        return {};
    };
    TableStyle style;
    style.digits = digitCount;
    style.delimiter = delimiter;
    style.decimalMark = options.decimalComma ? ',' : '.';

    // Where the points come from.
    const bool gridMode = temperature->count() + pressure->count() + composition->count() +
                              massFraction->count() + enthalpy->count() + density->count() >
                          0;
    std::optional<GridSource> grid;
    TableMode gridTableMode = TableMode::Direct;
    if (gridMode) {
        if (!options.input.empty()) {
            return usageError("give either an input file or a grid (-T, -P, -x), not both");
        }
        const bool t = temperature->count() > 0, p = pressure->count() > 0,
                   h = enthalpy->count() > 0, rho = density->count() > 0;
        const int given = int{t} + int{p} + int{h} + int{rho};
        if (given == 2 && t && p) {
            gridTableMode = TableMode::Direct;
        } else if (given == 2 && p && h) {
            gridTableMode = TableMode::PressureEnthalpy;
        } else if (given == 2 && p && rho) {
            gridTableMode = TableMode::PressureDensity;
        } else if (given == 2 && t && rho) {
            gridTableMode = TableMode::TemperatureDensity;
        } else {
            return usageError(
                "a grid needs -T, -P and -x (or -w); for the inverse evaluations -P and -H, -P "
                "and --density, or -T and --density in place of -T and -P");
        }
        if (composition->count() + massFraction->count() == 0) {
            return usageError("a grid needs -T, -P and -x (or -w): give -x or -w");
        }
        std::vector<double> first, second, xs;
        const bool byMass = massFraction->count() > 0;
        const bool firstIsTemperature =
            gridTableMode == TableMode::Direct || gridTableMode == TableMode::TemperatureDensity;
        const auto secondAxis = [&] {
            switch (gridTableMode) {
                case TableMode::Direct:
                    return axisOption(options.pressure, "--pressure", second);
                case TableMode::PressureEnthalpy:
                    return axisOption(options.enthalpy, "--enthalpy", second);
                case TableMode::PressureDensity:
                case TableMode::TemperatureDensity:
                    break;
            }
            return axisOption(options.density, "--density", second);
        };
        for (const std::string& fault :
             {firstIsTemperature ? axisOption(options.temperature, "--temperature", first)
                                 : axisOption(options.pressure, "--pressure", first),
              secondAxis(),
              byMass ? axisOption(options.massFraction, "--mass-fraction", xs)
                     : axisOption(options.composition, "--composition", xs)}) {
            if (!fault.empty()) {
                return usageError(fault);
            }
        }
        if (const std::string fault = boundsFault(gridTableMode); !fault.empty()) {
            return usageError(fault);
        }
        grid.emplace(std::move(first), std::move(second), std::move(xs), byMass, gridTableMode);
        if (grid->size() == 0) {
            return usageError("the grid has too many points");
        }
    }

    const bool fromStandardInput = !gridMode && (options.input.empty() || options.input == "-");
    if (fromStandardInput && options.input.empty() && ::isatty(STDIN_FILENO)) {
        return usageError(
            "no input: give a CSV file, '-' for standard input, or a grid "
            "(-T, -P, -x)");
    }

    InputFile input;
    std::uint64_t inputBytes = 0;
    struct stat inputInfo {};
    bool inputIsFile = false;
    std::string inputName = "grid";
    if (!gridMode) {
        if (fromStandardInput) {
            input.file = stdin;
            inputName = "<stdin>";
        } else {
            inputName = quotedName(options.input);
            struct stat info {};
            if (::stat(options.input.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                std::cerr << kProgram << ": cannot read " << inputName << ": it is a folder\n";
                return TableExitInput;
            }
            input.file = std::fopen(options.input.c_str(), "r");
            if (input.file == nullptr) {
                const int error = errno;
                std::cerr << kProgram << ": cannot read " << inputName << ": "
                          << std::strerror(error) << '\n';
                return TableExitInput;
            }
            input.owned = true;
        }
        if (::fstat(::fileno(input.file), &inputInfo) == 0 && S_ISREG(inputInfo.st_mode)) {
            inputIsFile = true;
            inputBytes = static_cast<std::uint64_t>(inputInfo.st_size);
        }
    }

    std::optional<PropertyTable> propertyTable;
    if (!options.table.empty()) {
        try {
            propertyTable.emplace(PropertyTable::load(options.table));
        } catch (const TableError& e) {
            std::cerr << kProgram << ": " << e.what() << '\n';
            return TableExitInput;
        }
        if (propertyTable->kelvoranVersion() != kProgramVersion) {
            std::cerr << kProgram << ": note: " << options.table << " was built by kelvoran "
                      << propertyTable->kelvoranVersion() << "\n";
        }
    }

    const int threads = threadCount > 0 ? threadCount
                                        : static_cast<int>(std::thread::hardware_concurrency() > 0
                                                               ? std::thread::hardware_concurrency()
                                                               : 1);

    std::unique_ptr<OutputFile> table;
    try {
        table = std::make_unique<OutputFile>(options.output);
    } catch (const OutputError& e) {
        return failure(e.what(), TableExitOutput);
    }
    for (const std::string& notice : table->notices()) {
        std::cerr << kProgram << ": " << notice << '\n';
    }
    // Writing into the file being read would replace the input (or, appending, read the table
    // back in).
    if (inputIsFile && table->writesTo(inputInfo)) {
        return failure("cannot write " + table->name() + ": it is the input file " + inputName +
                           "; write the table to another file",
                       TableExitOutput);
    }

    std::optional<CsvReader> reader;
    TableTotals totals;
    // The bar is drawn on a terminal, but not on the one that shows the table.
    ProgressBar progress(
        stderr,
        !options.quiet && ::isatty(STDERR_FILENO) == 1 && !sharesTerminalWithStandardError(*table),
        gridMode ? grid->size() : 0);
    try {
        std::vector<std::string> extraColumns;
        TableMode mode = gridTableMode;
        if (!gridMode) {
            reader.emplace(input.file, inputName, CsvDialect{delimiter, style.decimalMark});
            reader->readHeader();
            mode = reader->mode();
            if (const std::string fault = boundsFault(mode); !fault.empty()) {
                return usageError(fault + " (the header of " + inputName + " asks for another)");
            }
            // A table this program wrote (its first column is line) is read back: its computed
            // columns are computed again, not passed through.
            if (reader->headerColumns().front() == "line") {
                std::vector<bool> drop;
                const TableDerivatives derivatives(mode);
                for (const std::string& name : reader->extraColumns()) {
                    drop.push_back(!TableFormatter::clashingColumn({name}, mode).empty() ||
                                   !derivatives.clashingColumn({name}).empty());
                }
                reader->dropExtraColumns(drop);
            }
            extraColumns = reader->extraColumns();
            const std::string clash = TableFormatter::clashingColumn(extraColumns, mode);
            if (!clash.empty()) {
                throw InputError(inputName + ":" + std::to_string(reader->headerLine()) +
                                 ": the input column '" + printable(clash) +
                                 "' has the name of an output column; rename it");
            }
        }
        if (propertyTable) {
            const TableMode wanted = propertyTable->variables() == TableVariables::PressureEnthalpy
                                         ? TableMode::PressureEnthalpy
                                         : TableMode::Direct;
            if (mode != wanted) {
                throw InputError(options.table + " is a " +
                                 (wanted == TableMode::Direct
                                      ? "(T, P, x) table: give T_C and P_bar (or the grid options -T -P)"
                                      : "(P, h, x) table: give P_bar and h_J_kg (or the grid options -P -H)"));
            }
        }
        TableFormatter formatter(style, extraColumns, mode);
        if (options.derivatives) {
            formatter.addDerivatives();
            const std::string clash = formatter.derivatives()->clashingColumn(extraColumns);
            if (!clash.empty()) {
                throw InputError(inputName + ": the input column '" + printable(clash) +
                                 "' has the name of an output column; rename it");
            }
        }
        if (!columnNames.empty()) {
            const std::string fault = formatter.select(columnNames);
            if (!fault.empty()) {
                progress.finish();
                return usageError("--columns: " + fault);
            }
        }
        table->write(formatter.header());

        TableJob job;
        if (gridMode) {
            job.next = [&](InputRow& row) { return grid->next(row); };
        } else {
            job.next = [&](InputRow& row) { return reader->next(row); };
        }
        job.write = [&](std::string_view text) { table->write(text); };
        if (propertyTable) {
            job.evaluate = [&](std::span<const double> a, std::span<const double> b,
                               std::span<const double> x, const BatchColumns& out,
                               const InverseColumns& inverse, const BatchOptions& batch) {
                propertyTable->evaluate(a, b, x, out, inverse, batch);
            };
        }
        job.searchRange = options.searchRange;
        job.rowFailed = [&](const InputRow& row) {
            progress.finish();
            std::cerr << kProgram << ": " << inputName << ":" << row.line << ": "
                      << printable(row.error, 400) << '\n';
        };
        job.progress = [&](std::uint64_t done) {
            double fraction = -1.0;
            if (reader && inputBytes > 0) {
                fraction =
                    static_cast<double>(reader->bytesRead()) / static_cast<double>(inputBytes);
            }
            progress.update(done, fraction);
        };
        TableRunner runner(threads, formatter);
        totals = runner.run(job);
        table->commit();
    } catch (const InputError& e) {
        progress.finish();
        std::cerr << kProgram << ": " << e.what() << '\n';
        return TableExitInput;
    } catch (const OutputError& e) {
        progress.finish();
        std::cerr << kProgram << ": " << e.what() << '\n';
        return TableExitOutput;
    } catch (const std::bad_alloc&) {
        progress.finish();
        return failure("out of memory", TableExitFailure);
    } catch (const std::exception& e) {
        progress.finish();
        return failure(e.what(), TableExitFailure);
    }
    progress.finish();

    if (totals.unsolvedRows > 0) {
        std::cerr << kProgram << ": " << totals.unsolvedRows << " of "
                  << totals.rows - totals.failedRows
                  << " computed rows have no state found; see the inverse_status column\n";
    }
    if (totals.failedRows > 0) {
        std::cerr << kProgram << ": " << totals.failedRows << " of " << totals.rows
                  << " rows could not be read; see the error column\n";
    }
    if (reader && !reader->stopped().empty()) {
        std::cerr << kProgram << ": " << reader->stopped()
                  << "; the table holds the rows before it\n";
        return TableExitInput;
    }
    return totals.failedRows > 0 ? TableExitBadRows : TableExitOk;
}

}  // namespace

}  // namespace kelvoran
