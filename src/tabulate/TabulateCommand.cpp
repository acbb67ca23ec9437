#include "tabulate/TabulateCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "BuildInfo.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Table.h"
#include "lookup/TableFile.h"
#include "text/NumberText.h"
#include "text/NumberWriter.h"

namespace kelvoran {

namespace {

constexpr const char* kProgram = "kelvoran-tabulate";

constexpr const char* kDescription =
    "Builds a property table of H2O-NaCl fluids for flow simulators: the model's\n"
    "states over a box of (P, h, x) or (T, P, x), refined until every cell reproduces\n"
    "the model within the tolerance at test points inside it, written to a file that\n"
    "kelvoran-table --table, the C++ class kelvoran::PropertyTable and the Python class\n"
    "kelvoran.PropertyTable load in well under a second.\n";

constexpr const char* kFooter = R"(Ranges (-T, -P, -H, -x, -w): LOWER:UPPER, e.g. -P 1:1000. Defaults: the fitted
  range, 0-1000 °C, 1-5000 bar, x 0-1, and for (P, h, x) 0-4.7e6 J/kg (the bulk
  enthalpies reached between 0 and 1000 °C). Write ranges that start with a minus
  sign as --temperature=-10:0.

Tolerance: relative on T (in kelvin), densities and specific enthalpies (against
  at least 1e5 J/kg), absolute on compositions, mass fractions, phase amounts and
  saturations. Points whose phase state the table cannot vouch for (near a phase
  boundary or a critical point, outside the box) are evaluated by the model when
  they are looked up.

Exit status:
  0  the table was written (or --info printed)
  2  bad command line
  3  --info: the file is not a property table
  4  the table cannot be written
  5  any other failure (such as running out of memory)
  130  interrupted: no file was written

Examples:
  kelvoran-tabulate -o brine.kvt -P 1:1000 -H 0:3.5e6 -x 0:0.3
  kelvoran-tabulate --variables tpx -o tpx.kvt -T 0:600 -P 1:1000 -w 0:0.5
  kelvoran-tabulate --info brine.kvt
)";

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted.store(true); }

int usageError(const std::string& message) {
    std::cerr << kProgram << ": " << message << "\nRun " << kProgram << " --help for the syntax.\n";
    return TabulateExitUsage;
}

// "LOWER:UPPER" into a range; the fault, or empty.
std::string rangeOption(const std::string& text, const char* option, TableRange& range) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) {
        return std::string(option) + ": give LOWER:UPPER, not '" + printable(text) + "'";
    }
    double values[2];
    const std::string_view parts[2] = {std::string_view(text).substr(0, colon),
                                       std::string_view(text).substr(colon + 1)};
    for (int i = 0; i < 2; ++i) {
        const NumberParse outcome = parseNumber(parts[i], values[i]);
        if (outcome != NumberParse::Ok) {
            return std::string(option) + ": " + describeParseFailure(outcome, parts[i]);
        }
    }
    if (!(values[0] < values[1])) {
        return std::string(option) + ": the lower end must lie below the upper end";
    }
    range = {values[0], values[1]};
    return {};
}

// The size of a file in words: 12.3 MB.
std::string bytesText(std::size_t bytes) {
    char text[64];
    if (bytes < 10000) {
        std::snprintf(text, sizeof text, "%zu bytes", bytes);
    } else if (bytes < 10000000) {
        std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(bytes) / 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    }
    return text;
}

std::string rangeText(const TableRange& r) {
    std::string s;
    appendNumber(s, r.lower);
    s += ':';
    appendNumber(s, r.upper);
    return s;
}

// A description of a table: its variables, box, tolerance and sizes.
void describe(std::ostream& out, const PropertyTable& table) {
    const TableBox box = table.box();
    const TableTolerance tolerance = table.tolerance();
    const TableStatistics s = table.statistics();
    const bool ph = table.variables() == TableVariables::PressureEnthalpy;
    out << "variables: " << (ph ? "P_bar, h_J_kg, x_NaCl" : "T_C, P_bar, x_NaCl") << '\n';
    out << (ph ? "P_bar: " : "T_C: ") << rangeText(box.first) << '\n';
    out << (ph ? "h_J_kg: " : "P_bar: ") << rangeText(box.second) << '\n';
    out << "x_NaCl: " << rangeText(box.composition) << '\n';
    out << "tolerance: " << tolerance.relative << " relative, " << tolerance.absolute
        << " absolute\n";
    out << "built by: kelvoran " << table.kelvoranVersion() << ", levels " << table.rootLevel()
        << "-" << table.maxLevel() << '\n';
    out << "cells: " << s.cells << " (" << s.exactCells << " evaluated by the model)\n";
    out << "segments: " << s.segments << " (" << s.exactSegments << " evaluated by the model)\n";
    out << "tabulated points: " << s.nodes << '\n';
    out << "model evaluations of the build: " << s.modelEvaluations << '\n';
    out << "size: " << bytesText(s.fileBytes) << '\n';
}

