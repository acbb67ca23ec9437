// kelvoran._core: the compiled part of the Python package. It works on flat, contiguous float64
// arrays that the Python layer has already broadcast and allocated; every loop runs with the
// GIL released. Only the public headers of the library are used.
#include <nanobind/nanobind.h>
#include <nanobind/ndarray.h>
#include <nanobind/stl/string.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inclusions.h"
#include "kelvoran/Inverse.h"
#include "kelvoran/Table.h"

namespace nb = nanobind;

namespace {

using In = nb::ndarray<const double, nb::ndim<1>, nb::c_contig, nb::device::cpu>;
using Out = nb::ndarray<double, nb::ndim<1>, nb::c_contig, nb::device::cpu>;
using StateOut = nb::ndarray<std::int32_t, nb::ndim<1>, nb::c_contig, nb::device::cpu>;
using BitsOut = nb::ndarray<std::uint32_t, nb::ndim<1>, nb::c_contig, nb::device::cpu>;
using FlagOut = nb::ndarray<bool, nb::ndim<1>, nb::c_contig, nb::device::cpu>;

// Every array of one call holds the same number of points.
template <typename First, typename... Rest>
std::size_t commonLength(const First& first, const Rest&... rest) {
    const std::size_t n = first.shape(0);
    if (((rest.shape(0) != n) || ...)) {
        throw std::invalid_argument("kelvoran: the arrays of one call differ in length");
    }
    return n;
}

template <double (*F)(double)>
void map1(In a, Out out) {
    const std::size_t n = commonLength(a, out);
    const double* pa = a.data();
    double* po = out.data();
    nb::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < n; ++i) po[i] = F(pa[i]);
}

template <double (*F)(double, double)>
void map2(In a, In b, Out out) {
    const std::size_t n = commonLength(a, b, out);
    const double* pa = a.data();
    const double* pb = b.data();
    double* po = out.data();
    nb::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < n; ++i) po[i] = F(pa[i], pb[i]);
}

void pureWater(In t, In p, Out density, Out enthalpy, Out heatCapacity) {
    const std::size_t n = commonLength(t, p, density, enthalpy, heatCapacity);
    nb::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < n; ++i) {
        const kelvoran::WaterPoint w = kelvoran::pureWater(t.data()[i], p.data()[i]);
        density.data()[i] = w.densityKgM3;
        enthalpy.data()[i] = w.specificEnthalpyJKg;
        heatCapacity.data()[i] = w.heatCapacityJKgK;
    }
}

void mixtureProperties(In t, In p, In x, Out density, Out molarVolume, Out enthalpy,
                       Out heatCapacity) {
    const std::size_t n = commonLength(t, p, x, density, molarVolume, enthalpy, heatCapacity);
    nb::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < n; ++i) {
        const kelvoran::FluidPoint f =
            kelvoran::mixtureProperties(t.data()[i], p.data()[i], x.data()[i]);
        density.data()[i] = f.densityKgM3;
        molarVolume.data()[i] = f.molarVolumeCm3Mol;
        enthalpy.data()[i] = f.specificEnthalpyJKg;
        heatCapacity.data()[i] = f.heatCapacityJKgK;
    }
}

void inFittedRange(In t, In p, In x, FlagOut out) {
    const std::size_t n = commonLength(t, p, x, out);
    nb::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < n; ++i) {
        out.data()[i] = kelvoran::inFittedRange(t.data()[i], p.data()[i], x.data()[i]);
    }
}

// The column names the batch can fill: "<phase>_<field>", as the table tool names them.
double** phaseSlot(kelvoran::PhaseColumns& phase, std::string_view field) {
    if (field == "x_NaCl") return &phase.composition;
    if (field == "w_NaCl") return &phase.massFraction;
    if (field == "density_kg_m3") return &phase.density;
    if (field == "molar_volume_cm3_mol") return &phase.molarVolume;
    if (field == "specific_enthalpy_J_kg") return &phase.specificEnthalpy;
    if (field == "heat_capacity_J_kg_K") return &phase.heatCapacity;
    if (field == "mass_fraction") return &phase.phaseMassFraction;
    if (field == "saturation") return &phase.saturation;
    return nullptr;
}

