#pragma once

// kelvoran: many points at once, into caller-owned columns.
//
//   #include <kelvoran/Batch.h>
//
//   std::vector<double> t = {25, 400}, p = {1, 250}, x = {0.01, 0.05};   // °C, bar, x NaCl
//   std::vector<std::int32_t> state(2);
//   std::vector<double> liquidDensity(2);                                  // kg/m³
//   kelvoran::BatchColumns out;
//   out.state = state.data();
//   out.liquid.density = liquidDensity.data();
//   kelvoran::evaluateBatch(t, p, x, out);
//
// Every column is optional (null: not written). A column of a phase that is absent at a point
// holds NaN there, as does a value the model does not define (the enthalpy of halite and so the
// bulk enthalpy of a state with halite; the heat capacity of the bulk of several phases; the
// amounts and bulk values of V + L + H). The results depend on each point alone: identical for
// any thread count and any order.
//
// evaluateBatch computes only what its columns need: no volumes without a density, molar
// volume or saturation column, no enthalpies without an enthalpy or heat capacity column (a
// warnings column needs both).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "kelvoran/Inverse.h"

namespace kelvoran {

/// Output columns of one phase (or of the bulk fluid): arrays of N doubles owned by the
/// caller, or null for a column not wanted.
struct PhaseColumns {
    double* composition = nullptr;        ///< mole fraction NaCl
    double* massFraction = nullptr;       ///< mass fraction NaCl
    double* density = nullptr;            ///< kg/m³
    double* molarVolume = nullptr;        ///< cm³/mol
    double* specificEnthalpy = nullptr;   ///< J/kg
    double* heatCapacity = nullptr;       ///< isobaric, J/(kg K)
    double* phaseMassFraction = nullptr;  ///< mass of the phase per mass of the bulk, kg/kg
    double* saturation = nullptr;         ///< volume of the phase per volume of the bulk
};

/// Where evaluateBatch writes: N entries per non-null column.
struct BatchColumns {
    std::int32_t* state = nullptr;      ///< phase-state code 1..7 (see kelvoran::Phases)
    std::uint32_t* warnings = nullptr;  ///< kelvoran::Warning bits (see warningNames)
    std::int32_t* fluidType = nullptr;  ///< kelvoran::FluidType code, 0 for several phases
    PhaseColumns liquid;                ///< the liquid, or the single fluid of states L and F
    PhaseColumns vapor;                 ///< the vapor, or the single fluid of state V
    PhaseColumns halite;                ///< solid NaCl
    PhaseColumns bulk;                  ///< the fluid as a whole at the input point
};

/// How evaluateBatch runs.
struct BatchOptions {
    /// Worker threads; 0 (the default) uses every core. The results do not depend on it.
    int threads = 0;
    /// Called on the calling thread once before any work (with 0), a few times a second while
    /// the workers run, and once at the end, with the number of points finished and the
    /// total. Return false to cancel: the workers stop at their next block of 64 points and
    /// evaluateBatch returns BatchStatus::Cancelled (the return value of the last call, made
    /// when every point is written, is ignored). Optional.
    std::function<bool(std::size_t done, std::size_t total)> progress;
    /// The inverse batches (evaluateBatchPH, evaluateBatchPRho, evaluateBatchTRho): the
    /// temperatures (pressures) searched, the same for every point; see SearchRange. Ignored
    /// by evaluateBatch.
    SearchRange searchRange;
};

/// How a batch ended.
enum class BatchStatus {
    Completed,  ///< every point evaluated
    Cancelled,  ///< the progress callback returned false; some points were not written
};

/// Whether (T °C, P bar, x mole fraction NaCl) can be a state of a fluid at all: T and P
/// finite, T at or above absolute zero (−273.15 °C), P above zero and 0 ≤ x ≤ 1 (NaN is none of
/// these). Points outside the fitted range that pass are extrapolations, not invalid.
bool isPhysicalInput(double temperatureC, double pressureBar, double composition);

/// Evaluates the points (temperatureC[i] °C, pressureBar[i] bar, composition[i] mole fraction
/// NaCl) into the columns of `out`. A point that fails isPhysicalInput is not evaluated: it gets
/// state 0 (Undetermined), the warning kWarningInvalidInput alone, fluid type None and NaN in
/// every value column (Calculator::evaluate, in contrast, evaluates whatever it is given). The
/// three spans must have the same length (otherwise std::invalid_argument). No allocation per
/// point. When no worker thread can be started the calling thread evaluates alone.
BatchStatus evaluateBatch(std::span<const double> temperatureC, std::span<const double> pressureBar,
                          std::span<const double> composition, const BatchColumns& out,
                          const BatchOptions& options = {});

/// What the inverse batches write besides the state: caller-owned arrays of N entries, or null.
struct InverseColumns {
    double* temperatureC = nullptr;  ///< °C found (given, for evaluateBatchTRho); NaN unsolved
    double* pressureBar = nullptr;   ///< bar given (found, for evaluateBatchTRho); NaN unsolved
    std::int32_t* status = nullptr;  ///< kelvoran::InverseStatus code, 0 when solved
    /// InverseResult::amountsFromBulkProperty: true where the amounts of the phases were fixed
    /// by the given bulk property (V + L + H, a two-phase state inside a jump); false elsewhere.
    bool* amountsFromBulkProperty = nullptr;
};

/// evaluatePH (kelvoran/Inverse.h) for N points (P bar, bulk specific enthalpy J/kg, x mole
/// fraction NaCl) over options.searchRange: the state of each into `out` (all NaN, state 0,
/// where none is found; warnings with kWarningMultipleSolutions where the search range holds
/// several) and the temperature and status into `inverse`. As evaluateBatch otherwise.
BatchStatus evaluateBatchPH(std::span<const double> pressureBar,
                            std::span<const double> specificEnthalpyJKg,
                            std::span<const double> composition, const BatchColumns& out,
                            const InverseColumns& inverse, const BatchOptions& options = {});

/// evaluatePRho for N points (P bar, bulk density kg/m³, x), as evaluateBatchPH.
BatchStatus evaluateBatchPRho(std::span<const double> pressureBar,
                              std::span<const double> densityKgM3,
                              std::span<const double> composition, const BatchColumns& out,
                              const InverseColumns& inverse, const BatchOptions& options = {});

/// evaluateTRho for N points (T °C, bulk density kg/m³, x): the pressure found goes into
/// inverse.pressureBar.
BatchStatus evaluateBatchTRho(std::span<const double> temperatureC,
                              std::span<const double> densityKgM3,
                              std::span<const double> composition, const BatchColumns& out,
                              const InverseColumns& inverse, const BatchOptions& options = {});

}  // namespace kelvoran
