#include "kelvoran/Correlations.h"

#include "boundaries/CoexistingLiquid.h"
#include "boundaries/CoexistingVapor.h"
#include "boundaries/CriticalCurve.h"
#include "boundaries/ThreePhaseCurve.h"
#include "mixture/MixtureProperties.h"
#include "phase/PhaseProperties.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteProperties.h"
#include "salt/HaliteSaturatedVapor.h"
#include "salt/SaltBoilingCurve.h"
#include "salt/SaltMeltingCurve.h"
#include "salt/SaltSublimationCurve.h"
#include "water/WaterProperties.h"

namespace kelvoran {

double criticalPressureBar(double temperatureC) {
    CriticalCurve curve(temperatureC);
    curve.update();
    return curve.criticalPressure();
}

double criticalComposition(double temperatureC) {
    CriticalCurve curve(temperatureC);
    curve.update();
    return curve.criticalComposition();
}

double threePhasePressureBar(double temperatureC) {
    ThreePhaseCurve curve(temperatureC);
    curve.update();
    return curve.pressure();
}

double haliteLiquidusComposition(double temperatureC, double pressureBar) {
    HaliteLiquidus liquidus(temperatureC, pressureBar);
    liquidus.update();
    return liquidus.composition();
}

double haliteSaturatedVaporComposition(double temperatureC, double pressureBar) {
    HaliteSaturatedVapor vapor(temperatureC, pressureBar);
    vapor.update();
    return vapor.composition();
}

double coexistingLiquidComposition(double temperatureC, double pressureBar) {
    CoexistingLiquid liquid(temperatureC, pressureBar);
    liquid.update();
    return liquid.composition();
}

double coexistingVaporComposition(double temperatureC, double pressureBar) {
    CoexistingVapor vapor(temperatureC, pressureBar);
    vapor.update();
    return vapor.composition();
}

double saltMeltingTemperatureC(double pressureBar) {
    const double temperatureC = 0.0;  // the melting curve depends on the pressure alone
    SaltMeltingCurve curve(temperatureC, pressureBar);
    curve.update();
    return curve.meltingTemperature();
}

double saltBoilingPressureBar(double temperatureC) {
    const double pressureBar = 0.0;  // the curve depends on the temperature alone
    SaltBoilingCurve curve(temperatureC, pressureBar);
    curve.update();
    return curve.pressure();
}

double saltSublimationPressureBar(double temperatureC) {
    const double pressureBar = 0.0;  // the curve depends on the temperature alone
    SaltSublimationCurve curve(temperatureC, pressureBar);
    curve.update();
    return curve.pressure();
}

double haliteDensityKgM3(double temperatureC, double pressureBar) {
    HaliteProperties halite(temperatureC, pressureBar);
    halite.update();
    return halite.density();
}

double haliteHeatCapacityJKgK(double temperatureC, double pressureBar) {
    HaliteProperties halite(temperatureC, pressureBar);
    halite.update();
    return halite.heatCapacity();
}

double waterSaturationPressureBar(double temperatureC) {
    const double pressureBar = 0.0;
    WaterProperties water(temperatureC, pressureBar);
    return water.saturationPressure() * 1e-05;
}

double waterSaturationTemperatureC(double pressureBar) {
    const double temperatureC = 0.0;
    WaterProperties water(temperatureC, pressureBar);
    return water.saturationTemperature();
}

WaterPoint pureWater(double temperatureC, double pressureBar) {
    WaterProperties water(temperatureC, pressureBar);
    water.update();
    return {water.density(), water.specificEnthalpy(), water.heatCapacity()};
}

FluidPoint mixtureProperties(double temperatureC, double pressureBar, double composition) {
    MixtureProperties mixture(temperatureC, pressureBar, composition);
    mixture.update();
    return {molarMass(mixture.composition()) / mixture.molarVolume() * 1000.0,
            mixture.molarVolume(), mixture.specificEnthalpy(), mixture.heatCapacity()};
}

}  // namespace kelvoran
