// The WebAssembly module's entry points: plain C functions over arrays in the module's memory,
// called by the JavaScript layer (web/src/kelvoran-api.js), which allocates the arrays, copies
// the caller's Float64Arrays in and the results out. Only the public headers of the library
// are used here; the table tool's CSV reader and writer are reached through kv_table
// (TableStream.cpp).
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inclusions.h"
#include "kelvoran/Inverse.h"

#ifndef KELVORAN_VERSION
#define KELVORAN_VERSION "unknown"
#endif

namespace {

/// Values per phase in the value block: composition, mass fraction, density, molar volume,
/// specific enthalpy, heat capacity, phase mass fraction, saturation.
constexpr std::size_t kValuesPerPhase = 8;
/// Phases in the value block: liquid, vapor, halite, bulk.
constexpr std::size_t kPhases = 4;

// Points the columns of `out` into `values`: kPhases × kValuesPerPhase columns of `n`.
kelvoran::BatchColumns columnsInto(double* values, std::size_t n, std::int32_t* state,
                                   std::uint32_t* warnings, std::int32_t* fluidType) {
    kelvoran::BatchColumns out;
    out.state = state;
    out.warnings = warnings;
    out.fluidType = fluidType;
    kelvoran::PhaseColumns* phases[kPhases] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
    for (std::size_t k = 0; k < kPhases; ++k) {
        double* base = values + k * kValuesPerPhase * n;
        kelvoran::PhaseColumns& c = *phases[k];
        c.composition = base + 0 * n;
        c.massFraction = base + 1 * n;
        c.density = base + 2 * n;
        c.molarVolume = base + 3 * n;
        c.specificEnthalpy = base + 4 * n;
        c.heatCapacity = base + 5 * n;
        c.phaseMassFraction = base + 6 * n;
        c.saturation = base + 7 * n;
    }
    return out;
}

kelvoran::BatchOptions oneThread() {
    kelvoran::BatchOptions options;
    options.threads = 1;  // the module has no threads: the calling thread evaluates
    return options;
}

// The correlations kv_correlation evaluates, by code: the JavaScript layer looks the codes up
// by name (kv_correlation_name), so this table alone fixes them.
struct CorrelationEntry {
    const char* name;
    double (*unary)(double);          // f(a), or null
    double (*binary)(double, double);  // f(a, b), or null
};

constexpr CorrelationEntry kCorrelations[] = {
    {"criticalPressureBar", kelvoran::criticalPressureBar, nullptr},
    {"criticalComposition", kelvoran::criticalComposition, nullptr},
    {"criticalTemperatureC", kelvoran::criticalTemperatureC, nullptr},
    {"threePhasePressureBar", kelvoran::threePhasePressureBar, nullptr},
    {"haliteLiquidusComposition", nullptr, kelvoran::haliteLiquidusComposition},
    {"haliteSaturatedVaporComposition", nullptr, kelvoran::haliteSaturatedVaporComposition},
    {"coexistingLiquidComposition", nullptr, kelvoran::coexistingLiquidComposition},
    {"coexistingVaporComposition", nullptr, kelvoran::coexistingVaporComposition},
    {"saltMeltingTemperatureC", kelvoran::saltMeltingTemperatureC, nullptr},
    {"saltBoilingPressureBar", kelvoran::saltBoilingPressureBar, nullptr},
    {"saltSublimationPressureBar", kelvoran::saltSublimationPressureBar, nullptr},
    {"haliteDensityKgM3", nullptr, kelvoran::haliteDensityKgM3},
    {"haliteHeatCapacityJKgK", nullptr, kelvoran::haliteHeatCapacityJKgK},
    {"waterSaturationPressureBar", kelvoran::waterSaturationPressureBar, nullptr},
    {"waterSaturationTemperatureC", kelvoran::waterSaturationTemperatureC, nullptr},
    {"moleFractionFromMassFraction", kelvoran::moleFractionFromMassFraction, nullptr},
    {"massFractionFromMoleFraction", kelvoran::massFractionFromMoleFraction, nullptr},
    {"salinityFromIceMelting", kelvoran::salinityFromIceMelting, nullptr},
    {"salinityFromHaliteDissolution", kelvoran::salinityFromHaliteDissolution, nullptr},
    {"salinityFromHaliteDissolutionAt", nullptr, kelvoran::salinityFromHaliteDissolutionAt},
};
constexpr int kCorrelationCount = static_cast<int>(std::size(kCorrelations));

}  // namespace