double** columnSlot(kelvoran::BatchColumns& out, std::string_view name) {
    struct Named {
        std::string_view prefix;
        kelvoran::PhaseColumns* columns;
    };
    for (const Named& phase : {Named{"liquid_", &out.liquid}, Named{"vapor_", &out.vapor},
                               Named{"halite_", &out.halite}, Named{"bulk_", &out.bulk}}) {
        if (name.starts_with(phase.prefix)) {
            return phaseSlot(*phase.columns, name.substr(phase.prefix.size()));
        }
    }
    return nullptr;
}

// The derivative columns "d_<quantity>_d_<variable>", as the table tool names them: <quantity>
// "T_C", "P_bar" or "<phase>_<field>" (fields w_NaCl, density_kg_m3, specific_enthalpy_J_kg,
// mass_fraction, saturation), <variable> one of the evaluation's three given variables.
double** derivativeSlot(kelvoran::DerivativeColumns& d, std::string_view name,
                        const std::array<std::string_view, 3>& variables) {
    if (!name.starts_with("d_")) return nullptr;
    for (std::size_t v = 0; v < 3; ++v) {
        const std::string suffix = "_d_" + std::string(variables[v]);
        if (!name.ends_with(suffix) || name.size() <= 2 + suffix.size()) continue;
        const std::string_view quantity = name.substr(2, name.size() - 2 - suffix.size());
        kelvoran::GradientColumns* g = nullptr;
        if (quantity == "T_C") g = &d.temperature;
        if (quantity == "P_bar") g = &d.pressure;
        struct Named {
            std::string_view prefix;
            kelvoran::PhaseDerivativeColumns* columns;
        };
        for (const Named& phase : {Named{"liquid_", &d.liquid}, Named{"vapor_", &d.vapor},
                                   Named{"halite_", &d.halite}, Named{"bulk_", &d.bulk}}) {
            if (!quantity.starts_with(phase.prefix)) continue;
            const std::string_view field = quantity.substr(phase.prefix.size());
            kelvoran::PhaseDerivativeColumns& c = *phase.columns;
            if (field == "w_NaCl") g = &c.massFraction;
            if (field == "density_kg_m3") g = &c.density;
            if (field == "specific_enthalpy_J_kg") g = &c.specificEnthalpy;
            if (field == "mass_fraction") g = &c.phaseMassFraction;
            if (field == "saturation") g = &c.saturation;
        }
        if (g == nullptr) return nullptr;
        return v == 0 ? &g->first : v == 1 ? &g->second : &g->third;
    }
    return nullptr;
}

// The given variables of an evaluation ("direct", "ph", "prho", "trho"), by their column names.
std::array<std::string_view, 3> givenVariables(std::string_view kind) {
    if (kind == "ph") return {"P_bar", "h_J_kg", "x_NaCl"};
    if (kind == "prho") return {"P_bar", "rho_kg_m3", "x_NaCl"};
    if (kind == "trho") return {"T_C", "rho_kg_m3", "x_NaCl"};
    return {"T_C", "P_bar", "x_NaCl"};
}

// The arrays of one call's named columns, kept alive while the workers write.
struct BoundColumns {
    kelvoran::BatchColumns out;
    kelvoran::InverseColumns inverse;
    std::vector<nb::object> keep;
};

template <typename Array>
auto* columnData(nb::handle value, const std::string& name, std::size_t n, const char* type) {
    Array array;
    if (!nb::try_cast(value, array, false) || array.shape(0) != n) {
        throw std::invalid_argument("kelvoran: column '" + name + "' must be contiguous " + type +
                                    " of length " + std::to_string(n));
    }
    return array.data();
}

