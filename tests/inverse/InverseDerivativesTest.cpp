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
#include <memory>
#include <string>
#include <vector>

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

// How the inverse evaluation made a V + L state whose amounts the value fixed: boiling pure
// water (0), a state of the model's own vapor–liquid surface (1), the single fluids on the two
// sides of a jump (2), a dilute liquid beside the saturated vapor of water (3); -1 otherwise.
int construction(const InverseResult& r, double x) {
    if (r.status != InverseStatus::Solved || !r.amountsFromBulkProperty ||
        r.point.phases != Phases::VaporLiquid) {
        return -1;
    }
    const double liquid = r.point.liquid.composition, vapor = r.point.vapor.composition;
    if (x == 0.0) return 0;
    if (liquid == coexistingLiquidComposition(r.temperatureC, r.pressureBar) &&
        vapor == coexistingVaporComposition(r.temperatureC, r.pressureBar)) {
        return 1;
    }
    if (liquid == x) return vapor == x ? 2 : vapor == 0.0 ? 3 : -1;
    return -1;
}

// States inside a jump of the property, whose amounts the given value fixes: pure water and
// dilute brines (x 1e-6, 1e-5) boiling, given by an enthalpy (or a density) between those of the
// saturated liquid and vapor of water at P, or by a density at T; against central differences
// of the inverse evaluations themselves, through the batch columns.
TEST(InverseDerivativesTest, StatesWhoseAmountsTheValueFixes) {
    int checks = 0, fixedPoints = 0;
    int byConstruction[5] = {};
    double worst = 0.0;
    std::string worstText;
    for (const Mode mode : {Mode::PH, Mode::PRho, Mode::TRho}) {
        Inputs in;
        const std::vector<double> places =
            mode == Mode::TRho ? std::vector<double>{50.0, 120.0, 200.0, 280.0, 340.0}
                               : std::vector<double>{1.0, 5.0, 20.0, 60.0, 120.0, 180.0};
        for (const double a : places) {
            WaterState liquid, vapor;
            if (mode == Mode::TRho) {
                saturationAtT(a + 273.15, &liquid, &vapor);
            } else {
                saturationAtP(a * 1e5, &liquid, &vapor);
            }
            for (const double x : {0.0, 1e-6, 1e-5}) {
                for (const double q : {0.1, 0.5, 0.9}) {
                    in.a.push_back(a);
                    in.b.push_back(
                        mode == Mode::PH
                            ? liquid.h + q * (vapor.h - liquid.h)
                            : 1.0 / (1.0 / liquid.rho + q * (1.0 / vapor.rho - 1.0 / liquid.rho)));
                    in.x.push_back(x);
                }
            }
        }
        const std::size_t n = in.a.size();
        Gradients gradients(n);
        BatchColumns out;
        std::vector<std::int32_t> state(n);
        out.state = state.data();
        gradients.bind(out.derivatives);
        std::unique_ptr<bool[]> fixed(new bool[n]);
        InverseColumns inverse;
        inverse.amountsFromBulkProperty = fixed.get();
        if (mode == Mode::PH) evaluateBatchPH(in.a, in.b, in.x, out, inverse);
        if (mode == Mode::PRho) evaluateBatchPRho(in.a, in.b, in.x, out, inverse);
        if (mode == Mode::TRho) evaluateBatchTRho(in.a, in.b, in.x, out, inverse);
        for (std::size_t i = 0; i < n; ++i) {
            if (!fixed[i]) continue;
            ++fixedPoints;
            ++byConstruction[1 + construction(solve(mode, in.a[i], in.b[i], in.x[i]), in.x[i])];
            const double inputs[] = {in.a[i], in.b[i], in.x[i]};
            const InverseResult base = solve(mode, inputs[0], inputs[1], inputs[2]);
            const std::array<double, kOutputs> centre = valuesOf(base);
            // Boiling pure water: T (P) is fixed by the other variable, not by the value.
            if (inputs[2] == 0.0) {
                EXPECT_EQ(gradients.at(mode == Mode::TRho ? 1 : 0, 1, i), 0.0);
            }
            const double steps[] = {mode == Mode::TRho ? 0.25 : 1e-3 * inputs[0],
                                    1e-3 * std::fabs(inputs[1]), 0.05 * inputs[2]};
            const double scales[] = {mode == Mode::TRho ? 1000.0 : inputs[0], std::fabs(inputs[1]),
                                     1.0};
            for (int k = 0; k < 3; ++k) {
                if (!(steps[k] > 0.0)) continue;
                std::array<std::array<double, kOutputs>, 10> f;
                bool same = true;
                for (int s = 0; s < 10; ++s) {
                    double moved[] = {inputs[0], inputs[1], inputs[2]};
                    moved[k] += testing::kStencilOffsets[s] * steps[k];
                    const InverseResult r = solve(mode, moved[0], moved[1], moved[2]);
                    // The same construction all along the stencil.
                    same = same && construction(r, moved[2]) == construction(base, inputs[2]);
                    f[s] = valuesOf(r);
                }
                if (!same) continue;
                for (int j = 0; j < kOutputs; ++j) {
                    if (!std::isfinite(centre[j])) continue;
                    // A state of the model's own surface is placed inside its steep field where
                    // the search stops, which moves with the inputs by more than its derivatives
                    // say (the amounts by up to 0.4 %): not checked here.
                    if (construction(base, inputs[2]) == 1) continue;
                    double along[10];
                    for (int s = 0; s < 10; ++s) along[s] = f[s][j];
                    const testing::DifferenceQuotient quotient =
                        testing::differenceQuotient(along, centre[j], steps[k], scales[k]);
                    if (!quotient.resolved) continue;
                    const double exact = gradients.at(j, k, i);
                    const double error = testing::disagreement(exact, quotient);
                    ++checks;
                    if (!(error <= worst)) {
                        worst = std::isnan(error) ? 1e300 : error;
                        char text[300];
                        std::snprintf(text, sizeof text,
                                      "%s d %s / d input %d at %.17g, %.17g, x %.17g: exact %.10g, "
                                      "difference %.10g, value %.10g",
                                      kModeNames[static_cast<int>(mode)], outputName(j).c_str(), k,
                                      inputs[0], inputs[1], inputs[2], exact, quotient.value,
                                      centre[j]);
                        worstText = text;
                    }
                }
            }
        }
    }
    std::printf(
        "amounts fixed by the value: %d points (boiling water %d, own V+L %d, sides %d, "
        "dilute liquid and water vapor %d, other %d), %d gradient components checked; "
        "worst relative disagreement %.3g: %s\n",
        fixedPoints, byConstruction[1], byConstruction[2], byConstruction[3], byConstruction[4],
        byConstruction[0], checks, worst, worstText.c_str());
    EXPECT_GT(fixedPoints, 60);
    EXPECT_GT(checks, 500);
    EXPECT_LE(worst, 1e-5) << worstText;
}

TEST(InverseDerivativesTest, PressureEnthalpy) { checkMode(Mode::PH, 300, 1); }
TEST(InverseDerivativesTest, PressureDensity) { checkMode(Mode::PRho, 300, 2); }
TEST(InverseDerivativesTest, TemperatureDensity) { checkMode(Mode::TRho, 300, 3); }

}  // namespace
}  // namespace kelvoran
