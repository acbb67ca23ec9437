// The evaluations of the C interface: the caller's structs checked and copied, the C++ batch
// run on them, every failure turned into a code.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <string>

#include "capi/DerivativeRequest.h"
#include "inverse/BulkPropertySearch.h"
#include "kelvoran/Batch.h"
#include "kelvoran/Table.h"
#include "kelvoran/kelvoran.h"

/// The C handle of a property table.
struct kelvoran_table {
    kelvoran::PropertyTable table;
};

namespace {

using kelvoran::BatchColumns;
using kelvoran::BatchOptions;
using kelvoran::BatchStatus;
using kelvoran::InverseColumns;
using kelvoran::PhaseColumns;

/// The batch an evaluation runs, named by its inputs.
enum class Inputs { TPX, PHX, PRhoX, TRhoX };

/// The most points a call takes: n doubles must be addressable.
constexpr std::int64_t kMaxPoints = static_cast<std::int64_t>(PTRDIFF_MAX / sizeof(double));

/// Copies the caller's struct, of its own struct_size bytes, into `copy` (members beyond it
/// stay null): false where the size is not that of a version of the struct this library knows.
/// A later version that appends members passes the size of the first one as `oldestSize`.
template <typename Struct>
bool readStruct(const Struct& given, std::int64_t oldestSize, Struct& copy) {
    copy = Struct{};
    if (given.struct_size < oldestSize ||
        given.struct_size > static_cast<std::int64_t>(sizeof(Struct))) {
        return false;
    }
    std::memcpy(&copy, &given, static_cast<std::size_t>(given.struct_size));
    return true;
}

PhaseColumns phaseColumns(const kelvoran_phase_columns& c) {
    PhaseColumns p;
    p.composition = c.composition;
    p.massFraction = c.mass_fraction;
    p.density = c.density_kg_m3;
    p.molarVolume = c.molar_volume_cm3_mol;
    p.specificEnthalpy = c.specific_enthalpy_j_kg;
    p.heatCapacity = c.heat_capacity_j_kg_k;
    p.phaseMassFraction = c.phase_mass_fraction;
    p.saturation = c.saturation;
    return p;
}

BatchColumns batchColumns(const kelvoran_outputs& o) {
    BatchColumns b;
    b.state = o.state;
    b.warnings = o.warnings;
    b.fluidType = o.fluid_type;
    b.liquid = phaseColumns(o.liquid);
    b.vapor = phaseColumns(o.vapor);
    b.halite = phaseColumns(o.halite);
    b.bulk = phaseColumns(o.bulk);
    return b;
}

/// A call's arguments, checked: the code to return, and the copies the batch runs on.
struct Request {
    std::int32_t code = KELVORAN_OK;
    kelvoran_outputs outputs{};
    BatchColumns columns;
    BatchOptions options;
};

/// Whether the search range of `options` is one the call can search: the temperatures of
/// (P, h, x) and (P, ρ, x), the pressures of (T, ρ, x); the direct evaluation searches none.
bool validRange(Inputs inputs, const kelvoran::SearchRange& range) {
    switch (inputs) {
        case Inputs::TPX:
            return true;
        case Inputs::PHX:
        case Inputs::PRhoX:
            return kelvoran::validTemperatureRange(range);
        case Inputs::TRhoX:
            return kelvoran::validPressureRange(range);
    }
    return false;
}

Request check(Inputs inputs, std::int64_t n, const double* a, const double* b, const double* c,
              const kelvoran_outputs* outputs, const kelvoran_derivatives* derivatives,
              const kelvoran_options* options) {
    Request r;
    const auto fail = [&r](std::int32_t code) {
        r.code = code;
        return r;
    };
    if (outputs == nullptr) return fail(KELVORAN_ERROR_NULL_POINTER);
    kelvoran_derivatives d{};
    kelvoran_options o{};
    kelvoran_options_init(&o);
    if (!readStruct(*outputs, sizeof(kelvoran_outputs), r.outputs) ||
        (derivatives != nullptr && !readStruct(*derivatives, sizeof(kelvoran_derivatives), d)) ||
        (options != nullptr && !readStruct(*options, sizeof(kelvoran_options), o))) {
        return fail(KELVORAN_ERROR_STRUCT_SIZE);
    }
    if (n < 0 || n > kMaxPoints || n > r.outputs.length ||
        (derivatives != nullptr && n > d.length)) {
        return fail(KELVORAN_ERROR_LENGTH);
    }
    if (n > 0 && (a == nullptr || b == nullptr || c == nullptr)) {
        return fail(KELVORAN_ERROR_NULL_POINTER);
    }
    const kelvoran::SearchRange range{o.search_lower_c, o.search_upper_c, o.search_lower_bar,
                                      o.search_upper_bar};
    if (o.threads < 0 || !validRange(inputs, range)) return fail(KELVORAN_ERROR_INVALID_ARGUMENT);
    r.columns = batchColumns(r.outputs);
    if (derivatives != nullptr) r.columns.derivatives = kelvoran::capi::derivativeColumns(d);
    r.options.threads = o.threads;
    r.options.searchRange = range;
    if (o.progress != nullptr) {
        r.options.progress = [progress = o.progress, userData = o.user_data](std::size_t done,
                                                                             std::size_t total) {
            return progress(static_cast<std::int64_t>(done), static_cast<std::int64_t>(total),
                            userData) != 0;
        };
    }
    return r;
}

/// The columns a direct evaluation fills from its inputs: the status of each point, the
/// temperature and pressure of the state, and its amounts, those of the lever rule.
void writeDirectInputs(const kelvoran_outputs& o, std::span<const double> t,
                       std::span<const double> p, std::span<const double> x) {
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (o.status != nullptr) {
            o.status[i] = kelvoran::isPhysicalInput(t[i], p[i], x[i])
                              ? KELVORAN_POINT_SOLVED
                              : KELVORAN_POINT_INVALID_INPUT;
        }
        if (o.temperature_c != nullptr) o.temperature_c[i] = t[i];
        if (o.pressure_bar != nullptr) o.pressure_bar[i] = p[i];
        if (o.amounts_from_bulk_property != nullptr) o.amounts_from_bulk_property[i] = false;
    }
}

