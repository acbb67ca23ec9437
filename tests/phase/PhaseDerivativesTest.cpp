// The derivatives of the phase-state evaluation: the dual path reproduces every value of the
// double path bit for bit (so it follows the same branches and formulas), its gradients agree
// with sixth-order central differences of the model's own values at more than 10,000 points
// away from boundaries, and ∂h/∂T of a single phase is the model's heat capacity.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "phase/PhaseStateEvaluator.h"
#include "support/CentralDifferences.h"
#include "support/RandomStream.h"

namespace kelvoran {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kOutputs = 20;  // 4 records × 5 quantities
const char* const kRecordNames[] = {"liquid", "vapor", "halite", "bulk"};
const char* const kQuantityNames[] = {"w", "density", "h", "mass", "saturation"};
const char* const kInputNames[] = {"T", "P", "x"};

// The differentiated outputs of a result, NaN where a phase is absent.
std::array<double, kOutputs> valuesOf(const PointResult& r) {
    std::array<double, kOutputs> v;
    const PhaseRecord* records[] = {&r.liquid, &r.vapor, &r.halite, &r.bulk};
    const bool present[] = {r.hasLiquid(), r.hasVapor(), r.hasHalite(),
                            r.phases != Phases::Undetermined};
    for (int i = 0; i < 4; ++i) {
        const PhaseRecord& record = *records[i];
        const double q[] = {record.massPercent * 0.01, record.density, record.specificEnthalpy,
                            record.phaseMassFraction, record.saturation};
        for (int j = 0; j < 5; ++j) v[5 * i + j] = present[i] ? q[j] : kNaN;
    }
    return v;
}

std::array<Dual, kOutputs> dualsOf(const PointDerivatives& d) {
    std::array<Dual, kOutputs> v;
    const PhaseDerivatives* records[] = {&d.liquid, &d.vapor, &d.halite, &d.bulk};
    for (int i = 0; i < 4; ++i) {
        const PhaseDerivatives& p = *records[i];
        const Dual* q[] = {&p.massFraction, &p.density, &p.specificEnthalpy, &p.phaseMassFraction,
                           &p.saturation};
        for (int j = 0; j < 5; ++j) v[5 * i + j] = *q[j];
    }
    return v;
}

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

using Random = testing::RandomStream;

struct Point {
    double t, p, x;
};

// Random points: three in five over 0–1000 °C, 1–5000 bar (log-uniform) and x (pure water,
// log-uniform 1e-7–1, or uniform 0–1); one in five boiling brines below the critical point of
// water (20–374 °C, 0.3–1 times the boiling pressure of water, x log-uniform 1e-7–0.3); one in
// five brines near their boiling point below 16 bar (from 5 K below the boiling point of water
// to 40 K above, x log-uniform 1e-4–0.3), where liquid volumes are extrapolated.
Point randomPoint(Random& random) {
    const double stratum = random.unit();
    const double a = random.unit(), b = random.unit(), c = random.unit(), kind = random.unit();
    if (stratum < 0.6) {
        const double x = kind < 0.15 ? 0.0 : kind < 0.7 ? std::pow(10.0, -7.0 * c) : c;
        return {1000.0 * a, std::pow(5000.0, b), x};
    }
    if (stratum < 0.8) {
        const double t = 20.0 + 354.0 * a;
        return {t, waterSaturationPressureBar(t) * (0.3 + 0.7 * b), 0.3 * std::pow(10.0, -6.5 * c)};
    }
    const double p = std::pow(16.0, b);
    return {waterSaturationTemperatureC(p) - 5.0 + 45.0 * a, p, 0.3 * std::pow(10.0, -3.5 * c)};
}

TEST(PhaseDerivativesTest, ValuesOfTheDualPathAreThoseOfTheEvaluation) {
    PhaseStateEvaluator evaluator;
    Random random{42};
    int compared = 0;
    for (int i = 0; i < 20000; ++i) {
        const Point q = randomPoint(random);
        PointDerivatives d;
        const PointResult r = evaluator.evaluate(q.t, q.p, q.x, d);
        if (r.phases == Phases::VaporLiquidHalite) continue;
        const std::array<double, kOutputs> values = valuesOf(r);
        const std::array<Dual, kOutputs> duals = dualsOf(d);
        for (int k = 0; k < kOutputs; ++k) {
            if (std::isnan(values[k]) && std::isnan(duals[k].v)) continue;
            ++compared;
            ASSERT_TRUE(sameBits(values[k], duals[k].v))
                << kRecordNames[k / 5] << " " << kQuantityNames[k % 5] << " at " << q.t << " °C "
                << q.p << " bar x " << q.x << ": " << values[k] << " vs " << duals[k].v;
        }
    }
    EXPECT_GT(compared, 100000);
}

// The heat capacity of a single phase is ∂h/∂T at constant P and x of the model's enthalpy, and
// so is that of the vapor of V + H (pure water).
TEST(PhaseDerivativesTest, TemperatureSlopeOfTheEnthalpyIsTheHeatCapacity) {
    PhaseStateEvaluator evaluator;
    Random random{11};
    int compared = 0;
    for (int i = 0; i < 5000; ++i) {
        const Point q = randomPoint(random);
        PointDerivatives d;
        const PointResult r = evaluator.evaluate(q.t, q.p, q.x, d);
        const bool vapor = r.phases == Phases::Vapor || r.phases == Phases::VaporHalite;
        if (!isSinglePhase(r.phases) && !vapor) continue;
        const PhaseRecord& record = vapor ? r.vapor : r.liquid;
        const Dual& h = vapor ? d.vapor.specificEnthalpy : d.liquid.specificEnthalpy;
        if (!std::isfinite(record.heatCapacity)) continue;
        ++compared;
        EXPECT_NEAR(h.d[0], record.heatCapacity, 1e-12 * std::fabs(record.heatCapacity))
            << q.t << " °C " << q.p << " bar x " << q.x;
    }
    EXPECT_GT(compared, 2000);
}

// Whether a fluid phase at the point is near the critical point of water, compressible as
// (P/ρ) ∂ρ/∂P > 10: there the residual each density solve leaves moves the derivatives of the
// model's values up to about 1e-5 away from those of the root, which the derivatives are.
bool nearCriticalPoint(PhaseStateEvaluator& evaluator, const Point& q, const PointResult& base) {
    const PointResult up = evaluator.evaluate(q.t, q.p * (1.0 + 1e-4), q.x);
    const PointResult down = evaluator.evaluate(q.t, q.p * (1.0 - 1e-4), q.x);
    const auto compressible = [](double a, double b, double rho) {
        return std::fabs(a - b) > 3.0 * 2e-4 * rho;
    };
    return compressible(up.liquid.density, down.liquid.density, base.liquid.density) ||
           compressible(up.vapor.density, down.vapor.density, base.vapor.density);
}

// Every gradient component that a difference quotient resolves (see CentralDifferences.h) is
// checked, at 10,000 points, and must agree with it to 1e-5.
TEST(PhaseDerivativesTest, GradientsAgreeWithCentralDifferences) {
    PhaseStateEvaluator evaluator;
    Random random{7};
    int checkedPoints = 0, checks = 0;
    int byState[8] = {};
    int lowPressure = 0, highTemperature = 0, boiling = 0;
    double worst = 0.0;
    std::string worstText;
    for (int candidate = 0; candidate < 20000 && checkedPoints < 10000; ++candidate) {
        const Point q = randomPoint(random);
        PointDerivatives d;
        const PointResult base = evaluator.evaluate(q.t, q.p, q.x, d);
        if (base.phases == Phases::VaporLiquidHalite || nearCriticalPoint(evaluator, q, base)) {
            continue;
        }
        const std::array<Dual, kOutputs> duals = dualsOf(d);
        // Steps: 0.25 K, 0.1% of P, 5% of x (or of 1 − x).
        const double steps[] = {0.25, 1e-3 * q.p, 0.05 * std::fmin(q.x, 1.0 - q.x)};
        // The scales of the inputs: the range of T (K), P itself, the range of x.
        const double inputScales[] = {1000.0, q.p, 1.0};
        int pointChecks = 0;
        for (int k = 0; k < 3; ++k) {
            if (!(steps[k] > 0.0)) continue;
            std::array<std::array<double, kOutputs>, 10> f;
            bool sameState = true;
            for (int s = 0; s < 10; ++s) {
                Point moved = q;
                double* input[] = {&moved.t, &moved.p, &moved.x};
                *input[k] += testing::kStencilOffsets[s] * steps[k];
                const PointResult r = evaluator.evaluate(moved.t, moved.p, moved.x);
                // One phase state, the same extrapolations all along.
                if (r.phases != base.phases || r.warnings != base.warnings) sameState = false;
                f[s] = valuesOf(r);
            }
            if (!sameState) continue;
            for (int j = 0; j < kOutputs; ++j) {
                if (!std::isfinite(duals[j].v)) continue;
                double along[10];
                for (int s = 0; s < 10; ++s) along[s] = f[s][j];
                const testing::DifferenceQuotient quotient =
                    testing::differenceQuotient(along, duals[j].v, steps[k], inputScales[k]);
                if (!quotient.resolved) continue;
                const double error = testing::disagreement(duals[j].d[k], quotient);
                ++pointChecks;
                if (!(error <= worst)) {
                    worst = std::isnan(error) ? 1e300 : error;
                    char text[300];
                    std::snprintf(text, sizeof text,
                                  "%s %s d/d%s at %.17g C %.17g bar x %.17g (%s): exact %.10g, "
                                  "difference %.10g, value %.10g",
                                  kRecordNames[j / 5], kQuantityNames[j % 5], kInputNames[k], q.t,
                                  q.p, q.x, std::string(shortName(base.phases)).c_str(),
                                  duals[j].d[k], quotient.value, duals[j].v);
                    worstText = text;
                }
            }
        }
        if (pointChecks > 0) {
            ++checkedPoints;
            ++byState[static_cast<int>(base.phases)];
            if ((base.warnings & kWarningLowPressureVolume) != 0) ++lowPressure;
            if ((base.warnings & kWarningHighTemperatureVolume) != 0) ++highTemperature;
            if (base.phases == Phases::VaporLiquid && q.t < 373.976) ++boiling;
        }
        checks += pointChecks;
    }
    std::printf(
        "%d points (L %d, V %d, F %d, V+L %d of which %d below 373.976 °C, V+H %d, L+H %d; %d "
        "with extrapolated liquid volumes at low pressure, %d at high temperature), %d gradient "
        "components checked; worst relative disagreement %.3g: %s\n",
        checkedPoints, byState[1], byState[2], byState[3], byState[4], boiling, byState[5],
        byState[6], lowPressure, highTemperature, checks, worst, worstText.c_str());
    // Each phase state and each branch of the volume is covered.
    for (int i = 1; i <= 6; ++i) EXPECT_GE(byState[i], 100) << shortName(static_cast<Phases>(i));
    EXPECT_GE(boiling, 100);
    EXPECT_GE(lowPressure, 100);
    EXPECT_GE(highTemperature, 100);
    EXPECT_GE(checkedPoints, 10000);
    EXPECT_LE(worst, 1e-5) << worstText;
}

}  // namespace
}  // namespace kelvoran
