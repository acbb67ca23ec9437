// The warning flags and the fluid type of a point: raised on points known to be doubtful, and
// on no ordinary liquid.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"

namespace kelvoran {
namespace {

struct Case {
    double temperatureC, pressureBar, composition;
    Phases phases;
    FluidType fluidType;
    const char* warnings;  // warningNames of the point
};

TEST(WarningsTest, DoubtfulPointsAreFlaggedAndOrdinaryOnesAreNot) {
    const double p3 = threePhasePressureBar(500.0);
    const Case cases[] = {
        // Ordinary liquids and fluids: no warning.
        {25.0, 1.0, 0.01, Phases::Fluid, FluidType::LiquidLike, ""},
        {20.0, 1.0, 0.05, Phases::Fluid, FluidType::LiquidLike, ""},
        {300.0, 500.0, 0.1, Phases::Fluid, FluidType::LiquidLike, ""},
        {400.0, 250.0, 0.05, Phases::VaporLiquid, FluidType::None, ""},
        // Above the critical temperature of its composition.
        {500.0, 1000.0, 0.01, Phases::Fluid, FluidType::Supercritical, ""},
        // Extrapolations, each with its reason.
        {2.0, 1.0, 0.01, Phases::Fluid, FluidType::LiquidLike, "ice_field"},
        {100.0, 1.0, 0.01, Phases::Liquid, FluidType::LiquidLike, "low_pressure_volume"},
        {700.0, 300.0, 0.2, Phases::VaporLiquid, FluidType::None, "high_temperature_volume"},
        {850.0, 40.0, 1.0, Phases::Liquid, FluidType::LiquidLike,
         "high_temperature_volume|liquid_enthalpy_vapor_side"},
        {500.0, p3, 0.1, Phases::VaporLiquidHalite, FluidType::None, "amounts_undetermined"},
        {1200.0, 3000.0, 0.01, Phases::Vapor, FluidType::Supercritical, "outside_fitted_range"},
    };
    Calculator calculator;
    for (const Case& c : cases) {
        const PointResult r = calculator.evaluate(c.temperatureC, c.pressureBar, c.composition);
        SCOPED_TRACE(std::to_string(c.temperatureC) + " °C, " + std::to_string(c.pressureBar) +
                     " bar, x = " + std::to_string(c.composition));
        EXPECT_EQ(r.phases, c.phases);
        EXPECT_EQ(r.fluidType, c.fluidType);
        EXPECT_EQ(warningNames(r.warnings), c.warnings);
    }
    EXPECT_EQ(warningNames(0xffffffffU),
              "outside_fitted_range|ice_field|low_pressure_volume|high_temperature_volume|"
              "liquid_enthalpy_vapor_side|amounts_undetermined|water_fallback_solve|invalid_input|"
              "multiple_solutions");
}

TEST(WarningsTest, CriticalTemperatureOfAComposition) {
    EXPECT_EQ(criticalTemperatureC(0.0), 373.976);
    for (double x : {1e-6, 0.01, 0.0777761, 0.1, 0.13}) {
        const double t = criticalTemperatureC(x);
        EXPECT_GE(criticalComposition(t), x) << x;
        EXPECT_LT(criticalComposition(t - 1e-9 * t), x) << x;
    }
    EXPECT_EQ(criticalTemperatureC(0.9), std::numeric_limits<double>::infinity());
}

}  // namespace
}  // namespace kelvoran