// Binds the named columns: "state", "fluid_type_code" and "inverse_status_code" take int32,
// "warning_bits" uint32, the phase columns (see columnSlot) and the derivative columns of
// evaluation `kind` (see derivativeSlot) float64; with `found` (the inverse evaluations), so
// does that column, the temperature or pressure found.
BoundColumns bindColumns(nb::dict columns, std::size_t n, const char* found,
                         std::string_view kind) {
    BoundColumns bound;
    for (auto [key, value] : columns) {
        const std::string name = nb::cast<std::string>(key);
        if (name == "state") {
            bound.out.state = columnData<StateOut>(value, name, n, "int32");
        } else if (name == "fluid_type_code") {
            bound.out.fluidType = columnData<StateOut>(value, name, n, "int32");
        } else if (name == "warning_bits") {
            bound.out.warnings = columnData<BitsOut>(value, name, n, "uint32");
        } else if (found != nullptr && name == "inverse_status_code") {
            bound.inverse.status = columnData<StateOut>(value, name, n, "int32");

        } else if (found != nullptr && name == found) {
            double* data = columnData<Out>(value, name, n, "float64");
            (name == "T_C" ? bound.inverse.temperatureC : bound.inverse.pressureBar) = data;
        } else {
            double** slot = columnSlot(bound.out, name);
            if (slot == nullptr) {
                slot = derivativeSlot(bound.out.derivatives, name, givenVariables(kind));
            }
            if (slot == nullptr) throw std::invalid_argument("kelvoran: unknown column " + name);
            *slot = columnData<Out>(value, name, n, "float64");
        }
        bound.keep.push_back(nb::borrow(value));
    }
    return bound;
}

// Batch options that stop the workers on Ctrl-C (checked a few times a second).
kelvoran::BatchOptions interruptible(int threads, bool& interrupted) {
    if (threads < 0) throw std::invalid_argument("kelvoran: threads must be 0 or more");
    kelvoran::BatchOptions options;
    options.threads = threads;
    options.progress = [&interrupted](std::size_t, std::size_t) {
        nb::gil_scoped_acquire locked;
        if (PyErr_CheckSignals() != 0) interrupted = true;
        return !interrupted;
    };
    return options;
}

// Evaluates the points into the named columns (see bindColumns). A point with an input no fluid
// can have (a NaN among them) gets state 0 (undetermined), the warning invalid_input and NaN in
// every float column, from the batch. Ctrl-C stops the workers and raises KeyboardInterrupt.
void evaluateColumns(In t, In p, In x, nb::dict columns, int threads) {
    const std::size_t n = commonLength(t, p, x);
    BoundColumns bound = bindColumns(columns, n, nullptr, "direct");
    bool interrupted = false;
    const kelvoran::BatchOptions options = interruptible(threads, interrupted);
    {
        nb::gil_scoped_release unlocked;
        const kelvoran::BatchColumns& out = bound.out;
        kelvoran::evaluateBatch({t.data(), n}, {p.data(), n}, {x.data(), n}, out, options);
    }
    if (interrupted) throw nb::python_error();
}

// The inverse evaluations into the named columns: `kind` "ph" (a = P bar, b = h J/kg), "prho"
// (P, ρ kg/m³) or "trho" (T °C, ρ), searching `lower`–`upper` (°C, or bar for "trho"), the
// temperature (pressure for "trho") found into column "T_C" ("P_bar") and the status code into
// "inverse_status_code". A point whose search finds no state, a NaN input among them, has state
// 0 and NaN in every float column.
void evaluateInverseColumns(const std::string& kind, In a, In b, In x, nb::dict columns,
                            int threads, double lower, double upper) {
    const std::size_t n = commonLength(a, b, x);
    if (kind != "ph" && kind != "prho" && kind != "trho") {
        throw std::invalid_argument("kelvoran: unknown inverse evaluation " + kind);
    }
    BoundColumns bound = bindColumns(columns, n, kind == "trho" ? "P_bar" : "T_C", kind);
    bool interrupted = false;
    kelvoran::BatchOptions options = interruptible(threads, interrupted);
    if (kind == "trho") {
        options.searchRange.lowerBar = lower;
        options.searchRange.upperBar = upper;
    } else {
        options.searchRange.lowerC = lower;
        options.searchRange.upperC = upper;
    }
    {
        nb::gil_scoped_release unlocked;
        const std::span<const double> first(a.data(), n), second(b.data(), n), c(x.data(), n);
        if (kind == "ph") {
            kelvoran::evaluateBatchPH(first, second, c, bound.out, bound.inverse, options);
        } else if (kind == "prho") {
            kelvoran::evaluateBatchPRho(first, second, c, bound.out, bound.inverse, options);
        } else {
            kelvoran::evaluateBatchTRho(first, second, c, bound.out, bound.inverse, options);
        }
    }
    if (interrupted) throw nb::python_error();
}