// The batch of `inputs` on the points, or with `table` its lookup in that table.
std::int32_t evaluate(Inputs inputs, std::int64_t n, const double* a, const double* b,
                      const double* c, const kelvoran_outputs* outputs,
                      const kelvoran_derivatives* derivatives, const kelvoran_options* options,
                      const kelvoran::PropertyTable* table = nullptr) noexcept {
    try {
        const Request r = check(inputs, n, a, b, c, outputs, derivatives, options);
        if (r.code != KELVORAN_OK) return r.code;
        const auto size = static_cast<std::size_t>(n);
        const std::span<const double> first(a, size), second(b, size), third(c, size);
        const InverseColumns inverse{r.outputs.temperature_c, r.outputs.pressure_bar,
                                     r.outputs.status, r.outputs.amounts_from_bulk_property};
        BatchStatus status = BatchStatus::Completed;
        if (table != nullptr) {
            status = table->evaluate(first, second, third, r.columns,
                                     inputs == Inputs::TPX ? InverseColumns{} : inverse, r.options);
            if (status == BatchStatus::Completed && inputs == Inputs::TPX) {
                writeDirectInputs(r.outputs, first, second, third);
            }
            return status == BatchStatus::Completed ? KELVORAN_OK : KELVORAN_ERROR_CANCELLED;
        }
        switch (inputs) {
            case Inputs::TPX:
                status = kelvoran::evaluateBatch(first, second, third, r.columns, r.options);
                if (status == BatchStatus::Completed) {
                    writeDirectInputs(r.outputs, first, second, third);
                }
                break;
            case Inputs::PHX:
                status =
                    kelvoran::evaluateBatchPH(first, second, third, r.columns, inverse, r.options);
                break;
            case Inputs::PRhoX:
                status = kelvoran::evaluateBatchPRho(first, second, third, r.columns, inverse,
                                                     r.options);
                break;
            case Inputs::TRhoX:
                status = kelvoran::evaluateBatchTRho(first, second, third, r.columns, inverse,
                                                     r.options);
                break;
        }
        return status == BatchStatus::Completed ? KELVORAN_OK : KELVORAN_ERROR_CANCELLED;
    } catch (const std::bad_alloc&) {
        return KELVORAN_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return KELVORAN_ERROR_INTERNAL;
    }
}

// A table into *table made by `make`, its failure turned into a code and a sentence written into
// the caller's `message_size` bytes of `message` (cut to fit, NUL-terminated; "" on success).
template <typename Make>
int32_t makeTable(kelvoran_table** table, char* message, int64_t message_size, int32_t refusal,
                  const Make& make) noexcept {
    const auto say = [&](const char* text) {
        if (message == nullptr || message_size <= 0) return;
        const std::size_t room = static_cast<std::size_t>(message_size) - 1;
        const std::size_t length = std::min(std::strlen(text), room);
        std::memcpy(message, text, length);
        message[length] = '\0';
    };
    if (table != nullptr) *table = nullptr;
    if (refusal != KELVORAN_OK) {
        say(kelvoran_error_message(refusal));
        return refusal;
    }
    try {
        *table = new kelvoran_table{make()};
        say("");
        return KELVORAN_OK;
    } catch (const kelvoran::TableError& e) {
        say(e.what());
        return KELVORAN_ERROR_TABLE_FILE;
    } catch (const std::bad_alloc&) {
        say(kelvoran_error_message(KELVORAN_ERROR_OUT_OF_MEMORY));
        return KELVORAN_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        say(kelvoran_error_message(KELVORAN_ERROR_INTERNAL));
        return KELVORAN_ERROR_INTERNAL;
    }
}

}  // namespace

