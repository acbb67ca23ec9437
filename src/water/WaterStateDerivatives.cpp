#include "water/WaterStateDerivatives.h"

#include <limits>

namespace kelvoran {

DualWaterPoint pureWater(const Dual& temperatureC, const Dual& pressureBar, WaterStateMemo& water) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const WaterPoint w = water.pureWater(temperatureC.v, pressureBar.v);
    const WaterPressureSlopes s = water.pressureSlopes(temperatureC.v, pressureBar.v);
    const double rho = w.densityKgM3;
    const double perBar = 1e5 / s.dpdRhoPaKgM3;  // (∂ρ/∂P)T, kg/m³ per bar
    const double densityPerK = -s.dpdTPaK / s.dpdRhoPaKgM3;
    const double temperatureK = temperatureC.v + kZeroCelsiusK;
    const double enthalpyPerBar = (1.0 / rho + temperatureK * densityPerK / (rho * rho)) * 1e5;
    return {chain(rho, temperatureC, densityPerK, pressureBar, perBar),
            chain(w.specificEnthalpyJKg, temperatureC, w.heatCapacityJKgK, pressureBar,
                  enthalpyPerBar),
            Dual(w.heatCapacityJKgK, kNaN, kNaN, kNaN)};
}

Dual waterSaturationPressurePa(const Dual& temperatureC, WaterStateMemo& water) {
    return chain(water.saturationPressurePa(temperatureC.v), temperatureC,
                 water.saturationPressureSlopePaK(temperatureC.v));
}

DualWaterSaturationAtPressure waterSaturationAtPressure(const Dual& pressureBar,
                                                        WaterStateMemo& water) {
    const WaterSaturationAtPressure s = water.saturationAtPressure(pressureBar.v);
    const WaterSaturationSlopes slopes = water.saturationSlopesAtPressure(pressureBar.v);
    return {chain(s.temperatureC, pressureBar, slopes.temperatureKPerBar),
            chain(s.liquidDensityKgM3, pressureBar, slopes.liquidDensityKgM3PerBar)};
}

}  // namespace kelvoran
