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

/// The derivatives of one output with respect to the three input variables of the batch that
/// writes it: arrays of N doubles owned by the caller, or null. The variables, in order, are
/// (T °C, P bar, x) for evaluateBatch, (P bar, h J/kg, x) for evaluateBatchPH, (P bar, ρ kg/m³,
/// x) for evaluateBatchPRho and (T °C, ρ kg/m³, x) for evaluateBatchTRho, x the mole fraction
/// NaCl; each derivative holds the other two. The unit is that of the output per unit of the
/// variable (a density column: kg/m³ per K, per bar, per J/kg, per kg/m³, per unit mole
/// fraction).
struct GradientColumns {
    double* first = nullptr;  ///< ∂/∂T (T–P, T–ρ batches) or ∂/∂P (P–h, P–ρ batches)
    double* second = nullptr;  ///< ∂/∂P (T–P), ∂/∂h (P–h) or ∂/∂ρ (P–ρ, T–ρ)
    double* third = nullptr;   ///< ∂/∂x
};

/// The derivatives of one phase's (or the bulk's) outputs.
struct PhaseDerivativeColumns {
    GradientColumns density;            ///< of the density, kg/m³
    GradientColumns specificEnthalpy;   ///< of the specific enthalpy, J/kg
    GradientColumns phaseMassFraction;  ///< of the mass of the phase per mass of the bulk
    GradientColumns saturation;         ///< of the volume fraction of the phase
    GradientColumns massFraction;       ///< of the NaCl mass fraction of the phase
};

/// Exact derivatives of the outputs: the derivatives of the model's own functions in the phase
/// state of each point (one-sided on a boundary), each water state differentiated at its solved
/// density by the implicit-function rule and the inverse evaluations by the same rule on the
/// temperature (pressure) they find. NaN where the phase is absent, where the value is NaN or
/// not defined, and where the model is not differentiable: in V + L + H of evaluateBatch, a state
/// of the three-phase curve alone, all but those of the bulk NaCl mass fraction (a function of x
/// alone) are NaN; the V + L + H states of the density batches, on the curve by their given P or
/// T, have derivatives.
struct DerivativeColumns {
    GradientColumns temperature;  ///< of the temperature, °C: found by the P–h and P–ρ batches
    GradientColumns pressure;     ///< of the pressure, bar: found by the T–ρ batch
    PhaseDerivativeColumns liquid, vapor, halite, bulk;
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
    /// Derivatives of the outputs, computed only when some column is non-null (they cost about
    /// a third more per point).
    DerivativeColumns derivatives;
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
