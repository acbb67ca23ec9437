#pragma once

// kelvoran: property tables for flow simulators. A table is built once from the model over a
// box of the simulator's variables, (P, h, x) or (T, P, x), to a stated tolerance; it is saved
// to a file, loaded by memory-mapping and looked up a hundred times faster than the model is
// evaluated. The phase state of every lookup is the model's own: points whose state the table
// cannot vouch for (near a phase boundary, near a critical point, outside the box) are
// evaluated by the model itself.
//
//   #include <kelvoran/Table.h>
//
//   const kelvoran::TableBox box = {{150.0, 250.0}, {1.5e6, 2.8e6}, {0.0, 0.05}};  // bar, J/kg, x
//   kelvoran::TableBuildOptions options;
//   options.maxLevel = 4;                                        // coarse: built in seconds
//   options.rootLevel = 2;
//   const kelvoran::PropertyTable table = kelvoran::PropertyTable::build(
//       kelvoran::TableVariables::PressureEnthalpy, box, {}, options);
//   table.save("/tmp/brine.kvt");
//   const kelvoran::PropertyTable loaded = kelvoran::PropertyTable::load("/tmp/brine.kvt");
//   const kelvoran::TablePoint p = loaded.evaluate(200.0, 1.6e6, 0.01);   // bar, J/kg, x
//   // p.result as evaluatePH gives it, p.derivatives.temperature[1] = ∂T/∂h, K per J/kg
//
// A table is immutable and may be looked up from any number of threads at once.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Inverse.h"

namespace kelvoran {

/// The variables a table is built in and looked up with, in their order.
enum class TableVariables : std::int32_t {
    TemperaturePressure = 1,  ///< (T °C, P bar, x mole fraction NaCl): as Calculator::evaluate
    PressureEnthalpy = 2,     ///< (P bar, bulk specific enthalpy J/kg, x): as evaluatePH
};

/// "tpx" or "phx".
std::string_view shortName(TableVariables variables);

/// A closed range of one variable, in that variable's unit.
struct TableRange {
    double lower = 0.0;
    double upper = 0.0;
    friend bool operator==(const TableRange&, const TableRange&) = default;
};

/// The box a table covers. `first` and `second` are (T °C, P bar) for a (T, P, x) table and
/// (P bar, h J/kg) for a (P, h, x) table; `composition` is the mole fraction of NaCl.
struct TableBox {
    TableRange first;
    TableRange second;
    TableRange composition;
    friend bool operator==(const TableBox&, const TableBox&) = default;
};

/// The box of the fitted range: 0–1000 °C, 1–5000 bar, x 0–1 for (T, P, x); 1–5000 bar,
/// 0–4.7e6 J/kg (the bulk enthalpies reached between 0 and 1000 °C) and x 0–1 for (P, h, x).
TableBox defaultTableBox(TableVariables variables);

/// The finest level a build of the box of defaultTableBox refines to by default: 10 for
/// (T, P, x), 8 for (P, h, x) (whose columns cost the inverse evaluation); either builds in a
/// few minutes on 2 cores.
int defaultMaxLevel(TableVariables variables);

/// The finest level a build of `box` refines to by default: the level whose finest cells are
/// about as wide as those of the fitted-range box at defaultMaxLevel in the refined variable
/// ((T, P) or (P, x)) that `box` narrows least, one level fewer for each halving of it; 4 at
/// least, defaultMaxLevel at most.
int defaultMaxLevel(TableVariables variables, const TableBox& box);

/// How close a lookup stays to the model. Relative errors are taken on the temperature in
/// kelvin, on densities, and on specific enthalpies measured against max(|h|,
/// enthalpyFloorJKg) (the enthalpy of water is zero near 0 °C, where a relative error means
/// nothing); absolute errors on mole and mass fractions, phase mass fractions and saturations.
struct TableTolerance {
    double relative = 1e-5;           ///< T (K), densities, specific enthalpies
    double absolute = 1e-6;           ///< compositions, mass fractions, amounts, saturations
    double enthalpyFloorJKg = 1.0e5;  ///< J/kg, see above
    friend bool operator==(const TableTolerance&, const TableTolerance&) = default;
};

/// How a table is built.
struct TableBuildOptions {
    /// Worker threads; 0 (the default) uses every core. The table, and its file, do not depend
    /// on it.
    int threads = 0;
    /// The finest cell edge is the box's width / 2^maxLevel in each of the two variables the
    /// table is refined in (T and P, or P and x); 4–20, or 0 (the default) for
    /// defaultMaxLevel of the table's variables and box (and at least rootLevel).
    int maxLevel = 0;
    /// The box is first cut into 2^rootLevel × 2^rootLevel cells (each one task of the build);
    /// 0–8, at most maxLevel.
    int rootLevel = 5;
    /// Called on the calling thread once before any work (with 0), a few times a second while
    /// the workers run, and once at the end, with the cells finished and their total. Return
    /// false to cancel: the build throws TableCancelled. Optional.
    std::function<bool(std::size_t done, std::size_t total)> progress;
};

/// One point looked up: the state as the direct evaluation gives it (Calculator::evaluate for
/// a (T, P, x) table, with status Solved; evaluatePH for a (P, h, x) table), and the
/// derivatives of the values. Heat capacities are not tabulated: they are NaN.
struct TablePoint {
    InverseResult result;
    /// Whether the model evaluated the point itself (then the derivatives are the model's
    /// exact ones).
    bool exact = false;
    /// [0..2]: ∂/∂ the table's variables, in order; NaN where the value is not defined.
    struct Gradient {
        std::array<double, 3> temperature;  ///< of T (°C): ∂T/∂T = 1 for a (T, P, x) table
        std::array<double, 3> liquidComposition, liquidMassFraction, liquidDensity,
            liquidSpecificEnthalpy, liquidPhaseMassFraction, liquidSaturation;
        std::array<double, 3> vaporComposition, vaporMassFraction, vaporDensity,
            vaporSpecificEnthalpy, vaporPhaseMassFraction, vaporSaturation;
        std::array<double, 3> halitePhaseMassFraction, haliteSaturation, haliteDensity;
        std::array<double, 3> bulkDensity, bulkSpecificEnthalpy;
    } derivatives{};
};

/// A table file that cannot be read, or a table that cannot be written; the message names the
/// file and says why.
class TableError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// The progress callback of a build returned false.
class TableCancelled : public std::runtime_error {
  public:
    TableCancelled() : std::runtime_error("the table build was cancelled") {}
};

/// Sizes of a table.
struct TableStatistics {
    std::size_t cells = 0;           ///< cells of the (T, P) or (P, x) plane
    std::size_t exactCells = 0;      ///< of them, cells evaluated by the model throughout
    std::size_t segments = 0;        ///< pieces of the cells' columns between phase boundaries
    std::size_t exactSegments = 0;   ///< of them, pieces evaluated by the model
    std::size_t nodes = 0;           ///< tabulated points
    std::size_t fileBytes = 0;       ///< size of the table's file, bytes
    double buildSeconds = 0.0;       ///< wall-clock time of the build (0 for a loaded table)
    std::size_t modelEvaluations = 0;  ///< evaluations of the model by the build
};

/// An error-bounded table of the model's states over a box. Copies share the table.
class PropertyTable {
  public:
    /// Builds a table over `box` (see TableBox for the order of the variables). Throws
    /// std::invalid_argument for an empty, inverted or non-finite box, a composition range
    /// outside 0–1, a pressure not above zero, a tolerance not above zero or options out of
    /// range; TableCancelled when the progress callback cancels.
    static PropertyTable build(TableVariables variables, const TableBox& box,
                               const TableTolerance& tolerance = {},
                               const TableBuildOptions& options = {});