extern "C" {

KELVORAN_API int32_t kelvoran_evaluate(int64_t n, const double* temperature_c,
                                       const double* pressure_bar, const double* composition,
                                       const kelvoran_outputs* outputs,
                                       const kelvoran_derivatives* derivatives,
                                       const kelvoran_options* options) noexcept {
    return evaluate(Inputs::TPX, n, temperature_c, pressure_bar, composition, outputs, derivatives,
                    options);
}

KELVORAN_API int32_t kelvoran_evaluate_ph(int64_t n, const double* pressure_bar,
                                          const double* specific_enthalpy_j_kg,
                                          const double* composition,
                                          const kelvoran_outputs* outputs,
                                          const kelvoran_derivatives* derivatives,
                                          const kelvoran_options* options) noexcept {
    return evaluate(Inputs::PHX, n, pressure_bar, specific_enthalpy_j_kg, composition, outputs,
                    derivatives, options);
}

KELVORAN_API int32_t kelvoran_evaluate_prho(int64_t n, const double* pressure_bar,
                                            const double* density_kg_m3, const double* composition,
                                            const kelvoran_outputs* outputs,
                                            const kelvoran_derivatives* derivatives,
                                            const kelvoran_options* options) noexcept {
    return evaluate(Inputs::PRhoX, n, pressure_bar, density_kg_m3, composition, outputs,
                    derivatives, options);
}

KELVORAN_API int32_t kelvoran_evaluate_trho(int64_t n, const double* temperature_c,
                                            const double* density_kg_m3, const double* composition,
                                            const kelvoran_outputs* outputs,
                                            const kelvoran_derivatives* derivatives,
                                            const kelvoran_options* options) noexcept {
    return evaluate(Inputs::TRhoX, n, temperature_c, density_kg_m3, composition, outputs,
                    derivatives, options);
}

KELVORAN_API int32_t kelvoran_table_load(const char* path, kelvoran_table** table, char* message,
                                         int64_t message_size) noexcept {
    const int32_t refusal =
        path == nullptr || table == nullptr ? KELVORAN_ERROR_NULL_POINTER : KELVORAN_OK;
    return makeTable(table, message, message_size, refusal,
                     [&] { return kelvoran::PropertyTable::load(path); });
}

KELVORAN_API int32_t kelvoran_table_from_bytes(const void* bytes, int64_t size,
                                               kelvoran_table** table, char* message,
                                               int64_t message_size) noexcept {
    int32_t refusal = KELVORAN_OK;
    if (table == nullptr || (bytes == nullptr && size > 0)) {
        refusal = KELVORAN_ERROR_NULL_POINTER;
    } else if (size < 0) {
        refusal = KELVORAN_ERROR_LENGTH;
    }
    return makeTable(table, message, message_size, refusal, [&] {
        const auto* first = static_cast<const std::byte*>(bytes);
        return kelvoran::PropertyTable::fromBytes({first, static_cast<std::size_t>(size)});
    });
}

KELVORAN_API int32_t kelvoran_table_bytes(const kelvoran_table* table, const void** bytes,
                                          int64_t* size) noexcept {
    if (bytes != nullptr) *bytes = nullptr;
    if (size != nullptr) *size = 0;
    if (table == nullptr || bytes == nullptr || size == nullptr) return KELVORAN_ERROR_NULL_POINTER;
    const std::span<const std::byte> image = table->table.bytes();
    *bytes = image.data();
    *size = static_cast<int64_t>(image.size());
    return KELVORAN_OK;
}

KELVORAN_API void kelvoran_table_free(kelvoran_table* table) noexcept { delete table; }

KELVORAN_API int32_t kelvoran_table_variables(const kelvoran_table* table) noexcept {
    if (table == nullptr) return 0;
    return table->table.variables() == kelvoran::TableVariables::PressureEnthalpy
               ? KELVORAN_TABLE_PHX
               : KELVORAN_TABLE_TPX;
}

KELVORAN_API int32_t kelvoran_table_evaluate(const kelvoran_table* table, int64_t n,
                                             const double* first, const double* second,
                                             const double* composition,
                                             const kelvoran_outputs* outputs,
                                             const kelvoran_derivatives* derivatives,
                                             const kelvoran_options* options) noexcept {
    if (table == nullptr) return KELVORAN_ERROR_NULL_POINTER;
    const Inputs inputs = kelvoran_table_variables(table) == KELVORAN_TABLE_PHX ? Inputs::PHX
                                                                                : Inputs::TPX;
    return evaluate(inputs, n, first, second, composition, outputs, derivatives, options,
                    &table->table);
}

}  // extern "C"
