// The derivatives of the inverse batches with respect to their own inputs, (P, h, x), (P, ρ, x)
// and (T, ρ, x), through the columns of Batch.h: against sixth-order central differences of the
// inverse evaluations themselves (where they resolve the slopes, see CentralDifferences.h) at
// random states of every kind, V + L + H of the density inversions included; and the given
// bulk property's own derivatives are those of the identity.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "inverse/InverseDerivatives.h"
#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inverse.h"
#include "support/CentralDifferences.h"
#include "support/RandomStream.h"
#include "water/WaterLibrary.h"

namespace kelvoran {
namespace {

enum class Mode { PH, PRho, TRho };
const char* const kModeNames[] = {"(P, h, x)", "(P, rho, x)", "(T, rho, x)"};

constexpr int kOutputs = 22;  // T, P, then 4 records × 5 quantities

std::string outputName(int j) {
    static const char* const records[] = {"liquid", "vapor", "halite", "bulk"};
    static const char* const quantities[] = {"w", "density", "h", "mass", "saturation"};
    if (j == 0) return "T";
    if (j == 1) return "P";
    return std::string(records[(j - 2) / 5]) + " " + quantities[(j - 2) % 5];
}

// The outputs of an inverse result, NaN where a phase is absent or nothing was found.
std::array<double, kOutputs> valuesOf(const InverseResult& r) {
    std::array<double, kOutputs> v;
    v.fill(std::nan(""));
    if (r.status != InverseStatus::Solved) return v;
    v[0] = r.temperatureC;
    v[1] = r.pressureBar;
    const PointResult& p = r.point;
    const PhaseRecord* records[] = {&p.liquid, &p.vapor, &p.halite, &p.bulk};
    const bool present[] = {p.hasLiquid(), p.hasVapor(), p.hasHalite(), true};
    for (int i = 0; i < 4; ++i) {
        const PhaseRecord& q = *records[i];
        const double values[] = {q.massPercent * 0.01, q.density, q.specificEnthalpy,
                                 q.phaseMassFraction, q.saturation};
        for (int k = 0; k < 5; ++k) v[2 + 5 * i + k] = present[i] ? values[k] : std::nan("");
    }
    return v;
}

InverseResult solve(Mode mode, double a, double b, double x) {
    switch (mode) {
        case Mode::PH:
            return evaluatePH(a, b, x);
        case Mode::PRho:
            return evaluatePRho(a, b, x);
        case Mode::TRho:
            return evaluateTRho(a, b, x);
    }
    return {};
}

// The derivative columns of every output for n points: gradient[j][k][i].
struct Gradients {
    std::vector<double> storage;
    std::size_t n;
    explicit Gradients(std::size_t points) : storage(kOutputs * 3 * points), n(points) {}
    double* column(int j, int k) { return storage.data() + (3 * j + k) * n; }
    double at(int j, int k, std::size_t i) const { return storage[(3 * j + k) * n + i]; }
    void bind(GradientColumns& g, int j) {
        g.first = column(j, 0);
        g.second = column(j, 1);
        g.third = column(j, 2);
    }
    void bind(DerivativeColumns& d) {
        bind(d.temperature, 0);
        bind(d.pressure, 1);
        PhaseDerivativeColumns* phases[] = {&d.liquid, &d.vapor, &d.halite, &d.bulk};
        for (int i = 0; i < 4; ++i) {
            GradientColumns* q[] = {&phases[i]->massFraction, &phases[i]->density,
                                    &phases[i]->specificEnthalpy, &phases[i]->phaseMassFraction,
                                    &phases[i]->saturation};
            for (int k = 0; k < 5; ++k) bind(*q[k], 2 + 5 * i + k);
        }
    }
};

struct Inputs {
    std::vector<double> a, b, x;
};

using Random = testing::RandomStream;

// Inputs of the mode from random direct points (the bulk property there), and for the density
// modes V + L + H points of the three-phase curve with a density between those of its sides.
Inputs randomInputs(Mode mode, int count, std::uint64_t seed) {
    Calculator calculator;
    Random random{seed};
    Inputs in;
    int threePhase = 0;
    while (static_cast<int>(in.a.size()) < count) {
        const double t = 5.0 + 990.0 * random.unit();
        double p = std::pow(2000.0, random.unit());
        const double kind = random.unit();
        const double x = kind < 0.5 ? std::pow(10.0, -5.0 * random.unit()) : 0.6 * random.unit();
        double value;
        if (mode != Mode::PH && threePhase < count / 6 && t < 790.0 && x > 0.01) {
            // On the curve: a density between the sides just below and above it.
            p = threePhasePressureBar(t);
            if (!(p > 1.0)) continue;
            const double below = calculator.evaluate(t, p * (1.0 - 1e-9), x).bulk.density;
            const double above = calculator.evaluate(t, p * (1.0 + 1e-9), x).bulk.density;
            value = below + (0.2 + 0.6 * random.unit()) * (above - below);
            ++threePhase;
        } else {
            const PointResult r = calculator.evaluate(t, p, x);
            value = mode == Mode::PH ? r.bulk.specificEnthalpy : r.bulk.density;
        }
        if (!std::isfinite(value)) continue;
        in.a.push_back(mode == Mode::TRho ? t : p);
        in.b.push_back(value);
        in.x.push_back(x);
    }
    return in;
}

void checkMode(Mode mode, int count, std::uint64_t seed) {
    const Inputs in = randomInputs(mode, count, seed);
    const std::size_t n = in.a.size();
    Gradients gradients(n);
    BatchColumns out;
    std::vector<std::int32_t> state(n);
    out.state = state.data();
    gradients.bind(out.derivatives);
    const InverseColumns inverse;
    if (mode == Mode::PH) evaluateBatchPH(in.a, in.b, in.x, out, inverse);
    if (mode == Mode::PRho) evaluateBatchPRho(in.a, in.b, in.x, out, inverse);
    if (mode == Mode::TRho) evaluateBatchTRho(in.a, in.b, in.x, out, inverse);

    int checks = 0, threePhaseChecks = 0, identity = 0;
    double worst = 0.0;
    std::string worstText;
    const int givenOutput = mode == Mode::PH ? 2 + 15 + 2 : 2 + 15 + 1;  // bulk h or ρ
    for (std::size_t i = 0; i < n; ++i) {
        const double inputs[] = {in.a[i], in.b[i], in.x[i]};
        const InverseResult base = solve(mode, inputs[0], inputs[1], inputs[2]);
        if (base.status != InverseStatus::Solved) continue;
        const std::array<double, kOutputs> centre = valuesOf(base);
        // The given property moves with its input alone, at unit rate.
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(
                gradients.at(givenOutput, k, i), k == 1 ? 1.0 : 0.0,
                1e-9 * (k == 1 ? 1.0 : std::fabs(centre[givenOutput]) / std::fabs(inputs[k])))
                << kModeNames[static_cast<int>(mode)] << " input " << k << " at " << inputs[0]
                << ", " << inputs[1] << ", " << inputs[2];
            ++identity;
        }
        // Steps: 0.1% of P or 0.25 K, 0.1% of the property, 5% of x (or of 1 − x).
        const double steps[] = {mode == Mode::TRho ? 0.25 : 1e-3 * inputs[0],
                                1e-3 * std::fabs(inputs[1]),
                                0.05 * std::fmin(inputs[2], 1.0 - inputs[2])};
        const double scales[] = {mode == Mode::TRho ? 1000.0 : inputs[0], std::fabs(inputs[1]),
                                 1.0};
        for (int k = 0; k < 3; ++k) {
            if (!(steps[k] > 0.0)) continue;
            std::array<std::array<double, kOutputs>, 10> f;
            bool sameState = true;
            for (int s = 0; s < 10; ++s) {
                double moved[] = {inputs[0], inputs[1], inputs[2]};
                moved[k] += testing::kStencilOffsets[s] * steps[k];
                const InverseResult r = solve(mode, moved[0], moved[1], moved[2]);
                if (r.status != InverseStatus::Solved || r.point.phases != base.point.phases ||
                    r.point.warnings != base.point.warnings) {
                    sameState = false;
                }
                f[s] = valuesOf(r);
            }
            if (!sameState) continue;
            for (int j = 0; j < kOutputs; ++j) {
                if (!std::isfinite(centre[j])) continue;
                double along[10];
                for (int s = 0; s < 10; ++s) along[s] = f[s][j];
                const testing::DifferenceQuotient q =
                    testing::differenceQuotient(along, centre[j], steps[k], scales[k]);
                if (!q.resolved) continue;
                const double exact = gradients.at(j, k, i);
                const double error = testing::disagreement(exact, q);
                ++checks;
                if (base.point.phases == Phases::VaporLiquidHalite) ++threePhaseChecks;
                if (!(error <= worst)) {
                    worst = std::isnan(error) ? 1e300 : error;
                    char text[300];
                    std::snprintf(text, sizeof text,
                                  "%s d %s / d input %d at %.17g, %.17g, x %.17g (%s): exact "
                                  "%.10g, difference %.10g, value %.10g",
                                  kModeNames[static_cast<int>(mode)], outputName(j).c_str(), k,
                                  inputs[0], inputs[1], inputs[2],
                                  std::string(shortName(base.point.phases)).c_str(), exact, q.value,
                                  centre[j]);
                    worstText = text;
                }
            }
        }
    }
    std::printf(
        "%s: %zu points, %d gradient components checked (%d in V+L+H); worst relative "
        "disagreement %.3g: %s\n",
        kModeNames[static_cast<int>(mode)], n, checks, threePhaseChecks, worst, worstText.c_str());
    EXPECT_GT(checks, 20 * count);
    if (mode != Mode::PH) {
        EXPECT_GT(threePhaseChecks, count / 2);
    }
    EXPECT_LE(worst, 1e-5) << worstText;
}

// Boiling pure water, as the inverse evaluations give it inside the jump of its enthalpy (or
// density) at the boiling curve: V + L of the saturated liquid and vapor of water at the
// boiling point, with the vapor mass fraction that the given value fixes.
InverseResult boilingWater(Mode mode, double given, double a) {
    InverseResult r;
    r.status = InverseStatus::Solved;
    WaterState liquid, vapor;
    if (mode == Mode::TRho) {
        r.temperatureC = a;
        saturationAtT(a + 273.15, &liquid, &vapor);
        r.pressureBar = waterSaturationPressureBar(a);
    } else {
        r.pressureBar = a;
        saturationAtP(a * 1e5, &liquid, &vapor);
        r.temperatureC = liquid.T - 273.15;
    }
    PointResult& p = r.point;
    p.phases = Phases::VaporLiquid;
    for (auto [record, state] : {std::pair{&p.liquid, &liquid}, std::pair{&p.vapor, &vapor}}) {
        record->density = state->rho;
        record->specificEnthalpy = state->h;
        record->heatCapacity = state->cp;
    }
    const double m = mode == Mode::PH
                         ? (given - liquid.h) / (vapor.h - liquid.h)
                         : (1.0 / given - 1.0 / liquid.rho) / (1.0 / vapor.rho - 1.0 / liquid.rho);
    p.vapor.phaseMassFraction = m;
    p.liquid.phaseMassFraction = 1.0 - m;
    const double volume = m / vapor.rho + (1.0 - m) / liquid.rho;
    p.vapor.saturation = m / vapor.rho / volume;
    p.liquid.saturation = (1.0 - m) / liquid.rho / volume;
    p.bulk.density = 1.0 / volume;
    p.bulk.specificEnthalpy = m * vapor.h + (1.0 - m) * liquid.h;
    return r;
}

TEST(InverseDerivativesTest, BoilingWaterWhoseAmountsTheValueFixes) {
    PhaseStateEvaluator evaluator;
    int checks = 0;
    double worst = 0.0;
    std::string worstText;
    for (const Mode mode : {Mode::PH, Mode::TRho}) {
        for (const double a : mode == Mode::PH
                                  ? std::vector<double>{1.0, 5.0, 20.0, 60.0, 120.0, 180.0}
                                  : std::vector<double>{50.0, 120.0, 200.0, 280.0, 340.0}) {
            for (const double q : {0.1, 0.5, 0.9}) {
                // The given value at vapor mass fraction q.
                const InverseResult probe = boilingWater(mode, mode == Mode::PH ? 1e6 : 500.0, a);
                const PhaseRecord& l = probe.point.liquid;
                const PhaseRecord& v = probe.point.vapor;
                const double given =
                    mode == Mode::PH
                        ? l.specificEnthalpy + q * (v.specificEnthalpy - l.specificEnthalpy)
                        : 1.0 / (1.0 / l.density + q * (1.0 / v.density - 1.0 / l.density));
                const InverseResult base = boilingWater(mode, given, a);
                const InverseKind kind = mode == Mode::PH ? InverseKind::PressureEnthalpy
                                                          : InverseKind::TemperatureDensity;
                const PointDerivatives d =
                    inverseDerivatives(evaluator, base, kind, given, 0.0, true);
                const std::array<double, kOutputs> centre = valuesOf(base);
                const Dual* duals[kOutputs] = {&d.temperature, &d.pressure};
                const PhaseDerivatives* phases[] = {&d.liquid, &d.vapor, &d.halite, &d.bulk};
                for (int i = 0; i < 4; ++i) {
                    const Dual* q5[] = {&phases[i]->massFraction, &phases[i]->density,
                                        &phases[i]->specificEnthalpy, &phases[i]->phaseMassFraction,
                                        &phases[i]->saturation};
                    for (int k = 0; k < 5; ++k) duals[2 + 5 * i + k] = q5[k];
                }
                // T (or P) is fixed by the other variable; pure water has no x derivatives.
                EXPECT_EQ(mode == Mode::PH ? d.temperature.d[1] : d.pressure.d[1], 0.0);
                EXPECT_TRUE(std::isnan(d.vapor.saturation.d[2]));
                const double inputs[] = {a, given};
                const double steps[] = {mode == Mode::PH ? 1e-3 * a : 0.25,
                                        1e-3 * std::fabs(given)};
                const double scales[] = {mode == Mode::PH ? a : 1000.0, std::fabs(given)};
                for (int k = 0; k < 2; ++k) {
                    std::array<std::array<double, kOutputs>, 10> f;
                    for (int s = 0; s < 10; ++s) {
                        double moved[] = {inputs[0], inputs[1]};
                        moved[k] += testing::kStencilOffsets[s] * steps[k];
                        f[s] = valuesOf(boilingWater(mode, moved[1], moved[0]));
                    }
                    for (int j = 0; j < kOutputs; ++j) {
                        if (!std::isfinite(centre[j]) || duals[j] == nullptr) continue;
                        double along[10];
                        for (int s = 0; s < 10; ++s) along[s] = f[s][j];
                        const testing::DifferenceQuotient quotient =
                            testing::differenceQuotient(along, centre[j], steps[k], scales[k]);
                        if (!quotient.resolved) continue;
                        const double error = testing::disagreement(duals[j]->d[k], quotient);
                        ++checks;
                        if (!(error <= worst)) {
                            worst = std::isnan(error) ? 1e300 : error;
                            worstText = kModeNames[static_cast<int>(mode)] +
                                        (" d " + outputName(j)) + " / d input " +
                                        std::to_string(k) + " at " + std::to_string(a) + ", q " +
                                        std::to_string(q);
                        }
                    }
                }
            }
        }
    }
    std::printf(
        "boiling water: %d gradient components checked; worst relative disagreement %.3g: %s\n",
        checks, worst, worstText.c_str());
    EXPECT_GT(checks, 150);
    EXPECT_LE(worst, 1e-5) << worstText;
}

TEST(InverseDerivativesTest, PressureEnthalpy) { checkMode(Mode::PH, 300, 1); }
TEST(InverseDerivativesTest, PressureDensity) { checkMode(Mode::PRho, 300, 2); }
TEST(InverseDerivativesTest, TemperatureDensity) { checkMode(Mode::TRho, 300, 3); }

}  // namespace
}  // namespace kelvoran
