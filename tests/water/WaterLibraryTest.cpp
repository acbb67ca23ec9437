#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "water/WaterLibrary.h"
#include "water/WaterSaturation.h"

namespace kelvoran {
namespace {

using Record = std::unique_ptr<WaterState>;
Record makeRecord(int level = 1) { return newProp(WaterInputPair::TemperaturePressure, level); }

constexpr double kGuess = 500.0;  // kg/m³
constexpr double kTolerance = 1e-8;

struct TPCase {
    double T;  // K
    double p;  // Pa
    bool accepted;
    const char* why;
};

void PrintTo(const TPCase& c, std::ostream* os) { *os << c.T << " K, " << c.p << " Pa: " << c.why; }

class EvaluateTPTest : public ::testing::TestWithParam<TPCase> {};

TEST_P(EvaluateTPTest, AcceptsOrRefuses) {
    const TPCase& c = GetParam();
    Record record = makeRecord();
    evaluateTP(c.T, c.p, kGuess, kTolerance, record.get());
    EXPECT_EQ(record->error, c.accepted ? 0 : 1) << c.why;
    if (c.accepted) {
        EXPECT_NEAR(record->p, c.p, 1e-8 * c.p) << c.why;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EvaluateTPTest,
    ::testing::Values(TPCase{300.0, 2.2e7, true, "compressed liquid"},
                      TPCase{259.9, 1e5, false, "below 260 K"},
                      TPCase{300.0, 3.0001e9, false, "above 3000 MPa"},
                      TPCase{250.0, 1e8, false, "250 K: below 260 K (also ice Ih)"},
                      TPCase{250.0, 50.0, false, "250 K below sublimation: below 260 K"},
                      TPCase{265.0, 1e5, false, "inside the ice Ih field"},
                      TPCase{265.0, 100.0, true, "vapor below the sublimation pressure"},
                      TPCase{265.0, 1.5e8, true, "supercooled liquid above Ih melting"},
                      TPCase{373.15, 1e5, true, "vapor at 1 bar"},
                      TPCase{373.15, 1.02e5, true, "liquid at 1.02 bar"},
                      TPCase{646.5, 2.3e7, true, "liquid near the critical point"},
                      TPCase{647.126, 2.2e7, true, "critical temperature"},
                      TPCase{2500.0, 1e9, true, "hot dense fluid"},
                      TPCase{NAN, 1e5, false, "NaN temperature"}));

TEST(WaterLibraryTest, EvaluateTPStaysOnThePhaseOfTheRegion) {
    Record record = makeRecord();
    evaluateTP(373.15, 1.02e5, kGuess, kTolerance, record.get());
    EXPECT_GT(record->rho, 900.0);
    evaluateTP(373.15, 1.0e5, kGuess, kTolerance, record.get());  // same guess, vapor side
    EXPECT_LT(record->rho, 1.0);
}

// Within round-off of the saturation pressure a point is no longer refused: it takes the phase
// of its side of the solved saturation pressure (the saturated liquid or vapor there).
TEST(WaterLibraryTest, PointOnTheSaturationCurveTakesThePhaseOfItsSide) {
    Record liquid = makeRecord();
    Record vapor = makeRecord();
    saturationAtT(400.0, liquid.get(), vapor.get());
    ASSERT_EQ(liquid->error, 0);
    Record record = makeRecord();
    for (double p : {liquid->p, vapor->p, 0.5 * (liquid->p + vapor->p)}) {
        evaluateTP(400.0, p, kGuess, kTolerance, record.get());
        ASSERT_EQ(record->error, 0) << p;
        const bool isLiquid = std::fabs(record->rho - liquid->rho) <= 1e-5 * liquid->rho;
        const bool isVapor = std::fabs(record->rho - vapor->rho) <= 1e-5 * vapor->rho;
        EXPECT_TRUE(isLiquid || isVapor) << p << ": " << record->rho;
    }
}

TEST(WaterLibraryTest, NullRecordsAreIgnoredOrFlagTheOther) {
    evaluateTP(300.0, 1e5, kGuess, kTolerance, nullptr);
    evaluateTRho(300.0, 1000.0, nullptr);
    Record record = makeRecord();
    record->error = 0;
    saturationAtT(400.0, record.get(), nullptr);
    EXPECT_EQ(record->error, 1);
    record->error = 0;
    saturationAtP(1e5, nullptr, record.get());
    EXPECT_EQ(record->error, 1);
    saturationAtT(400.0, nullptr, nullptr);
}

struct LimitCase {
    double value;  // K for saturation at T, Pa for saturation at p
    bool accepted;
};

TEST(WaterLibraryTest, SaturationAtTLimits) {
    for (const LimitCase& c : {LimitCase{647.126, true},
                               {647.13, false},
                               {273.15, false},
                               {273.16, true},
                               {NAN, false}}) {
        Record liquid = makeRecord();
        Record vapor = makeRecord();
        saturationAtT(c.value, liquid.get(), vapor.get());
        EXPECT_EQ(liquid->error, c.accepted ? 0 : 1) << c.value;
        EXPECT_EQ(vapor->error, c.accepted ? 0 : 1) << c.value;
    }
    Record liquid = makeRecord();
    Record vapor = makeRecord();
    saturationAtT(647.126, liquid.get(), vapor.get());
    // At the critical temperature the two saturated states are one.
    for (const auto field : {&WaterState::quality, &WaterState::T, &WaterState::rho, &WaterState::p,
                             &WaterState::f, &WaterState::g, &WaterState::s, &WaterState::u,
                             &WaterState::h, &WaterState::cv, &WaterState::cp}) {
        EXPECT_EQ((*liquid).*field, (*vapor).*field);
    }
    EXPECT_EQ(liquid->rho, 321.89);
}

TEST(WaterLibraryTest, SaturationAtPLimits) {
    for (const LimitCase& c : {LimitCase{22054915.0, true},
                               {22060000.0, false},
                               {611.7316720236433, true},
                               {611.7, false},
                               {NAN, false}}) {
        Record liquid = makeRecord();
        Record vapor = makeRecord();
        saturationAtP(c.value, liquid.get(), vapor.get());
        EXPECT_EQ(liquid->error, c.accepted ? 0 : 1) << c.value;
        EXPECT_EQ(vapor->error, c.accepted ? 0 : 1) << c.value;
        if (c.accepted) {
            EXPECT_EQ(liquid->T, vapor->T);
        }
    }
}

TEST(WaterLibraryTest, SaturationRecordsFromBothEntryPointsAgree) {
    Record liquidT = makeRecord(), vaporT = makeRecord(), liquidP = makeRecord(),
           vaporP = makeRecord();
    saturationAtP(1.01325e5, liquidP.get(), vaporP.get());
    EXPECT_NEAR(liquidP->T, 373.15, 0.01);
    saturationAtT(liquidP->T, liquidT.get(), vaporT.get());
    EXPECT_NEAR(liquidT->p, 1.01325e5, 0.1);
    EXPECT_NEAR(liquidT->rho, liquidP->rho, 1e-6 * liquidP->rho);
    EXPECT_NEAR(vaporT->rho, vaporP->rho, 1e-5 * vaporP->rho);
    EXPECT_EQ(vaporP->filled, 1);
}

// Consistency of every accepted single-phase record over a (T, p) grid, and of the
// saturated pairs over the whole saturation curve.
TEST(WaterLibraryTest, ThermodynamicConsistencyOverAGrid) {
    Record record = makeRecord();
    int accepted = 0;
    for (double T = 260.0; T <= 2500.0; T *= 1.05) {
        for (double p = 1.0; p <= 3e9; p *= 2.3) {
            evaluateTP(T, p, kGuess, kTolerance, record.get());
            if (record->error != 0) continue;
            ++accepted;
            const WaterState& r = *record;
            SCOPED_TRACE(::testing::Message() << "T=" << T << " p=" << p);
            // Within the tolerance, or (cold liquid at low pressure) within round-off: a
            // Newton step of at most 1e-12 of the density.
            const double roundOff = 1e-12 * r.rho * r.deriv[kPressureDerivativeSlot]->d[1];
            EXPECT_NEAR(r.p, p, std::fmax(kTolerance * p, roundOff));
            EXPECT_NEAR(r.h, r.u + r.p / r.rho, 1e-12 * (std::fabs(r.h) + std::fabs(r.u)) + 1e-9);
            EXPECT_NEAR(r.g, r.f + r.p / r.rho, 1e-12 * (std::fabs(r.g) + std::fabs(r.f)) + 1e-9);
            EXPECT_NEAR(r.f, r.u - T * r.s, 1e-12 * (std::fabs(r.u) + T * std::fabs(r.s)) + 1e-9);
            EXPECT_GE(r.cp, r.cv);
            EXPECT_GT(r.deriv[kPressureDerivativeSlot]->d[1], 0.0);  // mechanically stable
        }
    }
    EXPECT_GT(accepted, 1200);
    Record liquid = makeRecord(), vapor = makeRecord();
    for (double T = 273.16; T <= kWaterCriticalTemperatureK; T += 1.3) {
        saturationAtT(T, liquid.get(), vapor.get());
        ASSERT_EQ(liquid->error, 0);
        SCOPED_TRACE(T);
        EXPECT_GE(liquid->rho, vapor->rho);
        EXPECT_EQ(liquid->T, T);
        if (T <= kNearCriticalTemperatureK) {
            const double RT = kWaterGasConstant * 1000.0 * T;  // J/kg
            EXPECT_LT(std::fabs(liquid->g - vapor->g), 1e-8 * RT * (1.0 + 1e-9));
            EXPECT_LT(std::fabs(1.0 - vapor->p / liquid->p), 1e-6);
        }
    }
}

}  // namespace
}  // namespace kelvoran