void homogenizationColumns(In x, In t, bool toLiquid, Out pressure, Out density, StateOut status) {
    const std::size_t n = commonLength(x, t, pressure, density, status);
    const kelvoran::HomogenizationKind kind =
        toLiquid ? kelvoran::HomogenizationKind::ToLiquid : kelvoran::HomogenizationKind::ToVapor;
    nb::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < n; ++i) {
        const kelvoran::Homogenization h = kelvoran::homogenization(x.data()[i], t.data()[i], kind);
        pressure.data()[i] = h.pressureBar;
        density.data()[i] = h.densityKgM3;
        status.data()[i] = static_cast<std::int32_t>(h.status);
    }
}

// For the tests: kelvoran::isochore as C++ calls it, the pressure, status and state of each
// temperature.
nb::dict isochorePath(double x, double density, In t) {
    const std::size_t n = t.shape(0);
    std::vector<kelvoran::InverseResult> path;
    {
        nb::gil_scoped_release unlocked;
        path = kelvoran::isochore(x, density, {t.data(), n});
    }
    nb::list pressure, status, state, bulkDensity;
    for (const kelvoran::InverseResult& r : path) {
        pressure.append(r.pressureBar);
        status.append(static_cast<int>(r.status));
        state.append(static_cast<int>(r.point.phases));
        bulkDensity.append(r.point.bulk.density);
    }
    nb::dict out;
    out["P_bar"] = pressure;
    out["status"] = status;
    out["state"] = state;
    out["bulk_density_kg_m3"] = bulkDensity;
    return out;
}

// For the tests: one point through the per-point calculator, every record field as computed
// (zeros in the records of absent phases).
nb::dict calculatorPoint(double t, double p, double x) {
    kelvoran::Calculator calculator;
    const kelvoran::PointResult r = calculator.evaluate(t, p, x);
    nb::dict out;
    out["state"] = static_cast<std::int32_t>(r.phases);
    const auto put = [&out](const char* phase, const kelvoran::PhaseRecord& record) {
        const std::string prefix = std::string(phase) + "_";
        out[(prefix + "x_NaCl").c_str()] = record.composition;
        out[(prefix + "w_NaCl").c_str()] = record.massPercent * 0.01;
        out[(prefix + "density_kg_m3").c_str()] = record.density;
        out[(prefix + "molar_volume_cm3_mol").c_str()] = record.molarVolume;
        out[(prefix + "specific_enthalpy_J_kg").c_str()] = record.specificEnthalpy;
        out[(prefix + "heat_capacity_J_kg_K").c_str()] = record.heatCapacity;
    };
    put("liquid", r.liquid);
    put("vapor", r.vapor);
    put("halite", r.halite);
    put("bulk", r.bulk);
    return out;
}

