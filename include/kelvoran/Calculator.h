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
/// that is absent holds zeros. A property the model cannot evaluate at the point is NaN.
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

    friend bool operator==(const PhaseRecord&, const PhaseRecord&) = default;
};

/// Everything computed for one point (T °C, P bar, x mole fraction NaCl).
struct PointResult {
    Phases phases = Phases::Undetermined;
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
