#pragma once

#include <cstdint>

namespace kelvoran {

/// Which phases coexist at a point. The integer codes are part of the interface: they are
/// stored in every result record and read by the console to choose the phase-state line.
enum PhaseState : std::int32_t {
    LiquidSinglePhase = 1,        ///< one fluid, liquid side of the vapor-liquid surface
    VaporSinglePhase = 2,         ///< one fluid, vapor side (or below the three-phase pressure)
    HighPressureSinglePhase = 3,  ///< one fluid above the vapor-liquid region
    VaporLiquid = 4,              ///< V + L
    VaporHalite = 5,              ///< V + H
    LiquidHalite = 6,             ///< L + H
    VaporLiquidHalite = 7,        ///< V + L + H
};

}  // namespace kelvoran