// A one-line bar on a terminal, redrawn at most four times a second after the first second.
class CellProgress {
  public:
    explicit CellProgress(bool enabled) : enabled_(enabled), start_(Clock::now()), last_(start_) {}
    void update(std::size_t done, std::size_t total) {
        if (!enabled_ || total == 0) return;
        const Clock::time_point now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        if (elapsed < 1.0 || std::chrono::duration<double>(now - last_).count() < 0.25) return;
        last_ = now;
        const double fraction = static_cast<double>(done) / static_cast<double>(total);
        const int filled = static_cast<int>(fraction * 24);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(24 - filled), '-');
        std::fprintf(stderr, "\r[%s] %3d%% %zu/%zu cells, %.0f s", bar.c_str(),
                     static_cast<int>(fraction * 100.0), done, total, elapsed);
        if (done > 0) std::fprintf(stderr, ", about %.0f s left", elapsed * (1.0 - fraction) / fraction);
        std::fputs("\x1b[K", stderr);
        std::fflush(stderr);
        drawn_ = true;
    }
    void finish() {
        if (drawn_) std::fputs("\r\x1b[K", stderr);
        drawn_ = false;
    }

  private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point start_, last_;
};

int runTabulate(int argc, char** argv);

}  // namespace

int runTabulateCommand(int argc, char** argv) {
    try {
        return runTabulate(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << kProgram << ": out of memory\n";
        return TabulateExitFailure;
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << e.what() << '\n';
        return TabulateExitFailure;
    }
}

namespace {

int runTabulate(int argc, char** argv) {
    std::string output, info, variables = "phx", temperature, pressure, enthalpy, composition,
                              massFraction;
    TableTolerance tolerance;
    TableBuildOptions options;
    bool quiet = false;
    CLI::App app{kDescription, kProgram};
    app.set_version_flag("--version", std::string(kProgram) + " " + kProgramVersion +
                                          "\nError reports: " + kMaintainerContact);
    auto* outputOption =
        app.add_option("-o,--output", output, "write the table to FILE (- for standard output)")
            ->type_name("FILE");
    auto* infoOption =
        app.add_option("--info", info, "describe the table in FILE instead of building one")
            ->type_name("FILE");
    app.add_option("--variables", variables,
                   "phx: (P bar, h J/kg, x), the default; tpx: (T °C, P bar, x)")
        ->check(CLI::IsMember({"phx", "tpx"}));
    auto* t = app.add_option("-T,--temperature", temperature, "temperature range, °C (tpx)")
                  ->type_name("LOWER:UPPER");
    auto* p = app.add_option("-P,--pressure", pressure, "pressure range, bar")
                  ->type_name("LOWER:UPPER");
    auto* h = app.add_option("-H,--enthalpy", enthalpy, "bulk specific enthalpy range, J/kg (phx)")
                  ->type_name("LOWER:UPPER");
    auto* x = app.add_option("-x,--composition", composition, "composition range, mole fraction NaCl")
                  ->type_name("LOWER:UPPER");
    auto* w = app.add_option("-w,--mass-fraction", massFraction,
                             "composition range, mass fraction NaCl (instead of -x)")
                  ->type_name("LOWER:UPPER");
    x->excludes(w);
    app.add_option("--tolerance", tolerance.relative,
                   "relative tolerance on T (K), densities and enthalpies (default 1e-5)")
        ->check(CLI::PositiveNumber);
    app.add_option("--absolute-tolerance", tolerance.absolute,
                   "absolute tolerance on fractions, amounts and saturations (default 1e-6)")
        ->check(CLI::PositiveNumber);
    app.add_option("--max-level", options.maxLevel,
                   "finest cell: the box / 2^N in each refined variable, 4-20 "
                   "(default: 10 for tpx, 8 for phx over the fitted range, one fewer per halving "
                   "of the box)")
        ->check(CLI::Range(4, 20));
    CLI::Option* rootOption =
        app.add_option("--root-level", options.rootLevel,
                       "the box is first cut into 2^N x 2^N cells, 0-8 (default 5, or the "
                       "--max-level given where that is lower)")
            ->check(CLI::Range(0, 8));
    app.add_option("-j,--threads", options.threads,
                   "worker threads (0 or default: all cores); the file is the same for any")
        ->check(CLI::Range(0, 1024));
    app.add_flag("-q,--quiet", quiet, "no progress bar and no summary");
    app.footer(std::string(kFooter) + "\nError reports: " + kMaintainerContact + "\n");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        return usageError(e.what());
    }

    if (infoOption->count() > 0) {
        if (outputOption->count() > 0) return usageError("give either --info or --output");
        try {
            describe(std::cout, PropertyTable::load(info));
        } catch (const TableError& e) {
            std::cerr << kProgram << ": " << e.what() << '\n';
            return TabulateExitInput;
        }
        return TabulateExitOk;
    }
    if (outputOption->count() == 0 || output.empty()) {
        return usageError("give the file to write with -o FILE");
    }
    const bool toStandardOutput = output == "-";
    if (toStandardOutput && ::isatty(STDOUT_FILENO) != 0) {
        return usageError("-o -: standard output is a terminal; redirect it to a file or a pipe");
    }
    const TableVariables kind = variables == "tpx" ? TableVariables::TemperaturePressure
                                                   : TableVariables::PressureEnthalpy;
    const bool ph = kind == TableVariables::PressureEnthalpy;
    if (ph && t->count() > 0) return usageError("--temperature is a range of tpx tables");
    if (!ph && h->count() > 0) return usageError("--enthalpy is a range of phx tables");
    TableBox box = defaultTableBox(kind);
    std::string fault;
    if (t->count() > 0) fault = rangeOption(temperature, "--temperature", box.first);
    if (fault.empty() && p->count() > 0) {
        fault = rangeOption(pressure, "--pressure", ph ? box.first : box.second);
    }
    if (fault.empty() && h->count() > 0) fault = rangeOption(enthalpy, "--enthalpy", box.second);
    if (fault.empty() && x->count() > 0) {
        fault = rangeOption(composition, "--composition", box.composition);
    }
    if (fault.empty() && w->count() > 0) {
        TableRange mass;
        fault = rangeOption(massFraction, "--mass-fraction", mass);
        if (fault.empty() && (mass.lower < 0.0 || mass.upper > 1.0)) {
            fault = "--mass-fraction: the range must lie in 0-1";
        }
        if (fault.empty()) {
            box.composition = {moleFractionFromMassFraction(mass.lower),
                               moleFractionFromMassFraction(mass.upper)};
        }
    }
    if (!fault.empty()) return usageError(fault);
    if (options.maxLevel != 0 && options.rootLevel > options.maxLevel) {
        if (rootOption->count() > 0) return usageError("--root-level must not exceed --max-level");
        options.rootLevel = options.maxLevel;  // a coarse build asked for by its finest level
    }

    // A destination that cannot be written is refused now, not after a build of minutes.
    const std::string destination = toStandardOutput ? "/dev/stdout" : output;
    try {
        checkTableDestination(destination);
    } catch (const TableError& e) {
        std::cerr << kProgram << ": " << e.what() << '\n';
        return TabulateExitOutput;
    }

    CellProgress progress(!quiet && ::isatty(STDERR_FILENO) != 0);
    options.progress = [&](std::size_t done, std::size_t total) {
        progress.update(done, total);
        return !interrupted.load();
    };
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::optional<PropertyTable> built;
    try {
        built.emplace(PropertyTable::build(kind, box, tolerance, options));
    } catch (const TableCancelled&) {
        progress.finish();
        std::cerr << kProgram << ": interrupted; no table was written\n";
        return TabulateExitInterrupt;
    } catch (...) {
        progress.finish();
        throw;
    }
    progress.finish();
    const PropertyTable& table = *built;
    try {
        table.save(destination);
    } catch (const TableError& e) {
        std::cerr << kProgram << ": " << e.what() << '\n';
        return TabulateExitOutput;
    }
    if (!quiet) {
        std::cerr << kProgram << ": wrote " << (toStandardOutput ? "standard output" : output)
                  << " in "
                  << static_cast<long long>(table.statistics().buildSeconds + 0.5) << " s\n";
        describe(std::cerr, table);
    }
    return TabulateExitOk;
}

}  // namespace

}  // namespace kelvoran
