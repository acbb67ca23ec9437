#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "water/FiniteDifference.h"
#include "water/WaterEquationOfState.h"
#include "water/WaterLibrary.h"
#include "water/WaterSaturation.h"
#include "water/WaterState.h"

namespace kelvoran {
namespace {

constexpr WaterInputPair kTP = WaterInputPair::TemperaturePressure;

int allocatedSlots(const WaterState& record) {
    int count = 0;
    for (const auto& block : record.deriv) count += block != nullptr;
    return count;
}

TEST(WaterStateTest, NewPropAllocatesTheBlocksOfItsLevel) {
    const WaterState plain;  // a default record is one of level 0 without a state
    EXPECT_EQ(allocatedSlots(plain), 0);
    EXPECT_EQ(plain.error, 1);
    EXPECT_EQ(plain.derivLevel, 0);

    const auto level0 = newProp(kTP, 0);
    ASSERT_NE(level0, nullptr);
    EXPECT_EQ(allocatedSlots(*level0), 0);
    EXPECT_EQ(level0->error, 1);  // no state yet
    EXPECT_EQ(level0->filled, 0);
    EXPECT_EQ(level0->rho, 0.0);
    EXPECT_EQ(level0->quality, 0.0);
    EXPECT_EQ(level0->derivLevel, 0);
    EXPECT_EQ(level0->inputs, kTP);

    const auto level1 = newProp(kTP, 1);
    EXPECT_EQ(allocatedSlots(*level1), 2);
    ASSERT_NE(level1->deriv[0], nullptr);
    ASSERT_NE(level1->deriv[kPressureDerivativeSlot], nullptr);
    EXPECT_EQ(level1->deriv[kPressureDerivativeSlot]->d[0], 0.0);
    EXPECT_EQ(level1->deriv[kPressureDerivativeSlot]->child[0], nullptr);

    const auto level2 = newProp(kTP, 2);
    EXPECT_EQ(allocatedSlots(*level2), 3);
    ASSERT_NE(level2->deriv[kHeatCapacityDerivativeSlot], nullptr);
    for (int slot : {0, kPressureDerivativeSlot}) {
        EXPECT_NE(level2->deriv[slot]->child[0], nullptr);
        EXPECT_NE(level2->deriv[slot]->child[1], nullptr);
        EXPECT_EQ(level2->deriv[slot]->child[2], nullptr);
    }
}

TEST(WaterStateTest, NewPropRefusesWhatItDoesNotProvide) {
    struct Case {
        WaterInputPair inputs;
        int level;
        const char* message;
    };
    const Case cases[] = {
        {kTP, 3, "newProp(): deriv out of range"},
        {kTP, -1, "newProp(): deriv out of range"},
        {WaterInputPair::PressureEnthalpy, 1,
         "newProp(): only the temperature-pressure pair is provided"},
        {WaterInputPair::PressureEntropy, 0,
         "newProp(): only the temperature-pressure pair is provided"},
        {WaterInputPair::PressureEnthalpy, 3, "newProp(): deriv out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.inputs) << ", level " << c.level);
        EXPECT_THROW(
            {
                try {
                    newProp(c.inputs, c.level);
                } catch (const std::invalid_argument& e) {
                    EXPECT_STREQ(e.what(), c.message);
                    throw;
                }
            },
            std::invalid_argument);
    }
}

TEST(WaterStateTest, FillConvertsToRecordUnitsWithTheBlocksOfItsLevel) {
    EosWork work;
    computeHelmholtz(work, 500.0, 0.85);
    const auto record = newProp(kTP, 2);
    record->quality = 0.25;  // single-phase fills leave it alone
    fillState(*record, work);
    EXPECT_EQ(record->error, 0);
    EXPECT_EQ(record->filled, 1);
    EXPECT_EQ(record->quality, 0.25);
    EXPECT_EQ(record->T, 500.0);
    EXPECT_EQ(record->rho, work.rho * 1000.0);
    EXPECT_EQ(record->p, work.p * 1e6);
    EXPECT_EQ(record->f, work.a * 1000.0);
    EXPECT_EQ(record->h, work.h * 1000.0);
    EXPECT_EQ(record->cp, work.cp * 1000.0);
    const DerivativeBlock& pressure = *record->deriv[kPressureDerivativeSlot];
    EXPECT_EQ(pressure.d[0], work.dpdT * 1e6);
    EXPECT_EQ(pressure.d[1], work.dpdRho * 1000.0);
    // Level 2 in record units (Pa, kg/m³, K) against differences of the level-1 values.
    auto slot3 = [](double T, double rhoKgm3, int i) {
        const auto r = newProp(kTP, 1);
        evaluateTRho(T, rhoKgm3, r.get());
        return r->deriv[kPressureDerivativeSlot]->d[i];
    };
    const double d2pdT2 =
        testing::centralDifference([&](double T) { return slot3(T, 850.0, 0); }, 500.0, 0.5);
    const double d2pdRho2 =
        testing::centralDifference([&](double r) { return slot3(500.0, r, 1); }, 850.0, 0.1);
    EXPECT_TRUE(testing::closeTo(pressure.child[0]->d[0], d2pdT2, 1e-6));
    EXPECT_TRUE(testing::closeTo(pressure.child[1]->d[1], d2pdRho2, 1e-6));
    EXPECT_EQ(pressure.child[0]->d[1], pressure.child[1]->d[0]);
    EXPECT_EQ(record->deriv[kHeatCapacityDerivativeSlot]->d[0], work.dcvdT * 1000.0);
}

TEST(WaterStateTest, TwoPhaseFillMixesTheSaturatedStates) {
    const double T = 450.0;    // K
    const double rho = 300.0;  // kg/m³, between the saturated densities
    const auto record = newProp(kTP, 1);
    evaluateTRho(T, rho, record.get());
    ASSERT_EQ(record->error, 0);
    EXPECT_EQ(record->filled, 2);
    EosWork liquid, vapor;
    const SaturationSolution saturation = solveSaturationAtT(T, liquid, vapor);
    const double q = record->quality;
    EXPECT_GT(q, 0.0);
    EXPECT_LT(q, 1.0);
    EXPECT_NEAR(record->rho, rho, 1e-12 * rho);
    EXPECT_EQ(record->p, saturation.pressureMPa * 1e6);
    EXPECT_DOUBLE_EQ(record->h, (liquid.h + q * (vapor.h - liquid.h)) * 1000.0);
    EXPECT_DOUBLE_EQ(record->g, record->h - T * record->s);
    EXPECT_EQ(record->cp, 0.0);
    // Slot 3: the Clapeyron slope equals the slope of the saturation pressure.
    auto saturationPressure = [](double t) {
        EosWork l, v;
        return solveSaturationAtT(t, l, v).pressureMPa * 1e6;
    };
    const double slope = testing::centralDifference(saturationPressure, T, 0.05);
    EXPECT_TRUE(testing::closeTo(record->deriv[kPressureDerivativeSlot]->d[0], slope, 1e-6));
    EXPECT_EQ(record->deriv[kPressureDerivativeSlot]->d[1], 0.0);
    // cv is (du/dT) at constant total density through the two-phase region.
    auto energy = [&](double t) {
        WaterState r;
        evaluateTRho(t, rho, &r);
        return r.u;
    };
    EXPECT_TRUE(testing::closeTo(record->cv, testing::centralDifference(energy, T, 0.05), 1e-6));
}

TEST(WaterStateTest, StateFromTemperatureAndDensityOutsideTheTwoPhaseRegion) {
    WaterState record;
    evaluateTRho(300.0, 1000.0, &record);  // compressed liquid
    EXPECT_EQ(record.error, 0);
    EXPECT_EQ(record.filled, 1);
    EXPECT_GT(record.p, 3e6);
    evaluateTRho(700.0, 200.0, &record);  // supercritical
    EXPECT_EQ(record.filled, 1);
    evaluateTRho(265.0, 1000.0, &record);  // below the triple point: no saturation test
    EXPECT_EQ(record.error, 0);
    for (const auto& [T, rho] :
         {std::pair{259.9, 1000.0}, {2500.1, 1.0}, {300.0, 1801.0}, {300.0, 0.0}, {NAN, 1.0}}) {
        evaluateTRho(T, rho, &record);
        EXPECT_EQ(record.error, 1) << T << " " << rho;
    }
    evaluateTRho(300.0, 1000.0, nullptr);  // ignored
}

}  // namespace
}  // namespace kelvoran
