// The state solved from a temperature nearby (what a property table asks instead of the whole
// search) is the one evaluatePH finds, or none where evaluatePH finds none.
#include <gtest/gtest.h>

#include <cmath>

#include "inverse/TemperatureForEnthalpyNear.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Inverse.h"

namespace kelvoran {
namespace {

TEST(TemperatureForEnthalpyNearTest, FindsWhatTheSearchFinds) {
    const struct {
        const char* what;
        double temperatureC, pressureBar, composition;  // the state whose enthalpy is sought
        double estimateC;
    } cases[] = {
        {"V + L inside the range", 700.0, 300.0, 0.05, 700.1},
        {"V + L at the top of the range, estimated beyond it", 999.9, 500.0, 0.02, 1000.1},
        // Beyond the searched temperatures no state has the enthalpy, however near.
        {"V + L just beyond the range", 1000.05, 300.0, 0.05, 999.95},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const double h =
            Calculator().evaluate(c.temperatureC, c.pressureBar, c.composition).bulk.specificEnthalpy;
        const InverseResult search = evaluatePH(c.pressureBar, h, c.composition);
        PhaseStateEvaluator evaluator;
        const InverseResult near = temperatureForEnthalpyNear(
            evaluator, c.pressureBar, h, c.composition, Phases::VaporLiquid, c.estimateC, 0.3, NAN,
            nullptr);
        ASSERT_EQ(near.status, search.status);
        if (search.status != InverseStatus::Solved) continue;
        EXPECT_EQ(near.point.phases, search.point.phases);
        EXPECT_NEAR(near.temperatureC, search.temperatureC, 1e-8 * (search.temperatureC + 273.15));
    }
}

}  // namespace
}  // namespace kelvoran