extern "C" {

/// The library's version ("0.2.0"), a static string.
EMSCRIPTEN_KEEPALIVE const char* kv_version() { return KELVORAN_VERSION; }

/// Short name of a phase-state code ("V+L"; "undetermined" for 0 and unknown codes).
EMSCRIPTEN_KEEPALIVE const char* kv_state_name(int code) {
    static const std::string_view names[] = {
        kelvoran::shortName(kelvoran::Phases::Undetermined),
        kelvoran::shortName(kelvoran::Phases::Liquid),
        kelvoran::shortName(kelvoran::Phases::Vapor),
        kelvoran::shortName(kelvoran::Phases::Fluid),
        kelvoran::shortName(kelvoran::Phases::VaporLiquid),
        kelvoran::shortName(kelvoran::Phases::VaporHalite),
        kelvoran::shortName(kelvoran::Phases::LiquidHalite),
        kelvoran::shortName(kelvoran::Phases::VaporLiquidHalite)};
    return names[code >= 0 && code <= 7 ? code : 0].data();
}

/// Short name of warning bit `bit` (0–31), or "" for a bit the library does not use.
EMSCRIPTEN_KEEPALIVE const char* kv_warning_name(int bit) {
    static std::string names[32];
    if (bit < 0 || bit > 31) return "";
    names[bit] = std::string(kelvoran::warningName(static_cast<kelvoran::Warning>(1U << bit)));
    return names[bit].c_str();
}

/// "liquid", "vapor", "supercritical" for fluid-type codes 1–3, "" otherwise.
EMSCRIPTEN_KEEPALIVE const char* kv_fluid_type_name(int code) {
    static const std::string_view names[] = {
        kelvoran::shortName(kelvoran::FluidType::None),
        kelvoran::shortName(kelvoran::FluidType::LiquidLike),
        kelvoran::shortName(kelvoran::FluidType::VaporLike),
        kelvoran::shortName(kelvoran::FluidType::Supercritical)};
    return names[code >= 0 && code <= 3 ? code : 0].data();
}

/// The sentence describing an inverse status code.
EMSCRIPTEN_KEEPALIVE const char* kv_inverse_status_text(int code) {
    static std::string text;
    text = std::string(kelvoran::describe(static_cast<kelvoran::InverseStatus>(code)));
    return text.c_str();
}

/// Molar masses of water and NaCl the model uses, g/mol.
EMSCRIPTEN_KEEPALIVE double kv_water_molar_mass() { return kelvoran::waterMolarMassGPerMol(); }
EMSCRIPTEN_KEEPALIVE double kv_salt_molar_mass() { return kelvoran::saltMolarMassGPerMol(); }

/// Evaluates n points (t °C, p bar, x mole fraction NaCl) into state, warnings, fluidType (n
/// each) and values (kPhases × kValuesPerPhase columns of n, see columnsInto). A point with an
/// unusable input (kelvoran::isPhysicalInput false) is not evaluated: state 0, the warning
/// invalid_input, fluid type 0, NaN values.
EMSCRIPTEN_KEEPALIVE void kv_evaluate(int count, const double* t, const double* p,
                                      const double* x, std::int32_t* state,
                                      std::uint32_t* warnings, std::int32_t* fluidType,
                                      double* values) {
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    kelvoran::evaluateBatch({t, n}, {p, n}, {x, n},
                            columnsInto(values, n, state, warnings, fluidType), oneThread());
}

/// The inverse evaluations for n points: `mode` 1 (a = P bar, b = bulk specific enthalpy
/// J/kg), 2 (a = P bar, b = bulk density kg/m³) or 3 (a = T °C, b = bulk density); the
/// temperature found (mode 3: the pressure) into `found`, the kelvoran::InverseStatus code into
/// `status`, the state as kv_evaluate. Returns 0, or −1 for an unknown mode.
EMSCRIPTEN_KEEPALIVE int kv_evaluate_inverse(int mode, int count, const double* a,
                                             const double* b, const double* x,
                                             std::int32_t* state, std::uint32_t* warnings,
                                             std::int32_t* fluidType, double* values,
                                             double* found, std::int32_t* status) {
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    const kelvoran::BatchColumns out = columnsInto(values, n, state, warnings, fluidType);
    kelvoran::InverseColumns inverse;
    inverse.status = status;
    const std::span<const double> first(a, n), second(b, n), c(x, n);
    switch (mode) {
        case 1:
            inverse.temperatureC = found;
            kelvoran::evaluateBatchPH(first, second, c, out, inverse, oneThread());
            return 0;
        case 2:
            inverse.temperatureC = found;
            kelvoran::evaluateBatchPRho(first, second, c, out, inverse, oneThread());
            return 0;
        case 3:
            inverse.pressureBar = found;
            kelvoran::evaluateBatchTRho(first, second, c, out, inverse, oneThread());
            return 0;
        default:
            return -1;
    }
}

/// Name of correlation `id` ("threePhasePressureBar"), its number of arguments (1 or 2) in
/// `arity`; null past the last.
EMSCRIPTEN_KEEPALIVE const char* kv_correlation_name(int id, int* arity) {
    if (id < 0 || id >= kCorrelationCount) return nullptr;
    *arity = kCorrelations[id].unary != nullptr ? 1 : 2;
    return kCorrelations[id].name;
}

/// Correlation `id` (see kv_correlation_name) of n points: out[i] = f(a[i]) or f(a[i], b[i]).
/// Returns 0, or −1 for an unknown id.
EMSCRIPTEN_KEEPALIVE int kv_correlation(int id, int count, const double* a, const double* b,
                                        double* out) {
    if (id < 0 || id >= kCorrelationCount) return -1;
    const CorrelationEntry& f = kCorrelations[id];
    for (int i = 0; i < count; ++i) {
        out[i] = f.unary != nullptr ? f.unary(a[i]) : f.binary(a[i], b[i]);
    }
    return 0;
}

/// Homogenization of n inclusions (x mole fraction NaCl, Th °C), to the liquid (toLiquid ≠ 0)
/// or to the vapor: pressure bar, bulk density kg/m³ and kelvoran::InverseStatus code.
EMSCRIPTEN_KEEPALIVE void kv_homogenization(int count, const double* x, const double* th,
                                            int toLiquid, double* pressure, double* density,
                                            std::int32_t* status) {
    const kelvoran::HomogenizationKind kind =
        toLiquid != 0 ? kelvoran::HomogenizationKind::ToLiquid
                      : kelvoran::HomogenizationKind::ToVapor;
    for (int i = 0; i < count; ++i) {
        const kelvoran::Homogenization h = kelvoran::homogenization(x[i], th[i], kind);
        pressure[i] = h.pressureBar;
        density[i] = h.densityKgM3;
        status[i] = static_cast<std::int32_t>(h.status);
    }
}

}  // extern "C"
