#pragma once

// What a property table keeps of a state (its channels), how the outputs of a lookup follow
// from them, and how they are compared with the model's.

#include <cstdint>

#include "kelvoran/Table.h"
#include "lookup/Dual3.h"
#include "lookup/TableLayout.h"

namespace kelvoran {

inline constexpr int kMaxChannels = 6;

/// The warning bits a segment carries: all but outside_fitted_range (a lookup computes it from
/// its inputs) and water_fallback_solve (how one water state was solved at one point).
inline constexpr std::uint32_t kSegmentWarningMask =
    ~static_cast<std::uint32_t>(kWarningOutsideFittedRange | kWarningWaterFallbackSolve);

/// What identifies a stretch of states along a column: the kind of segment it makes, the
/// state, status, fluid type, warnings and which of its values are NaN there.
struct Signature {
    SegmentKind kind = SegmentKind::Exact;
    std::int8_t state = 0;
    std::int8_t status = 0;
    std::int8_t fluidType = 0;
    std::uint32_t warnings = 0;
    std::uint32_t nanMask = 0;
    friend bool operator==(const Signature&, const Signature&) = default;
};

/// Indices of the values of one phase (and of the bulk) in ExactValues and TableOutputs.
enum PhaseValue : int {
    kComposition = 0,
    kMassFraction = 1,
    kDensity = 2,
    kEnthalpy = 3,
    kAmount = 4,      ///< phase mass fraction
    kSaturation = 5,  ///< volume fraction
};
inline constexpr int kPhaseValues = 6;
enum PhaseIndex : int { kLiquid = 0, kVapor = 1, kHalite = 2, kBulk = 3 };

/// The values of one state the model gave, compactly (absent phases NaN).
struct ExactValues {
    Signature signature;
    double temperatureC = 0.0;
    double values[4][kPhaseValues] = {};
};

/// The model's result at a point, reduced to what a table compares and tabulates. For a
/// (T, P, x) table `r` is the direct evaluation with status Solved.
ExactValues exactValues(TableVariables variables, const InverseResult& r);

/// The number of channels a table keeps for a state (0: it does not interpolate the state).
int channelCount(TableVariables variables, Phases state);

/// The channel values of an exact state into `channels` (channelCount of them).
void channelValues(TableVariables variables, const ExactValues& exact, double* channels);

/// The outputs of one lookup, with derivatives in the order of the table's variables.
struct TableOutputs {
    Phases state = Phases::Undetermined;
    InverseStatus status = InverseStatus::Solved;
    FluidType fluidType = FluidType::None;
    std::uint32_t warnings = 0;
    bool exact = false;  ///< evaluated by the model
    /// The model fixed the amounts of the phases by the bulk property (InverseResult's flag).
    bool amountsFromBulkProperty = false;
    Dual3 temperature;   ///< °C
    Dual3 pressure;      ///< bar
    Dual3 values[4][kPhaseValues];
};

/// Whether phase `phase` (kLiquid …, kBulk) is present in `state` (as hasLiquid, hasVapor and
/// hasHalite say; the bulk in every state but Undetermined): a bit per phase and state code.
inline bool phasePresent(Phases state, int phase) {
    // Bits liquid 1, vapor 2, halite 4, bulk 8 of the states 0 (undetermined), L, V, F, V + L,
    // V + H, L + H, V + L + H.
    constexpr unsigned kPresent[8] = {0, 9, 10, 9, 11, 14, 13, 15};
    const auto code = static_cast<unsigned>(state);
    return code < 8 && ((kPresent[code] >> phase) & 1U) != 0;
}

/// The outputs of an interpolated state from its channels and the inputs (each with its
/// gradient in the table's variables); `state`, status, fluid type and warnings are the
/// caller's; a (P, h, x) table's channels start with the temperature.
void formOutputs(TableVariables variables, Phases state, const Dual3* channels,
                 const Dual3 inputs[3], TableOutputs& out);

/// The outputs of an exact result; derivatives zero.
void outputsOf(TableVariables variables, const InverseResult& r, TableOutputs& out);

/// Whether a table of `variables` keeps `state` as its temperature alone (a segment
/// FromTemperature), from which a lookup solves the model's state: V + L of a (P, h, x) table,
/// whose liquid composition, amounts and saturations (to 1e-6 absolute; the saturations near
/// the bubble point ρ_L / ρ_V times more sensitive than the amount of vapor) meet the tolerance
/// only in cells much finer than the other states need. (A single fluid's own inversion is
/// already about as cheap as those steps.)
inline bool keptAsTemperature(TableVariables variables, Phases state) {
    return variables == TableVariables::PressureEnthalpy && state == Phases::VaporLiquid;
}

/// A segment FromTemperature keeps the temperature to this many times the tolerance: a lookup
/// solves the model's state from it in a few secant steps all the same, and many more cells
/// fit it than fit it to the tolerance.
inline constexpr double kFromTemperatureTolerance = 30.0;

/// The largest error of `table` against `exact`, in multiples of the tolerance of each value
/// (`temperatureOnly`: of the temperature, in multiples of kFromTemperatureTolerance times its
/// tolerance); infinity where the states differ or a value is NaN on one side only.
double errorRatio(const TableOutputs& table, const ExactValues& exact,
                  const TableTolerance& tolerance, bool temperatureOnly = false);

/// Mass fraction of NaCl of a mole fraction, with its derivatives.
Dual3 massFractionOf(const Dual3& composition);

}  // namespace kelvoran
