#include "water/WaterStateMemo.h"

#include <cstdint>

#include "numerics/BitCast.h"

namespace kelvoran {

namespace {

// Keys match when their bits do: no two different inputs share a result, not even 0 and −0.
bool same(double a, double b) {
    return bitCast<std::uint64_t>(a) == bitCast<std::uint64_t>(b);
}

// The value kept for `equal` keys, or a new one computed by `compute` in the oldest slot.
template <typename SlotsType, typename Equal, typename Compute>
auto& lookUp(SlotsType& slots, const Equal& equal, const Compute& compute) {
    for (std::size_t i = 0; i < slots.used; ++i) {
        if (equal(slots.keys[i])) return slots.values[i];
    }
    const std::size_t i = slots.next;
    slots.next = (slots.next + 1) % slots.keys.size();
    if (slots.used < slots.keys.size()) ++slots.used;
    compute(slots.keys[i], slots.values[i]);
    return slots.values[i];
}

}  // namespace

WaterPoint WaterStateMemo::pureWater(double temperatureC, double pressureBar) {
    const WaterStateAt& state = lookUp(
        states_,
        [&](const PointKey& k) {
            return same(k.temperatureC, temperatureC) && same(k.pressureBar, pressureBar);
        },
        [&](PointKey& k, WaterStateAt& v) {
            k = {temperatureC, pressureBar};
            v = waterStateAt(temperatureC, pressureBar);
        });
    notes_ |= state.notes;
    return state.values;
}

unsigned WaterStateMemo::takeNotes() {
    const unsigned notes = notes_;
    notes_ = 0;
    return notes;
}

double WaterStateMemo::saturationPressurePa(double temperatureC) {
    return lookUp(
        saturationPressures_, [&](double k) { return same(k, temperatureC); },
        [&](double& k, double& v) {
            k = temperatureC;
            v = waterSaturationPressurePa(temperatureC);
        });
}

WaterSaturationAtPressure WaterStateMemo::saturationAtPressure(double pressureBar) {
    return lookUp(
        saturationsAtPressure_, [&](double k) { return same(k, pressureBar); },
        [&](double& k, WaterSaturationAtPressure& v) {
            k = pressureBar;
            v = waterSaturationAtPressure(pressureBar);
        });
}

WaterPressureSlopes WaterStateMemo::pressureSlopes(double temperatureC, double pressureBar) {
    return lookUp(
        pressureSlopes_,
        [&](const PointKey& k) {
            return same(k.temperatureC, temperatureC) && same(k.pressureBar, pressureBar);
        },
        [&](PointKey& k, WaterPressureSlopes& v) {
            k = {temperatureC, pressureBar};
            const double density = pureWater(temperatureC, pressureBar).densityKgM3;
            v = waterPressureSlopes(temperatureC + kZeroCelsiusK, density);
        });
}

double WaterStateMemo::saturationPressureSlopePaK(double temperatureC) {
    return lookUp(
        saturationPressureSlopes_, [&](double k) { return same(k, temperatureC); },
        [&](double& k, double& v) {
            k = temperatureC;
            v = waterSaturationPressureSlopePaK(temperatureC);
        });
}

WaterSaturationSlopes WaterStateMemo::saturationSlopesAtPressure(double pressureBar) {
    return lookUp(
        saturationSlopesAtPressure_, [&](double k) { return same(k, pressureBar); },
        [&](double& k, WaterSaturationSlopes& v) {
            k = pressureBar;
            v = waterSaturationSlopesAtPressure(pressureBar);
        });
}

}  // namespace kelvoran