// For the speed comparison: the batch API as a C++ program calls it, with every column in
// vectors of its own, timed from the allocation of the columns to the end of the batch;
// seconds.
double timeBatch(In t, In p, In x, int threads) {
    const std::size_t n = commonLength(t, p, x);
    nb::gil_scoped_release unlocked;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::int32_t> state(n);
    std::vector<std::vector<double>> values(24, std::vector<double>(n));
    kelvoran::BatchColumns out;
    out.state = state.data();
    kelvoran::PhaseColumns* phases[] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
    for (std::size_t k = 0; k < 4; ++k) {
        phases[k]->composition = values[6 * k + 0].data();
        phases[k]->massFraction = values[6 * k + 1].data();
        phases[k]->density = values[6 * k + 2].data();
        phases[k]->molarVolume = values[6 * k + 3].data();
        phases[k]->specificEnthalpy = values[6 * k + 4].data();
        phases[k]->heatCapacity = values[6 * k + 5].data();
    }
    kelvoran::BatchOptions options;
    options.threads = threads;
    kelvoran::evaluateBatch({t.data(), n}, {p.data(), n}, {x.data(), n}, out, options);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

// --- property tables ---------------------------------------------------------------------

kelvoran::TableVariables tableVariables(const std::string& name) {
    if (name == "phx") return kelvoran::TableVariables::PressureEnthalpy;
    if (name == "tpx") return kelvoran::TableVariables::TemperaturePressure;
    throw std::invalid_argument("kelvoran.PropertyTable: variables are 'phx' or 'tpx', not '" +
                                name + "'");
}

// Builds a table; `progress` (None or a callable (done, total) → bool) is called a few times a
// second on the calling thread with the GIL held; Ctrl-C or False from it cancel the build.
kelvoran::PropertyTable buildTable(const std::string& variables, double a0, double a1, double b0,
                                   double b1, double x0, double x1, double relative,
                                   double absolute, int maxLevel, int rootLevel, int threads,
                                   nb::object progress) {
    const kelvoran::TableVariables v = tableVariables(variables);
    kelvoran::TableTolerance tolerance;
    tolerance.relative = relative;
    tolerance.absolute = absolute;
    kelvoran::TableBuildOptions options;
    options.maxLevel = maxLevel;
    options.rootLevel = rootLevel;
    if (threads < 0) throw std::invalid_argument("kelvoran: threads must be 0 or more");
    options.threads = threads;
    bool interrupted = false;
    options.progress = [&](std::size_t done, std::size_t total) {
        nb::gil_scoped_acquire locked;
        if (PyErr_CheckSignals() != 0) {
            interrupted = true;
            return false;
        }
        if (!progress.is_none()) {
            try {
                const nb::object keep = progress(done, total);
                if (!keep.is_none() && !nb::cast<bool>(keep)) return false;
            } catch (nb::python_error& e) {
                e.restore();
                interrupted = true;
                return false;
            }
        }
        return true;
    };
    try {
        nb::gil_scoped_release unlocked;
        return kelvoran::PropertyTable::build(v, {{a0, a1}, {b0, b1}, {x0, x1}}, tolerance, options);
    } catch (const kelvoran::TableCancelled&) {
        if (interrupted) throw nb::python_error();
        throw;
    }
}

// Looks the points up into the named columns: those of evaluate_columns for a (T, P, x) table,
// of evaluate_inverse_columns "ph" for a (P, h, x) table, derivative columns included.
void tableColumns(const kelvoran::PropertyTable& table, In a, In b, In x, nb::dict columns,
                  int threads) {
    const std::size_t n = commonLength(a, b, x);
    const bool ph = table.variables() == kelvoran::TableVariables::PressureEnthalpy;
    BoundColumns bound = bindColumns(columns, n, ph ? "T_C" : nullptr, ph ? "ph" : "direct");
    bool interrupted = false;
    const kelvoran::BatchOptions options = interruptible(threads, interrupted);
    {
        nb::gil_scoped_release unlocked;
        table.evaluate({a.data(), n}, {b.data(), n}, {x.data(), n}, bound.out, bound.inverse,
                       options);
    }
    if (interrupted) throw nb::python_error();
}

}  // namespace

