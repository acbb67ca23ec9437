#pragma once

#include <array>
#include <cstddef>

#include "water/WaterProperties.h"

namespace kelvoran {

/// A memo over the pure-water functions: each result is kept with its exact inputs, and a call
/// with inputs bit for bit equal to a kept pair returns the kept result instead of solving
/// again.
/// Within one point the same water state is asked for several times (the boiling pressure at T
/// by the classification and by the vapor–liquid surface, pure water at (T, P) and the mixture
/// at x = 0), and along an isotherm of a grid the phase compositions, and so their water
/// states, repeat from one point to the next. The results are those of the functions
/// themselves, bit for bit. One memo serves one thread.
class WaterStateMemo {
  public:
    /// pureWater(T °C, P bar).
    WaterPoint pureWater(double temperatureC, double pressureBar);
    /// waterSaturationPressurePa(T °C), Pa.
    double saturationPressurePa(double temperatureC);
    /// waterSaturationAtPressure(P bar).
    WaterSaturationAtPressure saturationAtPressure(double pressureBar);

    /// The derivative path's companions of the three (derivatives of the same states, kept the
    /// same way): the pressure slopes of the equation of state at pureWater(T, P)'s density,
    /// the slope of saturationPressurePa(T) (Pa/K) and the slopes along the saturation curve
    /// of saturationAtPressure(P). See waterPressureSlopes, waterSaturationPressureSlopePaK and
    /// waterSaturationSlopesAtPressure.
    WaterPressureSlopes pressureSlopes(double temperatureC, double pressureBar);
    double saturationPressureSlopePaK(double temperatureC);
    WaterSaturationSlopes saturationSlopesAtPressure(double pressureBar);

    /// The WaterNote bits of every pure-water state asked for (kept or not) since the last
    /// takeNotes(), together with those added by addNotes(); clears them.
    unsigned takeNotes();
    /// Adds WaterNote bits of states evaluated elsewhere (the slopes of the molar volume).
    void addNotes(unsigned notes) { notes_ |= notes; }

  private:
    template <typename Key, typename Value, std::size_t N>
    struct Slots {
        std::array<Key, N> keys{};
        std::array<Value, N> values{};
        std::size_t used = 0;  // filled slots
        std::size_t next = 0;  // the slot the next new result replaces
    };
    struct PointKey {
        double temperatureC, pressureBar;
    };

    Slots<PointKey, WaterStateAt, 8> states_;
    unsigned notes_ = 0;
    Slots<double, double, 2> saturationPressures_;
    Slots<double, WaterSaturationAtPressure, 2> saturationsAtPressure_;
    Slots<PointKey, WaterPressureSlopes, 8> pressureSlopes_;
    Slots<double, double, 2> saturationPressureSlopes_;
    Slots<double, WaterSaturationSlopes, 2> saturationSlopesAtPressure_;
};

}  // namespace kelvoran
