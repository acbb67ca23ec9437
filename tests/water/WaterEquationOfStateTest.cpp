#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "water/FiniteDifference.h"
#include "water/WaterEquationOfState.h"

namespace kelvoran {
namespace {

using testing::centralDifference;
using testing::closeTo;

EosWork evaluate(double T, double rho) {
    EosWork work;
    computeHelmholtz(work, T, rho);
    return work;
}

TEST(WaterEquationOfStateTest, TriplePointLiquidIsTheReferenceState) {
    const EosWork w = evaluate(273.16, 0.9997782110307317);
    EXPECT_LT(std::fabs(w.u), 1e-4);  // kJ/kg
    EXPECT_LT(std::fabs(w.s), 1e-4);  // kJ/(kg K)
}

TEST(WaterEquationOfStateTest, TriplePointVaporPressure) {
    const EosWork w = evaluate(273.16, 4.854675898303422e-06);
    EXPECT_NEAR(w.p, 0.000611732, 0.5e-9);  // six significant digits
}

TEST(WaterEquationOfStateTest, CriticalPointPressure) {
    const EosWork w = evaluate(647.126, 0.32189);
    EXPECT_NEAR(w.p, 22.05491, 0.5e-5);  // seven significant digits
}

TEST(WaterEquationOfStateTest, GaussianDeltaGuardKeepsEveryFieldFinite) {
    for (double rho : {0.319, 1.55}) {
        for (double T : {270.0, 300.0, 640.0, 641.6, 900.0}) {
            const EosWork w = evaluate(T, rho);
            for (double value : {w.a, w.p, w.dpdT, w.dpdRho, w.s, w.u, w.h, w.g, w.cv, w.cp}) {
                EXPECT_TRUE(std::isfinite(value)) << "T=" << T << " rho=" << rho;
            }
            EosWork second = w;
            computeSecondDerivatives(second);
            for (double value : {second.d2pdT2, second.d2pdRhodT, second.d2pdRho2, second.dcvdT}) {
                EXPECT_TRUE(std::isfinite(value)) << "T=" << T << " rho=" << rho;
            }
        }
    }
}

TEST(WaterEquationOfStateTest, HoistedTemperaturePartsGiveBitIdenticalStates) {
    // A scratch record reused across densities (as the solvers do) must give exactly the
    // state of a fresh evaluation.
    EosWork reused;
    computeTemperatureParts(reused, 600.0);
    for (double rho : {0.9, 0.02, 0.5, 0.3}) {
        computeDensityParts(reused, rho);
        const EosWork fresh = evaluate(600.0, rho);
        EXPECT_EQ(std::memcmp(&reused, &fresh, sizeof(EosWork)), 0) << rho;
    }
}

// States spread over liquid, vapor, supercritical fluid and the neighbourhoods where the
// Gaussian terms matter (0.319 g/cm³ near 640 K, 1.55 g/cm³ near 270 K).
// The temperature step balances round-off (large in dense liquid) against truncation (the
// Gaussian terms near 640 K are only a few kelvin wide).
struct StatePoint {
    double T;    // K
    double rho;  // g/cm³
    double hT;   // K, finite-difference step
};
const StatePoint kStates[] = {{300.0, 1.0, 0.3},   {500.0, 0.83, 0.5},  {600.0, 0.01, 0.6},
                              {640.0, 0.3, 0.02},  {641.6, 0.34, 0.02}, {650.0, 0.32, 0.02},
                              {280.0, 1.3, 0.3},   {1000.0, 0.1, 1.0},  {1000.0, 1.2, 1.0},
                              {2000.0, 1e-4, 2.0}, {373.0, 6e-4, 0.4},  {260.0, 1.05, 0.26}};

void PrintTo(const StatePoint& s, std::ostream* os) { *os << s.T << " K, " << s.rho << " g/cm3"; }

class EosDerivativeTest : public ::testing::TestWithParam<StatePoint> {};

// Each part's derivatives against fourth-order central differences of the part itself.
TEST_P(EosDerivativeTest, PartsMatchFiniteDifferences) {
    const auto [T, rho, hT] = GetParam();
    const double hRho = 1e-4 * rho;
    const double rel = 2e-7;
    auto at = [](double t, double r) { return evaluate(t, r); };
    const EosWork w = at(T, rho);
    struct Part {
        const char* name;
        std::function<double(const EosWork&)> value, dT, dTT, dRho, dRhoRho, dRhoT;
    };
    const Part parts[] = {
        {"base", [](auto& e) { return e.aBase; }, [](auto& e) { return e.aBaseT; },
         [](auto& e) { return e.aBaseTT; }, [](auto& e) { return e.aBaseRho; },
         [](auto& e) { return e.aBaseRhoRho; }, [](auto& e) { return e.aBaseRhoT; }},
        {"residual", [](auto& e) { return e.aResidual; }, [](auto& e) { return e.aResidualT; },
         [](auto& e) { return e.aResidualTT; }, [](auto& e) { return e.aResidualRho; },
         [](auto& e) { return e.aResidualRhoRho; }, [](auto& e) { return e.aResidualRhoT; }},
    };
    for (const Part& part : parts) {
        SCOPED_TRACE(part.name);
        const double scale = std::fabs(part.value(w)) + std::fabs(w.a) + 1.0;
        auto fdT = [&](auto fn) {
            return centralDifference([&](double t) { return fn(at(t, rho)); }, T, hT);
        };
        auto fdRho = [&](auto fn) {
            return centralDifference([&](double r) { return fn(at(T, r)); }, rho, hRho);
        };
        EXPECT_TRUE(closeTo(part.dT(w), fdT(part.value), rel, 1e-9 * scale / T));
        EXPECT_TRUE(closeTo(part.dTT(w), fdT(part.dT), rel, 1e-9 * scale / (T * T)));
        EXPECT_TRUE(closeTo(part.dRho(w), fdRho(part.value), rel, 1e-9 * scale / rho));
        EXPECT_TRUE(closeTo(part.dRhoRho(w), fdRho(part.dRho), rel, 1e-9 * scale / (rho * rho)));
        EXPECT_TRUE(closeTo(part.dRhoT(w), fdT(part.dRho), rel, 1e-9 * scale / (rho * T)));
        EXPECT_TRUE(closeTo(part.dRhoT(w), fdRho(part.dT), rel, 1e-9 * scale / (rho * T)));
    }
    const double idealT = centralDifference([&](double t) { return at(t, rho).aIdeal; }, T, hT);
    const double idealTT = centralDifference([&](double t) { return at(t, rho).aIdealT; }, T, hT);
    EXPECT_TRUE(closeTo(w.aIdealT, idealT, rel, 1e-9));
    EXPECT_TRUE(closeTo(w.aIdealTT, idealTT, rel, 1e-12));
}

// The derived properties against differences of the total Helmholtz energy and pressure.
TEST_P(EosDerivativeTest, DerivedPropertiesMatchFiniteDifferences) {
    const auto [T, rho, hT] = GetParam();
    const double hRho = 1e-4 * rho;
    const double rel = 2e-7;
    const EosWork w = evaluate(T, rho);
    const double dAdRho = centralDifference([&](double r) { return evaluate(T, r).a; }, rho, hRho);
    const double dAdT = centralDifference([&](double t) { return evaluate(t, rho).a; }, T, hT);
    const double dpdRho = centralDifference([&](double r) { return evaluate(T, r).p; }, rho, hRho);
    const double dpdT = centralDifference([&](double t) { return evaluate(t, rho).p; }, T, hT);
    const double dsdT = centralDifference([&](double t) { return evaluate(t, rho).s; }, T, hT);
    const double pScale = 1e-9 * (std::fabs(w.a) + 1.0) * rho;
    EXPECT_TRUE(closeTo(w.p, rho * rho * dAdRho, rel, pScale));
    EXPECT_TRUE(closeTo(w.s, -dAdT, rel, 1e-9 * (std::fabs(w.a) + 1.0) / T));
    EXPECT_TRUE(closeTo(w.dpdRho, dpdRho, rel, pScale / rho));
    EXPECT_TRUE(closeTo(w.dpdT, dpdT, rel, pScale / T));
    EXPECT_TRUE(closeTo(w.cv, T * dsdT, rel, 1e-9));
}

TEST_P(EosDerivativeTest, SecondDerivativesMatchFiniteDifferences) {
    const auto [T, rho, hT] = GetParam();
    const double hRho = 1e-4 * rho;
    const double rel = 1e-6;
    EosWork w = evaluate(T, rho);
    computeSecondDerivatives(w);
    const double d2pdT2 = centralDifference([&](double t) { return evaluate(t, rho).dpdT; }, T, hT);
    const double d2pdRhodT =
        centralDifference([&](double r) { return evaluate(T, r).dpdT; }, rho, hRho);
    const double d2pdTdRho =
        centralDifference([&](double t) { return evaluate(t, rho).dpdRho; }, T, hT);
    const double d2pdRho2 =
        centralDifference([&](double r) { return evaluate(T, r).dpdRho; }, rho, hRho);
    const double dcvdT = centralDifference([&](double t) { return evaluate(t, rho).cv; }, T, hT);
    const double pScale = 1e-8 * (std::fabs(w.p) + std::fabs(w.dpdRho) * rho + 1e-3);
    EXPECT_TRUE(closeTo(w.d2pdT2, d2pdT2, rel, pScale / (T * T))) << w.d2pdT2 << " " << d2pdT2;
    EXPECT_TRUE(closeTo(w.d2pdRhodT, d2pdRhodT, rel, pScale / (rho * T)));
    EXPECT_TRUE(closeTo(w.d2pdRhodT, d2pdTdRho, rel, pScale / (rho * T)));
    EXPECT_TRUE(closeTo(w.d2pdRho2, d2pdRho2, rel, pScale / (rho * rho)));
    EXPECT_TRUE(closeTo(w.dcvdT, dcvdT, rel, 1e-10));
}

INSTANTIATE_TEST_SUITE_P(States, EosDerivativeTest, ::testing::ValuesIn(kStates));

TEST(WaterEquationOfStateTest, ThermodynamicIdentitiesHoldOverAGrid) {
    for (double T = 260.0; T <= 2500.0; T *= 1.13) {
        for (double rho = 1e-5; rho <= 1.3; rho *= 1.7) {
            const EosWork w = evaluate(T, rho);
            SCOPED_TRACE(::testing::Message() << "T=" << T << " rho=" << rho);
            EXPECT_DOUBLE_EQ(w.h, w.u + w.p / rho);
            EXPECT_DOUBLE_EQ(w.g, w.a + w.p / rho);
            EXPECT_NEAR(w.a, w.u - T * w.s, 1e-12 * (std::fabs(w.u) + T * std::fabs(w.s)));
            if (w.dpdRho > 0.0) {  // mechanically stable states
                EXPECT_GE(w.cp, w.cv);
            }
        }
    }
}

}  // namespace
}  // namespace kelvoran
