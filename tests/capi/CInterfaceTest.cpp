// The C interface against the C++ batches: the same numbers bit for bit in every column of
// every evaluation; each error code for the fault that causes it, with nothing written; no
// exception leaving it; names, messages and version.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Inverse.h"
#include "kelvoran/kelvoran.h"
#include "support/SameValue.h"

namespace kelvoran {
namespace {

using testing::sameValue;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kPhaseColumns = 8;
constexpr int kPhaseGradients = 5;
constexpr std::int32_t kUnwritten = -99;  // what an output holds before a call

/// Arrays for every output of n points, seen both as the C outputs and as the C++ columns.
struct Storage {
    explicit Storage(std::size_t n)
        : status(n, kUnwritten),
          state(n, kUnwritten),
          fluidType(n, kUnwritten),
          warnings(n, 0xdeadU),
          amounts(new bool[n]),
          values(2 + 4 * kPhaseColumns, std::vector<double>(n, -1.0)),
          gradients(3 * (2 + 4 * kPhaseGradients), std::vector<double>(n, -1.0)) {
        for (std::size_t i = 0; i < n; ++i) amounts[i] = i % 2 == 0;
        kelvoran_outputs_init(&c, static_cast<std::int64_t>(n));
        c.status = status.data();
        c.state = state.data();
        c.warnings = warnings.data();
        c.fluid_type = fluidType.data();
        c.temperature_c = values[0].data();
        c.pressure_bar = values[1].data();
        c.amounts_from_bulk_property = amounts.get();
        cpp.state = state.data();
        cpp.warnings = warnings.data();
        cpp.fluidType = fluidType.data();
        inverse = {values[0].data(), values[1].data(), status.data(), amounts.get()};
        kelvoran_phase_columns* cPhases[] = {&c.liquid, &c.vapor, &c.halite, &c.bulk};
        PhaseColumns* cppPhases[] = {&cpp.liquid, &cpp.vapor, &cpp.halite, &cpp.bulk};
        kelvoran_derivatives_init(&cDerivatives, static_cast<std::int64_t>(n));
        std::size_t next = 0;  // the gradient arrays, in turn
        const auto gradient = [&](kelvoran_gradient& c, GradientColumns& cpp) {
            c.first = cpp.first = gradients[next++].data();
            c.second = cpp.second = gradients[next++].data();
            c.third = cpp.third = gradients[next++].data();
        };
        gradient(cDerivatives.temperature, cpp.derivatives.temperature);
        gradient(cDerivatives.pressure, cpp.derivatives.pressure);
        kelvoran_phase_derivatives* cPhaseDerivatives[] = {
            &cDerivatives.liquid, &cDerivatives.vapor, &cDerivatives.halite, &cDerivatives.bulk};
        PhaseDerivativeColumns* cppPhaseDerivatives[] = {
            &cpp.derivatives.liquid, &cpp.derivatives.vapor, &cpp.derivatives.halite,
            &cpp.derivatives.bulk};
        for (int k = 0; k < 4; ++k) {
            kelvoran_phase_derivatives& c = *cPhaseDerivatives[k];
            PhaseDerivativeColumns& cpp = *cppPhaseDerivatives[k];
            gradient(c.density_kg_m3, cpp.density);
            gradient(c.specific_enthalpy_j_kg, cpp.specificEnthalpy);
            gradient(c.phase_mass_fraction, cpp.phaseMassFraction);
            gradient(c.saturation, cpp.saturation);
            gradient(c.mass_fraction, cpp.massFraction);
        }
        for (int k = 0; k < 4; ++k) {
            double** cColumns[kPhaseColumns] = {&cPhases[k]->composition,
                                                &cPhases[k]->mass_fraction,
                                                &cPhases[k]->density_kg_m3,
                                                &cPhases[k]->molar_volume_cm3_mol,
                                                &cPhases[k]->specific_enthalpy_j_kg,
                                                &cPhases[k]->heat_capacity_j_kg_k,
                                                &cPhases[k]->phase_mass_fraction,
                                                &cPhases[k]->saturation};
            double** cppColumns[kPhaseColumns] = {
                &cppPhases[k]->composition,       &cppPhases[k]->massFraction,
                &cppPhases[k]->density,           &cppPhases[k]->molarVolume,
                &cppPhases[k]->specificEnthalpy,  &cppPhases[k]->heatCapacity,
                &cppPhases[k]->phaseMassFraction, &cppPhases[k]->saturation};
            for (int j = 0; j < kPhaseColumns; ++j) {
                *cColumns[j] = *cppColumns[j] = values[2 + kPhaseColumns * k + j].data();
            }
        }
    }
    std::vector<std::int32_t> status, state, fluidType;
    std::vector<std::uint32_t> warnings;
    std::unique_ptr<bool[]> amounts;
    std::vector<std::vector<double>> values;     // T, P, then 8 columns per phase
    std::vector<std::vector<double>> gradients;  // of T, P, then 5 quantities per phase
    kelvoran_outputs c{};
    kelvoran_derivatives cDerivatives{};
    BatchColumns cpp;
    InverseColumns inverse;
};

::testing::AssertionResult sameStorage(const Storage& seen, const Storage& expected) {
    for (std::size_t i = 0; i < seen.state.size(); ++i) {
        if (seen.status[i] != expected.status[i] || seen.state[i] != expected.state[i] ||
            seen.fluidType[i] != expected.fluidType[i] ||
            seen.warnings[i] != expected.warnings[i] || seen.amounts[i] != expected.amounts[i]) {
            return ::testing::AssertionFailure() << "codes differ at point " << i;
        }
        for (std::size_t k = 0; k < seen.values.size(); ++k) {
            if (!sameValue(seen.values[k][i], expected.values[k][i])) {
                return ::testing::AssertionFailure()
                       << "column " << k << " at point " << i << " is " << seen.values[k][i]
                       << ", expected " << expected.values[k][i];
            }
        }
        for (std::size_t k = 0; k < seen.gradients.size(); ++k) {
            if (!sameValue(seen.gradients[k][i], expected.gradients[k][i])) {
                return ::testing::AssertionFailure()
                       << "derivative column " << k << " at point " << i << " is "
                       << seen.gradients[k][i] << ", expected " << expected.gradients[k][i];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

using CEvaluation = std::int32_t (*)(std::int64_t, const double*, const double*, const double*,
                                     const kelvoran_outputs*, const kelvoran_derivatives*,
                                     const kelvoran_options*);
using CppEvaluation = BatchStatus (*)(std::span<const double>, std::span<const double>,
                                      std::span<const double>, const BatchColumns&,
                                      const InverseColumns&, const BatchOptions&);

struct Evaluation {
    const char* name;
    CEvaluation c;
    CppEvaluation cpp;  // null: the direct batch
    std::vector<double> first, second;
};

// The inputs of each evaluation, over its whole range and beyond; every composition with each.
const std::vector<double> kCompositions = {0.0, 1e-6, 0.01, 0.1, 0.5, 1.0};

std::vector<Evaluation> evaluations() {
    return {
        {"kelvoran_evaluate",
         kelvoran_evaluate,
         nullptr,
         {-10.0, 25.0, 200.0, 373.976, 450.0, 700.0, 1000.0},
         {1.0, 50.0, 220.0, 400.0, 2000.0, 5000.0}},
        {"kelvoran_evaluate_ph",
         kelvoran_evaluate_ph,
         evaluateBatchPH,
         {1.0, 100.0, 250.0, 1000.0},
         {1.0e5, 1.0e6, 2.0e6, 2.8e6, 4.0e6}},
        {"kelvoran_evaluate_prho",
         kelvoran_evaluate_prho,
         evaluateBatchPRho,
         {5.0, 100.0, 600.0},
         {1.0, 50.0, 600.0, 1100.0}},
        {"kelvoran_evaluate_trho",
         kelvoran_evaluate_trho,
         evaluateBatchTRho,
         {100.0, 400.0, 800.0},
         {1.0, 300.0, 1000.0}},
    };
}

struct Points {
    std::vector<double> a, b, x;
};

Points grid(const Evaluation& e) {
    Points p;
    for (double a : e.first)
        for (double b : e.second)
            for (double x : kCompositions) {
                p.a.push_back(a);
                p.b.push_back(b);
                p.x.push_back(x);
            }
    return p;
}

TEST(CInterfaceTest, EveryEvaluationWritesWhatTheCppBatchWrites) {
    // Inputs the model is not defined for, as the first two inputs and x.
    const double invalid[][3] = {{kNaN, 100.0, 0.1},
                                 {300.0, kNaN, 0.1},
                                 {300.0, 100.0, kNaN},
                                 {300.0, 0.0, 0.1},
                                 {300.0, -5.0, 0.1},
                                 {300.0, 100.0, -0.1},
                                 {300.0, 100.0, 1.5},
                                 {-300.0, 100.0, 0.1},
                                 {std::numeric_limits<double>::infinity(), 100.0, 0.1}};
    for (const Evaluation& e : evaluations()) {
        SCOPED_TRACE(e.name);
        Points p = grid(e);
        const std::size_t valid = p.a.size();
        for (const auto& v : invalid) {
            p.a.push_back(v[0]);
            p.b.push_back(v[1]);
            p.x.push_back(v[2]);
        }
        const std::size_t n = p.a.size();
        // The default search range (no options), and a narrower one.
        for (const bool narrow : {false, true}) {
            SCOPED_TRACE(narrow ? "narrow search range" : "default options");
            Storage seen(n), expected(n);
            kelvoran_options options;
            kelvoran_options_init(&options);
            options.threads = 3;
            BatchOptions cppOptions;
            if (narrow) {
                options.search_lower_c = cppOptions.searchRange.lowerC = 50.0;
                options.search_upper_c = cppOptions.searchRange.upperC = 500.0;
                options.search_lower_bar = cppOptions.searchRange.lowerBar = 20.0;
                options.search_upper_bar = cppOptions.searchRange.upperBar = 1500.0;
            }
            ASSERT_EQ(e.c(static_cast<std::int64_t>(n), p.a.data(), p.b.data(), p.x.data(), &seen.c,
                          &seen.cDerivatives, narrow ? &options : nullptr),
                      KELVORAN_OK);
            if (e.cpp != nullptr) {
                ASSERT_EQ(e.cpp(p.a, p.b, p.x, expected.cpp, expected.inverse, cppOptions),
                          BatchStatus::Completed);
            } else {
                ASSERT_EQ(evaluateBatch(p.a, p.b, p.x, expected.cpp), BatchStatus::Completed);
                // The direct evaluation: T and P are the inputs, the amounts those of the lever
                // rule; the invalid points are marked.
                for (std::size_t i = 0; i < n; ++i) {
                    expected.values[0][i] = p.a[i];
                    expected.values[1][i] = p.b[i];
                    expected.amounts[i] = false;
                    expected.status[i] =
                        i < valid ? KELVORAN_POINT_SOLVED : KELVORAN_POINT_INVALID_INPUT;
                }
            }
            EXPECT_TRUE(sameStorage(seen, expected));
        }
    }
}

/// One call's arguments, valid until a case spoils one.
struct Call {
    explicit Call(std::size_t n) : storage(n), a(n, 300.0), b(n, 250.0), x(n, 0.05) {
        kelvoran_derivatives_init(&derivatives, static_cast<std::int64_t>(n));
        kelvoran_options_init(&options);
    }
    Storage storage;
    std::vector<double> a, b, x;
    kelvoran_derivatives derivatives{};
    kelvoran_options options{};
    std::int64_t n = static_cast<std::int64_t>(a.size());
    const double* first = a.data();
    const double* second = b.data();
    const double* third = x.data();
    kelvoran_outputs* outputs = &storage.c;
    kelvoran_derivatives* derivativesArgument = &derivatives;
    kelvoran_options* optionsArgument = &options;
};

template <typename Exception>
kelvoran_progress_callback throwing() {
    return [](std::int64_t, std::int64_t, void*) -> std::int32_t { throw Exception(); };
}

struct ExceptionThrown {};

TEST(CInterfaceTest, EachFaultGivesItsCodeAndWritesNothing) {
    struct Case {
        const char* name;
        void (*spoil)(Call&);
        std::int32_t code;
        int spoils = 0;  // the search ranges it spoils: 1 temperatures, 2 pressures
    };
    const Case cases[] = {
        {"outputs null", [](Call& c) { c.outputs = nullptr; }, KELVORAN_ERROR_NULL_POINTER},
        {"first input null", [](Call& c) { c.first = nullptr; }, KELVORAN_ERROR_NULL_POINTER},
        {"second input null", [](Call& c) { c.second = nullptr; }, KELVORAN_ERROR_NULL_POINTER},
        {"composition null", [](Call& c) { c.third = nullptr; }, KELVORAN_ERROR_NULL_POINTER},
        {"n negative", [](Call& c) { c.n = -1; }, KELVORAN_ERROR_LENGTH},
        {"n beyond the outputs", [](Call& c) { --c.storage.c.length; }, KELVORAN_ERROR_LENGTH},
        {"n beyond the derivatives", [](Call& c) { --c.derivatives.length; },
         KELVORAN_ERROR_LENGTH},
        {"n beyond any array",
         [](Call& c) {
             c.n = c.storage.c.length = c.derivatives.length =
                 std::numeric_limits<std::int64_t>::max();
         },
         KELVORAN_ERROR_LENGTH},
        {"outputs not initialised", [](Call& c) { c.storage.c.struct_size = 0; },
         KELVORAN_ERROR_STRUCT_SIZE},
        {"outputs of a newer header", [](Call& c) { c.storage.c.struct_size += 8; },
         KELVORAN_ERROR_STRUCT_SIZE},
        {"derivatives not initialised", [](Call& c) { c.derivatives.struct_size = 0; },
         KELVORAN_ERROR_STRUCT_SIZE},
        {"options not initialised", [](Call& c) { c.options.struct_size = 0; },
         KELVORAN_ERROR_STRUCT_SIZE},
        {"threads negative", [](Call& c) { c.options.threads = -1; },
         KELVORAN_ERROR_INVALID_ARGUMENT},
        {"search range empty",
         [](Call& c) {
             c.options.search_lower_c = c.options.search_upper_c = 300.0;
             c.options.search_upper_bar = c.options.search_lower_bar;
         },
         KELVORAN_ERROR_INVALID_ARGUMENT, 3},
        {"search range reversed",
         [](Call& c) {
             std::swap(c.options.search_lower_c, c.options.search_upper_c);
             std::swap(c.options.search_lower_bar, c.options.search_upper_bar);
         },
         KELVORAN_ERROR_INVALID_ARGUMENT, 3},
        {"search range not finite",
         [](Call& c) {
             c.options.search_upper_c = std::numeric_limits<double>::infinity();
             c.options.search_upper_bar = kNaN;
         },
         KELVORAN_ERROR_INVALID_ARGUMENT, 3},
        {"search at pressures not above 0", [](Call& c) { c.options.search_lower_bar = 0.0; },
         KELVORAN_ERROR_INVALID_ARGUMENT, 2},
        {"cancelled before the work",
         [](Call& c) {
             c.options.progress = [](std::int64_t, std::int64_t, void*) -> std::int32_t {
                 return 0;
             };
         },
         KELVORAN_ERROR_CANCELLED},
        {"std::bad_alloc inside", [](Call& c) { c.options.progress = throwing<std::bad_alloc>(); },
         KELVORAN_ERROR_OUT_OF_MEMORY},
        {"std::exception inside", [](Call& c) { c.options.progress = throwing<std::bad_cast>(); },
         KELVORAN_ERROR_INTERNAL},
        {"a foreign exception inside",
         [](Call& c) { c.options.progress = throwing<ExceptionThrown>(); },
         KELVORAN_ERROR_INTERNAL},
        // What is allowed.
        {"no points, no inputs",
         [](Call& c) {
             c.n = 0;
             c.first = c.second = c.third = nullptr;
         },
         KELVORAN_OK},
        {"no derivatives, no options",
         [](Call& c) {
             c.derivativesArgument = nullptr;
             c.optionsArgument = nullptr;
         },
         KELVORAN_OK},
    };
    for (const Evaluation& e : evaluations()) {
        for (const Case& k : cases) {
            SCOPED_TRACE(std::string(e.name) + ": " + k.name);
            Call call(3);
            k.spoil(call);
            // The range each call searches: none, the temperatures, the pressures.
            const int searches = e.cpp == nullptr ? 0 : e.cpp == evaluateBatchTRho ? 2 : 1;
            const std::int32_t code =
                k.spoils != 0 && (k.spoils & searches) == 0 ? KELVORAN_OK : k.code;
            EXPECT_EQ(e.c(call.n, call.first, call.second, call.third, call.outputs,
                          call.derivativesArgument, call.optionsArgument),
                      code);
            const bool written = code == KELVORAN_OK && call.n > 0;
            for (std::size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(call.storage.status[i] != kUnwritten, written) << i;
                EXPECT_EQ(call.storage.state[i] != kUnwritten, written) << i;
                EXPECT_EQ(call.storage.values[4][i] != -1.0, written) << i;  // liquid density
            }
        }
    }
}

TEST(CInterfaceTest, NamesMessagesVersionAndDefaultsAreTheLibrarys) {
    const std::string unknown = kelvoran_error_message(-1);
    EXPECT_EQ(unknown, kelvoran_error_message(KELVORAN_ERROR_TABLE_FILE + 1));
    std::vector<std::string> messages;
    for (std::int32_t code = KELVORAN_OK; code <= KELVORAN_ERROR_TABLE_FILE; ++code) {
        const std::string message = kelvoran_error_message(code);
        EXPECT_NE(message, unknown) << code;
        for (const std::string& other : messages) EXPECT_NE(message, other) << code;
        messages.push_back(message);
    }
    for (std::int32_t status = -1; status <= 4; ++status) {
        const bool known = status >= 0 && status <= 3;
        EXPECT_EQ(kelvoran_point_status_message(status),
                  known ? std::string(describe(static_cast<InverseStatus>(status)))
                        : std::string("unknown point status"));
    }
    for (std::int32_t state = -1; state <= 8; ++state) {
        EXPECT_EQ(kelvoran_state_name(state), shortName(static_cast<Phases>(state))) << state;
    }
    for (std::int32_t bit = -1; bit <= 32; ++bit) {
        const std::string expected =
            bit < 0 || bit > 31 ? "" : std::string(warningName(static_cast<Warning>(1U << bit)));
        EXPECT_EQ(kelvoran_warning_name(bit), expected) << bit;
    }
    EXPECT_EQ(std::string(kelvoran_version()), KELVORAN_PROJECT_VERSION);
    EXPECT_EQ(std::to_string(kelvoran_version_major()) + "." +
                  std::to_string(kelvoran_version_minor()) + "." +
                  std::to_string(kelvoran_version_patch()),
              KELVORAN_PROJECT_VERSION);
    // The header's defaults are the library's.
    kelvoran_options options;
    kelvoran_options_init(&options);
    const BatchOptions defaults;
    EXPECT_EQ(options.threads, defaults.threads);
    EXPECT_EQ(options.search_lower_c, defaults.searchRange.lowerC);
    EXPECT_EQ(options.search_upper_c, defaults.searchRange.upperC);
    EXPECT_EQ(options.search_lower_bar, defaults.searchRange.lowerBar);
    EXPECT_EQ(options.search_upper_bar, defaults.searchRange.upperBar);
    EXPECT_EQ(kelvoran_mole_fraction_from_mass_fraction(0.1), moleFractionFromMassFraction(0.1));
    EXPECT_EQ(kelvoran_mass_fraction_from_mole_fraction(0.1), massFractionFromMoleFraction(0.1));
}

}  // namespace
}  // namespace kelvoran