NB_MODULE(_core, m) {
    m.doc() = "Compiled core of kelvoran: flat float64 loops over the C++ library.";
    m.attr("__version__") = KELVORAN_VERSION;
    m.attr("WATER_MOLAR_MASS_G_MOL") = kelvoran::waterMolarMassGPerMol();
    m.attr("SALT_MOLAR_MASS_G_MOL") = kelvoran::saltMolarMassGPerMol();

    const auto in = [](const char* name) { return nb::arg(name).noconvert(); };

    m.def(
        "short_name",
        [](int code) {
            return std::string(kelvoran::shortName(static_cast<kelvoran::Phases>(code)));
        },
        nb::arg("code"));
    m.def(
        "fluid_type_name",
        [](int code) {
            return std::string(kelvoran::shortName(static_cast<kelvoran::FluidType>(code)));
        },
        nb::arg("code"));
    m.def(
        "warning_names", [](std::uint32_t bits) { return kelvoran::warningNames(bits); },
        nb::arg("bits"));
    m.def(
        "describe_status",
        [](int code) {
            return std::string(kelvoran::describe(static_cast<kelvoran::InverseStatus>(code)));
        },
        nb::arg("code"));
    m.def("evaluate_columns", &evaluateColumns, in("t"), in("p"), in("x"), nb::arg("columns"),
          nb::arg("threads"));
    m.def("evaluate_inverse_columns", &evaluateInverseColumns, nb::arg("kind"), in("a"), in("b"),
          in("x"), nb::arg("columns"), nb::arg("threads"), nb::arg("lower"), nb::arg("upper"));
    m.attr("ISOCHORE_LOWEST_BAR") = kelvoran::kIsochoreSearchRange.lowerBar;
    m.def("salinity_from_halite_dissolution", &map1<kelvoran::salinityFromHaliteDissolution>,
          in("t"), in("out"));
    m.def("salinity_from_halite_dissolution_at", &map2<kelvoran::salinityFromHaliteDissolutionAt>,
          in("t"), in("p"), in("out"));
    m.def("salinity_from_ice_melting", &map1<kelvoran::salinityFromIceMelting>, in("t"), in("out"));
    m.def("homogenization", &homogenizationColumns, in("x"), in("t"), nb::arg("to_liquid"),
          in("pressure"), in("density"), in("status"));
    m.def("_isochore", &isochorePath, nb::arg("x"), nb::arg("density"), in("t"));
    m.def("in_fitted_range", &inFittedRange, in("t"), in("p"), in("x"), in("out"));

    m.def("critical_pressure_bar", &map1<kelvoran::criticalPressureBar>, in("t"), in("out"));
    m.def("critical_composition", &map1<kelvoran::criticalComposition>, in("t"), in("out"));
    m.def("three_phase_pressure_bar", &map1<kelvoran::threePhasePressureBar>, in("t"), in("out"));
    m.def("halite_liquidus_composition", &map2<kelvoran::haliteLiquidusComposition>, in("t"),
          in("p"), in("out"));
    m.def("halite_saturated_vapor_composition", &map2<kelvoran::haliteSaturatedVaporComposition>,
          in("t"), in("p"), in("out"));
    m.def("coexisting_liquid_composition", &map2<kelvoran::coexistingLiquidComposition>, in("t"),
          in("p"), in("out"));
    m.def("coexisting_vapor_composition", &map2<kelvoran::coexistingVaporComposition>, in("t"),
          in("p"), in("out"));
    m.def("salt_melting_temperature_c", &map1<kelvoran::saltMeltingTemperatureC>, in("p"),
          in("out"));
    m.def("salt_boiling_pressure_bar", &map1<kelvoran::saltBoilingPressureBar>, in("t"), in("out"));
    m.def("salt_sublimation_pressure_bar", &map1<kelvoran::saltSublimationPressureBar>, in("t"),
          in("out"));
    m.def("halite_density_kg_m3", &map2<kelvoran::haliteDensityKgM3>, in("t"), in("p"), in("out"));
    m.def("halite_heat_capacity_j_kg_k", &map2<kelvoran::haliteHeatCapacityJKgK>, in("t"), in("p"),
          in("out"));
    m.def("water_saturation_pressure_bar", &map1<kelvoran::waterSaturationPressureBar>, in("t"),
          in("out"));
    m.def("water_saturation_temperature_c", &map1<kelvoran::waterSaturationTemperatureC>, in("p"),
          in("out"));
    m.def("pure_water", &pureWater, in("t"), in("p"), in("density"), in("enthalpy"),
          in("heat_capacity"));
    m.def("mixture_properties", &mixtureProperties, in("t"), in("p"), in("x"), in("density"),
          in("molar_volume"), in("enthalpy"), in("heat_capacity"));
    m.def("mole_fraction_from_mass_fraction", &map1<kelvoran::moleFractionFromMassFraction>,
          in("w"), in("out"));
    m.def("mass_fraction_from_mole_fraction", &map1<kelvoran::massFractionFromMoleFraction>,
          in("x"), in("out"));

    m.def("_calculator_point", &calculatorPoint, nb::arg("t"), nb::arg("p"), nb::arg("x"));

    nb::exception<kelvoran::TableError>(m, "TableError", PyExc_OSError);
    nb::class_<kelvoran::PropertyTable>(m, "PropertyTable")
        .def_static("build", &buildTable, nb::arg("variables"), nb::arg("a0"), nb::arg("a1"),
                    nb::arg("b0"), nb::arg("b1"), nb::arg("x0"), nb::arg("x1"),
                    nb::arg("relative"), nb::arg("absolute"), nb::arg("max_level"),
                    nb::arg("root_level"), nb::arg("threads"), nb::arg("progress").none())
        .def_static(
            "load",
            [](const std::string& path) {
                nb::gil_scoped_release unlocked;
                return kelvoran::PropertyTable::load(path);
            },
            nb::arg("path"))
        .def(
            "save",
            [](const kelvoran::PropertyTable& t, const std::string& path) {
                nb::gil_scoped_release unlocked;
                t.save(path);
            },
            nb::arg("path"))
        .def_static(
            "from_bytes",
            [](const nb::bytes& data) {
                // A bytes object does not change: its buffer is read without the GIL.
                const std::span<const std::byte> view(
                    reinterpret_cast<const std::byte*>(data.c_str()), data.size());
                nb::gil_scoped_release unlocked;
                return kelvoran::PropertyTable::fromBytes(view);
            },
            nb::arg("data"))
        .def("to_bytes",
             [](const kelvoran::PropertyTable& t) {
                 const std::span<const std::byte> b = t.bytes();
                 return nb::bytes(reinterpret_cast<const char*>(b.data()), b.size());
             })
        .def_prop_ro("variables",
                     [](const kelvoran::PropertyTable& t) {
                         return std::string(kelvoran::shortName(t.variables()));
                     })
        .def_prop_ro("box",
                     [](const kelvoran::PropertyTable& t) {
                         const kelvoran::TableBox b = t.box();
                         return nb::make_tuple(b.first.lower, b.first.upper, b.second.lower,
                                               b.second.upper, b.composition.lower,
                                               b.composition.upper);
                     })
        .def_prop_ro("tolerance",
                     [](const kelvoran::PropertyTable& t) {
                         const kelvoran::TableTolerance tol = t.tolerance();
                         return nb::make_tuple(tol.relative, tol.absolute, tol.enthalpyFloorJKg);
                     })
        .def_prop_ro("kelvoran_version", &kelvoran::PropertyTable::kelvoranVersion)
        .def_prop_ro("levels",
                     [](const kelvoran::PropertyTable& t) {
                         return nb::make_tuple(t.rootLevel(), t.maxLevel());
                     })
        .def_prop_ro("statistics",
                     [](const kelvoran::PropertyTable& t) {
                         const kelvoran::TableStatistics s = t.statistics();
                         nb::dict d;
                         d["cells"] = s.cells;
                         d["exact_cells"] = s.exactCells;
                         d["segments"] = s.segments;
                         d["exact_segments"] = s.exactSegments;
                         d["nodes"] = s.nodes;
                         d["file_bytes"] = s.fileBytes;
                         d["build_seconds"] = s.buildSeconds;
                         d["model_evaluations"] = s.modelEvaluations;
                         return d;
                     })
        .def("evaluate_columns", &tableColumns, in("a"), in("b"), in("x"), nb::arg("columns"),
             nb::arg("threads"));
    m.def("_time_batch", &timeBatch, in("t"), in("p"), in("x"), nb::arg("threads"));
}
