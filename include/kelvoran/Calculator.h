#pragma once

// kelvoran: phase state and phase properties of binary H2O–NaCl fluids, as a library.
//
//   #include <kelvoran/Calculator.h>
//
//   kelvoran::Calculator calculator;
//   const kelvoran::PointResult r = calculator.evaluate(400.0, 250.0, 0.05);  // °C, bar, x NaCl
//   if (r.hasLiquid()) { use(r.liquid.density); }                               // kg/m³
//
// Threads: a Calculator is not safe to share. Give every thread its own Calculator (they
// share nothing, so any number can run at once); a result depends on (T, P, x) only, never on
// which calculator computed it or what it computed before.
//
// CMake:  find_package(kelvoran CONFIG REQUIRED)
//         target_link_libraries(app PRIVATE kelvoran::kelvoran)

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kelvoran {

/// Which phases coexist at an evaluated point. The numeric codes are stable and are the ones
/// the console and the table tool report.
enum class Phases : std::int32_t {
    Undetermined = 0,       ///< no classification (never produced by a complete model)
    Liquid = 1,             ///< one fluid, on the liquid side of the vapor–liquid surface
    Vapor = 2,              ///< one fluid, on the vapor side
    Fluid = 3,              ///< one fluid at pressures above the vapor–liquid region
    VaporLiquid = 4,        ///< V + L
    VaporHalite = 5,        ///< V + H
    LiquidHalite = 6,       ///< L + H
    VaporLiquidHalite = 7,  ///< V + L + H
};

/// Short name of a phase state: "L", "V", "F", "V+L", "V+H", "L+H", "V+L+H", or "undetermined"
/// for any other code.
std::string_view shortName(Phases phases);

/// Whether a state contains a liquid (L, F, V+L, L+H, V+L+H), a vapor (V, V+L, V+H, V+L+H) or
/// halite (V+H, L+H, V+L+H). A single fluid of state L or F is reported as the liquid, of state
/// V as the vapor.
bool hasLiquid(Phases phases);
bool hasVapor(Phases phases);
bool hasHalite(Phases phases);
/// Whether a state is a single fluid (L, V or F).
bool isSinglePhase(Phases phases);

/// The properties of one phase (or of the bulk fluid) at an evaluated point. A record of a phase
/// that is absent holds zeros. A property the model cannot evaluate at the point, or does not
/// define (the enthalpy of halite, the heat capacity of a bulk of several phases), is NaN.
///
/// The bulk record of a state of two phases holds the bulk density (1 / Σ mᵢ/ρᵢ), its molar
/// volume and, where every phase has an enthalpy (V + L), the bulk specific enthalpy Σ mᵢ hᵢ,
/// with the phase mass fractions mᵢ of the lever rule on the NaCl mass fractions. In the
/// V + L + H state the amounts are not fixed by (T, P, x): the amounts and the bulk values are
/// NaN (see kWarningAmountsUndetermined, and evaluatePH / evaluatePRho, which fix them).
struct PhaseRecord {
    double temperature = 0.0;       ///< input temperature, °C
    double pressure = 0.0;          ///< input pressure, bar
    double composition = 0.0;       ///< mole fraction of NaCl in the phase
    double massPercent = 0.0;       ///< NaCl in percent by mass
    double massFraction = 0.0;      ///< NaCl mass fraction (massPercent × 0.01)
    double density = 0.0;           ///< kg/m³
    double molarVolume = 0.0;       ///< cm³/mol
    double specificEnthalpy = 0.0;  ///< J/kg
    double heatCapacity = 0.0;      ///< isobaric heat capacity, J/(kg K)
    std::int32_t phaseState = 0;    ///< code of the Phases that filled the record, or 0
    /// Mass of this phase per mass of the bulk, kg/kg (1 for the single fluid and the bulk).
    double phaseMassFraction = 0.0;
    /// Volume of this phase per volume of the bulk (saturation), m³/m³.
    double saturation = 0.0;

    friend bool operator==(const PhaseRecord&, const PhaseRecord&) = default;
};

/// Reasons to doubt the numbers of a point, as bits of PointResult::warnings. Each is computed
/// with the evaluation; none changes a number.
enum Warning : std::uint32_t {
    /// The point lies outside 0–1000 °C, 1–5000 bar, 0 ≤ x ≤ 1: the numbers are extrapolations.
    kWarningOutsideFittedRange = 1U << 0,
    /// A scaled temperature of a fluid phase lies in an ice field of water (or below the
    /// water model's 260 K): the properties taken there are NaN.
    kWarningIceField = 1U << 1,
    /// The molar volume of a liquid was extrapolated from the saturated liquid of water
    /// (below 16 bar, near or above the boiling point of water).
    kWarningLowPressureVolume = 1U << 2,
    /// The molar volume of a salt-rich phase came from the high-temperature, low-pressure
    /// extrapolation (above 594.63 °C, below 390.15 bar, x > 0.1).
    kWarningHighTemperatureVolume = 1U << 3,
    /// The scaled temperature of a liquid's enthalpy lies on the vapor side of the boiling
    /// curve of water: its enthalpy and heat capacity are those of a vapor-like water state and
    /// jump where the scaled temperature crosses the boiling curve.
    kWarningLiquidEnthalpyVaporSide = 1U << 4,
    /// V + L + H: the amounts of the three phases are not fixed by (T, P, x).
    kWarningAmountsUndetermined = 1U << 5,
    /// A water state came from the bracketed fallback solve (the Newton iteration failed).
    kWarningWaterFallbackSolve = 1U << 6,
    /// An input no fluid can have (T or P not finite, T below absolute zero, P not above zero,
    /// x outside 0–1, or NaN): the batch evaluations give such a point state Undetermined and
    /// no numbers (see isPhysicalInput in kelvoran/Batch.h).
    kWarningInvalidInput = 1U << 7,
    /// An inverse evaluation (kelvoran/Inverse.h) found more than one state with the given bulk
    /// property in its search range and returned the one of lowest temperature (pressure).
    kWarningMultipleSolutions = 1U << 8,
};

/// Short name of one warning bit: "outside_fitted_range", "ice_field", "low_pressure_volume",
/// "high_temperature_volume", "liquid_enthalpy_vapor_side", "amounts_undetermined",
/// "water_fallback_solve", "invalid_input", "multiple_solutions"; empty for anything else.
std::string_view warningName(Warning warning);

/// The short names of the bits set in `warnings`, in the order of their bits, joined by '|';
/// empty when none is set.
std::string warningNames(std::uint32_t warnings);

/// Whether a single fluid lies below or above the critical temperature of its composition on
/// the model's critical curve (criticalTemperatureC). The phase-state codes L, V and F do not
/// say it: state F covers water at 25 °C and 1 bar, and a state-V fluid may be dense.
enum class FluidType : std::int32_t {
    None = 0,           ///< not a single fluid (two or three phases)
    LiquidLike = 1,     ///< state L or F, below the critical temperature of its composition
    VaporLike = 2,      ///< state V, below the critical temperature of its composition
    Supercritical = 3,  ///< above the critical temperature of its composition
};

/// "liquid", "vapor", "supercritical", or empty for FluidType::None.
std::string_view shortName(FluidType fluidType);

/// Everything computed for one point (T °C, P bar, x mole fraction NaCl).
struct PointResult {
    Phases phases = Phases::Undetermined;
    std::uint32_t warnings = 0;             ///< Warning bits
    FluidType fluidType = FluidType::None;  ///< for a single fluid
    PhaseRecord liquid;  ///< the liquid, or the single fluid in states Liquid and Fluid
    PhaseRecord vapor;   ///< the vapor, or the single fluid in state Vapor
    PhaseRecord halite;  ///< solid NaCl
    PhaseRecord bulk;    ///< the fluid as a whole at the input point

    bool hasLiquid() const { return kelvoran::hasLiquid(phases); }
    bool hasVapor() const { return kelvoran::hasVapor(phases); }
    bool hasHalite() const { return kelvoran::hasHalite(phases); }

    friend bool operator==(const PointResult&, const PointResult&) = default;
};

/// Evaluates points of the H2O–NaCl model. It owns its own copy of the inputs and its own
/// model objects; each evaluate() classifies the point once and fills all four records.
/// One Calculator serves one thread at a time: to work in parallel, create one per thread:
///
///   std::vector<std::thread> workers;
///   for (int t = 0; t < n; ++t)
///       workers.emplace_back([&, t] {
///           kelvoran::Calculator calculator;   // this thread's own
///           for (std::size_t i = t; i < points.size(); i += n)
///               results[i] = calculator.evaluate(points[i].t, points[i].p, points[i].x);
///       });
///   for (auto& w : workers) w.join();
class Calculator {
  public:
    Calculator();
    ~Calculator();
    Calculator(Calculator&&) noexcept;
    Calculator& operator=(Calculator&&) noexcept;
    Calculator(const Calculator&) = delete;
    Calculator& operator=(const Calculator&) = delete;

    /// Phase state and properties at temperature °C, pressure bar and bulk composition (mole
    /// fraction NaCl). No input is rejected; use inFittedRange() to tell extrapolations apart.
    PointResult evaluate(double temperatureC, double pressureBar, double composition);

  private:
    struct Model;
    std::unique_ptr<Model> model_;
};

/// Molar masses the model uses, g/mol.
double waterMolarMassGPerMol();
double saltMolarMassGPerMol();

/// Mole fraction of NaCl of a mixture of NaCl mass fraction `massFraction`:
/// (w / M_NaCl) / (w / M_NaCl + (1 − w) / M_H2O).
double moleFractionFromMassFraction(double massFraction);

/// Mass fraction of NaCl of a mixture of NaCl mole fraction `composition`:
/// a / ((1 − x) M_H2O + a) with a = x M_NaCl.
double massFractionFromMoleFraction(double composition);

/// Whether a point lies in the range the correlations were fitted for: 0 ≤ T ≤ 1000 °C,
/// 1 ≤ P ≤ 5000 bar, 0 ≤ x ≤ 1. Results outside it are extrapolations.
bool inFittedRange(double temperatureC, double pressureBar, double composition);

}  // namespace kelvoran