    /// Maps the table file at `path` into memory and checks it (its magic number, format
    /// version, size, checksum and every index in it). Throws TableError naming the file for
    /// anything that is not a complete table of this format.
    static PropertyTable load(const std::string& path);

    /// A table from the bytes of its file (copied; from bytes(), a file read by the caller, or
    /// a message of a parallel run), checked as load() checks a file. Throws TableError
    /// "<name>: <why>".
    static PropertyTable fromBytes(std::span<const std::byte> bytes,
                                   const std::string& name = "the table's bytes");

    /// The bytes of the table's file, as save() writes them (valid while a copy of the table
    /// lives).
    std::span<const std::byte> bytes() const;

    /// Writes the table to `path` (a new file, renamed into place when complete; a device or
    /// pipe such as /dev/stdout is written in place, a symbolic link is followed, a read-only
    /// file is not replaced). Throws TableError naming the file.
    void save(const std::string& path) const;

    TableVariables variables() const;
    TableBox box() const;
    TableTolerance tolerance() const;
    /// The kelvoran version that built the table ("0.2.0").
    std::string kelvoranVersion() const;
    /// maxLevel and rootLevel of the build.
    int maxLevel() const;
    int rootLevel() const;
    TableStatistics statistics() const;

    /// Looks up one point: (T °C, P bar, x) or (P bar, h J/kg, x) by the table's variables.
    TablePoint evaluate(double first, double second, double composition) const;

    /// Looks up N points into the columns of `out` as evaluateBatch (a (T, P, x) table) or
    /// evaluateBatchPH (a (P, h, x) table) writes them, heat capacities NaN; the temperature
    /// (pressure) and status into `inverse` (for a (T, P, x) table: the given T and P, status
    /// 0). The derivative columns of out.derivatives receive the derivatives of the
    /// interpolant with respect to the table's variables (as Batch.h names them: first,
    /// second, third = T, P, x or P, h, x), and at points the model evaluates itself the
    /// model's exact derivatives. The three spans must have the same length (otherwise
    /// std::invalid_argument). The results depend on each point alone, not on the thread
    /// count.
    BatchStatus evaluate(std::span<const double> first, std::span<const double> second,
                         std::span<const double> composition, const BatchColumns& out,
                         const InverseColumns& inverse = {},
                         const BatchOptions& options = {}) const;

    struct Storage;  ///< the table's bytes and the views into them

  private:
    explicit PropertyTable(std::shared_ptr<const Storage> storage);
    std::shared_ptr<const Storage> storage_;
};

}  // namespace kelvoran
