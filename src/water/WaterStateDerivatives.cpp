#include "water/WaterStateDerivatives.h"

#include <limits>

namespace kelvoran {

DualWaterPoint waterStateWithGradients(const WaterPoint& values, const WaterPressureSlopes& s,
                                       const Dual& temperatureC, const Dual& pressureBar) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double rho = values.densityKgM3;
    const double perBar = 1e5 / s.dpdRhoPaKgM3;  // (∂ρ/∂P)T, kg/m³ per bar
    const double densityPerK = -s.dpdTPaK / s.dpdRhoPaKgM3;
    const double temperatureK = temperatureC.v + kZeroCelsiusK;
    const double enthalpyPerBar = (1.0 / rho + temperatureK * densityPerK / (rho * rho)) * 1e5;
    return {chain(rho, temperatureC, densityPerK, pressureBar, perBar),
            chain(values.specificEnthalpyJKg, temperatureC, values.heatCapacityJKgK, pressureBar,
                  enthalpyPerBar),
            Dual(values.heatCapacityJKgK, kNaN, kNaN, kNaN)};
}

DualWaterPoint pureWater(const Dual& temperatureC, const Dual& pressureBar, WaterStateMemo& water) {
    return waterStateWithGradients(water.pureWater(temperatureC.v, pressureBar.v),
                                   water.pressureSlopes(temperatureC.v, pressureBar.v),
                                   temperatureC, pressureBar);
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
